#include "toolbar/uSignals.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/TestMachine.h"
#include "platform/testing/Timing.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"

namespace {

using testing_support::ChildProcess;
using testing_support::TestMachine;
namespace fs = std::filesystem;

const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/toolbar_helper";

// A copy of the platform's plain sample library as "Pellandra.so" in `folder` (CP1250, below drive C:);
// its Windows path.
std::string CopySample(const TestMachine& machine, const std::string& folder) {
  std::string host = machine.DriveC() + "/" + cp1250::ToUtf8(folder);
  for (char& c : host)
    if (c == '\\') c = '/';
  fs::create_directories(host);
  fs::copy_file(std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_plain.so", host + "/Pellandra.so",
                fs::copy_options::overwrite_existing);
  return "C:\\" + folder + "\\Pellandra.so";
}

// Handles what is queued for this thread.
void HandlePending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) DispatchMessageA(&msg);
}

class Signals : public ::testing::Test {
 protected:
  void UseLibrary(const std::string& folder) {
    library_ = LoadLibraryA(CopySample(machine_, folder).c_str());
    ASSERT_NE(library_, nullptr);
    SetInstanceModuleForTesting(library_);
  }
  void TearDown() override {
    SetInstanceModuleForTesting(nullptr);
    if (library_) FreeLibrary(library_);
  }
  TestMachine machine_;
  HMODULE library_ = nullptr;
};

TEST_F(Signals, NamesJoinThePrefixAndTheSanitisedLibraryPathWithTwoUnderscores) {
  struct Case {
    std::string folder, sanitised;
  } cases[] = {
      {"Program Files\\Vandrel\\Pellandra", "C__Program_Files_Vandrel_Pellandra_Pellandra_so"},
      {"Eszköztár 2.0"_cp, "C__Eszk_zt_r_2_0_Pellandra_so"},
      {"Mixed_Case\\x9-(y)", "C__Mixed_Case_x9__y__Pellandra_so"},
  };
  for (const Case& c : cases) {
    HMODULE library = LoadLibraryA(CopySample(machine_, c.folder).c_str());
    ASSERT_NE(library, nullptr) << c.sanitised;
    SetInstanceModuleForTesting(library);
    EXPECT_EQ(MakeSignalName("DEFCHANGED_"), "DEFCHANGED__" + c.sanitised);
    EXPECT_EQ(MakeSignalName("FEEDCHANGED_"), "FEEDCHANGED__" + c.sanitised);
    SetInstanceModuleForTesting(nullptr);
    FreeLibrary(library);
  }
}

TEST_F(Signals, TheLibraryUnitsRegisterBothMessages) {
  UseLibrary("Program Files\\Vandrel\\Pellandra");
  InitializeLibraryUnits();
  EXPECT_NE(DefChangedMessage(), 0u);
  EXPECT_NE(FeedChangedMessage(), DefChangedMessage());
  EXPECT_EQ(DefChangedMessage(), RegisterWindowMessageA("DEFCHANGED__C__Program_Files_Vandrel_Pellandra_Pellandra_so"));
  EXPECT_EQ(FeedChangedMessage(),
            RegisterWindowMessageA("FEEDCHANGED__C__Program_Files_Vandrel_Pellandra_Pellandra_so"));
}

TEST_F(Signals, BandFormsOfOneThreadShareItsWindowAndOnlyThatThreadHears) {
  UseLibrary("Vandrel");
  InitializeSignalUnit();
  EXPECT_EQ(SignalWindowHandle(), nullptr);
  CreateSignalWindow();
  HWND window = SignalWindowHandle();
  ASSERT_NE(window, nullptr);
  CreateSignalWindow();
  EXPECT_EQ(SignalWindowHandle(), window) << "a second band form shares the window";
  DestroySignalWindow();
  EXPECT_TRUE(IsWindow(window)) << "the window stays with the second band form";

  EXPECT_TRUE(BroadcastDefChanged());
  HandlePending();
  EXPECT_TRUE(IsDefChanged());
  EXPECT_FALSE(IsFeedChanged());
  bool otherDef = true, otherFeed = true;
  std::thread([&] {
    otherDef = IsDefChanged();
    otherFeed = IsFeedChanged();
  }).join();
  EXPECT_FALSE(otherDef) << "a thread without a signal window reads both flags false";
  EXPECT_FALSE(otherFeed);

  EXPECT_TRUE(BroadcastFeedChanged());
  HandlePending();
  EXPECT_TRUE(IsFeedChanged());
  ClearDefChanged();
  EXPECT_FALSE(IsDefChanged());
  EXPECT_TRUE(IsFeedChanged()) << "clearing one flag leaves the other";
  ClearFeedChanged();

  // Other messages get the default answer: the window keeps its text.
  SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("jel"));
  char text[16] = {};
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "jel");

  DestroySignalWindow();
  EXPECT_FALSE(IsWindow(window)) << "the window goes with the thread's last band form";
  EXPECT_EQ(SignalWindowHandle(), nullptr);
  BroadcastDefChanged();
  HandlePending();
  EXPECT_FALSE(IsDefChanged());
  DestroySignalWindow();  // one too many: nothing to free
  CreateSignalWindow();
  EXPECT_NE(SignalWindowHandle(), nullptr) << "the count starts afresh";
  DestroySignalWindow();
}

// A helper process with the change signals of one library, driven line by line.
class SignalHelper {
 public:
  explicit SignalHelper(const std::string& library)
      : child_(kHelper, {"signals", cp1250::ToUtf8(library)}, testing_support::ChildOutput::Stdout) {}
  std::string Ask(const std::string& command) {
    child_.WriteLine(command);
    return child_.ReadLine();
  }
  std::string Read() { return child_.ReadLine(); }
  // The time in a "sent T" or "... at T" answer.
  static long long TimeOf(const std::string& answer) { return std::stoll(answer.substr(answer.rfind(' ') + 1)); }
  int Quit() {
    child_.WriteLine("quit");
    return child_.Wait();
  }

 private:
  ChildProcess child_;
};

TEST_F(Signals, ADefinitionChangeReachesABandOfAnotherProcessWithin100Ms) {
  const std::string library = CopySample(machine_, "Vandrel\\Pellandra");
  SignalHelper listener(library), sender(library);
  // Two band forms on the listener's thread; the first goes.
  ASSERT_EQ(listener.Ask("window"), "ok");
  ASSERT_EQ(listener.Ask("window"), "ok");
  ASSERT_EQ(listener.Ask("destroy"), "ok");

  ASSERT_EQ(listener.Ask("wait 3000"), "waiting");
  std::string sent = sender.Ask("def");
  ASSERT_EQ(sent.rfind("sent ", 0), 0u) << sent;
  std::string seen = listener.Read();
  ASSERT_EQ(seen.rfind("def=1 feed=0 at ", 0), 0u) << seen;
  EXPECT_LT(SignalHelper::TimeOf(seen) - SignalHelper::TimeOf(sent), 100 * testing_support::kSanitizerSlowdown);

  // Several broadcasts before a poll set the flag once; after Clear it stays false until the next.
  ASSERT_EQ(listener.Ask("clear-def"), "ok");
  for (int i = 0; i < 3; ++i) sender.Ask("def");
  EXPECT_EQ(listener.Ask("pump 300"), "def=1 feed=0");
  ASSERT_EQ(listener.Ask("clear-def"), "ok");
  EXPECT_EQ(listener.Ask("pump 300"), "def=0 feed=0");
  sender.Ask("feed");
  EXPECT_EQ(listener.Ask("pump 300"), "def=0 feed=1");
  ASSERT_EQ(listener.Ask("clear-feed"), "ok");
  sender.Ask("def");
  EXPECT_EQ(listener.Ask("pump 300"), "def=1 feed=0");
  EXPECT_EQ(listener.Quit(), 0);
  EXPECT_EQ(sender.Quit(), 0);
}

TEST_F(Signals, ABroadcastIsLostForALaterWindowAndUnheardUnderAnotherLibraryPath) {
  const std::string library = CopySample(machine_, "Vandrel\\Pellandra");
  SignalHelper late(library), hearing(library), sender(library);
  SignalHelper elsewhere(CopySample(machine_, "Masik\\Pellandra"));
  ASSERT_EQ(hearing.Ask("window"), "ok");
  ASSERT_EQ(elsewhere.Ask("window"), "ok");
  sender.Ask("def");
  ASSERT_EQ(late.Ask("window"), "ok");
  EXPECT_EQ(hearing.Ask("pump 300"), "def=1 feed=0");
  EXPECT_EQ(late.Ask("pump 300"), "def=0 feed=0") << "nothing is kept for a window made later";
  EXPECT_EQ(elsewhere.Ask("pump 300"), "def=0 feed=0") << "another library path, other messages";
  for (SignalHelper* helper : {&late, &hearing, &sender, &elsewhere}) EXPECT_EQ(helper->Quit(), 0);
}

}  // namespace
