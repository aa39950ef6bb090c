// Support of the wizard's tests: a machine with the program's folder on drive C:, the configuration
// enciphered beside the program, and a main form whose later operations follow a script.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/testing/TestMachine.h"
#include "wizard/Main.h"

namespace wizard_test {

// What the scripted operations answer, and what they were asked.
struct TWizardScript {
  std::string modems;  // ListModems: names, each followed by CR LF
  bool modemAnswers = true;
  bool hasAdapter = true;
  bool builtInPPPoE = false;
  bool clientInstalled = false;
  std::string createError;  // CreateDialEntry's answer
  bool startPage = true, favorites = true, mail = true;
  // Runs inside DownloadConfiguration while it pumps messages, with downloading set.
  std::function<void()> duringDownload;
  std::vector<std::string> calls;  // each operation with its arguments, "|" between them
  int onlinePage = -1;             // the page shown when online activation or subscription began
};
TWizardScript& Script();

// The main form with the scripted operations in place of the later pages' own.
class TScriptedMain : public TFMain {
  VCL_CLASS(TScriptedMain, TFMain)
  using TFMain::TFMain;
  std::string ListModems() override;
  bool TestModem() override;
  void DownloadConfiguration() override;
  void AbortTransfer() override;
  void HangUp() override;
  std::string CreateDialEntry(const std::string& name, bool pppoe, const std::string& device, const std::string& phone,
                              const std::string& user, const std::string& password) override;
  std::string DeleteDialEntry(const std::string& name) override;
  void OnlineActivation() override;
  void OnlineSubscription() override;
  bool TestComputer() override;
  bool HasBuiltInPPPoE() override;
  bool IsPPPoEClientInstalled() override;
  void ADSLFinish() override;
  void CreateConnectionShortcut(const std::string& entry, const std::string& caption) override;
  bool SetStartPage() override;
  bool SetFavorites() override;
  bool SetupMailAccount(int number, const std::string& accountName, const std::string& smtpServer,
                        const std::string& pop3Server, const std::string& address, const std::string& login,
                        const std::string& displayName) override;
};

// The program's Windows path in the test machine, and its folder's host path.
inline constexpr const char* kProgramPath = "C:\\Program Files\\Selvaring\\Selvaring.exe";
std::string ProgramHostFolder(const testing_support::TestMachine& machine);

// Enciphers a plain configuration as kzf encode does.
std::string Encipher(const std::string& plain);
void WriteHostFile(const std::string& path, const std::string& bytes);
std::string ReadHostFile(const std::string& path);

// A configuration of the wizard's shape: the given settings and texts (name, value) and a small set of
// companies and operations.
std::string Configuration(const std::vector<std::pair<std::string, std::string>>& settings,
                          const std::vector<std::pair<int, std::string>>& texts);
// Every text id the form and the flow show, and every setting key the wizard reads.
const std::vector<int>& UsedTextIds();
const std::vector<std::string>& UsedSettingKeys();
// The plain configuration shipped in wizard/sample.
std::string SampleConfiguration();

// A test machine in virtual time with the program installed (configuration given, or none).
class WizardMachine {
 public:
  WizardMachine();
  ~WizardMachine();
  void WriteConfiguration(const std::string& plain);
  // The command line: the program and the arguments.
  void SetArguments(const std::string& arguments);
  // The main form of class T (the first form created in the process becomes the main form).
  template <class T = TScriptedMain>
  T* Start(const std::string& arguments = "") {
    SetArguments(arguments);
    T* form = Application->CreateForm<T>();
    return form;
  }
  const testing_support::TestMachine& Machine() const { return machine_; }
  std::string Folder() const { return ProgramHostFolder(machine_); }

 private:
  testing_support::TestMachine machine_;
};

// Rows of a table from its first row, fields joined by "|".
std::vector<std::string> Rows(TWkMemoryData* table);

// Imports REGEDIT4 text (without its header line) into the machine's registry.
void ImportRegistry(const std::string& text);
// An NT machine's one modem: its name, port and initialisation command (again: the same modem changed).
void ImportNtModem(const std::string& name, const std::string& port, const std::string& init);
// A configuration whose modem test texts (83, 84, 96, 97) read "T" and their id.
std::string ModemTestConfiguration();

}  // namespace wizard_test
