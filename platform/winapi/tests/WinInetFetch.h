// A whole request through the raw internet calls, with what each step reported.
#pragma once
#include <string>

#include "platform/winapi/WinInet.h"

namespace testing_support {

struct FetchResult {
  DWORD sendError = ERROR_SUCCESS;  // ERROR_SUCCESS when the request was sent and its head read
  DWORD readError = ERROR_SUCCESS;  // ERROR_SUCCESS when the body was read to its end
  int status = 0;
  std::string body;
  int reads = 0;         // calls of InternetReadFile, the final empty one included
  std::string finalUrl;  // INTERNET_OPTION_URL after the send
};

struct FetchOptions {
  std::string verb = "GET";
  DWORD flags = 0;
  std::string headers;
  std::string body;
  DWORD receiveTimeoutMs = 0;  // non-zero: set on the request handle
  DWORD bufferSize = 8192;
};

// Connects to host:port and requests the object, reading the body in buffers of the given size.
FetchResult Fetch(const std::string& host, INTERNET_PORT port, const std::string& object,
                  const FetchOptions& options = {});

}  // namespace testing_support
