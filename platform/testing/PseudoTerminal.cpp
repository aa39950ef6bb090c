#include "platform/testing/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testing_support {

PseudoTerminal::PseudoTerminal(const std::string& machineRoot, const std::string& port) {
  peer_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (peer_ < 0 || grantpt(peer_) != 0 || unlockpt(peer_) != 0) {
    ClosePeer();
    throw std::runtime_error("no pseudo-terminal");
  }
  terminal_ = ptsname(peer_);
  std::filesystem::create_directories(machineRoot + "/devices");
  std::filesystem::create_symlink(terminal_, machineRoot + "/devices/" + port);
}

PseudoTerminal::~PseudoTerminal() { ClosePeer(); }

void PseudoTerminal::Write(const std::string& bytes) {
  EXPECT_EQ(write(peer_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
}

std::string PseudoTerminal::Read(size_t expected, int ms) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (got.size() < expected && std::chrono::steady_clock::now() < end) {
    pollfd p{peer_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    char buffer[256];
    ssize_t n = read(peer_, buffer, sizeof buffer);
    if (n > 0) got.append(buffer, size_t(n));
  }
  return got;
}

void PseudoTerminal::ClosePeer() {
  if (peer_ >= 0) close(peer_);
  peer_ = -1;
}

}  // namespace testing_support
