#include "deskband/vekMD5.h"

#include <cstring>

namespace {

inline uint32_t Load(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t Rotate(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

// The four rounds of RFC 1321; the auxiliary functions are written in forms that need fewer operations
// (F and G with one AND less, G split in two additions of disjoint bits).
#define MD5_F(a, b, c, d, x, s, t) a = Rotate(a + (d ^ (b & (c ^ d))) + x + t, s) + b
#define MD5_G(a, b, c, d, x, s, t) a = Rotate(a + (~d & c) + (d & b) + x + t, s) + b
#define MD5_H(a, b, c, d, x, s, t) a = Rotate(a + (b ^ c ^ d) + x + t, s) + b
#define MD5_I(a, b, c, d, x, s, t) a = Rotate(a + (c ^ (b | ~d)) + x + t, s) + b

void Transform(uint32_t state[4], const uint8_t* blocks, size_t count) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; count; --count, blocks += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Load(blocks + 4 * i);
    const uint32_t aa = a, bb = b, cc = c, dd = d;

    MD5_F(a, b, c, d, x[0], 7, 0xd76aa478);
    MD5_F(d, a, b, c, x[1], 12, 0xe8c7b756);
    MD5_F(c, d, a, b, x[2], 17, 0x242070db);
    MD5_F(b, c, d, a, x[3], 22, 0xc1bdceee);
    MD5_F(a, b, c, d, x[4], 7, 0xf57c0faf);
    MD5_F(d, a, b, c, x[5], 12, 0x4787c62a);
    MD5_F(c, d, a, b, x[6], 17, 0xa8304613);
    MD5_F(b, c, d, a, x[7], 22, 0xfd469501);
    MD5_F(a, b, c, d, x[8], 7, 0x698098d8);
    MD5_F(d, a, b, c, x[9], 12, 0x8b44f7af);
    MD5_F(c, d, a, b, x[10], 17, 0xffff5bb1);
    MD5_F(b, c, d, a, x[11], 22, 0x895cd7be);
    MD5_F(a, b, c, d, x[12], 7, 0x6b901122);
    MD5_F(d, a, b, c, x[13], 12, 0xfd987193);
    MD5_F(c, d, a, b, x[14], 17, 0xa679438e);
    MD5_F(b, c, d, a, x[15], 22, 0x49b40821);

    MD5_G(a, b, c, d, x[1], 5, 0xf61e2562);
    MD5_G(d, a, b, c, x[6], 9, 0xc040b340);
    MD5_G(c, d, a, b, x[11], 14, 0x265e5a51);
    MD5_G(b, c, d, a, x[0], 20, 0xe9b6c7aa);
    MD5_G(a, b, c, d, x[5], 5, 0xd62f105d);
    MD5_G(d, a, b, c, x[10], 9, 0x02441453);
    MD5_G(c, d, a, b, x[15], 14, 0xd8a1e681);
    MD5_G(b, c, d, a, x[4], 20, 0xe7d3fbc8);
    MD5_G(a, b, c, d, x[9], 5, 0x21e1cde6);
    MD5_G(d, a, b, c, x[14], 9, 0xc33707d6);
    MD5_G(c, d, a, b, x[3], 14, 0xf4d50d87);
    MD5_G(b, c, d, a, x[8], 20, 0x455a14ed);
    MD5_G(a, b, c, d, x[13], 5, 0xa9e3e905);
    MD5_G(d, a, b, c, x[2], 9, 0xfcefa3f8);
    MD5_G(c, d, a, b, x[7], 14, 0x676f02d9);
    MD5_G(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    MD5_H(a, b, c, d, x[5], 4, 0xfffa3942);
    MD5_H(d, a, b, c, x[8], 11, 0x8771f681);
    MD5_H(c, d, a, b, x[11], 16, 0x6d9d6122);
    MD5_H(b, c, d, a, x[14], 23, 0xfde5380c);
    MD5_H(a, b, c, d, x[1], 4, 0xa4beea44);
    MD5_H(d, a, b, c, x[4], 11, 0x4bdecfa9);
    MD5_H(c, d, a, b, x[7], 16, 0xf6bb4b60);
    MD5_H(b, c, d, a, x[10], 23, 0xbebfbc70);
    MD5_H(a, b, c, d, x[13], 4, 0x289b7ec6);
    MD5_H(d, a, b, c, x[0], 11, 0xeaa127fa);
    MD5_H(c, d, a, b, x[3], 16, 0xd4ef3085);
    MD5_H(b, c, d, a, x[6], 23, 0x04881d05);
    MD5_H(a, b, c, d, x[9], 4, 0xd9d4d039);
    MD5_H(d, a, b, c, x[12], 11, 0xe6db99e5);
    MD5_H(c, d, a, b, x[15], 16, 0x1fa27cf8);
    MD5_H(b, c, d, a, x[2], 23, 0xc4ac5665);

    MD5_I(a, b, c, d, x[0], 6, 0xf4292244);
    MD5_I(d, a, b, c, x[7], 10, 0x432aff97);
    MD5_I(c, d, a, b, x[14], 15, 0xab9423a7);
    MD5_I(b, c, d, a, x[5], 21, 0xfc93a039);
    MD5_I(a, b, c, d, x[12], 6, 0x655b59c3);
    MD5_I(d, a, b, c, x[3], 10, 0x8f0ccc92);
    MD5_I(c, d, a, b, x[10], 15, 0xffeff47d);
    MD5_I(b, c, d, a, x[1], 21, 0x85845dd1);
    MD5_I(a, b, c, d, x[8], 6, 0x6fa87e4f);
    MD5_I(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    MD5_I(c, d, a, b, x[6], 15, 0xa3014314);
    MD5_I(b, c, d, a, x[13], 21, 0x4e0811a1);
    MD5_I(a, b, c, d, x[4], 6, 0xf7537e82);
    MD5_I(d, a, b, c, x[11], 10, 0xbd3af235);
    MD5_I(c, d, a, b, x[2], 15, 0x2ad7d2bb);
    MD5_I(b, c, d, a, x[9], 21, 0xeb86d391);

    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

}  // namespace

void MD5Init(TMD5Context& context) {
  context.State[0] = 0x67452301;
  context.State[1] = 0xefcdab89;
  context.State[2] = 0x98badcfe;
  context.State[3] = 0x10325476;
  context.Count[0] = context.Count[1] = 0;
  std::memset(context.Buffer, 0, sizeof context.Buffer);
}

void MD5Update(TMD5Context& context, const void* input, size_t length) {
  if (length == 0) return;
  const uint8_t* bytes = static_cast<const uint8_t*>(input);
  size_t pending = (context.Count[0] >> 3) & 63;
  const uint64_t bits = (uint64_t(context.Count[1]) << 32 | context.Count[0]) + uint64_t(length) * 8;
  context.Count[0] = uint32_t(bits);
  context.Count[1] = uint32_t(bits >> 32);
  if (pending) {
    const size_t fill = 64 - pending;
    if (length < fill) {
      std::memcpy(context.Buffer + pending, bytes, length);
      return;
    }
    std::memcpy(context.Buffer + pending, bytes, fill);
    Transform(context.State, context.Buffer, 1);
    bytes += fill;
    length -= fill;
  }
  Transform(context.State, bytes, length / 64);
  std::memcpy(context.Buffer, bytes + (length & ~size_t(63)), length & 63);
}

void MD5Final(TMD5Context& context, TMD5Digest& digest) {
  uint8_t length[8];
  for (int i = 0; i < 4; ++i) {
    length[i] = uint8_t(context.Count[0] >> (8 * i));
    length[4 + i] = uint8_t(context.Count[1] >> (8 * i));
  }
  static const uint8_t kPadding[64] = {0x80};
  const size_t pending = (context.Count[0] >> 3) & 63;
  MD5Update(context, kPadding, pending < 56 ? 56 - pending : 120 - pending);
  MD5Update(context, length, 8);
  for (int i = 0; i < 16; ++i) digest[i] = uint8_t(context.State[i / 4] >> (8 * (i % 4)));
  std::memset(&context, 0, sizeof context);
}

void MD5String(std::string_view text, TMD5Digest& digest) {
  TMD5Context context;
  MD5Init(context);
  MD5Update(context, text.data(), text.size());
  MD5Final(context, digest);
}

std::string MD5Hash(std::string_view text) {
  TMD5Digest digest;
  MD5String(text, digest);
  return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}
