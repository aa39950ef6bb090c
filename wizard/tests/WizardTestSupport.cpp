#include "wizard/tests/WizardTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/components/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Registry.h"
#include "wizard-components/CkLines.h"
#include "wizard/ConfigKey.h"

namespace wizard_test {

TWizardScript& Script() {
  static TWizardScript script;
  return script;
}

namespace {
void Call(const std::string& call) { Script().calls.push_back(call); }
}  // namespace

std::string TScriptedMain::ListModems() {
  Call("ListModems");
  return Script().modems;
}

bool TScriptedMain::TestModem() {
  Call("TestModem");
  return Script().modemAnswers;
}

void TScriptedMain::DownloadConfiguration() {
  Call("DownloadConfiguration");
  SetDownloading(true);
  EnableDisableButtons(this);
  if (Script().duringDownload) Script().duringDownload();
  SetDownloading(false);
}

void TScriptedMain::AbortTransfer() { Call("AbortTransfer"); }
void TScriptedMain::HangUp() { Call("HangUp"); }

std::string TScriptedMain::CreateDialEntry(const std::string& name, bool pppoe, const std::string& device,
                                           const std::string& phone, const std::string& user,
                                           const std::string& password) {
  Call("CreateDialEntry " + name + "|" + (pppoe ? "PPPoE" : "modem") + "|" + device + "|" + phone + "|" + user + "|" +
       password);
  return Script().createError;
}

std::string TScriptedMain::DeleteDialEntry(const std::string& name) {
  Call("DeleteDialEntry " + name);
  return {};
}

void TScriptedMain::OnlineActivation() {
  Script().onlinePage = Notebook->PageIndex();
  Call("OnlineActivation");
}
void TScriptedMain::OnlineSubscription() {
  Script().onlinePage = Notebook->PageIndex();
  Call("OnlineSubscription");
}

bool TScriptedMain::TestComputer() {
  Call("TestComputer");
  return Script().hasAdapter;
}

bool TScriptedMain::HasBuiltInPPPoE() { return Script().builtInPPPoE; }
bool TScriptedMain::IsPPPoEClientInstalled() { return Script().clientInstalled; }
void TScriptedMain::ADSLFinish() { Call("ADSLFinish"); }

void TScriptedMain::CreateConnectionShortcut(const std::string& entry, const std::string& caption) {
  Call("CreateConnectionShortcut " + entry + "|" + caption);
}

bool TScriptedMain::SetStartPage() {
  Call("SetStartPage");
  return Script().startPage;
}

bool TScriptedMain::SetFavorites() {
  Call("SetFavorites");
  return Script().favorites;
}

bool TScriptedMain::SetupMailAccount(int number, const std::string& accountName, const std::string& smtpServer,
                                     const std::string& pop3Server, const std::string& address,
                                     const std::string& login, const std::string& displayName) {
  Call("SetupMailAccount " + std::to_string(number) + "|" + accountName + "|" + smtpServer + "|" + pop3Server + "|" +
       address + "|" + login + "|" + displayName);
  return Script().mail;
}

std::string ProgramHostFolder(const testing_support::TestMachine& machine) {
  return machine.DriveC() + "/Program Files/Selvaring/";
}

std::string Encipher(const std::string& plain) {
  std::string out;
  EXPECT_TRUE(CryptLines(plain, ConfigKey(), true, out));
  return out;
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Configuration(const std::vector<std::pair<std::string, std::string>>& settings,
                          const std::vector<std::pair<int, std::string>>& texts) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"
      "<selvaring>\r\n"
      "<telefontarsasagok>\r\n"
      "<tarsasag nev=\"Hunnia\"><szamok><szam ertek=\"0651200200\"><korzetek>"
      "<korzet>1</korzet><korzet>22</korzet></korzetek></szam></szamok></tarsasag>\r\n"
      "<tarsasag nev=\"Dunatel\"><szamok><szam ertek=\"0651300300\"><korzetek>"
      "<korzet>72</korzet></korzetek></szam></szamok></tarsasag>\r\n"
      "</telefontarsasagok>\r\n"
      "<muveletek>\r\n"
      "<aktivalas><azonosito>akt</azonosito><jelszo>aktj</jelszo><url>http://a/</url>"
      "<telefontarsasagok><t>Hunnia</t><t>Dunatel</t></telefontarsasagok></aktivalas>\r\n"
      "<onlineelofizetes><azonosito>elo</azonosito><jelszo>eloj</jelszo><url>http://e/</url>"
      "<telefontarsasagok><t>Hunnia</t></telefontarsasagok></onlineelofizetes>\r\n"
      "<csomagok>\r\n"
      "<hagyomanyos><telefontarsasagok><t>Hunnia</t><t>Dunatel</t></telefontarsasagok></hagyomanyos>\r\n"
      "<kombi><telefontarsasagok><tarsasag nev=\"Hunnia\"><szamok><szam ertek=\"0651200900\"><korzetek>"
      "<korzet>22</korzet></korzetek></szam></szamok></tarsasag></telefontarsasagok></kombi>\r\n"
      "</csomagok>\r\n"
      "</muveletek>\r\n"
      "<beallitasok>\r\n";
  for (const auto& [name, value] : settings) xml += "<" + name + ">" + value + "</" + name + ">\r\n";
  xml += "<szovegek>\r\n";
  for (const auto& [id, text] : texts)
    xml += "<szoveg" + std::to_string(id) + ">" + text + "</szoveg" + std::to_string(id) + ">\r\n";
  xml += "</szovegek>\r\n</beallitasok>\r\n</selvaring>\r\n";
  return xml;
}

const std::vector<int>& UsedTextIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> all = {1, 1001, 1002, 1003, 1004, 1005};
    for (int id = 3; id <= 42; ++id) all.push_back(id);
    for (int id = 48; id <= 75; ++id) all.push_back(id);
    for (int id = 80; id <= 191; ++id) all.push_back(id);
    return all;
  }();
  return ids;
}

const std::vector<std::string>& UsedSettingKeys() {
  static const std::vector<std::string> keys = {"licenszfajlneve",
                                                "szovegtesztaktiv",
                                                "kepfajlneve",
                                                "ikonfajlneve",
                                                "kapcsolatikonfajlneve",
                                                "modemkapcsolatneve",
                                                "modemikonneve",
                                                "modemideigleneskapcsolatneve",
                                                "adslkapcsolatneve",
                                                "adslikonneve",
                                                "trelvinvirtualismodemnev",
                                                "letoltesbehivoszam",
                                                "letoltesfelhasznalo",
                                                "letoltesjelszo",
                                                "letoltesurl",
                                                "letoltendofajlok",
                                                "kezdolapurl",
                                                "kedvencekfajlai",
                                                "levelpop3szerver",
                                                "levelsmtpszerver",
                                                "levelfioknev",
                                                "levelid",
                                                "trelvintelepito",
                                                "trelvinletelepito",
                                                "trelvinnematelepitesikapcsolo",
                                                "trelvinfejlesztointlog",
                                                "trelvinfejlesztoi98log",
                                                "trelvintelepitesilog",
                                                "trelvinletelepitesilog",
                                                "toolbartelepito",
                                                "exeverzio"};
  return keys;
}

std::string SampleConfiguration() { return ReadHostFile(std::string(WIZARD_SAMPLE_DIR) + "/Selvaring.xml"); }

WizardMachine::WizardMachine() {
  SetClockMode(TClockMode::Virtual);
  Script() = TWizardScript();
  ClearMessageBoxRecords();
  std::filesystem::create_directories(Folder());
  SetArguments("");
}

WizardMachine::~WizardMachine() { SetClockMode(TClockMode::Real); }

void WizardMachine::WriteConfiguration(const std::string& plain) {
  WriteHostFile(Folder() + "Selvaring.kzf", Encipher(plain));
}

void WizardMachine::SetArguments(const std::string& arguments) {
  Application->SetCommandLine("\"" + std::string(kProgramPath) + "\"" + (arguments.empty() ? "" : " " + arguments));
}

std::vector<std::string> Rows(TWkMemoryData* table) {
  std::vector<std::string> rows;
  for (table->First(); !table->Eof(); table->Next()) {
    std::string row;
    for (int i = 0; i < table->FieldCount(); ++i) row += (i ? "|" : "") + table->Fields()[i]->AsString();
    rows.push_back(row);
  }
  return rows;
}

void ImportRegistry(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n" + text, error)) << error;
}

void ImportNtModem(const std::string& name, const std::string& port, const std::string& init) {
  const std::string modems =
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
  ImportRegistry(modems + "]\n\"Class\"=\"Modem\"\n" + modems + "\\0000]\n\"FriendlyName\"=\"" + name +
                 "\"\n\"AttachedTo\"=\"" + port + "\"\n" + modems + "\\0000\\Init]\n\"1\"=\"" + init + "\"\n");
}

std::string ModemTestConfiguration() {
  std::vector<std::pair<int, std::string>> texts;
  for (int id : {83, 84, 96, 97}) texts.push_back({id, "T" + std::to_string(id)});
  return Configuration({}, texts);
}

}  // namespace wizard_test
