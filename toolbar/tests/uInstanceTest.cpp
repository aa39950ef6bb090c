#include "toolbar/uInstance.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/Hex.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/ToolbarTestSupport.h"
#include "toolbar/uMacros.h"

namespace {

using testing_support::TestMachine;

using testing_support::Hex;

// Python's hashlib over the values it reads itself from the machine's registry database (text to its
// terminator, a number as decimal text, bytes raw, "???" for what is missing) and the given user name.
std::string PythonIdentifiers(const std::string& user) {
  return testing_support::RunPython(
      "import sqlite3, hashlib\n"
      "db = sqlite3.connect('" +
      vandrel::MachineHivePath() +
      "')\n"
      "def key(path):\n"
      "    k = 1\n"
      "    for n in path.split('\\\\'):\n"
      "        r = db.execute('SELECT id FROM keys WHERE parent = ? AND fold = ?', (k, "
      "n.upper().encode('cp1250'))).fetchone()\n"
      "        if r is None: return None\n"
      "        k = r[0]\n"
      "    return k\n"
      "def value(path, name, default=b'?' * 3):\n"
      "    k = key(path)\n"
      "    r = k and db.execute('SELECT type, data FROM vals WHERE key = ? AND fold = ?', (k, "
      "name.upper().encode('cp1250'))).fetchone()\n"
      "    if not r: return default\n"
      "    t, d = r\n"
      "    if t == 1: return d.split(b'\\0')[0]\n"
      "    if t == 4: return str(int.from_bytes(d, 'little', signed=True)).encode()\n"
      "    if t == 3: return d\n"
      "    return default\n"
      "common = b'|'.join([value('SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion', 'ProductId'),\n"
      "                    value('SOFTWARE\\\\Microsoft\\\\Windows NT\\\\CurrentVersion', 'DigitalProductId'),\n"
      "                    value('SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Setup', 'PrivateHash'),\n"
      "                    value('SYSTEM\\\\CurrentControlSet\\\\Control\\\\ComputerName\\\\ComputerName', "
      "'ComputerName', b'').upper()])\n"
      "print(hashlib.md5(common).hexdigest().upper())\n"
      "print(hashlib.md5(common + b'|' + bytes.fromhex('" +
      Hex(user) + "').upper()).hexdigest().upper())\n");
}

std::string Identifiers() {
  std::string machine, user;
  ComputeIdentifiers(machine, user);
  return machine + "\n" + user + "\n";
}

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(text, error)) << error;
}

TEST(InstanceIdentity, GuidAndBaseNames) {
  EXPECT_EQ(GetToolbarGUID(), "{11111111-2B8D-44AF-82FA-F86E57899FB8}");
  EXPECT_EQ(GetModuleBaseName(), "toolbar_tests") << "the test program has no extension";
  struct Case {
    std::string file, base;
  } cases[] = {
      {"C:\\Program Files\\Pellandra\\Pellandra.dll", "Pellandra"},
      {"Z:\\a.b\\lib.so", "lib"},
      {"C:\\x\\név.sok.ponttal.dll"_cp, "név.sok.ponttal"_cp},
      {"C:\\x\\kiterjesztes nelkul", "kiterjesztes nelkul"},
      {"C:\\mappa.pont\\fajl", "fajl"},
      {"C:\\x\\pont.", "pont"},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleBaseNameOf(c.file), c.base) << c.file;
}

TEST(InstanceIdentity, VersionWithAndWithoutAResource) {
  TestMachine machine;
  struct Case {
    std::string library, version;
  } cases[] = {{"winapi_sample_resources.so", "1.2.3.4"}, {"winapi_sample_plain.so", "0.0.0.0"}};
  for (const auto& c : cases) {
    HMODULE library = LoadLibraryA(SampleLibrary(c.library).c_str());
    ASSERT_NE(library, nullptr);
    SetInstanceModuleForTesting(library);
    InitializeInstanceUnit();
    InitializeInstanceUnit();
    EXPECT_EQ(ModuleVersionText(), c.version) << c.library;
    EXPECT_EQ(ExpandMacros("%%toolbarversion%%", nullptr), c.version);
    FinalizeInstanceUnit();
    EXPECT_EQ(ModuleVersionText(), c.version) << "one finalisation of two initialisations keeps the unit";
    FinalizeInstanceUnit();
    EXPECT_EQ(MachineIdentifier(), "???");
    SetInstanceModuleForTesting(nullptr);
    FreeLibrary(library);
  }
  EXPECT_EQ(VersionText(0x00070008, 0xFFFF0000), "7.8.65535.0");
}

TEST(InstanceIdentity, IdentifiersEqualPythonsDigestOfTheSameValues) {
  TestMachine machine;
  EXPECT_EQ(Identifiers(), PythonIdentifiers("Felhasználó"_cp));
  InitializeInstanceUnit();
  EXPECT_EQ(MachineIdentifier() + "\n" + UserIdentifier() + "\n", Identifiers());
  FinalizeInstanceUnit();
  // A number as its decimal text, a missing value as "???", a lower-case computer name upper-cased.
  Import(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"ProductId\"=dword:fffffffe\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup]\n\"PrivateHash\"=-\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
      "\"ComputerName\"=\"kisgép\"\n"_cp);
  setenv("VANDREL_USER", "Kovács Éva", 1);
  EXPECT_EQ(Identifiers(), PythonIdentifiers("Kovács Éva"_cp));
}

TEST(InstanceIdentity, MachinesAndUsersAreToldApartByTheirValues) {
  std::string first, firstUser, second, secondUser, otherUser, otherMachine, ignored;
  {
    TestMachine machine;
    ComputeIdentifiers(first, firstUser);
    setenv("VANDREL_USER", "Második", 1);
    ComputeIdentifiers(second, secondUser);
  }
  {
    TestMachine machine;  // another machine with the same values
    ComputeIdentifiers(otherMachine, otherUser);
    EXPECT_EQ(otherMachine, first);
    EXPECT_EQ(otherUser, firstUser);
    Import(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
        "\"ComputerName\"=\"MASIK-PC\"\n");
    ComputeIdentifiers(otherMachine, ignored);
  }
  EXPECT_EQ(second, first) << "one machine, two users";
  EXPECT_NE(secondUser, firstUser);
  EXPECT_NE(otherMachine, first);
  EXPECT_EQ(first.size(), 32u);
  EXPECT_EQ(first.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

}  // namespace
