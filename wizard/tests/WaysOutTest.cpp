// Every way out of the modem road's long operations, on the real form over a scripted machine: the user
// leaves while the modem test waits, while the temporary entry dials, while a GET stalls and while the online
// activation dials. Each ends on the cursor its operation names, with the temporary entry deleted, no
// connection up and no handle left open.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "platform/components/Application.h"
#include "platform/components/ExtCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/Ras.h"
#include "platform/winapi/VirtualTime.h"
#include "wizard/tests/DownloadTestSupport.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using testing_support::HttpScriptedResponse;
using vandrel::DialOutcome;
using Page = TFMain::Page;

class WaysOut;

struct WayOut {
  const char* name;
  // Brings the form to its operation and leaves it at `at` ms of the clock; runs the operation.
  std::function<void(WaysOut&, uint64_t at)> run;
  TCursor cursor;  // the cursor the operation ends on
  bool entered;    // the temporary entry is in the phone book when the user acts
};

class WaysOut : public DownloadPage, public ::testing::WithParamInterface<WayOut> {
 public:
  using DownloadPage::form;
  using DownloadPage::Next;
  using DownloadPage::server;

  void SetUp() override {
    DownloadPage::SetUp();
    ImportNtModem(kDownloadModem, "COM3", "ATZ<cr>");
  }
  void TearDown() override {
    if (scriptedPort) vandrel::RemoveScriptedPort("COM3");
    DownloadPage::TearDown();
  }
  // The user's action at `at` ms of the clock, from a timer of the form's thread as a click comes.
  void At(uint64_t at, std::function<void()> action) {
    TTimer* timer = NewObject<TTimer>(form);
    timer->SetInterval(unsigned(at - ClockTickMs()));
    timer->OnTimer = [this, timer, action](TObject*) {
      timer->SetEnabled(false);
      acted = true;
      enteredWhenActing = TemporaryEntry();
      hourglassWhenActing = Screen->Cursor() == crHourGlass;
      action();
    };
    timer->SetEnabled(true);
  }
  void ClickAt(uint64_t at, TButton* button) {
    At(at, [button] {
      ASSERT_TRUE(button->Enabled()) << button->Name();
      button->Click();
    });
  }
  void SilentModem() {
    vandrel::RegisterScriptedPort("COM3", "line *\n");
    scriptedPort = true;
  }
  // The temporary entry is in the phone book.
  bool TemporaryEntry() const {
    return ReadHostFile(vandrel::PhonebookPath()).find("[Vandrel ideiglenes]") != std::string::npos;
  }

  bool scriptedPort = false;
  bool acted = false, enteredWhenActing = false, hourglassWhenActing = false;
};

const WayOut kWaysOut[] = {
    {"EscapeInTheModemTest",
     [](WaysOut& t, uint64_t at) {
       t.SilentModem();
       t.form->Notebook->SetPageIndex(Page::pgModemVizsgalat);
       t.At(at, [] {
         keybd_event(VK_ESCAPE, 0, 0, 0);
         keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
       });
       t.form->GoNext();
     },
     crDefault, false},
    {"NextDuringTheDial",
     [](WaysOut& t, uint64_t at) {
       ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Silent, 0, RASCS_OpenPort, 1000}));
       t.ClickAt(at, t.form->bnKovetkezo);
       t.Next();
     },
     crArrow, true},
    {"NextDuringAStalledGet",
     [](WaysOut& t, uint64_t at) {
       t.server.On("/selvaring/kep.gif", HttpScriptedResponse::Stall());
       t.ClickAt(at, t.form->bnKovetkezo);
       t.Next();
     },
     crArrow, true},
    {"ExitDuringTheOnlineActivation",
     [](WaysOut& t, uint64_t at) {
       ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Silent, 0, RASCS_OpenPort, 1000}));
       TFormDriver driver(t.form);
       t.form->Notebook->SetPageIndex(Page::pgModemSzolgaltatas);
       driver.Check("rbModemOnlineAktivalas", true);
       driver.Click("bnKovetkezo");
       ASSERT_EQ(t.form->Notebook->PageIndex(), Page::pgModemKorzetszam);
       t.form->cbModemKorzetszam->SetItemIndex(0);
       t.form->EnableDisableButtons(nullptr);
       t.ClickAt(at, t.form->bnKilepes);
       driver.Click("bnKovetkezo");
     },
     crArrow, true},
};

TEST_P(WaysOut, LeaveNoHourglassNoTemporaryEntryAndNoHandle) {
  const WayOut& way = GetParam();
  const size_t handles = OpenHandleCount();
  const uint64_t at = ClockTickMs() + 5500;
  way.run(*this, at);
  ASSERT_TRUE(acted);
  EXPECT_GE(ClockTickMs(), at);
  EXPECT_EQ(enteredWhenActing, way.entered);
  EXPECT_EQ(hourglassWhenActing, way.cursor == crArrow) << "the operation shows the hourglass while it runs";
  EXPECT_EQ(Screen->Cursor(), way.cursor);
  // The person leaves the wizard, if the way out has not closed it.
  if (!form->Closing()) form->bnKilepes->Click();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(TemporaryEntry());
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
  EXPECT_FALSE(form->cpModemTest->Connected());
  EXPECT_FALSE(form->Downloading());
  EXPECT_EQ(Screen->Cursor(), way.cursor);
  EXPECT_EQ(OpenHandleCount(), handles);
}

void PrintTo(const WayOut& way, std::ostream* out) { *out << way.name; }

INSTANTIATE_TEST_SUITE_P(ModemRoad, WaysOut, ::testing::ValuesIn(kWaysOut),
                         [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

}  // namespace
