// Feeds arbitrary server responses to the internet client's response reader, delivered in pieces of
// varying size and read into buffers of varying size, and checks what every reader must keep to.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/winapi/WinInet.h"
#include "platform/winapi/WinInetHttp.h"

namespace {

class PieceSource : public vandrel::HttpByteSource {
 public:
  PieceSource(const uint8_t* data, size_t size, uint8_t pattern) : data_(data), size_(size), pattern_(pattern) {}
  DWORD Receive(char* buffer, size_t size, size_t& received) override {
    size_t piece = 1 + ((pattern_ >> (calls_++ % 8)) & 1 ? 7 : 4096);
    received = std::min({size, piece, size_ - at_});
    std::memcpy(buffer, data_ + at_, received);
    at_ += received;
    return ERROR_SUCCESS;
  }
  size_t Delivered() const { return at_; }

 private:
  const uint8_t* data_;
  size_t size_, at_ = 0;
  uint8_t pattern_;
  unsigned calls_ = 0;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t pattern = data[0];
  const size_t bufferSize = 1 + data[1] * 37;
  PieceSource source(data + 2, size - 2, pattern);
  vandrel::HttpResponseReader reader(source, (pattern & 0x80) != 0);
  DWORD head = reader.ReadHead();
  if (head != ERROR_SUCCESS) {
    Check(head == ERROR_HTTP_INVALID_SERVER_RESPONSE || head == ERROR_INTERNET_CONNECTION_ABORTED);
    size_t got = 1;
    Check(reader.ReadBody(nullptr, 0, got) == head && got == 0);
    return 0;
  }
  Check(reader.StatusCode() >= 100 && reader.StatusCode() <= 999);
  Check(reader.RawHeaders().size() <= vandrel::HttpResponseReader::kMaxHeadSize + 4 * reader.Headers().size() + 8);
  std::vector<char> buffer(bufferSize);
  size_t total = 0;
  for (;;) {
    size_t got = 0;
    DWORD r = reader.ReadBody(buffer.data(), buffer.size(), got);
    if (r != ERROR_SUCCESS) {
      Check(r == ERROR_HTTP_INVALID_SERVER_RESPONSE || r == ERROR_INTERNET_CONNECTION_ABORTED);
      Check(reader.ReadBody(buffer.data(), buffer.size(), got) == r);
      break;
    }
    Check(got <= buffer.size());
    if (got == 0) {
      Check(reader.ReadBody(buffer.data(), buffer.size(), got) == ERROR_SUCCESS && got == 0);
      break;
    }
    total += got;
    Check(total <= size);
  }
  if (reader.DeclaredLength() >= 0 && total != size_t(reader.DeclaredLength()))
    Check(total < size_t(reader.DeclaredLength()));
  return 0;
}
