#include "wizard/tests/DownloadTestSupport.h"

#include <filesystem>

#include "platform/components/Application.h"
#include "platform/components/ExtCtrls.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Ras.h"

namespace wizard_test {

const std::vector<std::string> kFirstTransfers = {"GET /selvaring/kep.gif", "GET /selvaring/ikon.gif",
                                                  "GET /selvaring/Selvaring.kzf"};
const std::vector<std::string> kEveryTransfer = {"GET /selvaring/kep.gif",          "GET /selvaring/ikon.gif",
                                                 "GET /selvaring/Selvaring.kzf",    "HEAD /selvaring/Selvaring.exe",
                                                 "HEAD /selvaring/nyilatkozat.txt", "GET /selvaring/Selvaring.exe",
                                                 "GET /selvaring/nyilatkozat.txt"};

std::vector<std::pair<std::string, std::string>> DownloadSettings(const std::string& baseUrl,
                                                                  const std::optional<std::string>& version) {
  std::vector<std::pair<std::string, std::string>> settings = {{"modemideigleneskapcsolatneve", "Vandrel ideiglenes"},
                                                               {"letoltesbehivoszam", "0651200100"},
                                                               {"letoltesfelhasznalo", "telepito"},
                                                               {"letoltesjelszo", "titok"},
                                                               {"letoltesurl", baseUrl},
                                                               {"kepfajlneve", "kep.gif"},
                                                               {"ikonfajlneve", "ikon.gif"},
                                                               {"letoltendofajlok", "Selvaring.exe|nyilatkozat.txt"}};
  if (version) settings.push_back({"exeverzio", *version});
  return settings;
}

std::vector<std::pair<int, std::string>> DownloadTexts(std::vector<std::pair<int, std::string>> more) {
  std::vector<std::pair<int, std::string>> texts;
  for (int id : UsedTextIds()) {
    bool given = false;
    for (const auto& [moreId, text] : more) given = given || moreId == id;
    if (!given) texts.push_back({id, "T" + std::to_string(id)});
  }
  texts.insert(texts.end(), more.begin(), more.end());
  return texts;
}

std::string Host(const std::string& windowsPath) { return vandrel::MapWindowsPath(windowsPath).path; }

void DownloadPage::SetUp() {
  ASSERT_TRUE(vandrel::ScriptDial({vandrel::DialOutcome::Connect, 0, RASCS_OpenPort, 100}));
  machine.WriteConfiguration(Configuration(DownloadSettings(BaseUrl(), std::nullopt), DownloadTexts()));
  form = machine.Start<TFMain>();
  form->Show();
  form->cbModem->Items()->Add(kDownloadModem);
  form->cbModem->SetItemIndex(0);
  form->Notebook->SetPageIndex(TFMain::pgModemLetoltes);
  temp = form->GetTempDir();
  ResetTemp();
  // The update files beside the program, which is started in its own folder.
  WriteHostFile(machine.Folder() + "Selvaring.exe", "own program");
  WriteHostFile(machine.Folder() + "nyilatkozat.txt", "own statement");
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\Program Files\\Selvaring"));
  ServeFresh(std::nullopt);
  vandrel::shell_testing::SetExecuteHook(
      [this](const vandrel::shell_testing::TShellExecuteCall& c) { return Shell(c); });
}

void DownloadPage::TearDown() { vandrel::shell_testing::SetExecuteHook(nullptr); }

void DownloadPage::Next() {
  form->Notebook->SetPageIndex(TFMain::pgModemLetoltes);
  form->GoNext();
}

void DownloadPage::CancelAt(unsigned ms) {
  TTimer* cancel = NewObject<TTimer>(form);
  cancel->SetInterval(ms);
  cancel->OnTimer = [this, cancel](TObject*) {
    cancel->SetEnabled(false);
    form->bnKovetkezo->Click();
  };
  cancel->SetEnabled(true);
}

void DownloadPage::ServeFresh(const std::optional<std::string>& version) {
  using testing_support::HttpScriptedResponse;
  server.On("/selvaring/kep.gif", HttpScriptedResponse::Ok("new pictures"));
  server.On("/selvaring/ikon.gif", HttpScriptedResponse::Ok("new icons"));
  server.On("/selvaring/Selvaring.kzf",
            HttpScriptedResponse::Ok(Encipher(Configuration(DownloadSettings(server.Url("/selvaring"), version),
                                                            DownloadTexts({{27, "Friss aktiválás"_cp}})))));
  server.On("/selvaring/Selvaring.exe", HttpScriptedResponse::Ok("new program"));
  server.On("/selvaring/nyilatkozat.txt", HttpScriptedResponse::Ok("new statement"));
}

void DownloadPage::ResetTemp() {
  std::filesystem::remove_all(Host(temp));
  std::filesystem::create_directories(Host(temp));
}

void DownloadPage::WriteTemp(const std::string& name, const std::string& bytes) {
  WriteHostFile(Host(temp + name), bytes);
}

std::string DownloadPage::ReadTemp(const std::string& name) const { return ReadHostFile(Host(temp + name)); }

std::vector<std::string> DownloadPage::Targets(size_t from) const {
  std::vector<std::string> targets;
  const auto requests = server.Requests();
  for (size_t i = from; i < requests.size(); ++i) targets.push_back(requests[i].method + " " + requests[i].target);
  return targets;
}

std::string DownloadPage::RelaunchCall() const {
  return "\"" + temp + "Selvaring.exe\"|CONTINUE " + std::to_string(form->Left()) + " " + std::to_string(form->Top()) +
         " - \"" + kDownloadModem + "\"|1";
}

intptr_t DownloadPage::Shell(const vandrel::shell_testing::TShellExecuteCall& call) {
  calls.push_back(call.file + "|" + call.parameters + "|" + std::to_string(call.showCommand));
  if (call.parameters != "VERSION") return relaunchAnswer;
  // The probed copy writes its hand-shake beside itself.
  const std::string path = call.file.substr(1, call.file.size() - 2);
  if (probeVersion)
    WriteHostFile(Host(ExtractFilePath(path) + "Selvaring.ini"), "EXEVersion=" + *probeVersion + "\r\n");
  return 42;
}

}  // namespace wizard_test
