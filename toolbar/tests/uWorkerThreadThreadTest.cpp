// The worker of this process against a stalled server: stopping returns at once and leaves nothing
// behind, and band forms of the process load their definition meanwhile.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/com/ClassTable.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/Handles.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"
#include "toolbar/uWatchThread.h"
#include "toolbar/uWorkerThread.h"

namespace {

using namespace std::chrono_literals;
using namespace library_test;
using testing_support::HttpRecordedRequest;
using testing_support::HttpScriptedResponse;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

int ThreadCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++count;
  return count;
}

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class WorkerOfThisProcess : public ::testing::Test {
 protected:
  // The library with a root definition whose source is on the loopback server under the provider's name.
  void SetUp() override {
    fs::create_directories(machine_.DriveC() + "/WINDOWS/system32/drivers/etc");
    WriteWholeFile("C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "127.0.0.1 eszkoztar.vandrel.hu\r\n");
    InstallShippedFiles(machine_);
    WriteWholeFile(kFolder + "\\toolbar.xml", "<TOOLBAR guid=\"" + kGuid + "\" caption=\"Vandrel\" src=\"" +
                                                  Url("/pellandra/toolbar.xml") + "\"><SEPARATOR/></TOOLBAR>");
    library_ = LoadSampleAsLibrary(machine_, "winapi_sample_plain.so");
    SetInstanceModuleForTesting(library_);
    CoInitialize(nullptr);
    InitializeLibraryUnits();
    Startup();
    ASSERT_NE(TessalineDeskBandModule(), nullptr);
  }
  // Ended threads finish their exit (freeing their per-thread state) before the process ends.
  void TearDown() override {
    server_.Stop();
    for (auto end = Clock::now() + 2s; ThreadCount() > 1 && Clock::now() < end;) std::this_thread::sleep_for(5ms);
  }
  std::string Url(const std::string& target) {
    return "http://eszkoztar.vandrel.hu:" + std::to_string(server_.Port()) + target;
  }
  bool AwaitRequest(const std::string& target) {
    for (auto end = Clock::now() + 5s; Clock::now() < end; std::this_thread::sleep_for(5ms))
      for (const HttpRecordedRequest& r : server_.Requests())
        if (r.target == target) return true;
    return false;
  }

  testing_support::TestMachine machine_;
  testing_support::HttpTestServer server_;
  HMODULE library_ = nullptr;
};

TEST_F(WorkerOfThisProcess, StoppingWhileItWaitsOnAStalledServerReturnsAtOnceAndLeavesNothing) {
  server_.On("/pellandra/toolbar.xml", HttpScriptedResponse::Stall());
  size_t handles = OpenHandleCount();
  int threads = ThreadCount();
  BandFormCreated();
  BandFormCreated();  // a second form of the process changes nothing
  ASSERT_TRUE(AwaitRequest("/pellandra/toolbar.xml"));
  EXPECT_TRUE(WorkerExists());
  BandFormDestroyed();
  EXPECT_TRUE(WatchThreadExists());
  auto start = Clock::now();
  BandFormDestroyed();
  EXPECT_LT(MsSince(start), 300);
  EXPECT_FALSE(WatchThreadExists());
  EXPECT_FALSE(WorkerExists());
  EXPECT_EQ(OpenHandleCount(), handles);
  server_.Stop();
  // The threads have ended; their host threads are gone a moment later (the server's acceptor as well).
  for (auto end = Clock::now() + 1s; ThreadCount() > threads - 1 && Clock::now() < end;)
    std::this_thread::sleep_for(5ms);
  EXPECT_EQ(ThreadCount(), threads - 1);
  // The cut download is no failure that would hold the next worker off.
  EXPECT_EQ(TessalineDeskBandModule()->Configuration()->GetLastDefDownloadError(), 0);
}

TEST_F(WorkerOfThisProcess, ABandFormLoadsItsDefinitionWhileTheWorkerWaitsForAFileOfTheNewOne) {
  server_.On("/pellandra/toolbar.xml",
             HttpScriptedResponse::Ok("<TOOLBAR guid=\"" + kGuid +
                                      "\" caption=\"Friss\"><IMAGELIST id=\"uj\" src=\"fresh.bmp\"/></TOOLBAR>"));
  server_.On("/pellandra/fresh.bmp", HttpScriptedResponse::Stall());
  BandFormCreated();
  ASSERT_TRUE(AwaitRequest("/pellandra/fresh.bmp"));
  for (int i = 0; i < 3; ++i) {
    auto start = Clock::now();
    TObjectPtr<TToolbarDefinition> definition(TessalineDeskBandModule()->LoadDefinition());
    EXPECT_LT(MsSince(start), 100);
    EXPECT_EQ(definition->Caption(), "Vandrel");
  }
  auto start = Clock::now();
  BandFormDestroyed();
  EXPECT_LT(MsSince(start), 300);
}

TEST_F(WorkerOfThisProcess, FormsMadeAndGoneOnSeveralThreadsAtOnceLeaveNoWatchThread) {
  size_t handles = OpenHandleCount();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 5; ++i) {
        BandFormCreated();
        EXPECT_TRUE(WatchThreadExists());
        BandFormDestroyed();
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_FALSE(WatchThreadExists());
  EXPECT_FALSE(WorkerExists());
  BandFormDestroyed();  // one too many changes nothing
  EXPECT_FALSE(WatchThreadExists());
  EXPECT_EQ(OpenHandleCount(), handles);
}

}  // namespace
