// GDI objects: one handle table for regions, device contexts and the objects the graphics layer adds.
// A device context records the window it belongs to and the object selected for each object type; the
// graphics layer extends DeviceContext where it draws.
#pragma once
#include <map>
#include <memory>

#include "platform/winapi/WinTypes.h"

constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_MEMDC = 10;

class GdiObject {
 public:
  virtual ~GdiObject() = default;
  virtual DWORD ObjectType() const = 0;
  bool stock = false;  // a stock object: DeleteObject leaves it
};

class DeviceContext : public GdiObject {
 public:
  DWORD ObjectType() const override { return memory ? OBJ_MEMDC : OBJ_DC; }
  HWND window = nullptr;
  bool memory = false;
  bool wholeWindow = false;           // GetWindowDC: the window's origin, not the client area's
  std::map<DWORD, HGDIOBJ> selected;  // by object type; see DefaultObject for what is there at first
  // Drawing attributes (Bitmaps.h).
  DWORD bkColor = 0xFFFFFF, textColor = 0;
  int bkMode = 2, stretchMode = 1, mapMode = 1;
};

// The object a new context holds for a type: the white brush, the default palette, and in a memory
// context a 1 x 1 monochrome bitmap; none for other types.
HGDIOBJ DefaultObject(const DeviceContext& dc, DWORD type);

// Takes ownership and returns the new handle.
HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object);
// The object behind a handle, or none. The pointer stays valid until the handle is deleted.
GdiObject* FindGdiObject(HGDIOBJ handle);
template <class T, class H>
T* FindGdi(H handle) {
  return dynamic_cast<T*>(FindGdiObject(reinterpret_cast<HGDIOBJ>(handle)));
}
// Removes and destroys the object; false for an unknown handle.
bool RemoveGdiObject(HGDIOBJ handle);
size_t GdiObjectCount();

template <class H>
HGDIOBJ AsGdiObject(H handle) {
  return reinterpret_cast<HGDIOBJ>(handle);
}

BOOL DeleteObject(HGDIOBJ handle);
inline BOOL DeleteObject(HRGN h) { return DeleteObject(AsGdiObject(h)); }
inline BOOL DeleteObject(HBRUSH h) { return DeleteObject(AsGdiObject(h)); }
inline BOOL DeleteObject(HBITMAP h) { return DeleteObject(AsGdiObject(h)); }
inline BOOL DeleteObject(HFONT h) { return DeleteObject(AsGdiObject(h)); }
inline BOOL DeleteObject(HPALETTE h) { return DeleteObject(AsGdiObject(h)); }
DWORD GetObjectType(HGDIOBJ handle);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
