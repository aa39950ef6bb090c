// AnimateWindow through run-time binding, and sndPlaySound's one sound that plays from the caller's memory.
#include <gtest/gtest.h>

#include <memory>

#include "platform/runtime/Clock.h"
#include "platform/testing/TestMachine.h"
#include "platform/testing/WaveWriter.h"
#include "platform/winapi/Animation.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Sound.h"
#include "platform/winapi/tests/WindowTestSupport.h"

namespace {

using namespace wintest;
using testing_support::SilentWave;
using testing_support::TestMachine;

TAnimateWindow Bind() {
  HMODULE user32 = LoadLibraryA("user32.dll");
  if (!user32) return nullptr;
  auto entry = reinterpret_cast<TAnimateWindow>(GetProcAddress(user32, "AnimateWindow"));
  FreeLibrary(user32);
  return entry;
}

TEST(Animation, ShowsAndHidesWithoutActivatingAndTakesItsTime) {
  TestMachine machine;
  SetClockMode(TClockMode::Virtual);
  TAnimateWindow animate = Bind();
  ASSERT_NE(animate, nullptr) << "exported by the user32.dll stand-in";
  HWND active = MakeWindow("active", WS_POPUP | WS_VISIBLE);
  SetActiveWindow(active);
  HWND popup = MakeWindow("popup", WS_POPUP);
  vandrel::animation_testing::ClearCalls();

  const uint64_t start = ClockTickMs();
  ASSERT_TRUE(animate(popup, 300, AW_BLEND));
  EXPECT_GE(ClockTickMs(), start + 300);
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_FALSE(animate(popup, 300, AW_BLEND)) << "already shown";

  ASSERT_TRUE(animate(popup, 150, AW_BLEND | AW_HIDE));
  EXPECT_FALSE(IsWindowVisible(popup));
  EXPECT_EQ(GetActiveWindow(), active);

  DestroyWindow(popup);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(animate(popup, 10, AW_BLEND));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

  auto calls = vandrel::animation_testing::Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].Window, popup);
  EXPECT_EQ(calls[0].Time, 300u);
  EXPECT_EQ(calls[0].Flags, AW_BLEND);
  EXPECT_EQ(calls[2].Flags, AW_BLEND | AW_HIDE);
  EXPECT_EQ(calls[2].StartTick, calls[1].StartTick);
  EXPECT_GE(calls[2].StartTick, calls[0].StartTick + 300);
}

TEST(Animation, TheTestSwitchHidesTheExport) {
  TestMachine machine;
  vandrel::dynamic_testing::HideExport("user32.dll", "AnimateWindow");
  EXPECT_EQ(Bind(), nullptr);
  vandrel::dynamic_testing::ShowEverything();
  EXPECT_NE(Bind(), nullptr);
}

TEST(Sound, PlaysFromTheCallersMemoryUntilTheNextCall) {
  using namespace vandrel::sound_testing;
  ClearCalls();
  std::string first = SilentWave(40);
  EXPECT_TRUE(sndPlaySound(first.data(), SND_ASYNC | SND_MEMORY));
  EXPECT_TRUE(IsPlaying());
  std::string second = SilentWave(8);
  EXPECT_TRUE(sndPlaySound(second.data(), SND_ASYNC | SND_MEMORY)) << "ends the first";
  EXPECT_TRUE(sndPlaySound(nullptr, 0));
  EXPECT_FALSE(IsPlaying());
  EXPECT_TRUE(sndPlaySound(second.data(), SND_MEMORY)) << "synchronous: over when the call returns";
  EXPECT_FALSE(IsPlaying());

  std::string notWave("RIFF\x04\0\0\0AVI ", 12);
  EXPECT_FALSE(sndPlaySound(notWave.data(), SND_ASYNC | SND_MEMORY));
  EXPECT_FALSE(sndPlaySound("C:\\WINDOWS\\MEDIA\\ding.wav", SND_ASYNC)) << "files are not played";
  EXPECT_FALSE(IsPlaying());

  auto calls = Calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].Bytes, first);
  EXPECT_EQ(calls[0].Flags, SND_ASYNC | SND_MEMORY);
  EXPECT_EQ(calls[1].Bytes, second);
  EXPECT_TRUE(calls[2].Stop);
  EXPECT_FALSE(calls[3].Stop);
}

// The image that plays is read again at the next call: freeing it while it plays is caught by the
// address sanitizer, and keeping it is clean.
TEST(Sound, TheNextCallReadsTheImageThatPlayed) {
  auto image = std::make_unique<std::string>(SilentWave(1000));
  ASSERT_TRUE(sndPlaySound(image->data(), SND_ASYNC | SND_MEMORY));
  (*image)[100] = 'x';  // changed while it plays: still the caller's to keep
  EXPECT_TRUE(sndPlaySound(nullptr, 0));
  image.reset();
  EXPECT_TRUE(sndPlaySound(nullptr, 0)) << "nothing plays: nothing is read";
}

}  // namespace
