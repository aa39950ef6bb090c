// The screen's list of forms, kept by every user-interface thread of the process at once.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/Forms.h"

namespace {

TEST(ScreenThreads, FormsMadeAndFreedOnTwoThreadsAtOnceLeaveTheListAsItWas) {
  // As in a program, the main thread has made the application's window before other threads make forms.
  Application->Handle();
  const int before = Screen->FormCount();
  auto makeAndFree = [] {
    std::vector<TForm*> forms;
    for (int i = 0; i < 50; ++i) forms.push_back(TForm::CreateNew<TForm>(nullptr));
    for (TForm* form : forms) form->Free();
  };
  std::thread first(makeAndFree), second(makeAndFree);
  first.join();
  second.join();
  EXPECT_EQ(Screen->FormCount(), before);
}

}  // namespace
