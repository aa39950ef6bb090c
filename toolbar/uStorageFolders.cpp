#include "toolbar/uStorageFolders.h"

#include <atomic>
#include <mutex>

#include "platform/com/Guid.h"
#include "platform/com/OleError.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/ShellFolders.h"
#include "toolbar/uInstance.h"

namespace {

std::atomic<TStaticFileStorage*> g_static{nullptr};
std::atomic<TDynamicFileStorage*> g_user{nullptr};
std::atomic<TDownloadFileStorage*> g_download{nullptr};

std::mutex g_unitLock;
int g_unitCount = 0;

template <class T>
void FreeStorage(std::atomic<T*>& storage) {
  if (T* doomed = storage.exchange(nullptr)) doomed->Free();
}

}  // namespace

std::string AddTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

std::string GetModuleFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(InstanceModule(), path, sizeof path);
  if (length == 0 || length >= sizeof path) RaiseLastOSError();
  return ExtractFilePath(std::string(path, length));
}

std::string GetLocalAppDataFolder() {
  char path[MAX_PATH + 1] = {};
  OleCheck(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path));
  return AddTrailingBackslash(path);
}

std::string GetTempFolder() {
  char path[261] = {};
  DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0) RaiseLastOSError();
  if (length >= sizeof path) RaiseLastOSError(ERROR_INSUFFICIENT_BUFFER);
  return AddTrailingBackslash(std::string(path, length));
}

std::string GetDynamicStoragePath(REFCLSID clsid) {
  return GetLocalAppDataFolder() + "Tessaline\\" + GUIDToString(clsid);
}

std::string GetDownloadStoragePath(REFCLSID clsid) { return GetTempFolder() + "Tessaline\\" + GUIDToString(clsid); }

TStaticFileStorage* StaticStorage() { return g_static.load(); }
TDynamicFileStorage* UserStorage() { return g_user.load(); }
TDownloadFileStorage* DownloadStorage() { return g_download.load(); }

TFileStorage* CurrentStorage() {
  TDynamicFileStorage* user = g_user.load();
  if (user && user->IsValid()) return user;
  return g_static.load();
}

void CreateStorages(REFCLSID clsid) {
  FreeStorages();
  g_user.store(TDynamicFileStorage::Create(GetDynamicStoragePath(clsid)));
  g_download.store(TDownloadFileStorage::Create(GetDownloadStoragePath(clsid)));
}

void FreeStorages() {
  FreeStorage(g_download);
  FreeStorage(g_user);
}

void InitializeStorageFolders() {
  std::lock_guard<std::mutex> guard(g_unitLock);
  if (g_unitCount > 0) {
    ++g_unitCount;
    return;
  }
  g_static.store(TStaticFileStorage::Create(GetModuleFolder()));
  g_unitCount = 1;
}

void FinalizeStorageFolders() {
  std::lock_guard<std::mutex> guard(g_unitLock);
  if (g_unitCount == 0 || --g_unitCount > 0) return;
  FreeStorage(g_static);
  FreeStorages();
}
