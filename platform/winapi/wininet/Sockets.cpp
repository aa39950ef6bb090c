// TCP client sockets over POSIX. Waits are real time (poll): a socket answers on the wall clock, not on the
// emulated one. Every wait of the internet client is here, and a thread asked to terminate cancels it. The only place
// where socket errno values become WinInet error codes.
#include "platform/winapi/Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "platform/runtime/Thread.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/WinInet.h"

namespace vandrel {
namespace {

using Clock = std::chrono::steady_clock;

DWORD InternetErrorFromSocketErrno(int error) { return Win32ErrorFromErrno(error, TErrnoContext::Socket); }

bool Infinite(DWORD timeoutMs) { return timeoutMs == 0 || timeoutMs == INFINITE_TIMEOUT; }

// The longest single poll: a thread that is asked to terminate gives up within one slice.
constexpr int kWaitSliceMs = 100;

// Waits for the events in slices of at most 100 ms: ERROR_SUCCESS when ready, ERROR_INTERNET_TIMEOUT when
// the time runs out, ERROR_INTERNET_OPERATION_CANCELLED once the calling TThread has been asked to
// terminate, or the translated error of poll.
DWORD WaitFor(int fd, short events, DWORD timeoutMs) {
  const bool forever = Infinite(timeoutMs);
  const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
  pollfd p{fd, events, 0};
  for (;;) {
    if (CurrentThreadTerminated()) return ERROR_INTERNET_OPERATION_CANCELLED;
    int slice = kWaitSliceMs;
    if (!forever) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return ERROR_INTERNET_TIMEOUT;
      slice = int(std::min<int64_t>(left, kWaitSliceMs));
    }
    int r = poll(&p, 1, slice);
    if (r > 0) return ERROR_SUCCESS;
    if (r < 0 && errno != EINTR) return InternetErrorFromSocketErrno(errno);
  }
}

// Fills the socket address of a numeric address; false when it is not one.
bool MakeAddress(const std::string& address, uint16_t port, sockaddr_storage& out, socklen_t& length) {
  std::memset(&out, 0, sizeof out);
  auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
  if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    length = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
  if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

// One attempt: ERROR_SUCCESS with the connected descriptor, or an error code.
DWORD ConnectOne(const std::string& address, uint16_t port, DWORD timeoutMs, int& fd) {
  sockaddr_storage target;
  socklen_t length;
  if (!MakeAddress(address, port, target, length)) return ERROR_INTERNET_CANNOT_CONNECT;
  fd = socket(target.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return InternetErrorFromSocketErrno(errno);
  if (connect(fd, reinterpret_cast<sockaddr*>(&target), length) == 0) return ERROR_SUCCESS;
  if (errno != EINPROGRESS) return InternetErrorFromSocketErrno(errno);
  if (DWORD waited = WaitFor(fd, POLLOUT, timeoutMs); waited != ERROR_SUCCESS) return waited;
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return InternetErrorFromSocketErrno(errno);
  return error == 0 ? ERROR_SUCCESS : InternetErrorFromSocketErrno(error);
}

}  // namespace

TcpClient::~TcpClient() { Close(); }

void TcpClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

DWORD TcpClient::Connect(const std::vector<std::string>& addresses, uint16_t port, DWORD timeoutMs) {
  Close();
  const auto deadline = Clock::now() + std::chrono::milliseconds(Infinite(timeoutMs) ? 0 : timeoutMs);
  DWORD result = ERROR_INTERNET_CANNOT_CONNECT;
  for (const std::string& address : addresses) {
    DWORD remaining = INFINITE_TIMEOUT;
    if (!Infinite(timeoutMs)) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return ERROR_INTERNET_TIMEOUT;
      remaining = DWORD(left);
    }
    int fd = -1;
    result = ConnectOne(address, port, remaining, fd);
    if (result == ERROR_SUCCESS) {
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      fd_ = fd;
      return ERROR_SUCCESS;
    }
    if (fd >= 0) ::close(fd);
    if (result == ERROR_INTERNET_TIMEOUT || result == ERROR_INTERNET_OPERATION_CANCELLED) return result;
  }
  return result;
}

DWORD TcpClient::Send(const char* data, size_t size, DWORD timeoutMs) {
  if (fd_ < 0) return ERROR_INTERNET_CONNECTION_ABORTED;
  while (size > 0) {
    ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return InternetErrorFromSocketErrno(errno);
    if (DWORD waited = WaitFor(fd_, POLLOUT, timeoutMs); waited != ERROR_SUCCESS) return waited;
  }
  return ERROR_SUCCESS;
}

DWORD TcpClient::Receive(char* buffer, size_t size, size_t& received, DWORD timeoutMs) {
  received = 0;
  if (fd_ < 0) return ERROR_INTERNET_CONNECTION_ABORTED;
  for (;;) {
    ssize_t n = ::recv(fd_, buffer, size, 0);
    if (n >= 0) {
      received = size_t(n);
      return ERROR_SUCCESS;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return InternetErrorFromSocketErrno(errno);
    if (DWORD waited = WaitFor(fd_, POLLIN, timeoutMs); waited != ERROR_SUCCESS) return waited;
  }
}

}  // namespace vandrel
