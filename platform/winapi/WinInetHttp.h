// Reading an HTTP/1.x response from a stream of bytes: the status line and headers, then the body framed by
// Content-Length, chunked coding or the end of the connection. Linear in the bytes read; heads are bounded.
// Results are WinInet error codes: ERROR_INTERNET_CONNECTION_ABORTED when the bytes end too early,
// ERROR_HTTP_INVALID_SERVER_RESPONSE when they break the grammar, or what the source reports.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi/LastError.h"
#include "platform/winapi/WinTypes.h"

namespace vandrel {

class HttpByteSource {
 public:
  virtual ~HttpByteSource() = default;
  // Receives at least one byte, or 0 bytes at the end of the stream, or fails with an error code.
  virtual DWORD Receive(char* buffer, size_t size, size_t& received) = 0;
};

struct HttpHeader {
  std::string name, value;
};

class HttpResponseReader {
 public:
  static constexpr size_t kMaxHeadSize = 128 * 1024;
  static constexpr size_t kMaxHeaders = 500;

  // A response to HEAD has no body, whatever its headers say.
  explicit HttpResponseReader(HttpByteSource& source, bool headRequest = false);

  // Reads the status line and headers of the final response (interim 1xx responses are skipped).
  DWORD ReadHead();
  const std::string& Version() const { return version_; }
  int StatusCode() const { return status_; }
  const std::string& StatusText() const { return reason_; }
  const std::vector<HttpHeader>& Headers() const { return headers_; }
  // The index-th header of that name (any letter case), or null.
  const std::string* FindHeader(std::string_view name, size_t index = 0) const;
  // The status line and the headers, each ended by CR LF, then an empty line.
  std::string RawHeaders() const;

  // Fills the buffer until it is full or the body ends; 0 bytes once the body has ended.
  // A failure is final: every later call reports it again.
  DWORD ReadBody(char* buffer, size_t size, size_t& received);
  // The same, but it returns with the first bytes there are: those buffered, else one receive's.
  DWORD ReadSomeBody(char* buffer, size_t size, size_t& received);
  // The declared length of the body, or -1 when the framing does not declare one.
  int64_t DeclaredLength() const;

 private:
  enum class Framing { None, Length, Chunked, UntilClose };
  enum class ChunkState { Size, Data, DataEnd, Trailers, Done };

  DWORD Fill();
  DWORD ReadLine(std::string_view& line, size_t& budget);
  DWORD ReadOneHead();
  DWORD ParseStatusLine(std::string_view line);
  DWORD ParseHeaderLine(std::string_view line);
  DWORD DecideFraming();
  DWORD ReadBodyBytes(char* buffer, size_t size, size_t& received, bool firstBytes);
  DWORD TakeBody(char* out, size_t max, size_t& got);
  DWORD ReadChunked(char* out, size_t max, size_t& got);
  DWORD Fail(DWORD error);

  HttpByteSource& source_;
  bool headRequest_;
  std::string buffer_;
  size_t pos_ = 0, scanned_ = 0;
  bool eof_ = false;
  size_t headBudget_ = kMaxHeadSize;

  std::string statusLine_, version_, reason_;
  int status_ = 0;
  std::vector<HttpHeader> headers_;

  Framing framing_ = Framing::None;
  ChunkState chunk_ = ChunkState::Size;
  uint64_t remaining_ = 0;
  int64_t declared_ = -1;
  size_t trailerBudget_ = 64 * 1024;
  DWORD error_ = ERROR_SUCCESS;
};

}  // namespace vandrel
