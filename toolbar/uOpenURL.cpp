// The default browser from the ".htm" registration, the DDE topics WWW_OpenURL and WWW_Activate of the
// browsers that take them, and the shell's open verb for web addresses.
#include "toolbar/uOpenURL.h"

#include <cstdint>
#include <cstring>

#include "platform/components/DdeMan.h"
#include "platform/components/RegistryObject.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/ShellExecute.h"
#include "platform/winapi/Windows.h"

namespace {

// The default value of a key of the classes root; empty when the key does not open.
bool ReadClassesDefault(TRegistry& registry, const std::string& key, std::string& value) {
  if (!registry.OpenKeyReadOnly(key)) return false;
  try {
    value = registry.ValueExists("") ? registry.ReadString("") : std::string();
  } catch (const ERegistryException&) {
    value.clear();
  }
  registry.CloseKey();
  return true;
}

std::string CleanCommand(std::string path) {
  size_t percent = path.find('%');
  if (percent != std::string::npos) path.erase(percent);
  if (!path.empty() && path[0] == '"') path.erase(0, 1);
  size_t quote = path.find('"');
  if (quote != std::string::npos) path.erase(quote);
  while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
  return path;
}

enum class TSuccessTest { AnyReply, MinusTwo };

struct TKnownBrowser {
  const char* pathPart;
  const char* service;
  const char* openSuffix;
  TSuccessTest test;
  const char* activateItem;
  bool isIE;
};

constexpr TKnownBrowser kBrowsers[] = {
    {"NETSCAPE.EXE", "NETSCAPE", ",,0x0,0x0", TSuccessTest::AnyReply, "0xFFFFFFFF,0x0", false},
    {"MOZILLA.EXE", "MOZILLA", ",,0x0,0x0", TSuccessTest::AnyReply, "0xFFFFFFFF,0x0", false},
    {"OPERA.EXE", "OPERA", ",,0x0,0x0", TSuccessTest::AnyReply, "0xFFFFFFFF,0x0", false},
    {"IEXPLORE.EXE", "iexplore", ",,0", TSuccessTest::MinusTwo, "0,0", true},
};

bool Passes(TSuccessTest test, const std::optional<std::string>& reply) {
  if (!reply) return false;
  if (test == TSuccessTest::AnyReply) return true;
  // The first 32-bit value, little-endian; a shorter reply holds none.
  if (reply->size() < 4) return false;
  uint32_t value = 0;
  std::memcpy(&value, reply->data(), 4);
  return value == 0xFFFFFFFEu;
}

bool OpenOverDde(const TKnownBrowser& browser, const std::string& serviceApp, const std::string& url) {
  TObjectPtr<TDdeClientConv> conversation(TDdeClientConv::Create(nullptr));
  conversation->SetServiceApplication(serviceApp);
  bool success = false;
  if (conversation->SetLink(browser.service, "WWW_OpenURL"))
    success = Passes(browser.test, conversation->RequestData(url + browser.openSuffix));
  if (conversation->SetLink(browser.service, "WWW_Activate")) conversation->RequestData(browser.activateItem);
  return success;
}

// The system's handler of web addresses, given the address as one argument.
bool OpenWebAddress(const std::string& url) {
  if (!vandrel::IsWebAddress(url)) return false;
  return reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace

std::string GetRegisteredAppPath(const std::string& ext) {
  TObjectPtr<TRegistry> registry(TRegistry::Create(KEY_READ));
  registry->SetRootKey(HKEY_CLASSES_ROOT);
  std::string result;
  if (!ReadClassesDefault(*registry, "." + ext + "\\shell\\open\\command", result)) {
    std::string className;
    if (ReadClassesDefault(*registry, "." + ext, className) && !className.empty())
      ReadClassesDefault(*registry, className + "\\shell\\open\\command", result);
  }
  return CleanCommand(result);
}

bool OpenURLInBrowser(const std::string& url, bool skipIE) {
  const std::string path = GetRegisteredAppPath("HTM");
  const std::string upper = UpperCase(path);
  std::string serviceApp = path;
  size_t exe = upper.find(".EXE");
  if (exe != std::string::npos) serviceApp = path.substr(0, exe);
  for (const TKnownBrowser& browser : kBrowsers) {
    if (browser.isIE && skipIE) continue;
    if (upper.find(browser.pathPart) == std::string::npos) continue;
    if (OpenOverDde(browser, serviceApp, url)) return true;
    break;
  }
  return OpenWebAddress(url);
}
