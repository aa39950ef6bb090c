// The stream transforms of the cipher library over any byte source and sink, shared by the stream layer
// (over TStream) and the string layer (over plain memory). Internal to the library.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/runtime/Streams.h"
#include "wizard-components/CkCipher.h"
#include "wizard-components/CkProc.h"

namespace ck_detail {

inline constexpr const char* kInvalidFileFormat = "Invalid file format";
inline constexpr const char* kInvalidBase64 = "Invalid Base64 Character";

// Reads from a byte range as a memory stream would.
struct MemorySource {
  const uint8_t* Data;
  int64_t Length;
  int64_t Pos = 0;

  int32_t Read(void* buffer, int32_t count) {
    int64_t n = Length - Pos < count ? Length - Pos : count;
    if (n <= 0) return 0;
    std::memcpy(buffer, Data + Pos, size_t(n));
    Pos += n;
    return int32_t(n);
  }
  int64_t Position() const { return Pos; }
  int64_t Size() const { return Length; }
};

// Reads from a stream at its position.
struct StreamSource {
  TStream* Stream;
  int32_t Read(void* buffer, int32_t count) { return int32_t(Stream->Read(buffer, count)); }
  int64_t Position() const { return Stream->Position(); }
  int64_t Size() const { return Stream->Size(); }
};

// Writes to a stream at its position; a short write raises the stream's write error.
struct StreamSink {
  TStream* Stream;
  void Write(const void* buffer, int32_t count) { Stream->WriteBuffer(buffer, count); }
};

// Appends to a string.
struct StringSink {
  std::string& Out;
  void Write(const void* buffer, int32_t count) { Out.append(static_cast<const char*>(buffer), size_t(count)); }
};

inline void StoreWord(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16), p[3] = uint8_t(v >> 24);
}
inline uint32_t LoadWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The block function with its masks (see MasksOf); both directions are the same XOR.
inline void ApplyMasks(const BlowfishMasks& m, uint8_t* block) {
  StoreWord(block, LoadWord(block) ^ m.X0);
  StoreWord(block + 4, LoadWord(block + 4) ^ m.X1);
}

template <class Source>
void ReportProgress(const Source& in, bool final) {
  if (!CipherProgress) return;
  const int64_t position = in.Position();
  if (final || (CipherProgressInterval > 0 && position % CipherProgressInterval == 0))
    CipherProgress(int32_t(position), int32_t(in.Size()));
}

// The transforms report damaged input by returning one of the two texts above (nullptr when all went well),
// so that a caller going through many short inputs pays no exception for a damaged one; RaiseCipherError
// turns the text into the exception the library raises.
[[noreturn]] inline void RaiseCipherError(const char* error) {
  if (std::strcmp(error, kInvalidBase64) == 0) throw Exception(kInvalidBase64);
  throw ECipherException(kInvalidFileFormat);
}

template <class Source>
bool ReadBlockPart(Source& in, uint8_t* block, int32_t count) {
  return count <= 0 || in.Read(block, count) == count;
}

template <class Source, class Sink>
[[nodiscard]] const char* CryptStream(Source& in, Sink& out, const TCipherKey& key, bool encrypt) {
  const BlowfishMasks masks = MasksForKey(key);
  const int64_t n = in.Size() / 8;
  uint8_t block[8];
  for (int64_t i = 0, loop = encrypt ? n : n - 1; i < loop; ++i) {
    if (!ReadBlockPart(in, block, 8)) return kInvalidFileFormat;
    ApplyMasks(masks, block);
    out.Write(block, 8);
    ReportProgress(in, false);
  }
  if (encrypt) {
    const int32_t m = int32_t(in.Size() % 8);
    std::memset(block, 0, sizeof block);
    if (!ReadBlockPart(in, block, m)) return kInvalidFileFormat;
    block[7] = uint8_t(m);
    ApplyMasks(masks, block);
    out.Write(block, 8);
  } else {
    if (!ReadBlockPart(in, block, 8)) return kInvalidFileFormat;
    ApplyMasks(masks, block);
    // A count above 7 means a wrong key or damaged data: nothing of the block is trusted.
    if (block[7] > 7) return kInvalidFileFormat;
    out.Write(block, block[7]);
  }
  ReportProgress(in, true);
  return nullptr;
}

inline constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Encodes up to three bytes into four characters; returns the characters written (always 4).
inline void EncodeGroup(const uint8_t* in, int count, char* out) {
  const uint32_t bits = uint32_t(in[0]) << 16 | (count > 1 ? uint32_t(in[1]) << 8 : 0) | (count > 2 ? in[2] : 0);
  out[0] = kBase64Alphabet[bits >> 18];
  out[1] = kBase64Alphabet[(bits >> 12) & 63];
  out[2] = count > 1 ? kBase64Alphabet[(bits >> 6) & 63] : '=';
  out[3] = count > 2 ? kBase64Alphabet[bits & 63] : '=';
}

template <class Source, class Sink>
void Base64Encode(Source& in, Sink& out) {
  uint8_t chunk[45];
  char text[60];
  for (;;) {
    const int32_t got = in.Read(chunk, sizeof chunk);
    if (got <= 0) return;
    int32_t k = 0;
    for (int32_t i = 0; i < got; i += 3, k += 4) EncodeGroup(chunk + i, got - i < 3 ? got - i : 3, text + k);
    out.Write(text, k);
    if (got != int32_t(sizeof chunk)) return;
  }
}

// Decoding values of the character codes: 0..63 for base64 digits, 127 for the other codes from 43 to 122,
// 255 for codes outside that range.
struct Base64Table {
  uint8_t Value[256];
  constexpr Base64Table() : Value{} {
    for (int c = 0; c < 256; ++c) Value[c] = c >= 43 && c <= 122 ? 127 : 255;
    for (int i = 0; i < 64; ++i) Value[static_cast<unsigned char>(kBase64Alphabet[i])] = uint8_t(i);
  }
};
inline constexpr Base64Table kBase64Table;

// Decodes one group of four characters; returns the bytes written (1 to 3), or -1 for a character outside
// the codes 43..122.
inline int DecodeGroup(const unsigned char* in, uint8_t* out) {
  const uint8_t a = kBase64Table.Value[in[0]], b = kBase64Table.Value[in[1]];
  const uint8_t c = kBase64Table.Value[in[2]], d = kBase64Table.Value[in[3]];
  if ((a | b | c | d) == 255) return -1;
  out[0] = uint8_t(a << 2 | b >> 4);
  if (in[2] == '=') return 1;
  out[1] = uint8_t(b << 4 | c >> 2);
  if (in[3] == '=') return 2;
  out[2] = uint8_t(c << 6 | d);
  return 3;
}

template <class Source, class Sink>
[[nodiscard]] const char* Base64Decode(Source& in, Sink& out) {
  unsigned char text[88];
  uint8_t chunk[66];
  for (;;) {
    const int32_t got = in.Read(text, sizeof text);
    if (got <= 0) return nullptr;
    int32_t k = 0;
    for (int32_t i = 0; i < got; i += 4) {
      // A trailing partial group is damaged text: never read past what was given.
      if (got - i < 4) return kInvalidBase64;
      const int bytes = DecodeGroup(text + i, chunk + k);
      if (bytes < 0) return kInvalidBase64;
      k += bytes;
    }
    out.Write(chunk, k);
    if (got != int32_t(sizeof text)) return nullptr;
  }
}

}  // namespace ck_detail
