// The shell's link object: IShellLinkA describes a shortcut, IPersistFile saves it as a shell-link (".lnk")
// file through the file layer. The class is built into the COM runtime of every process.
#pragma once
#include "platform/com/Persist.h"

inline constexpr CLSID CLSID_ShellLink = "{00021401-0000-0000-C000-000000000046}"_guid;

// Modifier bits of a hot key's high byte.
constexpr BYTE HOTKEYF_SHIFT = 0x01;
constexpr BYTE HOTKEYF_CONTROL = 0x02;
constexpr BYTE HOTKEYF_ALT = 0x04;

// Texts are CP1250. Paths (target, working folder, icon file) hold at most MAX_PATH - 1 characters,
// description and arguments at most 1023; longer ones are refused with E_INVALIDARG, as is a null text.
struct IShellLinkA : IUnknown {
  COM_INTERFACE(IUnknown, "{000214EE-0000-0000-C000-000000000046}");
  virtual HRESULT SetDescription(LPCSTR name) = 0;
  virtual HRESULT SetWorkingDirectory(LPCSTR dir) = 0;
  virtual HRESULT SetArguments(LPCSTR args) = 0;
  // Low byte the virtual key, high byte the HOTKEYF_ modifiers; 0 for none.
  virtual HRESULT SetHotkey(WORD hotkey) = 0;
  virtual HRESULT SetShowCmd(int showCmd) = 0;
  virtual HRESULT SetIconLocation(LPCSTR iconPath, int icon) = 0;
  // A bare file name found in the system folder or the Windows folder becomes its full path there; a path
  // with a folder becomes a full path; another bare name stays as given.
  virtual HRESULT SetPath(LPCSTR file) = 0;
};

struct IPersistFile : IPersist {
  COM_INTERFACE(IPersist, "{0000010B-0000-0000-C000-000000000046}");
  // S_OK when there are changes since the last save that was remembered, else S_FALSE.
  virtual HRESULT IsDirty() = 0;
  // Writes the file (null: the remembered one; E_INVALIDARG when none); `remember` makes it the object's
  // file. A failure of the file layer gives its error as an HRESULT.
  virtual HRESULT Save(LPCOLESTR fileName, BOOL remember) = 0;
};

namespace vandrel::shell_link_testing {
// Saves of link objects in this process answer `failure` without writing (S_OK: they write again).
void SetSaveFailure(HRESULT failure);
}  // namespace vandrel::shell_link_testing
