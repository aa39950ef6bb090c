#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "toolbar/tests/ToolbarTestSupport.h"

namespace {

TEST(ConfigurationThreads, ThreadsSharingAnObjectReadTheirOwnFeeds) {
  testing_support::TestMachine machine;
  TFakeBandModule* module = TFakeBandModule::Create("Sáv"_cp);
  TTessalineConfiguration* config = TTessalineConfiguration::Create(module);
  config->SetFeedLastCheck("elso", 1);
  config->SetFeedLastCheck("masodik", 2);
  std::atomic<int> wrong{0};
  auto reader = [&](const char* feed, TDateTime expected) {
    for (int i = 0; i < 150; ++i)
      if (config->GetFeedLastCheck(feed) != expected) wrong++;
  };
  std::thread a(reader, "elso", 1.0), b(reader, "masodik", 2.0);
  a.join();
  b.join();
  EXPECT_EQ(wrong, 0) << "the lock keeps another thread from switching the key between open and read";
  module->Free();
}

TEST(ConfigurationThreads, AFailedOperationReleasesTheLock) {
  testing_support::TestMachine machine;
  TFakeBandModule* module = TFakeBandModule::Create("Sáv"_cp);
  TTessalineConfiguration* config = TTessalineConfiguration::Create(module);
  config->WriteInteger("", "DebugLog", 1);
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quorrel\\Tessaline\\{11111111-2B8D-44AF-82FA-F86E57899FB8}", 0,
                KEY_ALL_ACCESS, &key);
  RegSetValueExA(key, "DebugLog", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(key);
  EXPECT_THROW(config->GetDebugLog(), ERegistryException);
  bool firstStart = false;
  std::thread other([&] { firstStart = config->GetFirstStart(); });
  other.join();
  EXPECT_TRUE(firstStart) << "another thread gets the lock after the failure";
  module->Free();
}

}  // namespace
