// A TCP client connection of the internet client, with a time-out on every wait. Results are WinInet error
// codes: socket errors of the host are translated once, inside Sockets.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi/LastError.h"
#include "platform/winapi/WinTypes.h"

namespace vandrel {

// A time-out of 0 or INFINITE_TIMEOUT waits for ever.
constexpr DWORD INFINITE_TIMEOUT = 0xFFFFFFFF;

class TcpClient {
 public:
  TcpClient() = default;
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;
  ~TcpClient();

  // Tries the numeric addresses in order until one accepts, within one connect time-out.
  // ERROR_INTERNET_CANNOT_CONNECT when none accepts, ERROR_INTERNET_TIMEOUT when the time runs out.
  DWORD Connect(const std::vector<std::string>& addresses, uint16_t port, DWORD timeoutMs);
  // Sends all of the bytes; each wait for room is bounded by the time-out.
  DWORD Send(const char* data, size_t size, DWORD timeoutMs);
  // Receives what is there (at least one byte), or 0 bytes when the peer has closed.
  DWORD Receive(char* buffer, size_t size, size_t& received, DWORD timeoutMs);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace vandrel
