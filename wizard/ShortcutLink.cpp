#include "wizard/ShortcutLink.h"

#include <cstdlib>
#include <mutex>

#include "platform/com/Bstr.h"
#include "platform/com/ClassTable.h"
#include "platform/com/ShellLink.h"
#include "platform/components/Forms.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/ShellFolders.h"
#include "platform/winapi/Windows.h"

namespace {

constexpr BYTE kHotKeyModifiers = HOTKEYF_CONTROL | HOTKEYF_ALT;

[[noreturn]] void Fail() { throw EShortcutError("Unable to create .lnk file"); }

void Check(HRESULT hr) {
  if (FAILED(hr)) Fail();
}

}  // namespace

void TShortcutLink::SetHotKey(const std::string& value) {
  const unsigned char c = value.empty() ? ' ' : cp1250::ToUpperByte(static_cast<unsigned char>(value[0]));
  hotKey_ = c < ' ' ? ' ' : c;
}

TShowCmd TShortcutLink::ShowCmd() const {
  switch (showCmd_) {
    case SW_SHOWMAXIMIZED: return scShowMaximized;
    case SW_SHOWMINNOACTIVE: return scShowMinimized;
    default: return scShowNormal;
  }
}

void TShortcutLink::SetShowCmd(TShowCmd value) {
  switch (value) {
    case scShowMaximized: showCmd_ = SW_SHOWMAXIMIZED; break;
    case scShowMinimized: showCmd_ = SW_SHOWMINNOACTIVE; break;
    case scShowNormal: showCmd_ = SW_RESTORE; break;
  }
}

void TShortcutLink::CreateLink() {
  ComPtr<IShellLinkA> link;
  Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IidOf<IShellLinkA>(), link.PutVoid()));
  Check(link->SetPath(target_.c_str()));
  Check(link->SetWorkingDirectory(workingDir_.c_str()));
  Check(link->SetArguments(arguments_.c_str()));
  Check(link->SetDescription(description_.c_str()));
  Check(link->SetShowCmd(showCmd_));
  if (hotKey_ > ' ') Check(link->SetHotkey(WORD(kHotKeyModifiers << 8 | hotKey_)));
  Check(link->SetIconLocation(iconLocation_.c_str(), iconNumber_));
  ComPtr<IPersistFile> file;
  Check(link->QueryInterface(IidOf<IPersistFile>(), file.PutVoid()));
  Check(file->Save(WideString::FromString(shortcutFile_).Get(), TRUE));
}

std::string TShortcutLink::GetDesktopFolder() { return GetSpecialFolder(CSIDL_DESKTOPDIRECTORY); }

std::string TShortcutLink::GetSpecialFolder(int csidl) {
  TForm* form = As<TForm>(Owner());
  HWND owner = form ? form->Handle() : nullptr;
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &list))) return {};
  char path[MAX_PATH] = {};
  const bool found = SHGetPathFromIDListA(list, path);
  ILFree(list);
  return found ? std::string(path) : std::string();
}

void InitShortcutLink() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (SUCCEEDED(CoInitialize(nullptr))) std::atexit([] { CoUninitialize(); });
  });
}
