#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::RunProgram;
using testing_support::TestMachine;

const std::string kRegtool = std::string(VANDREL_BINARY_DIR) + "/bin/regtool";
const std::string kFixtures = std::string(VANDREL_SOURCE_DIR) + "/hosts/regtool/tests/fixtures";

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string WriteTemp(const TestMachine& machine, const std::string& text) {
  std::string path = machine.Root() + "/import.reg";
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string ExportOf(const std::string& key) {
  std::string output;
  EXPECT_EQ(RunProgram(kRegtool, {"export", key}, &output), 0) << key;
  return output;
}

TEST(Regtool, AFixtureOfEveryValueTypeRoundTrips) {
  TestMachine machine;
  std::string fixture = FileText(kFixtures + "/every-type.reg");
  ASSERT_FALSE(fixture.empty());
  ASSERT_EQ(RunProgram(kRegtool, {"import", kFixtures + "/every-type.reg"}), 0);
  std::string user = ExportOf("HKEY_CURRENT_USER\\Software\\próba kft");
  std::string local = ExportOf("hkey_local_machine\\software\\PRÓBA");
  const std::string header = "REGEDIT4\r\n\r\n";
  ASSERT_EQ(local.substr(0, header.size()), header);
  EXPECT_EQ(user + local.substr(header.size()), fixture);
  // Python's cp1250 codec reads what was exported: the names are CP1250, not UTF-8.
  std::string decoded = testing_support::RunPython(
      "import sys\n"
      "t = sys.stdin.buffer.read().decode('cp1250')\n"
      "print('Árvíztűrő tükörfúrógép' in t, '[HKEY_CURRENT_USER\\\\Software\\\\Próba Kft\\\\KisBetű NAGYBETŰ]' in t)\n",
      user);
  EXPECT_EQ(decoded, "True True\n");
}

TEST(Regtool, LooseTextImportsAsItsCanonicalForm) {
  TestMachine machine;
  std::string loose =
      "\n"
      "REGEDIT4\n"
      "; written by hand\n"
      "[hkey_current_user\\Software\\Laza]\n"
      "  \"Szám\" = dword:2a\n"_cp
      "\"Bájtok\"=hex:01,\\\n"_cp
      "      02,\\\n"
      "   03\n"
      "@=\"alap\"\n"
      "[HKEY_CURRENT_USER\\Software\\Laza\\Al]\n";
  ASSERT_EQ(RunProgram(kRegtool, {"import", WriteTemp(machine, loose)}), 0);
  EXPECT_EQ(ExportOf("HKEY_CURRENT_USER\\Software\\Laza"),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Laza]\r\n"
            "\"Szám\"=dword:0000002a\r\n"
            "\"Bájtok\"=hex:01,02,03\r\n"
            "@=\"alap\"\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Laza\\Al]\r\n"
            "\r\n"_cp);
}

TEST(Regtool, ErrorsExitNonZeroAndImportNothing) {
  TestMachine machine;
  std::string output;
  const auto both = testing_support::ChildOutput::StdoutAndStderr;
  EXPECT_EQ(RunProgram(kRegtool, {"import", machine.Root() + "/nincs.reg"}, &output, both), 1);
  EXPECT_NE(output.find("nincs.reg: No such file or directory"), std::string::npos) << output;
  // An empty file is read, and refused for what it lacks.
  EXPECT_EQ(RunProgram(kRegtool, {"import", WriteTemp(machine, "")}, &output, both), 1);
  EXPECT_NE(output.find("does not start with \"REGEDIT4\""), std::string::npos) << output;
  std::string malformed = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Fel]\n\"a\"=\"jó\"\n\"b\"=dword:xyz\n"_cp;
  EXPECT_EQ(RunProgram(kRegtool, {"import", WriteTemp(machine, malformed)}), 1);
  EXPECT_EQ(RunProgram(kRegtool, {"export", "HKEY_CURRENT_USER\\Software\\Fel"}), 1) << "nothing half-imported";
  EXPECT_EQ(RunProgram(kRegtool, {"export", "HKEY_NOWHERE"}), 1);
  EXPECT_EQ(RunProgram(kRegtool, {"frobnicate"}), 2);
}

TEST(Regtool, InitCreatesTheDefaultMachine) {
  TestMachine machine(TestMachine::Contents::Empty);
  ASSERT_EQ(RunProgram(kRegtool, {"init"}), 0);
  std::string text = ExportOf("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName");
  EXPECT_NE(text.find("\"ComputerName\"=\"VANDREL-PC\"\r\n"), std::string::npos) << text;
  std::string everything = ExportOf("");
  EXPECT_NE(everything.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\r\n"), std::string::npos);
  EXPECT_NE(everything.find("[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"), std::string::npos);
  EXPECT_EQ(RunProgram(kRegtool, {"init"}), 0) << "a second init keeps the machine";
  EXPECT_EQ(ExportOf(""), everything);
}

}  // namespace
