#include "wizard-components/CkCipher.h"

#include <cstring>
#include <utility>

#include "wizard-components/CkCipherTables.h"
#include "wizard-components/CkUtils.h"

namespace {

constexpr uint32_t kSeeds[4] = {0x55555555, 0xAAAAAAAA, 0x33333333, 0xCCCCCCCC};
constexpr uint8_t kDigestPad[8] = {0x01, 0, 0, 0, 0, 0, 0, 0};

// The digest's initial buffer: the first 256 bytes of the table digits, in reading order.
constexpr std::array<uint8_t, 256> MakeInitialBuffer() {
  std::array<uint8_t, 256> bytes{};
  for (int i = 0; i < 256; ++i) {
    int word = i / 4, shift = 24 - 8 * (i % 4);
    uint32_t value = word < 18 ? ck_tables::kInitP[word] : ck_tables::kInitS0[word - 18];
    bytes[i] = static_cast<uint8_t>(value >> shift);
  }
  return bytes;
}
constexpr std::array<uint8_t, 256> kDigestInitialBuffer = MakeInitialBuffer();

inline uint32_t LoadLe(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreLe(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16), p[3] = uint8_t(v >> 24);
}

inline void MixWords(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
  a += d, d += a, a ^= a >> 7;
  b += a, a += b, b ^= b << 13;
  c += b, b += c, c ^= c >> 17;
  d += c, c += d, d ^= d << 9;
  a += d, d += a, a ^= a >> 3;
  b += a, a += b, b ^= b << 7;
  c += b, b += c, c ^= d >> 15;
  d += c, c += d, d ^= d << 11;
}

inline uint32_t BlowfishF(const BlowfishContext& c, uint32_t x) {
  return ((c.S[0][x >> 24] + c.S[1][(x >> 16) & 0xFF]) ^ c.S[2][(x >> 8) & 0xFF]) + c.S[3][x & 0xFF];
}

}  // namespace

void Block128InitKey(const TCipherKey& key, Block128Context& context, int32_t rounds, bool encrypt) {
  context.Encrypt = encrypt;
  context.Rounds = IntMax(4, IntMin(16, rounds));
  const uint8_t* k = key.data();
  for (int pass = 0; pass < 4; ++pass) {
    const uint32_t s = kSeeds[pass];
    uint32_t a = LoadLe(k), b = s, c = LoadLe(k + 4), d = s, e = LoadLe(k + 8), f = s, g = LoadLe(k + 12), h = s;
    for (int i = 0; i < 8; ++i) {
      a ^= b << 11, d += a, b += c;
      b ^= c >> 2, e += b, c += d;
      c ^= d << 8, f += c, d += e;
      d ^= e >> 16, g += d, e += f;
      e ^= f << 10, h += e, f += g;
      f ^= g >> 4, a += f, g += h;
      g ^= h << 8, b += g, h += a;
      h ^= a >> 9, c += h, a += b;
    }
    uint32_t(*pairs)[2] = context.Keys + 4 * pass;
    pairs[0][0] = a, pairs[0][1] = b, pairs[1][0] = c, pairs[1][1] = d;
    pairs[2][0] = e, pairs[2][1] = f, pairs[3][0] = g, pairs[3][1] = h;
  }
  if (!encrypt) {
    for (int i = 0, j = context.Rounds - 1; i < j; ++i, --j) {
      std::swap(context.Keys[i][0], context.Keys[j][0]);
      std::swap(context.Keys[i][1], context.Keys[j][1]);
    }
  }
}

namespace {

// Block128Crypt over N consecutive blocks in lockstep: the blocks are independent, so the compiler can run
// them side by side (the digest's final step enciphers 16 at once).
template <int N>
void CryptBlocks(const Block128Context& context, uint8_t* blocks) {
  uint32_t r0[N], r1[N], l0[N], l1[N];
  for (int j = 0; j < N; ++j) {
    const uint8_t* b = blocks + 16 * j;
    r0[j] = LoadLe(b), r1[j] = LoadLe(b + 4), l0[j] = LoadLe(b + 8), l1[j] = LoadLe(b + 12);
  }
  for (int r = 0; r < context.Rounds; ++r) {
    const uint32_t k0 = context.Keys[r][0], k1 = context.Keys[r][1];
    for (int j = 0; j < N; ++j) {
      uint32_t a = r0[j], b = k0, c = r1[j], d = k1;
      MixWords(a, b, c, d);
      MixWords(c, d, a, b);  // A with C and B with D exchanged
      const uint32_t n0 = l0[j] ^ c ^ d, n1 = l1[j] ^ a ^ b;
      l0[j] = r0[j], l1[j] = r1[j], r0[j] = n0, r1[j] = n1;
    }
  }
  for (int j = 0; j < N; ++j) {
    uint8_t* b = blocks + 16 * j;
    StoreLe(b, l0[j]), StoreLe(b + 4, l1[j]), StoreLe(b + 8, r0[j]), StoreLe(b + 12, r1[j]);
  }
}

}  // namespace

void Block128Crypt(const Block128Context& context, uint8_t* block) { CryptBlocks<1>(context, block); }

void BlowfishInitKey(const TCipherKey& key, BlowfishContext& context) {
  std::memcpy(context.P, ck_tables::kInitP, sizeof context.P);
  std::memcpy(context.S[0], ck_tables::kInitS0, sizeof context.S[0]);
  std::memcpy(context.S[1], ck_tables::kInitS1, sizeof context.S[1]);
  std::memcpy(context.S[2], ck_tables::kInitS2, sizeof context.S[2]);
  std::memcpy(context.S[3], ck_tables::kInitS3, sizeof context.S[3]);
  for (int i = 0, k = 0; i < 18; ++i) {
    uint32_t word = 0;
    for (int j = 0; j < 4; ++j, k = (k + 1) % 16) word = word << 8 | key[k];
    context.P[i] ^= word;
  }
  uint8_t block[8] = {};
  auto next = [&](uint32_t& first, uint32_t& second) {
    BlowfishCryptBlock(context, block, true);
    first = LoadLe(block), second = LoadLe(block + 4);
  };
  for (int i = 0; i < 18; i += 2) next(context.P[i], context.P[i + 1]);
  for (auto& box : context.S)
    for (int i = 0; i < 256; i += 2) next(box[i], box[i + 1]);
}

void BlowfishCryptBlock(const BlowfishContext& context, uint8_t* block, bool encrypt) {
  const uint32_t* p = context.P;
  uint32_t x0 = LoadLe(block), x1 = LoadLe(block + 4);
  const uint32_t f0 = BlowfishF(context, x0), f1 = BlowfishF(context, x1);
  if (encrypt) {
    x0 ^= p[0];
    for (int i = 1; i <= 15; i += 2) x1 ^= p[i] ^ f0, x0 ^= p[i + 1] ^ f1;
    x1 ^= p[17];
  } else {
    x1 ^= p[17];
    for (int i = 16; i >= 2; i -= 2) x0 ^= p[i] ^ f1, x1 ^= p[i - 1] ^ f0;
    x0 ^= p[0];
  }
  StoreLe(block, x0), StoreLe(block + 4, x1);
}

void DigestInit(DigestContext& context) {
  context.BufferPos = 0;
  std::memcpy(context.Buffer, kDigestInitialBuffer.data(), sizeof context.Buffer);
  context.StatePos = 0;
  for (auto& s : context.State) s = 0x55555555;
}

void DigestUpdate(DigestContext& context, const void* buffer, size_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  for (size_t i = 0; i < length; ++i) {
    const uint8_t b = bytes[i];
    context.Buffer[context.BufferPos] ^= b;
    context.BufferPos = (context.BufferPos + 1) & 0xFF;
    context.State[context.StatePos >> 2] ^= uint32_t(b) << (8 * (context.StatePos & 3));
    if (++context.StatePos == 8) {
      uint32_t a = context.State[3], bb = context.State[2], c = context.State[1], d = context.State[0];
      for (int k = 0; k < 4; ++k) MixWords(a, bb, c, d);
      context.State[0] = a, context.State[1] = bb, context.State[2] = c, context.State[3] = d;
      context.StatePos = 0;
    }
  }
}

void DigestFinal(DigestContext& context, void* digest, int32_t size) {
  DigestUpdate(context, kDigestPad, 8 - context.StatePos);
  TCipherKey key;
  for (int i = 0; i < 4; ++i) StoreLe(key.data() + 4 * i, context.State[i]);
  Block128Context cipher;
  Block128InitKey(key, cipher, 8, true);
  uint8_t buffer[256];
  std::memcpy(buffer, context.Buffer, sizeof buffer);
  CryptBlocks<16>(cipher, buffer);
  const int32_t count = IntMin(256, size);
  if (count > 0) std::memcpy(digest, buffer, count);
}

void DigestBuffer(void* digest, int32_t size, const void* buffer, size_t length) {
  DigestContext context;
  DigestInit(context);
  DigestUpdate(context, buffer, length);
  DigestFinal(context, digest, size);
}

void DigestString(void* digest, int32_t size, std::string_view text) {
  DigestBuffer(digest, size, text.data(), text.size());
}

namespace ck_detail {

BlowfishMasks MasksOf(const BlowfishContext& context) {
  BlowfishMasks m{0, 0};
  for (int i = 0; i < 18; i += 2) m.X0 ^= context.P[i], m.X1 ^= context.P[i + 1];
  return m;
}

BlowfishMasks MasksForKey(const TCipherKey& key) {
  // The schedule as BlowfishInitKey runs it, over the P-array only: the S-boxes filled afterwards never
  // reach the block function's result.
  uint32_t p[18];
  for (int i = 0, k = 0; i < 18; ++i) {
    uint32_t word = 0;
    for (int j = 0; j < 4; ++j, k = (k + 1) % 16) word = word << 8 | key[k];
    p[i] = ck_tables::kInitP[i] ^ word;
  }
  BlowfishMasks m{0, 0};
  for (int i = 0; i < 18; i += 2) m.X0 ^= p[i], m.X1 ^= p[i + 1];
  uint32_t x0 = 0, x1 = 0;
  for (int i = 0; i < 18; i += 2) {
    x0 ^= m.X0, x1 ^= m.X1;
    m.X0 ^= p[i] ^ x0, m.X1 ^= p[i + 1] ^ x1;
    p[i] = x0, p[i + 1] = x1;
  }
  return m;
}

}  // namespace ck_detail
