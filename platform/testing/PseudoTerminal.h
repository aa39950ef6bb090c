// A pseudo-terminal for tests of serial ports on the real clock: the machine's port devices/COMn links to
// its terminal side, and the test holds the peer side, writing what the device sends and reading what the
// port wrote.
#pragma once
#include <cstddef>
#include <string>

namespace testing_support {

class PseudoTerminal {
 public:
  // Opens the pair (std::runtime_error when it cannot) and links `machineRoot`/devices/`port` to it.
  PseudoTerminal(const std::string& machineRoot, const std::string& port);
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // The terminal side's host path (what the port opens).
  const std::string& TerminalPath() const { return terminal_; }
  // Sends bytes from the peer; a short write fails the test.
  void Write(const std::string& bytes);
  // What the peer receives within `ms`, stopping once `expected` bytes have come.
  std::string Read(size_t expected, int ms = 2000);
  // The peer goes: the port sees a hang-up.
  void ClosePeer();

 private:
  int peer_ = -1;
  std::string terminal_;
};

}  // namespace testing_support
