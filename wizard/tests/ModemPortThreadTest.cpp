// The form's modem port over a scripted modem: its receive handler looks for a line "OK" among the bytes
// of each receive event on its own.
#include <gtest/gtest.h>

#include "platform/runtime/Clock.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Timers.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;

TEST(ModemPort, AnOKLineOfOneReceiveEventIsTheAnswer) {
  WizardMachine machine;
  machine.WriteConfiguration(Configuration({}, {}));
  vandrel::RegisterScriptedPort("COM1",
                                "line AT&F\nreply 100 AT&F\\r\\r\\nOK\\r\\n\n"
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

}  // namespace
