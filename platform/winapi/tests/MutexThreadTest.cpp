#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Session.h"
#include "platform/winapi/Synchronization.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::TestMachine;

constexpr DWORD kSentinel = 0xdeadbeef;
const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/winapi_helper";

struct Created {
  HANDLE handle;
  DWORD error;
};

Created Create(BOOL initialOwner, const std::string& name) {
  SetLastError(kSentinel);
  HANDLE h = CreateMutexA(nullptr, initialOwner, name.c_str());
  return {h, GetLastError()};
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class Mutexes : public ::testing::Test {
 protected:
  TestMachine machine_{TestMachine::Contents::Empty};
};

TEST_F(Mutexes, CreationOwnsOrReportsTheHolderAsATable) {
  struct Case {
    const char* name;
    bool heldBefore;
    BOOL initialOwner;
    DWORD error;
    bool owned;
  } cases[] = {
      {"free, asking to own", false, TRUE, ERROR_SUCCESS, true},
      {"free, not asking", false, FALSE, ERROR_SUCCESS, false},
      {"held by another handle, asking to own", true, TRUE, ERROR_ALREADY_EXISTS, false},
      {"held by another handle, not asking", true, FALSE, ERROR_ALREADY_EXISTS, false},
  };
  for (const Case& c : cases) {
    const std::string name = std::string("Mutex ") + c.name;
    HANDLE holder = nullptr;
    if (c.heldBefore) {
      holder = Create(TRUE, name).handle;
      ASSERT_NE(holder, nullptr) << c.name;
    }
    Created made = Create(c.initialOwner, name);
    ASSERT_NE(made.handle, nullptr) << c.name;
    EXPECT_EQ(made.error, c.error) << c.name;
    // A second handle of this process contends for the lock file, so it shows who holds it.
    HANDLE probe = CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_EQ(WaitForSingleObject(probe, 0), c.owned || c.heldBefore ? WAIT_TIMEOUT : WAIT_OBJECT_0) << c.name;
    SetLastError(kSentinel);
    EXPECT_EQ(ReleaseMutex(made.handle), c.owned) << c.name;
    EXPECT_EQ(GetLastError(), c.owned ? kSentinel : ERROR_NOT_OWNER) << c.name;
    for (HANDLE h : {probe, made.handle, holder})
      if (h) CloseHandle(h);
  }
  struct stat st;
  ASSERT_EQ(stat(vandrel::SessionFolderPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(Mutexes, TheOwnerWaitsAgainAndReleasesAsOften) {
  HANDLE m = Create(TRUE, "recursive").handle;
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(m));
  HANDLE other = CreateMutexA(nullptr, FALSE, "recursive");
  EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_TIMEOUT) << "still owned once";
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(m));
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_OBJECT_0);
  CloseHandle(other);
  CloseHandle(m);
}

TEST_F(Mutexes, TwoThreadsContendThroughTheirOwnHandlesOrOneShared) {
  for (bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "one shared handle" : "a handle each");
    HANDLE mine = Create(TRUE, "contended").handle;
    ASSERT_NE(mine, nullptr);
    std::atomic<bool> released{false}, waiting{false}, sawRelease{false};
    DWORD waited = 0, releasedByOther = TRUE, lastError = 0;
    std::thread other([&] {
      HANDLE h = shared ? mine : CreateMutexA(nullptr, FALSE, "contended");
      releasedByOther = ReleaseMutex(h);
      lastError = GetLastError();
      waiting = true;
      waited = WaitForSingleObject(h, INFINITE);
      sawRelease = released.load();
      ReleaseMutex(h);
      if (!shared) CloseHandle(h);
    });
    while (!waiting) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(30ms);
    released = true;
    EXPECT_TRUE(ReleaseMutex(mine));
    other.join();
    EXPECT_FALSE(releasedByOther) << "a thread that does not own it cannot release it";
    EXPECT_EQ(lastError, ERROR_NOT_OWNER);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_TRUE(sawRelease) << "the other thread took it only after the release";
    EXPECT_EQ(WaitForSingleObject(mine, 0), WAIT_OBJECT_0) << "free again once the other released it";
    ReleaseMutex(mine);
    CloseHandle(mine);
  }
}

TEST_F(Mutexes, AWaitForAHeldMutexTimesOutOnTheClock) {
  HANDLE holder = Create(TRUE, "held").handle;
  HANDLE waiter = Create(FALSE, "held").handle;
  auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(waiter, 60), WAIT_TIMEOUT);
  auto took = std::chrono::steady_clock::now() - before;
  EXPECT_GE(took, 55ms);
  EXPECT_LT(took, 2s);

  SetClockMode(TClockMode::Virtual);
  uint64_t start = ClockTickMs();
  before = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(waiter, 30000), WAIT_TIMEOUT);
  EXPECT_EQ(ClockTickMs() - start, 30000u) << "virtual time moves while the thread waits";
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  SetClockMode(TClockMode::Real);
  CloseHandle(waiter);
  CloseHandle(holder);
}

TEST_F(Mutexes, LongNamesGetShortLockFilesWithTheNameInside) {
  const std::string base(300, 'n');
  HANDLE a = Create(TRUE, base + "a").handle;
  Created b = Create(TRUE, base + "b");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b.handle, nullptr);
  EXPECT_EQ(b.error, ERROR_SUCCESS) << "names differing in their 301st character are two mutexes";
  std::string path = vandrel::MutexLockFilePath(base + "a");
  EXPECT_EQ(std::filesystem::path(path).filename().string().size(), std::string("mutex-0123456789abcdef.lock").size());
  EXPECT_EQ(FileText(path), base + "a");
  EXPECT_NE(path, vandrel::MutexLockFilePath(base + "b"));
  CloseHandle(a);
  CloseHandle(b.handle);
}

TEST_F(Mutexes, TheLockFileIsNotInheritedByStartedPrograms) {
  HANDLE m = Create(TRUE, "private").handle;
  ASSERT_NE(m, nullptr);
  const std::string path = vandrel::MutexLockFilePath("private");
  int found = 0;
  DIR* fds = opendir("/proc/self/fd");
  ASSERT_NE(fds, nullptr);
  while (dirent* entry = readdir(fds)) {
    char target[4096];
    std::string link = std::string("/proc/self/fd/") + entry->d_name;
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0 || std::string(target, size_t(n)) != path) continue;
    ++found;
    EXPECT_TRUE(fcntl(std::atoi(entry->d_name), F_GETFD) & FD_CLOEXEC);
  }
  closedir(fds);
  EXPECT_EQ(found, 1);
  CloseHandle(m);
}

TEST_F(Mutexes, AnotherProcessHoldsItAndAKilledOwnerLeavesItFree) {
  ChildProcess first(kHelper, {"mutex", "across"});
  ASSERT_EQ(first.ReadLine(), "owned");
  ChildProcess second(kHelper, {"mutex", "across"});
  EXPECT_EQ(second.ReadLine(), "not owned 183");
  EXPECT_EQ(second.Wait(), 0);
  Created mine = Create(TRUE, "across");
  EXPECT_EQ(mine.error, ERROR_ALREADY_EXISTS);
  EXPECT_EQ(WaitForSingleObject(mine.handle, 20), WAIT_TIMEOUT);
  first.Kill(SIGKILL);
  EXPECT_EQ(first.Wait(), -1);
  EXPECT_EQ(WaitForSingleObject(mine.handle, 5000), WAIT_OBJECT_0) << "a lock whose owner died is acquired";
  EXPECT_TRUE(ReleaseMutex(mine.handle));
  CloseHandle(mine.handle);
}

TEST_F(Mutexes, TheFlockUtilityHoldingTheLockFileKeepsItFromUs) {
  HANDLE m = Create(FALSE, "utility").handle;  // makes the lock file
  ASSERT_NE(m, nullptr);
  ChildProcess holder("/usr/bin/flock", {vandrel::MutexLockFilePath("utility"), "-c", "echo held; cat >/dev/null"});
  ASSERT_EQ(holder.ReadLine(), "held");
  Created owned = Create(TRUE, "utility");
  EXPECT_EQ(owned.error, ERROR_ALREADY_EXISTS);
  EXPECT_EQ(WaitForSingleObject(m, 30), WAIT_TIMEOUT);
  holder.Release();
  auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(m, 5000), WAIT_OBJECT_0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  EXPECT_EQ(holder.Wait(), 0);
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(owned.handle);
  CloseHandle(m);
}

TEST(SessionFolder, IsRefusedUnlessPrivateToThisUser) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    bool root;  // needs the rights to give a folder away
  } cases[] = {
      {"wider mode", [](const std::string& p) { mkdir(p.c_str(), 0755), chmod(p.c_str(), 0755); }, false},
      {"group may enter", [](const std::string& p) { mkdir(p.c_str(), 0710), chmod(p.c_str(), 0710); }, false},
      {"another user's", [](const std::string& p) { mkdir(p.c_str(), 0700), (void)!chown(p.c_str(), 65534, 65534); },
       true},
      {"a link to a private folder",
       [](const std::string& p) {
         mkdir((p + ".real").c_str(), 0700);
         (void)!symlink((p + ".real").c_str(), p.c_str());
       },
       false},
      {"a file", [](const std::string& p) { std::ofstream(p) << "x"; }, false},
  };
  for (const Case& c : cases) {
    if (c.root && geteuid() != 0) continue;  // cannot give a folder away without the rights
    TestMachine machine(TestMachine::Contents::Empty);
    const std::string path = vandrel::SessionFolderPath();
    c.make(path);
    std::string opened;
    SetLastError(kSentinel);
    EXPECT_FALSE(vandrel::OpenSessionFolder(opened)) << c.name;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << c.name;
    SetLastError(kSentinel);
    EXPECT_EQ(CreateMutexA(nullptr, TRUE, "refused"), nullptr) << c.name;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << c.name;
    EXPECT_FALSE(std::filesystem::exists(vandrel::MutexLockFilePath("refused"))) << c.name;
    std::error_code ignored;
    std::filesystem::remove_all(path + ".real", ignored);
  }
}

TEST(SessionFolder, IsShortWhateverTheMachineFolder) {
  TestMachine machine(TestMachine::Contents::Empty);
  std::string deep = machine.Root() + "/" + std::string(200, 'd');
  setenv("VANDREL_ROOT", deep.c_str(), 1);
  std::string path = vandrel::SessionFolderPath();
  EXPECT_LE(path.size() + std::string("/4294967295.sock").size(), 107u) << path;
  setenv("VANDREL_USER", "masik", 1);
  EXPECT_NE(vandrel::SessionFolderPath(), path) << "another user of the machine has a session of its own";
  unsetenv("VANDREL_USER");
  setenv("VANDREL_ROOT", machine.Root().c_str(), 1);
  EXPECT_NE(vandrel::SessionFolderPath(), path);
}

TEST(SessionFolder, LivesInTheRuntimeFolderWhenThatIsShort) {
  TestMachine machine(TestMachine::Contents::Empty);
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string before = saved ? saved : "";
  const std::string shortFolder = machine.Root() + "/run", longFolder = machine.Root() + "/" + std::string(60, 'r');
  for (const std::string& folder : {shortFolder, longFolder}) mkdir(folder.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", shortFolder.c_str(), 1);
  EXPECT_EQ(vandrel::SessionFolderPath().rfind(shortFolder + "/vandrel-", 0), 0u) << vandrel::SessionFolderPath();
  setenv("XDG_RUNTIME_DIR", longFolder.c_str(), 1);
  EXPECT_EQ(vandrel::SessionFolderPath().rfind("/tmp/vandrel-", 0), 0u) << vandrel::SessionFolderPath();
  setenv("XDG_RUNTIME_DIR", (machine.Root() + "/missing").c_str(), 1);
  EXPECT_EQ(vandrel::SessionFolderPath().rfind("/tmp/vandrel-", 0), 0u) << vandrel::SessionFolderPath();
  if (saved)
    setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
