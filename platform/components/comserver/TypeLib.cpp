#include "platform/components/comserver/TypeLib.h"

#include "platform/com/OleError.h"
#include "platform/components/comserver/ComObj.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

const TTypeLibInterface* TTypeLibrary::FindInterface(REFIID iid) const {
  for (const TTypeLibInterface& i : Interfaces)
    if (i.Iid == iid) return &i;
  return nullptr;
}

std::string TTypeLibrary::VersionText() const {
  return std::to_string(MajorVersion) + "." + std::to_string(MinorVersion);
}

namespace {

std::string LibraryKey(const TTypeLibrary& library) { return "TypeLib\\" + GUIDToString(library.LibId); }

// Whether the key has any subkey left.
bool HasSubKeys(const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  DWORD subKeys = 0;
  LONG status = RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr);
  RegCloseKey(h);
  return status == ERROR_SUCCESS && subKeys > 0;
}

}  // namespace

void RegisterTypeLibrary(const TTypeLibrary& library, const std::string& fileName) {
  const std::string versionKey = LibraryKey(library) + "\\" + library.VersionText();
  CreateRegKey(versionKey, "", library.HelpString);
  CreateRegKey(versionKey + "\\0\\win32", "", fileName);
  CreateRegKey(versionKey + "\\FLAGS", "", "0");
  std::string folder = ExtractFilePath(fileName);
  if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  CreateRegKey(versionKey + "\\HELPDIR", "", folder);
  const std::string libId = GUIDToString(library.LibId);
  for (const TTypeLibInterface& i : library.Interfaces) {
    const std::string key = "Interface\\" + GUIDToString(i.Iid);
    CreateRegKey(key, "", i.Name);
    CreateRegKey(key + "\\ProxyStubClsid", "", GUIDToString(CLSID_PSOAInterface));
    CreateRegKey(key + "\\ProxyStubClsid32", "", GUIDToString(CLSID_PSOAInterface));
    CreateRegKey(key + "\\TypeLib", "", libId);
    CreateRegKey(key + "\\TypeLib", "Version", library.VersionText());
  }
}

void UnregisterTypeLibrary(const TTypeLibrary& library) {
  for (const TTypeLibInterface& i : library.Interfaces) DeleteRegKey("Interface\\" + GUIDToString(i.Iid));
  DeleteRegKey(LibraryKey(library) + "\\" + library.VersionText());
  if (!HasSubKeys(LibraryKey(library))) DeleteRegKey(LibraryKey(library));
}

TDispatchTable DispatchTableOf(const TTypeLibInterface& iface, std::string source,
                               const std::map<std::string, TDispatchTable::THandler>& handlers) {
  TDispatchTable table(std::move(source));
  for (const TTypeLibMethod& method : iface.Methods) {
    auto handler = handlers.find(method.Name);
    if (handler == handlers.end()) throw EOleError("No handler for " + iface.Name + "." + method.Name);
    std::vector<TDispatchParam> params;
    for (const TTypeLibParam& p : method.Params)
      params.push_back(p.Optional ? Optional(p.Type, p.Default) : Required(p.Type));
    table.Method(method.Name, method.Id, std::move(params), handler->second);
  }
  return table;
}
