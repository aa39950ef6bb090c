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
  if (const char* error = Base64Decode(in, out)) RaiseCipherError(error);
}

const char* TryBlowfishCryptString(std::string_view text, const TCipherKey& key, bool encrypt, std::string& result) {
  // The same transforms as over three memory streams, on plain buffers.
  MemorySource source{reinterpret_cast<const uint8_t*>(text.data()), int64_t(text.size())};
  std::string middle, last;
  StringSink toMiddle{middle}, toLast{last};
  if (encrypt) {
    middle.reserve(text.size() + 8);
    if (const char* error = CryptStream(source, toMiddle, key, true)) return error;
    MemorySource again{reinterpret_cast<const uint8_t*>(middle.data()), int64_t(middle.size())};
    last.reserve(middle.size() / 3 * 4 + 4);
    Base64Encode(again, toLast);
  } else {
    middle.reserve(text.size() / 4 * 3);
    if (const char* error = Base64Decode(source, toMiddle)) return error;
    MemorySource again{reinterpret_cast<const uint8_t*>(middle.data()), int64_t(middle.size())};
    last.reserve(middle.size());
    if (const char* error = CryptStream(again, toLast, key, false)) return error;
  }
  result = std::move(last);
  return nullptr;
}

void BlowfishCryptString(const std::string& text, const TCipherKey& key, bool encrypt, std::string& result) {
  if (const char* error = TryBlowfishCryptString(text, key, encrypt, result)) RaiseCipherError(error);
}
