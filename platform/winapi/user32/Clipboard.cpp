#include "platform/winapi/Clipboard.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/winapi/GlobalMemory.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/user32/WindowSystem.h"

namespace {

struct Entry {
  UINT format;
  HANDLE data;
};

struct Board {
  std::mutex lock;
  DWORD openBy = 0;  // thread that has it open
  HWND openWindow = nullptr;
  HWND owner = nullptr;
  std::vector<Entry> entries;  // in the order set
};

Board& B() {
  static Board* board = new Board;
  return *board;
}

bool OpenHere(Board& b) { return b.openBy == GetCurrentThreadId(); }

void FreeEntries(Board& b) {
  for (Entry& e : b.entries)
    if (e.data) GlobalFree(e.data);
  b.entries.clear();
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  Board& b = B();
  std::lock_guard g(b.lock);
  if (b.openBy && !OpenHere(b)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  b.openBy = GetCurrentThreadId();
  b.openWindow = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  Board& b = B();
  std::lock_guard g(b.lock);
  if (!OpenHere(b)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  b.openBy = 0;
  b.openWindow = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  Board& b = B();
  std::lock_guard g(b.lock);
  if (!OpenHere(b)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  FreeEntries(b);
  b.owner = b.openWindow;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  Board& b = B();
  std::lock_guard g(b.lock);
  if (!OpenHere(b) || !format || !data) {
    SetLastError(OpenHere(b) ? ERROR_INVALID_PARAMETER : ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  for (Entry& e : b.entries)
    if (e.format == format) {
      if (e.data != data) GlobalFree(e.data);
      e.data = data;
      return data;
    }
  b.entries.push_back(Entry{format, data});
  return data;
}

HANDLE GetClipboardData(UINT format) {
  Board& b = B();
  std::lock_guard g(b.lock);
  if (!OpenHere(b)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  for (Entry& e : b.entries)
    if (e.format == format) return e.data;
  return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  Board& b = B();
  std::lock_guard g(b.lock);
  return std::any_of(b.entries.begin(), b.entries.end(), [&](const Entry& e) { return e.format == format; });
}

int CountClipboardFormats() {
  Board& b = B();
  std::lock_guard g(b.lock);
  return int(b.entries.size());
}

UINT EnumClipboardFormats(UINT format) {
  Board& b = B();
  std::lock_guard g(b.lock);
  if (!OpenHere(b)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  if (format == 0) return b.entries.empty() ? 0 : b.entries.front().format;
  for (size_t i = 0; i + 1 < b.entries.size(); ++i)
    if (b.entries[i].format == format) return b.entries[i + 1].format;
  return 0;
}

UINT RegisterClipboardFormatA(LPCSTR name) { return RegisterWindowMessageA(name); }

int GetClipboardFormatNameA(UINT format, LPSTR buffer, int size) {
  winsys::Guard g(winsys::S().lock);
  auto& names = winsys::S().atomNames;
  if (format < MAXINTATOM || format - MAXINTATOM >= names.size() || !buffer || size <= 0) return 0;
  const std::string& n = names[format - MAXINTATOM];
  size_t count = std::min(n.size(), size_t(size - 1));
  std::memcpy(buffer, n.data(), count);
  buffer[count] = 0;
  return int(count);
}

HWND GetClipboardOwner() {
  Board& b = B();
  std::lock_guard g(b.lock);
  return b.owner;
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    if (auto* p = static_cast<const char*>(GlobalLock(h))) {
      text.assign(p, strnlen(p, GlobalSize(h)));
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return text;
}

bool SetClipboardText(const std::string& text) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (!mem) return false;
  std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
  GlobalUnlock(mem);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(mem);
    return false;
  }
  EmptyClipboard();
  bool ok = SetClipboardData(CF_TEXT, mem) != nullptr;
  if (!ok) GlobalFree(mem);
  CloseClipboard();
  return ok;
}
