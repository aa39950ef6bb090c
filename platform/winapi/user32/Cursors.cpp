// Cursors: system cursors, cursors read from .cur files and cursor resources, and their bitmaps.
#include "platform/winapi/Cursors.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Resources.h"

namespace {

struct Cursor {
  int width = 0, height = 0;
  POINT hotSpot{0, 0};
  std::vector<uint8_t> info;   // BITMAPINFO of the colour image (height of one image) with its table
  std::vector<uint8_t> image;  // colour rows, bottom-up
  std::vector<uint8_t> mask;   // 1-bit AND rows, bottom-up
  bool shared = false;         // loaded from a module or the system: DestroyCursor leaves it
};

struct Table {
  std::mutex lock;
  std::map<HCURSOR, std::unique_ptr<Cursor>> cursors;
  std::map<std::pair<HMODULE, std::string>, HCURSOR> loaded;
  uintptr_t next = 0x60000;
  HCURSOR current = nullptr;
};

Table& T() {
  static Table* table = new Table;
  return *table;
}

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); }

size_t Stride(int width, int bits) { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }

// Parses a .cur file; false when it is none or its first image lies outside it.
bool Parse(const uint8_t* p, size_t n, Cursor& out) {
  if (n < 22 || U16(p) != 0 || U16(p + 2) != 2 || U16(p + 4) < 1) return false;
  const uint8_t* entry = p + 6;
  uint32_t size = U32(entry + 8), offset = U32(entry + 12);
  if (offset > n || size > n - offset || size < 40) return false;
  const uint8_t* dib = p + offset;
  uint32_t headerSize = U32(dib);
  int32_t width = int32_t(U32(dib + 4)), doubled = int32_t(U32(dib + 8));
  uint16_t bits = U16(dib + 14);
  if (headerSize < 40 || headerSize > size || width <= 0 || width > 256 || doubled <= 0 || doubled % 2 ||
      doubled > 512 || U32(dib + 16) != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
    return false;
  int height = doubled / 2;
  size_t colors = bits <= 8 ? size_t(1) << bits : 0;
  uint32_t used = U32(dib + 32);
  if (bits <= 8 && used && used < colors) colors = used;
  size_t imageBytes = Stride(width, bits) * size_t(height), maskBytes = Stride(width, 1) * size_t(height);
  if (uint64_t(headerSize) + colors * 4 + imageBytes + maskBytes > size) return false;
  out.width = width;
  out.height = height;
  out.hotSpot = POINT{U16(entry + 4), U16(entry + 6)};
  out.info.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(out.info.data());
  *h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0, DWORD(colors), 0};
  std::memcpy(out.info.data() + sizeof(BITMAPINFOHEADER), dib + headerSize, colors * 4);
  const uint8_t* pixels = dib + headerSize + colors * 4;
  out.image.assign(pixels, pixels + imageBytes);
  out.mask.assign(pixels + imageBytes, pixels + imageBytes + maskBytes);
  return true;
}

HCURSOR Add(std::unique_ptr<Cursor> cursor) {
  Table& t = T();
  t.next += 4;
  auto handle = reinterpret_cast<HCURSOR>(t.next);
  t.cursors[handle] = std::move(cursor);
  return handle;
}

// A system cursor: a 32 x 32 monochrome arrow-less square, transparent, with its hot spot at the top-left.
std::unique_ptr<Cursor> SystemCursor() {
  auto c = std::make_unique<Cursor>();
  c->width = c->height = 32;
  c->info.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(c->info.data());
  *h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 32, 32, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
  std::memset(c->info.data() + sizeof(BITMAPINFOHEADER) + 4, 255, 3);
  c->image.assign(Stride(32, 1) * 32, 0);
  c->mask.assign(Stride(32, 1) * 32, 0xFF);
  c->shared = true;
  return c;
}

bool IsSystemCursor(LPCSTR name) {
  for (LPCSTR id : {IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_CROSS, IDC_SIZEALL, IDC_NO, IDC_HAND})
    if (name == id) return true;
  return false;
}

std::string NameKey(LPCSTR name) {
  return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : cp1250::Upper(name);
}

}  // namespace

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!instance && !IsSystemCursor(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  Table& t = T();
  {
    std::lock_guard g(t.lock);
    auto it = t.loaded.find({instance, NameKey(name)});
    if (it != t.loaded.end()) return it->second;
  }
  std::unique_ptr<Cursor> cursor;
  if (!instance) {
    cursor = SystemCursor();
  } else {
    HRSRC resource = FindResourceA(instance, name, RT_CURSOR);
    if (!resource) return nullptr;
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(instance, resource)));
    cursor = std::make_unique<Cursor>();
    if (!Parse(data, SizeofResource(instance, resource), *cursor)) {
      SetLastError(ERROR_INVALID_DATA);
      return nullptr;
    }
    cursor->shared = true;
  }
  std::lock_guard g(t.lock);
  auto& slot = t.loaded[{instance, NameKey(name)}];
  if (!slot) slot = Add(std::move(cursor));
  return slot;
}

HCURSOR CreateCursorFromFile(const void* data, DWORD size) {
  auto cursor = std::make_unique<Cursor>();
  if (!data || !Parse(static_cast<const uint8_t*>(data), size, *cursor)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::lock_guard g(T().lock);
  return Add(std::move(cursor));
}

BOOL DestroyCursor(HCURSOR cursor) {
  Table& t = T();
  std::lock_guard g(t.lock);
  auto it = t.cursors.find(cursor);
  if (it == t.cursors.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!it->second->shared) t.cursors.erase(it);
  if (t.current == cursor) t.current = nullptr;
  return TRUE;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  Cursor copy;
  {
    Table& t = T();
    std::lock_guard g(t.lock);
    auto it = t.cursors.find(reinterpret_cast<HCURSOR>(icon));
    if (it == t.cursors.end() || !info) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    copy = *it->second;
  }
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(copy.info.data());
  bool mono = h->biBitCount == 1;
  *info = ICONINFO{FALSE, DWORD(copy.hotSpot.x), DWORD(copy.hotSpot.y), nullptr, nullptr};
  // The mask (and for a monochrome cursor the XOR image below it) as a monochrome bitmap.
  std::vector<uint8_t> maskInfo(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD), 0);
  auto* mh = reinterpret_cast<BITMAPINFOHEADER*>(maskInfo.data());
  *mh =
      BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), copy.width, copy.height * (mono ? 2 : 1), 1, 1, BI_RGB, 0, 0, 0, 2, 0};
  std::memset(maskInfo.data() + sizeof(BITMAPINFOHEADER) + 4, 255, 3);
  std::vector<uint8_t> rows = copy.mask;  // bottom-up: a monochrome cursor's XOR image goes below (first)
  if (mono) rows.insert(rows.begin(), copy.image.begin(), copy.image.end());
  info->hbmMask = CreateBitmap(copy.width, mh->biHeight, 1, 1, nullptr);
  SetDIBits(nullptr, info->hbmMask, 0, UINT(mh->biHeight), rows.data(), reinterpret_cast<BITMAPINFO*>(maskInfo.data()),
            DIB_RGB_COLORS);
  if (!mono) {
    info->hbmColor = CreateBitmap(copy.width, copy.height, 1, 32, nullptr);
    SetDIBits(nullptr, info->hbmColor, 0, UINT(copy.height), copy.image.data(),
              reinterpret_cast<BITMAPINFO*>(copy.info.data()), DIB_RGB_COLORS);
  }
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  Table& t = T();
  std::lock_guard g(t.lock);
  HCURSOR previous = t.current;
  t.current = cursor;
  return previous;
}

HCURSOR GetCursor() {
  Table& t = T();
  std::lock_guard g(t.lock);
  return t.current;
}
