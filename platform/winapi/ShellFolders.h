// The shell's special folders of the machine and the current user, as the registry's "Shell Folders"
// keys name them.
#pragma once
#include "platform/winapi/WinTypes.h"

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_FAVORITES = 0x0006;
constexpr int CSIDL_STARTMENU = 0x000B;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_INTERNET_CACHE = 0x0020;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_COMMON_DOCUMENTS = 0x002E;
constexpr int CSIDL_FLAG_CREATE = 0x8000;

constexpr DWORD SHGFP_TYPE_CURRENT = 0;

// The folder's path (at most MAX_PATH characters) into `path`: S_OK (0); S_FALSE (1) when the folder does
// not exist (CSIDL_FLAG_CREATE creates it); E_FAIL when the machine does not name it; E_INVALIDARG for a
// folder id it does not know.
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);

// Item id lists of the shell, as far as file-system folders need them: one item holding the path.
struct SHITEMID {
  USHORT cb;
  BYTE abID[1];
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);
void ILFree(LPITEMIDLIST list);
