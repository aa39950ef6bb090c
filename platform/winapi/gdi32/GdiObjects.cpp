#include "platform/winapi/GdiObjects.h"

#include <mutex>
#include <unordered_map>

#include "platform/winapi/LastError.h"

namespace {

struct Table {
  std::mutex lock;
  std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>> objects;
  uintptr_t next = 0x40000;
};

Table& T() {
  static Table* table = new Table;
  return *table;
}

}  // namespace

HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object) {
  Table& t = T();
  std::lock_guard g(t.lock);
  t.next += 4;
  auto handle = reinterpret_cast<HGDIOBJ>(t.next);
  t.objects[handle] = std::move(object);
  return handle;
}

GdiObject* FindGdiObject(HGDIOBJ handle) {
  Table& t = T();
  std::lock_guard g(t.lock);
  auto it = t.objects.find(handle);
  return it == t.objects.end() ? nullptr : it->second.get();
}

bool RemoveGdiObject(HGDIOBJ handle) {
  std::unique_ptr<GdiObject> doomed;
  Table& t = T();
  std::lock_guard g(t.lock);
  auto it = t.objects.find(handle);
  if (it == t.objects.end()) return false;
  doomed = std::move(it->second);
  t.objects.erase(it);
  return true;
}

size_t GdiObjectCount() {
  Table& t = T();
  std::lock_guard g(t.lock);
  return t.objects.size();
}

BOOL DeleteObject(HGDIOBJ handle) {
  GdiObject* object = FindGdiObject(handle);
  if (!object || object->ObjectType() == OBJ_DC || object->ObjectType() == OBJ_MEMDC) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (object->stock) return TRUE;
  return RemoveGdiObject(handle) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ handle) {
  GdiObject* object = FindGdiObject(handle);
  return object ? object->ObjectType() : 0;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto* context = FindGdi<DeviceContext>(dc);
  GdiObject* selected = FindGdiObject(object);
  if (!context || !selected) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  DWORD type = selected->ObjectType();
  if (type == OBJ_BITMAP && !context->memory) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto it = context->selected.find(type);
  HGDIOBJ previous = it == context->selected.end() ? DefaultObject(*context, type) : it->second;
  context->selected[type] = object;
  return previous;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  auto* context = FindGdi<DeviceContext>(dc);
  if (!context) return nullptr;
  auto it = context->selected.find(type);
  return it == context->selected.end() ? DefaultObject(*context, type) : it->second;
}

HDC CreateCompatibleDC(HDC) {
  auto context = std::make_unique<DeviceContext>();
  context->memory = true;
  return reinterpret_cast<HDC>(AddGdiObject(std::move(context)));
}

BOOL DeleteDC(HDC dc) {
  if (!FindGdi<DeviceContext>(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return RemoveGdiObject(reinterpret_cast<HGDIOBJ>(dc)) ? TRUE : FALSE;
}
