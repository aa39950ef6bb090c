// The watch threads of real processes elect one worker per logon session and library path, hand it over
// when its process stops or dies, and stop it at once even while it waits on a server.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Synchronization.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uInstance.h"
#include "toolbar/uWatchThread.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;
using testing_support::TestMachine;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/toolbar_helper";
const std::string kDefinitionPath = "/pellandra/toolbar.xml";

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// The number after "at " or "in " of a helper's answer.
long long TimeOf(const std::string& answer) {
  size_t at = answer.rfind(' ');
  return std::stoll(answer.substr(at + 1));
}

// A machine whose provider name maps to a loopback server that serves the definition, with the library
// (the plain sample) installed in one or more folders, each with a root definition whose source is there.
class WatchProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string etc = machine_.DriveC() + "/WINDOWS/system32/drivers/etc";
    fs::create_directories(etc);
    library_test::WriteWholeFile("C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "127.0.0.1 eszkoztar.vandrel.hu\r\n");
    server_.On(kDefinitionPath, [this](const testing_support::HttpRecordedRequest&) {
      std::lock_guard<std::mutex> guard(lock_);
      arrivals_.push_back(NowMs());
      bool stall = stallFirst_ && arrivals_.size() == 1;
      return stall ? HttpScriptedResponse::Stall()
                   : HttpScriptedResponse::Ok("<TOOLBAR guid=\"" + library_test::kGuid + "\" caption=\"Friss\"/>");
    });
  }

  // The library installed in C:\FOLDER; its Windows path.
  std::string Install(const std::string& folder) {
    std::string host = machine_.DriveC() + "/" + folder;
    fs::create_directories(host);
    for (const char* name : {".files", "buttons.bmp"})
      fs::copy_file(std::string(VANDREL_SOURCE_DIR) + "/toolbar/default/" + name, host + "/" + name,
                    fs::copy_options::overwrite_existing);
    fs::copy_file(std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_plain.so", host + "/Pellandra.so",
                  fs::copy_options::overwrite_existing);
    std::string url = "http://eszkoztar.vandrel.hu:" + std::to_string(server_.Port()) + kDefinitionPath;
    library_test::WriteWholeFile(
        "C:\\" + folder + "\\toolbar.xml",
        "<TOOLBAR guid=\"" + library_test::kGuid + "\" caption=\"Vandrel\" src=\"" + url + "\"><SEPARATOR/></TOOLBAR>");
    return "C:\\" + folder + "\\Pellandra.so";
  }

  std::unique_ptr<ChildProcess> Start(const std::string& library) {
    auto child = std::make_unique<ChildProcess>(kHelper, std::vector<std::string>{"watch", cp1250::ToUtf8(library)});
    child->WriteLine("start");
    EXPECT_EQ(child->ReadLine(), "ok");
    return child;
  }
  static std::string Ask(ChildProcess& child, const std::string& command) {
    child.WriteLine(command);
    return child.ReadLine();
  }
  std::vector<long long> Arrivals() {
    std::lock_guard<std::mutex> guard(lock_);
    return arrivals_;
  }
  // Waits until the server has seen `count` requests of the definition, or the time is up.
  bool AwaitArrivals(size_t count, std::chrono::milliseconds limit) {
    for (auto end = Clock::now() + limit; Clock::now() < end; std::this_thread::sleep_for(10ms))
      if (Arrivals().size() >= count) return true;
    return Arrivals().size() >= count;
  }

  // The owner's worker waits on a stalled server when its process stops its watch thread or is killed;
  // the other process's worker then runs its first cycle (the server's second request) within 1.5 s.
  void HandOver(bool kill) {
    stallFirst_ = true;
    std::string library = Install("Vandrel");
    auto owner = Start(library);
    ASSERT_EQ(Ask(*owner, "wait-worker 3000").substr(0, 8), "worker=1");
    auto other = Start(library);
    EXPECT_EQ(Ask(*other, "worker"), "worker=0");
    ASSERT_TRUE(AwaitArrivals(1, 5s));
    long long handedOver = NowMs();
    if (kill) {
      owner->Kill(SIGKILL);
    } else {
      std::string stopped = Ask(*owner, "stop");
      EXPECT_LT(TimeOf(stopped), 300) << stopped;
    }
    std::string taken = Ask(*other, "wait-worker 3000");
    EXPECT_EQ(taken.substr(0, 8), "worker=1");
    EXPECT_LT(TimeOf(taken) - handedOver, 500) << taken;
    ASSERT_TRUE(AwaitArrivals(2, 3s));
    EXPECT_LT(Arrivals()[1] - handedOver, 1500);
    other->WriteLine("quit");
    EXPECT_EQ(other->Wait(), 0);
    owner->Release();
    owner->Wait();
  }

  TestMachine machine_;
  std::mutex lock_;
  std::vector<long long> arrivals_;
  std::atomic<bool> stallFirst_{false};
  HttpTestServer server_;  // last, so that it stops before what its handler touches goes
};

TEST_F(WatchProcesses, TwoProcessesRunOneWorkerThatFetchesTheDefinitionOnce) {
  std::string library = Install("Vandrel");
  auto first = Start(library);
  EXPECT_EQ(TimeOf(Ask(*first, "wait-worker 3000")) > 0, true);
  auto second = Start(library);
  EXPECT_EQ(Ask(*second, "worker"), "worker=0");
  ASSERT_TRUE(AwaitArrivals(1, 5s));
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(Ask(*first, "worker"), "worker=1");
  EXPECT_EQ(Ask(*second, "worker"), "worker=0");
  EXPECT_EQ(Arrivals().size(), 1u);
  for (auto* child : {first.get(), second.get()}) {
    child->WriteLine("quit");
    EXPECT_EQ(child->Wait(), 0);
  }
  EXPECT_EQ(Arrivals().size(), 1u);
}

TEST_F(WatchProcesses, WhenTheOwnerStopsTheOtherWorkerRunsItsFirstCycleWithinASecondAndAHalf) { HandOver(false); }

TEST_F(WatchProcesses, WhenTheOwnerIsKilledTheOtherWorkerRunsItsFirstCycleWithinASecondAndAHalf) { HandOver(true); }

TEST_F(WatchProcesses, TwoLibraryPathsRunTwoWorkers) {
  auto first = Start(Install("Vandrel"));
  auto second = Start(Install("Vandrel2"));
  EXPECT_EQ(Ask(*first, "wait-worker 3000").substr(0, 8), "worker=1");
  EXPECT_EQ(Ask(*second, "wait-worker 3000").substr(0, 8), "worker=1");
  for (auto* child : {first.get(), second.get()}) {
    child->WriteLine("quit");
    EXPECT_EQ(child->Wait(), 0);
  }
}

TEST_F(WatchProcesses, TheFlockUtilityHoldingTheLockFileKeepsEveryProcessFromRunningAWorker) {
  std::string library = Install("Vandrel");
  HMODULE module = LoadLibraryA(library.c_str());
  ASSERT_NE(module, nullptr);
  SetInstanceModuleForTesting(module);
  std::string name = WatchThreadMutexName();
  EXPECT_EQ(name, "WATCHTHREADMUTEX__C__Vandrel_Pellandra_so");
  std::string lockFile = vandrel::MutexLockFilePath(name);
  CloseHandle(CreateMutexA(nullptr, FALSE, name.c_str()));  // makes the session folder and the lock file
  SetInstanceModuleForTesting(nullptr);
  FreeLibrary(module);
  ChildProcess holder("/usr/bin/flock", {lockFile, "-c", "echo held; cat >/dev/null"});
  ASSERT_EQ(holder.ReadLine(), "held");
  auto first = Start(library);
  auto second = Start(library);
  EXPECT_EQ(Ask(*first, "wait-worker 1500").substr(0, 8), "worker=0");
  EXPECT_EQ(Ask(*second, "worker"), "worker=0");
  EXPECT_TRUE(Arrivals().empty());
  holder.Release();
  EXPECT_EQ(holder.Wait(), 0);
  std::string a = Ask(*first, "wait-worker 2000"), b = Ask(*second, "wait-worker 200");
  EXPECT_NE(a.substr(0, 8) == "worker=1", b.substr(0, 8) == "worker=1") << a << " / " << b;
  for (auto* child : {first.get(), second.get()}) {
    child->WriteLine("quit");
    EXPECT_EQ(child->Wait(), 0);
  }
}

}  // namespace
