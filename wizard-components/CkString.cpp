#include "wizard-components/CkString.h"

#include "wizard-components/CkCore.h"

using namespace ck_detail;

void Base64EncodeStream(TStream& input, TStream& output) {
  StreamSource in{&input};
  StreamSink out{&output};
  Base64Encode(in, out);
}

void Base64DecodeStream(TStream& input, TStream& output) {
  StreamSource in{&input};
  StreamSink out{&output};
  Base64Decode(in, out);
}

void BlowfishCryptString(const std::string& text, const TCipherKey& key, bool encrypt, std::string& result) {
  // The same transforms as over three memory streams, on plain buffers.
  MemorySource source{reinterpret_cast<const uint8_t*>(text.data()), int64_t(text.size())};
  std::string middle, last;
  StringSink toMiddle{middle}, toLast{last};
  if (encrypt) {
    middle.reserve(text.size() + 8);
    CryptStream(source, toMiddle, key, true);
    MemorySource again{reinterpret_cast<const uint8_t*>(middle.data()), int64_t(middle.size())};
    last.reserve(middle.size() / 3 * 4 + 4);
    Base64Encode(again, toLast);
  } else {
    middle.reserve(text.size() / 4 * 3);
    Base64Decode(source, toMiddle);
    MemorySource again{reinterpret_cast<const uint8_t*>(middle.data()), int64_t(middle.size())};
    last.reserve(middle.size());
    CryptStream(again, toLast, key, false);
  }
  result = std::move(last);
}
