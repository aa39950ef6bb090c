// Cursors: the system's cursors and cursors loaded from a module's cursor resources (a Windows .cur file:
// the icon directory of type 2 with its hot spot, and the image of its first entry, a DIB of twice the
// cursor's height holding the colour image and then the 1-bit AND mask).
#pragma once
#include "platform/winapi/Bitmaps.h"
#include "platform/winapi/Module.h"

inline LPCSTR const IDC_ARROW = MAKEINTRESOURCEA(32512);
inline LPCSTR const IDC_IBEAM = MAKEINTRESOURCEA(32513);
inline LPCSTR const IDC_WAIT = MAKEINTRESOURCEA(32514);
inline LPCSTR const IDC_CROSS = MAKEINTRESOURCEA(32515);
inline LPCSTR const IDC_SIZEALL = MAKEINTRESOURCEA(32646);
inline LPCSTR const IDC_NO = MAKEINTRESOURCEA(32648);
inline LPCSTR const IDC_HAND = MAKEINTRESOURCEA(32649);

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};

// A system cursor (instance none and an IDC_ value) or the RT_CURSOR resource of a module. Loading the same
// cursor again answers the same handle. None with the last error set when there is no such cursor or its
// data is not a cursor file (ERROR_INVALID_DATA).
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
// A cursor from the bytes of a .cur file; DestroyCursor frees it.
HCURSOR CreateCursorFromFile(const void* data, DWORD size);
BOOL DestroyCursor(HCURSOR cursor);
// The hot spot and new bitmaps the caller deletes: for a monochrome cursor hbmMask holds the AND mask above
// the XOR image (twice the height) and hbmColor is none; otherwise hbmColor holds the colour image.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
inline BOOL GetIconInfo(HCURSOR cursor, ICONINFO* info) { return GetIconInfo(reinterpret_cast<HICON>(cursor), info); }
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
