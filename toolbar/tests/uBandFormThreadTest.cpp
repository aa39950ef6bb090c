// Band forms of one process on two user-interface threads at once: each is made, rebuilt, given
// script-added buttons and freed while the other does the same, under the process's band lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/com/ClassTable.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"
#include "toolbar/tests/BandFormTestSupport.h"
#include "toolbar/uWatchThread.h"

namespace {

using namespace band_form_test;

const std::string kBody =
    "<BUTTON caption=\"Egy\" imagelist=\"gombok\" action=\"none\"/><SEPARATOR/>"
    "<COMBO id=\"c\" width=\"80\" action=\"none\"><ITEMS><ITEM caption=\"A\" value=\"a\"/></ITEMS></COMBO>"
    "<TEXT id=\"t\" width=\"50\"/><IMAGE id=\"k\" src=\"buttons.bmp\" maskcolor=\"$ff00ff\" action=\"none\"/>";

TEST_F(BandFormTest, FormsOnTwoThreadsBuildAtOnce) {
  Start(Definition("", kBody));
  std::vector<std::string> layouts(2);
  const int failures = OnTwoUiThreads([&](int index, TTessalineDeskBandForm*& form) {
    for (int round = 0; round < 10; ++round) {
      form->LoadDefinition(true);
      form->AddExtraButton("Új", "gombok", 1, "http://x/", "");
      form->SignalCheckTimerTimer(form->SignalCheckTimer);
      form->ClearExtraButtons();
      form->BuildControls();
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    layouts[size_t(index)] = Layout(*form);
    form->Free();
    form = nullptr;
  });
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(layouts[0], layouts[1]);
  EXPECT_NE(layouts[0], "");
  EXPECT_FALSE(WatchThreadExists()) << "the last form stopped it";
  EXPECT_EQ(BandLock()->OwningThread(), 0u);
}

}  // namespace
