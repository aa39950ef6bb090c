// The modem's port and initialisation command from the machine's registry, on the NT and the 95 family,
// and the conversion of the command's "<cr>" tokens.
#include <gtest/gtest.h>

#include "wizard/MainModem.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;

#define CLASSES "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
#define MODEMS CLASSES "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\"

// Three device classes: a display class first (holding an instance named like a modem), the modem class
// with its "Class" in lower case, and a second class of modems that is never searched.
constexpr const char* kNtModems = CLASSES
    "{4D36E968-E325-11CE-BFC1-08002BE10318}]\n\"Class\"=\"Display\"\n" CLASSES
    "{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000]\n"
    "\"FriendlyName\"=\"Hayes Optima 56K\"\n\"AttachedTo\"=\"COM9\"\n" CLASSES
    "{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000\\Init]\n\"1\"=\"ATDISPLAY<cr>\"\n" MODEMS "]\n\"Class\"=\"modem\"\n"
    // A name that is no text: this instance fails, the search goes on.
    MODEMS "0000]\n\"FriendlyName\"=dword:00000001\n\"AttachedTo\"=\"COM9\"\n" MODEMS
    "0001]\n\"FriendlyName\"=\"Standard Modem\"\n\"AttachedTo\"=\"COM2\"\n" MODEMS
    "0001\\Init]\n\"1\"=\"ATZ<cr>\"\n\"2\"=\"AT<cr>\"\n" MODEMS
    "0002]\n\"FriendlyName\"=\"Hayes Optima 56K\"\n\"AttachedTo\"=\"COM3\"\n" MODEMS
    "0002\\Init]\n\"1\"=\"AT&F<cr>\"\n\"2\"=\"ATE0<cr>\"\n\"3\"=\"ATL0V1<cr>\"\n" MODEMS
    "0003]\n\"FriendlyName\"=\"hayes optima 56k\"\n\"AttachedTo\"=\"COM5\"\n" MODEMS
    "0004]\n\"FriendlyName\"=\"Empty Middle\"\n\"AttachedTo\"=\"COM4\"\n" MODEMS
    "0004\\Init]\n\"1\"=\"ATQ0<cr>\"\n\"2\"=\"\"\n\"3\"=\"ATX3E0V1<cr>\"\n\"4\"=\"ATM1L2X3E0V1<cr>\"\n"
    // The first instance of a name without a port, the second without a command.
    MODEMS "0005]\n\"FriendlyName\"=\"Twin\"\n" MODEMS "0005\\Init]\n\"1\"=\"ATTWIN<cr>\"\n" MODEMS
    "0006]\n\"FriendlyName\"=\"Twin\"\n\"AttachedTo\"=\"COM8\"\n" MODEMS
    "0007]\n\"FriendlyName\"=\"Bad Init\"\n\"AttachedTo\"=\"COM6\"\n" MODEMS
    "0007\\Init]\n\"1\"=\"AT<cr>\"\n\"2\"=dword:00000002\n" CLASSES
    "{FFFFFFFF-E325-11CE-BFC1-08002BE10318}]\n\"Class\"=\"MODEM\"\n" CLASSES
    "{FFFFFFFF-E325-11CE-BFC1-08002BE10318}\\0000]\n"
    "\"FriendlyName\"=\"Second class\"\n\"AttachedTo\"=\"COM7\"\n" CLASSES
    "{FFFFFFFF-E325-11CE-BFC1-08002BE10318}\\0000\\Init]\n\"1\"=\"ATS<cr>\"\n";

// A 95-family machine (no NT version key) that also holds the NT keys above.
std::string Modems95() {
  return std::string(
             "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT]\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"VersionNumber\"=\"4.10.2222\"\n"
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\Modem\\0000]\n"
             "\"Model\"=\"Rockwell 56K\"\n\"AttachedTo\"=\"COM4\"\n"
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\Modem\\0000\\Init]\n"
             "\"1\"=\"ATZ<cr>\"\n\"2\"=\"AT&F<cr>\"\n"
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\Modem\\0001]\n"
             "\"FriendlyName\"=\"Standard Modem\"\n\"Model\"=\"Standard\"\n\"AttachedTo\"=\"COM1\"\n") +
         kNtModems;
}

struct Found {
  const char* name;
  const char* port;
  const char* init;
};

class ModemRegistry : public ::testing::Test {
 protected:
  void Check(const std::vector<Found>& cases) {
    if (!form) {
      machine.WriteConfiguration(Configuration({}, {}));
      form = machine.Start<TFMain>();
    }
    for (const Found& c : cases) {
      EXPECT_EQ(form->GetModemPort(c.name), c.port) << c.name;
      EXPECT_EQ(form->GetModemInitString(c.name), c.init) << c.name;
    }
  }
  WizardMachine machine;
  TFMain* form = nullptr;
};

TEST_F(ModemRegistry, OnNTOnlyTheFirstModemClassIsSearched) {
  ImportRegistry(kNtModems);
  Check({
      {"Standard Modem", "COM2", "AT\r"},      // the shorter of AT and ATZ
      {"Hayes Optima 56K", "COM3", "AT&F\r"},  // the first of two equally short, not the display's
      {"hayes optima 56k", "COM5", ""},        // names compare exactly
      {"Empty Middle", "COM4", "ATX3E0V1\r"},  // the empty value empties the choice
      {"Twin", "COM8", "ATTWIN\r"},            // each answer from the first instance that has one
      {"Bad Init", "COM6", ""},                // a command value that is no text
      {"Second class", "", ""},                // in the second modem class
      {"Rockwell 56K", "", ""},                // in the 95 family's key
      {"", "", ""},
  });
}

TEST_F(ModemRegistry, The95FamilySearchesItsModemKeyByModel) {
  ImportRegistry(Modems95());
  Check({
      {"Rockwell 56K", "COM4", "ATZ\r"},
      {"Standard", "COM1", ""},
      {"Standard Modem", "", ""},  // its friendly name does not count
      {"Hayes Optima 56K", "", ""},
  });
}

TEST_F(ModemRegistry, AMachineWithoutModemKeysFindsNothing) {
  Check({{"Standard Modem", "", ""}});
  ImportRegistry(CLASSES "{4D36E96D-E325-11CE-BFC1-08002BE10318}]\n\"Class\"=dword:00000001\n" MODEMS
                         "0000]\n\"FriendlyName\"=\"Standard Modem\"\n\"AttachedTo\"=\"COM2\"\n");
  Check({{"Standard Modem", "", ""}});
}

TEST(ModemRegistryLookUps, ReadTheGivenInstanceKeyOnly) {
  WizardMachine machine;
  ImportRegistry(kNtModems);
  const std::string modems = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
  EXPECT_EQ(ReadDeviceClass(modems), "modem");
  EXPECT_EQ(ReadDeviceClass(modems + "\\0001"), "");
  EXPECT_EQ(ReadDeviceClass("SYSTEM\\Missing"), "");
  EXPECT_EQ(FindModemPortByFriendlyName(modems + "\\0002", "Hayes Optima 56K"), "COM3");
  EXPECT_EQ(FindModemPortByFriendlyName(modems + "\\0001", "Hayes Optima 56K"), "");
  EXPECT_EQ(FindModemPortByModel(modems + "\\0002", "Hayes Optima 56K"), "");
  EXPECT_EQ(FindModemInitByFriendlyName(modems + "\\0002", "Hayes Optima 56K"), "AT&F<cr>");
  EXPECT_EQ(FindModemInitByModel(modems + "\\0002", "Hayes Optima 56K"), "");
  EXPECT_EQ(FindModemInitByFriendlyName(modems + "\\0000", ""), "");
}

TEST(ConvertCrTokens, EachLowerCaseTokenBecomesACarriageReturnAndCutsTheRest) {
  const std::string x300(300, 'x'), y254(254, 'y'), b300(300, 'b');
  struct Case {
    std::string text, converted;
  } cases[] = {
      {"", ""},
      {"ATZ", "ATZ"},
      {"ATZ<cr>", "ATZ\r"},
      {"AT<CR>", "AT<CR>"},
      {"<cr><cr>AT", "\r\rAT"},
      {"AT<c<cr>r>", "AT<c\rr>"},  // no token forms around the carriage return
      {x300, x300},                // no token, nothing cut
      {"A<cr>" + x300, "A\r" + x300.substr(0, 255)},
      {"<cr>" + y254 + "<cr>", "\r" + y254 + "<"},  // the second token is cut in half
      {"<cr>aaaaaaaaaa<cr>" + b300, "\raaaaaaaaaa\r" + b300.substr(0, 241)},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertCrTokens(c.text), c.converted) << c.text.substr(0, 20);
}

}  // namespace
