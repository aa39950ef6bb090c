// Host terminal devices as serial lines: termios for the settings, one thread per open port that waits
// for the device (poll) and hands arriving bytes and the hang-up to the port.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/winapi/LastError.h"
#include "platform/winapi/kernel32/CommPort.h"

namespace {

// The modem-line ioctls of a device that has none (a pseudo-terminal) fail so; that counts as no lines.
bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

speed_t SpeedOf(DWORD rate) {
  static const struct {
    DWORD rate;
    speed_t speed;
  } speeds[] = {{110, B110},       {300, B300},       {600, B600},       {1200, B1200},    {2400, B2400},
                {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},  {57600, B57600},
                {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
  speed_t chosen = B110;
  for (const auto& s : speeds)
    if (s.rate <= rate) chosen = s.speed;
  return chosen;
}

class HostLine final : public CommLine {
 public:
  explicit HostLine(int fd) : fd_(fd), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~HostLine() override {
    Detach();
    if (wake_ >= 0) close(wake_);
    close(fd_);  // releases the flock
  }

  bool Ready() const { return wake_ >= 0; }

  void Attach(CommPort* port) override {
    port_ = port;
    thread_ = std::thread([this] { Run(); });
  }

  void Detach() override {
    if (!thread_.joinable()) return;
    stop_ = true;
    Wake();
    thread_.join();
  }

  DWORD Configure(const DCB& dcb) override {
    struct termios t;
    if (tcgetattr(fd_, &t) == 0) {
      cfmakeraw(&t);
      t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
      t.c_cflag |= CLOCAL | CREAD;
      static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
      t.c_cflag |= sizes[dcb.ByteSize - 5];
      if (dcb.Parity != NOPARITY) t.c_cflag |= PARENB;
      if (dcb.Parity == ODDPARITY || dcb.Parity == MARKPARITY) t.c_cflag |= PARODD;
      if (dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY) t.c_cflag |= CMSPAR;
      if (dcb.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
      if (dcb.Flags & DCB_OUTX_CTS_FLOW) t.c_cflag |= CRTSCTS;
      if (dcb.Flags & DCB_PARITY) t.c_iflag |= INPCK;
      if (dcb.Flags & DCB_OUTX) t.c_iflag |= IXON;
      if (dcb.Flags & DCB_INX) t.c_iflag |= IXOFF;
      t.c_cc[VSTART] = cc_t(dcb.XonChar);
      t.c_cc[VSTOP] = cc_t(dcb.XoffChar);
      cfsetspeed(&t, SpeedOf(dcb.BaudRate));
      if (tcsetattr(fd_, TCSANOW, &t) != 0) return Win32ErrorFromErrno(errno);
    } else if (errno != ENOTTY) {
      return Win32ErrorFromErrno(errno);
    }
    DWORD dtr = (dcb.Flags & DCB_DTR_CONTROL_MASK) >> 4, rts = (dcb.Flags & DCB_RTS_CONTROL_MASK) >> 12;
    if (DWORD error = SetLine(TIOCM_DTR, dtr != DTR_CONTROL_DISABLE)) return error;
    return SetLine(TIOCM_RTS, rts != RTS_CONTROL_DISABLE);
  }

  size_t Send(const char* data, size_t size, DWORD* error) override {
    size_t sent = 0;
    while (sent < size) {
      ssize_t n = write(fd_, data + sent, size - sent);
      if (n > 0) {
        sent += size_t(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        if (n < 0 && errno != EAGAIN) *error = Win32ErrorFromErrno(errno);
        break;
      }
    }
    return sent;
  }

  void WantWrite() override {
    wantWrite_ = true;
    Wake();
  }

  void InputRoom(size_t free) override {
    if ((room_.exchange(free) == 0) != (free == 0)) Wake();
  }

  DWORD ModemLines(DWORD* lines) override {
    *lines = 0;
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0) return NoModemLines(errno) ? ERROR_SUCCESS : Win32ErrorFromErrno(errno);
    if (bits & TIOCM_CTS) *lines |= MS_CTS_ON;
    if (bits & TIOCM_DSR) *lines |= MS_DSR_ON;
    if (bits & TIOCM_RI) *lines |= MS_RING_ON;
    if (bits & TIOCM_CD) *lines |= MS_RLSD_ON;
    return ERROR_SUCCESS;
  }

  void FlushInput() override { tcflush(fd_, TCIFLUSH); }
  void FlushOutput() override { tcflush(fd_, TCOFLUSH); }

 private:
  DWORD SetLine(int bit, bool on) {
    if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0 || NoModemLines(errno)) return ERROR_SUCCESS;
    return Win32ErrorFromErrno(errno);
  }

  void Wake() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
  }

  void Run() {
    bool hungUp = false;
    char buffer[4096];
    while (!stop_) {
      pollfd fds[2] = {{wake_, POLLIN, 0}, {fd_, 0, 0}};
      if (!hungUp) fds[1].events = short((room_ ? POLLIN : 0) | (wantWrite_ ? POLLOUT : 0));
      int ready = poll(fds, hungUp ? 1 : 2, -1);
      if (ready < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[0].revents) {
        uint64_t count;
        [[maybe_unused]] ssize_t n = read(wake_, &count, sizeof count);
      }
      if (hungUp || stop_) continue;
      if (fds[1].revents & POLLOUT) {
        wantWrite_ = false;
        port_->LineWritable();
      }
      if (fds[1].revents & POLLIN) {
        const size_t room = std::min(sizeof buffer, room_.load());
        if (!room) continue;  // the queue filled up meanwhile
        ssize_t n = read(fd_, buffer, room);
        if (n > 0) {
          port_->Deliver(buffer, size_t(n));
          continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        hungUp = true;
        port_->HangUp(Win32ErrorFromErrno(n < 0 ? errno : EIO));
      } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        hungUp = true;
        port_->HangUp(Win32ErrorFromErrno(EIO));
      }
    }
  }

  const int fd_;
  const int wake_;
  CommPort* port_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false}, wantWrite_{false};
  std::atomic<size_t> room_{4096};
};

}  // namespace

std::unique_ptr<CommLine> OpenHostLine(const std::string& hostPath, DWORD* error) {
  int fd = open(hostPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = Win32ErrorFromErrno(errno);
    return nullptr;
  }
  // As root the exclusive-open ioctl does not keep out a second open; a lock does, across processes.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    *error = Win32ErrorFromErrno(errno == EWOULDBLOCK ? EBUSY : errno);
    close(fd);
    return nullptr;
  }
  struct termios t;
  if (tcgetattr(fd, &t) == 0) {
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
  }
  auto line = std::make_unique<HostLine>(fd);
  if (!line->Ready()) {
    *error = Win32ErrorFromErrno(errno);
    return nullptr;
  }
  return line;
}
