// The download page's tests: the real main form on page 6 over a machine whose dials connect, a loopback
// server behind the configured base URL, and the shell's calls recorded, with scripted VERSION probes.
#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/ShellExecute.h"
#include "wizard/tests/WizardTestSupport.h"

namespace wizard_test {

inline constexpr const char* kDownloadModem = "Hayes Optima 56K";

// Every transfer of a download that fetches the update, in order; the first three are those of every
// download.
extern const std::vector<std::string> kEveryTransfer;
extern const std::vector<std::string> kFirstTransfers;

// The settings of a download from the base URL, with "exeverzio" when given.
std::vector<std::pair<std::string, std::string>> DownloadSettings(const std::string& baseUrl,
                                                                  const std::optional<std::string>& version);
// Every text the form shows as "T<id>", then the given ones.
std::vector<std::pair<int, std::string>> DownloadTexts(std::vector<std::pair<int, std::string>> more = {});
// A host path of a Windows path of the machine.
std::string Host(const std::string& windowsPath);

class DownloadPage : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The base URL of the local configuration.
  virtual std::string BaseUrl() { return server.Url("/selvaring"); }
  // Next on page 6.
  void Next();
  // A Next of the user after that many milliseconds.
  void CancelAt(unsigned ms);
  // The server's fresh configuration (announcing the version, when given) and update files.
  void ServeFresh(const std::optional<std::string>& version);
  void ResetTemp();
  void WriteTemp(const std::string& name, const std::string& bytes);
  std::string ReadTemp(const std::string& name) const;
  // The requests the server saw from the index on, as "METHOD target".
  std::vector<std::string> Targets(size_t from) const;
  // The relaunch as the shell is asked for it: file|parameters|show command.
  std::string RelaunchCall() const;
  intptr_t Shell(const vandrel::shell_testing::TShellExecuteCall& call);

  WizardMachine machine;
  testing_support::HttpTestServer server;
  TFMain* form = nullptr;
  std::string temp;                         // the temporary folder, Windows path
  std::vector<std::string> calls;           // the shell's: file|parameters|show command
  std::optional<std::string> probeVersion;  // what a VERSION probe writes; none: it writes nothing
  intptr_t relaunchAnswer = 42;             // the shell's answer to the relaunch
};

}  // namespace wizard_test
