// The modem test on the real clock through a pseudo-terminal: a fake modem in Python answers and the
// wizard goes on to the download page; a silent one fails in 30 short ticks; a line that hangs up once
// the port is open fails at once with the port closed.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/components/automation/TestDriver.h"
#include "platform/runtime/Clock.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/Hex.h"
#include "platform/testing/PseudoTerminal.h"
#include "platform/winapi/Handles.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using namespace std::chrono_literals;
using Page = TFMain::Page;

// A modem on a pseudo-terminal of its own: it prints the terminal's path, echoes each line it receives and
// answers CR LF "OK" CR LF; once its standard input closes it prints what it received, in hexadecimal.
constexpr const char* kFakeModem = R"(
import os, select, sys, time, tty
peer, terminal = os.openpty()
tty.setraw(terminal)
print(os.ttyname(terminal), flush=True)
received, line = b'', b''
while sys.stdin not in select.select([peer, sys.stdin], [], [])[0]:
    data = os.read(peer, 256)
    received += data
    for byte in data:
        if byte in (10, 13):
            if line:
                os.write(peer, line + b'\r')
                time.sleep(0.05)
                os.write(peer, b'\r\nOK\r\n')
            line = b''
        else:
            line += bytes([byte])
print(received.hex(), flush=True)
)";

using testing_support::Hex;

// The real form on page 5, its modem "Hayes" on COM3 with the command ATZ<cr>, on the real clock.
class ModemPseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Real);
    machine.WriteConfiguration(ModemTestConfiguration());
    ImportNtModem("Hayes", "COM3", "ATZ<cr>");
    form = machine.Start<TFMain>();
    form->Show();
    driver = std::make_unique<TFormDriver>(form);
    // The modem list comes from the machine's dial-up devices, which name the same modem.
    ASSERT_EQ(form->ListModems(), "Hayes\r\n");
    form->cbModem->Items()->Add("Hayes");
    form->cbModem->SetItemIndex(0);
    form->Notebook->SetPageIndex(Page::pgModemVizsgalat);
    handles = OpenHandleCount();
  }
  void ExpectIdle() {
    EXPECT_FALSE(form->ModemTestRunning());
    EXPECT_FALSE(form->trModemTest->Enabled());
    EXPECT_FALSE(form->cpModemTest->Connected());
    EXPECT_EQ(form->pbModemVizsgalat->Position(), 0);
    EXPECT_EQ(OpenHandleCount(), handles);
  }

  WizardMachine machine;
  TFMain* form = nullptr;
  std::unique_ptr<TFormDriver> driver;
  size_t handles = 0;
};

TEST_F(ModemPseudoTerminal, AFakeModemAnswersAndTheWizardGoesOnToTheDownload) {
  testing_support::ChildProcess modem(VANDREL_PYTHON, {"-c", kFakeModem});
  const std::string terminal = modem.ReadLine();
  ASSERT_FALSE(terminal.empty());
  std::filesystem::create_directories(machine.Machine().Root() + "/devices");
  std::filesystem::create_symlink(terminal, machine.Machine().Root() + "/devices/COM3");
  const auto start = std::chrono::steady_clock::now();
  driver->Click("bnKovetkezo");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms) << "before the first tick";
  EXPECT_EQ(form->Notebook->PageIndex(), Page::pgModemLetoltes);
  EXPECT_EQ(form->lbModemVizsgalat->Caption(), "T97");
  ExpectIdle();
  modem.Release();
  EXPECT_EQ(modem.ReadLine(), Hex("ATZ\r")) << "the command as registered, without a terminator";
  EXPECT_EQ(modem.Wait(), 0);
}

TEST_F(ModemPseudoTerminal, ASilentModemFailsInThirtyShortTicks) {
  testing_support::PseudoTerminal line(machine.Machine().Root(), "COM3");
  form->trModemTest->SetInterval(20);
  const auto start = std::chrono::steady_clock::now();
  driver->Click("bnKovetkezo");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 600ms);
  EXPECT_LT(took, 1s);
  EXPECT_EQ(form->Notebook->PageIndex(), Page::pgKozosHiba);
  EXPECT_EQ(form->lbKozosHibaCim->Caption() + "/" + form->lbKozosHibaTorzs->Caption(), "T83/T84");
  EXPECT_EQ(line.Read(4), "ATZ\r");
  ExpectIdle();
}

// The line hangs up as soon as the port is open, so sending the command fails: the port is closed again
// and no timer runs.
TEST_F(ModemPseudoTerminal, ACommandThatCannotBeSentFailsAtOnceWithThePortClosed) {
  testing_support::PseudoTerminal line(machine.Machine().Root(), "COM3");
  form->cpModemTest->OnOpen = [&](TObject*) { line.ClosePeer(); };
  int ticks = 0;
  form->trModemTest->OnTimer = [&](TObject*) { ++ticks; };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(form->TestModem());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
  EXPECT_EQ(ticks, 0);
  ExpectIdle();
}

}  // namespace
