// Band forms on several user-interface threads at once: each thread's hooks reach its own form, through
// thunks handed out from the one table of the process.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "deskband/vekDeskBand.h"
#include "platform/components/StdCtrls.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/MessageQueue.h"

namespace {

TEST(BandFormThreads, EachThreadsHooksReachItsOwnForm) {
  testing_support::TestMachine machine;
  std::mutex formLock;  // forms are made and freed one at a time, as the toolbar's band lock has it
  std::atomic<int> failures{0};
  auto work = [&](char shortcut) {
    for (int round = 0; round < 25; ++round) {
      HWND parent;
      TDeskBandForm* form;
      TEdit* edit;
      int asked = 0;  // how often this form was asked for its shortcut
      {
        std::lock_guard g(formLock);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "BandThreadHost";
        RegisterClassA(&wc);
        parent = CreateWindowExA(0, "BandThreadHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 30, nullptr, nullptr,
                                 nullptr, nullptr);
        form = TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TDeskBandForm>(), nullptr, parent);
        edit = NewObject<TEdit>(form);
        edit->SetParent(form);
        edit->SetBounds(0, 0, 100, 20);
        form->SetVisible(true);
        form->OnGetShortcutKey = [shortcut, &asked](TObject*, char& key) {
          key = shortcut;
          ++asked;
        };
        form->OnGetDefaultControl = [edit](TObject*, TWinControl*& control) { control = edit; };
      }
      form->InstallHooks();
      if (vandrel::ThreadHookCount(GetCurrentThreadId()) != 2) ++failures;
      PostMessageA(form->Handle(), WM_SYSKEYUP, WPARAM(shortcut - 'a' + 'A'), 0);
      MSG msg;
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD) || msg.message != WM_NULL) ++failures;
      if (asked != 1) ++failures;
      form->RemoveHooks();
      std::lock_guard g(formLock);
      form->Free();
      DestroyWindow(parent);
    }
  };
  std::thread a(work, 'q'), b(work, 'w');
  a.join();
  b.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
