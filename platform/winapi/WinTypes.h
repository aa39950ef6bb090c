// Win32 base types and constants shared by every stand-in of the Windows API.
#pragma once
#include <cstdint>

using BOOL = int;
using BOOLEAN = uint8_t;
using CHAR = char;
using SHORT = int16_t;
using USHORT = uint16_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using ULONG = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;
using DWORD_PTR = ULONG_PTR;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
using PLONG = LONG*;
using LANGID = WORD;
// Results of COM and shell calls (the COM stand-in adds the named codes).
using HRESULT = int32_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD MAX_PATH = 260;
constexpr DWORD INFINITE = 0xFFFFFFFF;

// Handles are opaque pointers; each kind is its own type so that they do not mix.
#define VANDREL_DECLARE_HANDLE(name) \
  struct name##__ {                  \
    int unused;                      \
  };                                 \
  using name = name##__*
VANDREL_DECLARE_HANDLE(HWND);
VANDREL_DECLARE_HANDLE(HINSTANCE);
VANDREL_DECLARE_HANDLE(HKEY);
VANDREL_DECLARE_HANDLE(HMENU);
VANDREL_DECLARE_HANDLE(HHOOK);
VANDREL_DECLARE_HANDLE(HRGN);
VANDREL_DECLARE_HANDLE(HDC);
VANDREL_DECLARE_HANDLE(HBITMAP);
VANDREL_DECLARE_HANDLE(HICON);
VANDREL_DECLARE_HANDLE(HCURSOR);
VANDREL_DECLARE_HANDLE(HBRUSH);
VANDREL_DECLARE_HANDLE(HFONT);
VANDREL_DECLARE_HANDLE(HPALETTE);
VANDREL_DECLARE_HANDLE(HGDIOBJ_);
using HMODULE = HINSTANCE;
using HANDLE = void*;
using HGLOBAL = HANDLE;
using HGDIOBJ = HGDIOBJ_;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t(-1));

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};

struct POINT {
  LONG x, y;
};
struct SIZE {
  LONG cx, cy;
};
struct RECT {
  LONG left, top, right, bottom;
};
struct FILETIME {
  DWORD dwLowDateTime, dwHighDateTime;
};
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  LONGLONG QuadPart;
};
struct SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

constexpr WORD LOWORD(DWORD_PTR v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR v) { return WORD((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return DWORD(lo) | (DWORD(hi) << 16); }
