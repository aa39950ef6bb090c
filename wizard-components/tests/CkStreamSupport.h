// Memory streams for the cipher tests.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/Streams.h"

namespace ck_test {

struct FreeStream {
  void operator()(TStream* stream) const { stream->Free(); }
};

// A memory stream that records what each read returned.
class RecordingStream : public TMemoryStream {
 public:
  std::vector<int64_t> reads;
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t got = TMemoryStream::Read(buffer, count);
    reads.push_back(got);
    return got;
  }
};

using Stream = std::unique_ptr<RecordingStream, FreeStream>;

// A stream holding the bytes, positioned at `position`.
inline Stream StreamOf(const std::string& bytes, int64_t position = 0) {
  Stream s(NewObject<RecordingStream>());
  s->WriteBuffer(bytes.data(), int64_t(bytes.size()));
  s->SetPosition(position);
  return s;
}

inline std::string Content(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), size_t(s.Size()));
}

}  // namespace ck_test
