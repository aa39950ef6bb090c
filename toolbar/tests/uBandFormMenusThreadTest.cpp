// Band menus on two user-interface threads: each thread's menu commands reach a window of that thread,
// which lives as long as the thread's band forms.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/com/ClassTable.h"
#include "platform/components/Menus.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"
#include "toolbar/tests/BandFormTestSupport.h"

namespace {

using namespace band_form_test;

const std::string kBody =
    "<BUTTON caption=\"Menu\" action=\"none\"><MENU><ITEM caption=\"Egy\" action=\"none\"/></MENU></BUTTON>";

struct ThreadResult {
  DWORD thread = 0;
  std::vector<DWORD> clickThreads;
  HWND commandWindow = nullptr;
  bool windowOfThread = false, listWindowBack = false, windowGoneWithForm = false;
};

TEST_F(BandFormTest, EachThreadHandlesItsOwnMenusClicks) {
  Start(Definition("", kBody));
  std::vector<ThreadResult> results(2);
  const int failures = OnTwoUiThreads([&](int index, TTessalineDeskBandForm*& form) {
    ThreadResult& r = results[size_t(index)];
    r.thread = GetCurrentThreadId();
    form->FeedCheckTimer->SetEnabled(false);
    form->FirstStartTimer->SetEnabled(false);
    auto* bar = static_cast<TToolBar*>(form->BuiltControls()->Items(0));
    TPopupMenu* menu = bar->Buttons(0)->DropdownMenu();
    TMenuItem* item = menu->Items()->Items(0);
    TNotifyEvent click = item->OnClick;
    item->OnClick = [&r, click](TObject* sender) {
      r.clickThreads.push_back(GetCurrentThreadId());
      click(sender);
    };
    menu->OnPopup = [&r](TObject*) { r.commandWindow = PopupList()->Window(); };
    for (int round = 0; round < 20; ++round) {
      {
        TBandLockGuard guard;  // the menu script is the process's
        ScriptMenuChoice({"Egy"});
        menu->Popup(0, 0);
        r.listWindowBack = PopupList()->Window() != r.commandWindow;
      }
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) DispatchMessageA(&msg);
    }
    r.windowOfThread = GetWindowThreadProcessId(r.commandWindow, nullptr) == r.thread;
    form->Free();
    form = nullptr;
    r.windowGoneWithForm = !IsWindow(r.commandWindow);
  });
  EXPECT_EQ(failures, 0);
  for (const ThreadResult& r : results) {
    EXPECT_EQ(r.clickThreads, std::vector<DWORD>(20, r.thread)) << "every click on the menu's own thread";
    EXPECT_TRUE(r.windowOfThread);
    EXPECT_TRUE(r.listWindowBack) << "the pop-up list's own window is put back";
    EXPECT_TRUE(r.windowGoneWithForm) << "the thread's last band form takes its menu window";
  }
  EXPECT_NE(results[0].commandWindow, results[1].commandWindow);
}

}  // namespace
