// The process's kernel handle table.
#include "platform/winapi/Handles.h"

#include <mutex>
#include <unordered_map>

#include "platform/winapi/LastError.h"

namespace {

struct Table {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  uintptr_t next = 0x100;
};

Table& Handles() {
  static Table* table = new Table;  // outlives every static that may close a handle at exit
  return *table;
}

}  // namespace

DWORD KernelObject::Wait(DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

void SetLastErrorInvalidHandle() { SetLastError(ERROR_INVALID_HANDLE); }

HANDLE NewHandle(std::shared_ptr<KernelObject> object) {
  Table& t = Handles();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t value = t.next;
  t.next += 4;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleObject(HANDLE handle) {
  Table& t = Handles();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

size_t OpenHandleCount() {
  Table& t = Handles();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.objects.size();
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> doomed;
  {
    Table& t = Handles();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    doomed = std::move(it->second);
    t.objects.erase(it);
  }
  doomed->HandleClosed();
  return TRUE;  // the object goes when its last user lets go, outside the table's lock
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto object = HandleObject(handle);
  if (!object) return WAIT_FAILED;
  return object->Wait(milliseconds);
}
