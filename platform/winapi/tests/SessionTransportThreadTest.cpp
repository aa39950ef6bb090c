#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/testing/ChildProcess.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Session.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/UtilityWindow.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/user32/SessionDatagram.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::TestMachine;

const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/winapi_helper";
constexpr const char* kSignal = "VandrelTestSignal";

std::string SocketOf(pid_t pid) { return vandrel::SessionFolderPath() + "/" + std::to_string(pid) + ".sock"; }

std::vector<std::string> Sockets() {
  std::vector<std::string> names;
  std::error_code ignored;
  for (auto& entry : std::filesystem::directory_iterator(vandrel::SessionFolderPath(), ignored))
    if (entry.path().extension() == ".sock") names.push_back(entry.path().filename().string());
  return names;
}

void Broadcast(WPARAM wParam, LPARAM lParam, const char* name = kSignal) {
  EXPECT_TRUE(PostMessageA(HWND_BROADCAST, RegisterWindowMessageA(name), wParam, lParam));
}

// Lines of a child until it ends.
std::vector<std::string> RestOf(ChildProcess& child) {
  std::vector<std::string> lines;
  for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine()) lines.push_back(line);
  return lines;
}

class Broadcasts : public ::testing::Test {
 protected:
  TestMachine machine_{TestMachine::Contents::Empty};
};

TEST_F(Broadcasts, ReachAWindowOfAnotherProcessWithTheirParameters) {
  ChildProcess listener(kHelper, {"listen", kSignal, "1500"});
  ASSERT_EQ(listener.ReadLine(), "ready");
  auto before = std::chrono::steady_clock::now();
  Broadcast(7, -3, "vandreltestsignal");  // registered names ignore letter case
  EXPECT_EQ(listener.ReadLine(), "got 7 -3");
  EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
  Broadcast(1, 1, "AnotherSignal");
  Broadcast(~WPARAM(0), LPARAM(INTPTR_MIN));
  EXPECT_EQ(listener.ReadLine(), "got 18446744073709551615 -9223372036854775808");
  EXPECT_EQ(RestOf(listener), std::vector<std::string>{});
  EXPECT_EQ(listener.Wait(), 0);
  EXPECT_EQ(Sockets(), std::vector<std::string>{}) << "a process that ends normally removes its socket";
}

TEST_F(Broadcasts, AWindowlessSenderReachesThisProcessWhoseSocketIsNotInherited) {
  const UINT message = RegisterWindowMessageA(kSignal);
  std::vector<std::pair<WPARAM, LPARAM>> got;
  HWND window = AllocateHWnd([&](TMessage& m) {
    if (m.Msg == message) got.emplace_back(m.WParam, m.LParam);
    if (m.Msg == WM_TIMER) PostQuitMessage(0);
  });
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(testing_support::RunProgram(kHelper, {"send", kSignal, "5", "6"}), 0);
  SetTimer(window, 1, 3000, nullptr);  // a limit in case nothing comes
  MSG msg;
  while (got.empty() && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  EXPECT_EQ(got, (std::vector<std::pair<WPARAM, LPARAM>>{{5, 6}}));

  const std::string path = SocketOf(getpid());
  int found = 0;
  for (auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    int fd = std::atoi(entry.path().filename().c_str());
    sockaddr_un address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sun_family != AF_UNIX ||
        path != address.sun_path)
      continue;
    ++found;
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
  }
  EXPECT_EQ(found, 1);
  DeallocateHWnd(window);
}

TEST_F(Broadcasts, TheSocketOfAKilledProcessIsSkippedAndRemoved) {
  ChildProcess killed(kHelper, {"listen", kSignal, "60000"});
  ASSERT_EQ(killed.ReadLine(), "ready");
  const std::string stale = std::to_string(killed.Pid()) + ".sock";
  killed.Kill(SIGKILL);
  EXPECT_EQ(killed.Wait(), -1);
  EXPECT_EQ(Sockets(), std::vector<std::string>{stale}) << "a killed process leaves its socket";
  ChildProcess alive(kHelper, {"listen", kSignal, "1000"});
  ASSERT_EQ(alive.ReadLine(), "ready");
  Broadcast(1, 2);
  EXPECT_EQ(alive.ReadLine(), "got 1 2") << "the stale socket does not stop the others";
  EXPECT_EQ(Sockets(), std::vector<std::string>{std::to_string(alive.Pid()) + ".sock"});
  EXPECT_EQ(alive.Wait(), 0);
}

TEST_F(Broadcasts, NothingIsKeptForAProcessThatComesLater) {
  Broadcast(3, 4);
  ChildProcess later(kHelper, {"listen", kSignal, "300"});
  ASSERT_EQ(later.ReadLine(), "ready");
  EXPECT_EQ(RestOf(later), std::vector<std::string>{});
  EXPECT_EQ(later.Wait(), 0);
}

TEST_F(Broadcasts, AStoppedPeerMissesWhatItsQueueCannotHoldAndNeverHoldsUpTheSender) {
  ChildProcess stopped(kHelper, {"listen", kSignal, "20000"});
  ASSERT_EQ(stopped.ReadLine(), "ready");
  stopped.Kill(SIGSTOP);
  constexpr int kBurst = 2000;
  auto before = std::chrono::steady_clock::now();
  for (int i = 0; i < kBurst; ++i) Broadcast(WPARAM(i), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  stopped.Kill(SIGCONT);
  std::this_thread::sleep_for(100ms);
  Broadcast(99999, 0);
  int delivered = 0;
  std::string line;
  while (!(line = stopped.ReadLine()).empty() && line != "got 99999 0") ++delivered;
  EXPECT_EQ(line, "got 99999 0") << "the peer hears again once it runs";
  EXPECT_GT(delivered, 0);
  EXPECT_LT(delivered, kBurst);
  stopped.Kill(SIGKILL);
  stopped.Wait();
}

TEST_F(Broadcasts, MalformedDatagramsAreIgnored) {
  ChildProcess listener(kHelper, {"listen", kSignal, "1500"});
  ASSERT_EQ(listener.ReadLine(), "ready");
  std::string valid;
  ASSERT_TRUE(winsys::MakeDatagram(kSignal, 42, 0, valid));
  auto patched = [&](size_t at, std::string bytes) {
    return valid.substr(0, at) + bytes + valid.substr(at + bytes.size());
  };
  const std::string bad[] = {
      "",
      valid.substr(0, winsys::kDatagramHeader - 1),
      valid.substr(0, valid.size() - 1),  // the name shorter than its length says
      valid + "x",                        // longer
      patched(0, "XXXX"),                 // magic
      patched(4, std::string("\x02\x00", 2)),
      patched(6, std::string("\x00\x00", 2)),  // an empty name
      patched(winsys::kDatagramHeader + 3, std::string(1, '\0')),
      std::string(winsys::kMaxDatagram + 100, 'v'),
  };
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = SocketOf(listener.Pid());
  std::memcpy(address.sun_path, path.c_str(), path.size());
  int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  ASSERT_GE(fd, 0);
  for (const std::string& datagram : bad)
    EXPECT_GE(sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
              0);
  EXPECT_EQ(sendto(fd, valid.data(), valid.size(), 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
            ssize_t(valid.size()));
  close(fd);
  EXPECT_EQ(listener.ReadLine(), "got 42 0") << "only the whole datagram is heard";
  EXPECT_EQ(listener.Wait(), 0);
}

}  // namespace
