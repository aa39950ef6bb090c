// The modem test over a scripted modem on the virtual clock: the receive handler looks for a line "OK"
// among the bytes of each receive event on its own, and TestModem sends the registered command and waits
// for the answer up to 30 ticks, leaving the port closed and the timer off on every road.
#include <gtest/gtest.h>

#include "platform/components/automation/TestDriver.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/VirtualTime.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using Page = TFMain::Page;

TEST(ModemPort, AnOKLineOfOneReceiveEventIsTheAnswer) {
  WizardMachine machine;
  machine.WriteConfiguration(Configuration({}, {}));
  vandrel::RegisterScriptedPort("COM1",
                                "line AT&F\nreply 100 AT&F\\r\\r\\nOK\\r\\n\n"
                                "line ATQ0\nreply 100 \\r\\nOK\\r\\n\n"
                                "line ATZ\nreply 100 ok\\r\\n\n"
                                "line ATI\nreply 100 O\nreply 100 K\\r\\n\n"
                                "line ATE0\nreply 100 OK\n"
                                "line ATL\nreply 100 \\r\\nOK \\r\\n\n");
  TFMain* form = machine.Start();
  struct Case {
    const char* command;
    bool answered;
  } cases[] = {
      {"AT&F", true},  // after the echoed command line
      {"ATQ0", true},  // without the echo
      {"ATZ", false},  // lower case
      {"ATI", false},  // the two letters in two receive events
      {"ATE0", true},  // at the end, without a line end
      {"ATL", false},  // with a blank
  };
  const UINT_PTR pump = SetTimer(nullptr, 0, 10, nullptr);
  for (const Case& c : cases) {
    form->SetModemAnswered(false);
    form->cpModemTest->Open();
    form->cpModemTest->WriteStr(std::string(c.command) + "\r");
    const uint64_t until = ClockTickMs() + 500;
    while (ClockTickMs() < until) Application->HandleMessage();
    form->cpModemTest->Close();
    EXPECT_EQ(form->ModemAnswered(), c.answered) << c.command;
  }
  KillTimer(nullptr, pump);
  vandrel::RemoveScriptedPort("COM1");
}

// The real form on page 5 with the modem "Hayes" on COM3, its command from the registry.
class ModemTest : public ::testing::Test {
 protected:
  void Start(const std::string& init, const std::string& script) {
    machine.WriteConfiguration(ModemTestConfiguration());
    SetModem(init, script);
    form = machine.Start<TFMain>();
    form->Show();
    driver = std::make_unique<TFormDriver>(form);
    form->cbModem->Items()->Add("Hayes");
    form->cbModem->SetItemIndex(0);
    form->Notebook->SetPageIndex(Page::pgModemVizsgalat);
    TNotifyEvent tick = form->trModemTest->OnTimer;
    form->trModemTest->OnTimer = [this, tick](TObject* sender) {
      ++ticks;
      tick(sender);
    };
    handles = OpenHandleCount();
    start = ClockTickMs();
  }
  // The modem's command, and the script of its device (none: no device).
  void SetModem(const std::string& init, const std::string& script) {
    ImportNtModem("Hayes", "COM3", init);
    if (!script.empty()) {
      vandrel::RegisterScriptedPort("COM3", script);
      scripted = true;
    }
  }
  void TearDown() override {
    if (scripted) vandrel::RemoveScriptedPort("COM3");
  }
  uint64_t Elapsed() const { return ClockTickMs() - start; }
  // After the test: idle, with the port closed and no handle left open.
  void ExpectIdle() {
    EXPECT_FALSE(form->ModemTestRunning());
    EXPECT_FALSE(form->trModemTest->Enabled());
    EXPECT_FALSE(form->cpModemTest->Connected());
    EXPECT_EQ(form->pbModemVizsgalat->Position(), 0);
    EXPECT_EQ(form->lbModemVizsgalat->Caption(), "T97");
    EXPECT_FALSE(form->lbModemVizsgalatVaras->Visible());
    EXPECT_EQ(OpenHandleCount(), handles);
  }

  WizardMachine machine;
  TFMain* form = nullptr;
  std::unique_ptr<TFormDriver> driver;
  bool scripted = false;
  int ticks = 0;
  size_t handles = 0;
  uint64_t start = 0;
};

TEST_F(ModemTest, AnAnswerEndsTheTestAtOnceAndLeadsToTheDownload) {
  struct Case {
    const char* script;
    uint64_t elapsed;
    int ticks;
  } cases[] = {
      {"line ATZ\nreply 300 ATZ\\r\\r\\nOK\\r\\n\n", 300, 0},
      {"line ATZ\nreply 100 ATZ\\r\nreply 1400 \\r\\nOK\\r\\n\n", 1500, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    if (!form)
      Start("ATZ<cr>", c.script);
    else
      SetModem("ATZ<cr>", c.script);
    form->Notebook->SetPageIndex(Page::pgModemVizsgalat);
    // What the page shows while the test runs, seen when the first bytes come.
    std::vector<std::string> during;
    TRxCharEvent received = form->cpModemTest->OnRxChar;
    form->cpModemTest->OnRxChar = [&, received](TObject* sender, int count) {
      if (during.empty())
        during = {form->lbModemVizsgalat->Caption(), form->lbModemVizsgalatVaras->Visible() ? "shown" : "hidden",
                  form->ModemTestRunning() ? "running" : "idle",
                  form->bnKovetkezo->Enabled() || form->bnElozo->Enabled() ? "buttons on" : "buttons off"};
      received(sender, count);
    };
    ticks = 0;
    start = ClockTickMs();
    driver->Click("bnKovetkezo");
    EXPECT_EQ(form->Notebook->PageIndex(), Page::pgModemLetoltes);
    EXPECT_EQ(Elapsed(), c.elapsed);
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(during, (std::vector<std::string>{"T96", "shown", "running", "buttons off"}));
    ExpectIdle();
    form->cpModemTest->OnRxChar = received;
  }
}

TEST_F(ModemTest, ASilentModemFailsAfterExactlyThirtyTicks) {
  struct Case {
    const char* init;
    const char* script;
  } cases[] = {
      {"ATZ<cr>", "line ATI\nreply 10 OK\\r\\n\n"},
      // The command is sent as registered, without a line end: the device sees no line to answer.
      {"ATZ", "line ATZ\nreply 10 OK\\r\\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.init);
    if (!form)
      Start(c.init, c.script);
    else
      SetModem(c.init, c.script);
    ticks = 0;
    start = ClockTickMs();
    EXPECT_FALSE(form->TestModem());
    EXPECT_EQ(ticks, 30);
    EXPECT_EQ(Elapsed(), 30000u);
    EXPECT_FALSE(form->ModemAnswered());
    ExpectIdle();
  }
  vandrel::RegisterScriptedPort("COM3", "line *\n");  // replaced: silent to every line
  form->EnableDisableButtons(nullptr);                // as the page flow does after the test
  driver->Click("bnKovetkezo");
  EXPECT_EQ(form->Notebook->PageIndex(), Page::pgKozosHiba);
  EXPECT_EQ(form->lbKozosHibaCim->Caption() + "/" + form->lbKozosHibaTorzs->Caption(), "T83/T84");
  ExpectIdle();
}

TEST_F(ModemTest, APortThatCannotBeOpenedFailsWithoutATick) {
  Start("ATZ<cr>", "");  // no device on COM3
  EXPECT_FALSE(form->TestModem());
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(Elapsed(), 0u);
  ExpectIdle();
  // A modem the registry does not name runs on COM1, which has no device either.
  form->cbModem->Items()->Add("Unknown");
  form->cbModem->SetItemIndex(1);
  EXPECT_FALSE(form->TestModem());
  EXPECT_EQ(form->cpModemTest->PortNum(), "COM1");
  EXPECT_EQ(ticks, 0);
  ExpectIdle();
}

TEST_F(ModemTest, EscapeDuringTheTestClosesTheFormWithoutTheErrorPage) {
  Start("ATZ<cr>", "line *\n");
  ScheduleVirtualEvent(start + 5500, [] {
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
  });
  driver->Click("bnKovetkezo");
  EXPECT_TRUE(form->Closing());
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(form->Notebook->PageIndex(), Page::pgModemVizsgalat);
  EXPECT_EQ(ticks, 5);
  EXPECT_LT(Elapsed(), 6000u);
  ExpectIdle();
}

}  // namespace
