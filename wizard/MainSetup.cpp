// The finishing steps that both roads share: the desktop shortcut that dials the entry, the browser's start
// page, the favourite links and the mail account.
#include <string>
#include <vector>

#include "platform/components/FileUtils.h"
#include "platform/components/RegistryObject.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/SystemInfo.h"
#include "wizard/Main.h"
#include "wizard/ShortcutLink.h"

namespace {

const char* const kShellFolders = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kToolbar = "\\Software\\Microsoft\\Internet Explorer\\Toolbar";
const char* const kAccounts = "\\Software\\Microsoft\\Internet Account Manager\\Accounts\\";

bool NTFamily() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Zeros added on the left up to the width; a longer text is kept whole.
std::string PadLeftZero(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), '0') + text;
}

std::vector<std::string> SplitAtBars(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  for (size_t bar = text.find('|'); bar != std::string::npos; bar = text.find('|', start)) {
    items.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
  items.push_back(text.substr(start));
  return items;
}

// Sets bit 0x04 of byte 16 of the toolbar layout, when the layout is a binary value that long.
void ShowLinksBar(TRegistry& registry) {
  const char* const name = "ITBarLayout";
  if (!registry.OpenKey(std::string(kToolbar) + "\\WebBrowser", false) || !registry.ValueExists(name) ||
      registry.GetDataType(name) != rdBinary)
    return;
  const int size = registry.GetDataSize(name);
  if (size < 17) return;
  std::string layout(size_t(size), '\0');
  registry.ReadBinaryData(name, layout.data(), size);
  layout[16] = char(static_cast<unsigned char>(layout[16]) | 0x04);
  registry.WriteBinaryData(name, layout.data(), size);
}

}  // namespace

void TFMain::CreateConnectionShortcut(const std::string& entry, const std::string& caption) {
  TObjectPtr<TShortcutLink> link(TShortcutLink::Create(this));
  try {
    link->SetShortcutFile(link->GetDesktopFolder() + "\\" + caption + ".lnk");
    link->SetDescription(caption);
    link->SetIconLocation(ProgramFolder() + GetSetting("kapcsolatikonfajlneve"));
    if (NTFamily()) {
      link->SetTarget("rasphone.exe");
      link->SetArguments("-d \"" + entry + "\"");
    } else {
      link->SetTarget("rundll32.exe");
      link->SetArguments("rnaui.dll,RnaDial " + entry);
    }
    link->CreateLink();
  } catch (const Exception&) {
    // The finish goes on without the shortcut.
  }
}

bool TFMain::SetStartPage() {
  try {
    TObjectPtr<TRegistry> registry(TRegistry::Create());
    registry->SetRootKey(HKEY_CURRENT_USER);
    if (!registry->OpenKey("\\Software\\Microsoft\\Internet Explorer\\Main", false)) return false;
    registry->WriteString("Start Page", GetSetting("kezdolapurl"));
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool TFMain::SetFavorites() {
  try {
    TObjectPtr<TRegistry> registry(TRegistry::Create());
    registry->SetRootKey(HKEY_CURRENT_USER);
    std::string favorites, linksName;
    if (registry->OpenKeyReadOnly(kShellFolders)) favorites = registry->ReadString("Favorites");
    if (registry->OpenKeyReadOnly(kToolbar)) linksName = registry->ReadString("LinksFolderName");
    // Without either name the links folder would be a folder of the drive's root.
    if (favorites.empty() || linksName.empty()) return false;
    const std::string links = favorites + "\\" + linksName;
    if (!DirectoryExists(links)) CreateDirectoryA(links.c_str(), nullptr);
    for (const std::string& file : SplitAtBars(GetSetting("kedvencekfajlai")))
      if (!file.empty()) CopyFileA(file.c_str(), (links + "\\" + file).c_str(), FALSE);
    registry->SetAccess(KEY_ALL_ACCESS);
    ShowLinksBar(*registry);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool TFMain::SetupMailAccount(int number, const std::string& accountName, const std::string& smtpServer,
                              const std::string& pop3Server, const std::string& address, const std::string& login,
                              const std::string& displayName) {
  struct Value {
    const char* name;
    const std::string* text;  // null: the number
    DWORD number;
  };
  const std::string sent = "Sent Items", drafts = "Drafts";
  const Value values[] = {
      {"Account Name", &accountName, 0},
      {"Connection Type", nullptr, 3},
      {"Make Available Offline", nullptr, 1},
      {"IMAP Port", nullptr, 143},
      {"IMAP Timeout", nullptr, 60},
      {"IMAP Use LSUB", nullptr, 1},
      {"IMAP Polling", nullptr, 1},
      {"IMAP Svr-side Special Folders", nullptr, 1},
      {"IMAP Sent Items Folder", &sent, 0},
      {"IMAP Drafts Folder", &drafts, 0},
      {"IMAP Prompt for Password", nullptr, 0},
      {"IMAP Dirty", nullptr, 0},
      {"IMAP Poll All Folders", nullptr, 1},
      {"HTTPMail Prompt for Password", nullptr, 0},
      {"HTTPMail Polling", nullptr, 1},
      {"ShowAdBar", nullptr, 0},
      {"POP3 Server", &pop3Server, 0},
      {"POP3 User Name", &login, 0},
      {"POP3 Port", nullptr, 110},
      {"POP3 Timeout", nullptr, 60},
      {"POP3 Skip Account", nullptr, 0},
      {"POP3 Prompt for Password", nullptr, 0},
      {"SMTP Server", &smtpServer, 0},
      {"SMTP Port", nullptr, 25},
      {"SMTP Timeout", nullptr, 60},
      {"SMTP Display Name", &displayName, 0},
      {"SMTP Email Address", &address, 0},
      {"SMTP Split Messages", nullptr, 0},
      {"SMTP Split Message Size", nullptr, 64},
      {"SMTP Prompt for Password", nullptr, 0},
      {"POP3 Secure Connection", nullptr, 0},
      {"Leave Mail On Server", nullptr, 0},
      {"Remove When Deleted", nullptr, 0},
      {"Remove When Expired", nullptr, 0},
      {"SMTP Secure Connection", nullptr, 0},
  };
  try {
    TObjectPtr<TRegistry> registry(TRegistry::Create());
    registry->SetRootKey(HKEY_CURRENT_USER);
    const std::string key = kAccounts + PadLeftZero(IntToStr(number), 8);
    if (!registry->DeleteKey(key) && registry->KeyExists(key)) return false;
    if (!registry->OpenKey(key, true)) return false;
    for (const Value& value : values) {
      if (value.text)
        registry->WriteString(value.name, *value.text);
      else
        registry->WriteInteger(value.name, int32_t(value.number));
    }
    const BYTE password = 0x20;
    registry->WriteBinaryData("POP3 Password2", &password, 1);
    return true;
  } catch (const Exception&) {
    return false;
  }
}
