// The cipher library's primitives: the message digest, the 128-bit block cipher it uses, and the block
// function on the Blowfish tables and key schedule. Contexts belong to the caller; nothing here locks.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/runtime/Exceptions.h"

// The library's exception; its one text is "Invalid file format".
VCL_EXCEPTION(ECipherException, Exception);

// A 16-byte key.
using TCipherKey = std::array<uint8_t, 16>;

// Key schedule of the 128-bit block cipher: 16 subkey pairs, the first Rounds of them used.
struct Block128Context {
  bool Encrypt;
  int32_t Rounds;  // 4..16
  uint32_t Keys[16][2];
};

// The Blowfish P-array and S-boxes after the key schedule.
struct BlowfishContext {
  uint32_t P[18];
  uint32_t S[4][256];
};

// The running state of the message digest.
struct DigestContext {
  int32_t BufferPos;  // 0..255
  uint8_t Buffer[256];
  int32_t StatePos;  // 0..7
  uint32_t State[4];
};

// Sets up the 128-bit cipher; rounds are clamped to 4..16.
void Block128InitKey(const TCipherKey& key, Block128Context& context, int32_t rounds, bool encrypt);
// Enciphers or deciphers one 16-byte block in place, as the context was set up.
void Block128Crypt(const Block128Context& context, uint8_t* block);

// The Blowfish key schedule over the 16-byte key.
void BlowfishInitKey(const TCipherKey& key, BlowfishContext& context);
// Transforms one 8-byte block in place.
void BlowfishCryptBlock(const BlowfishContext& context, uint8_t* block, bool encrypt);

void DigestInit(DigestContext& context);
void DigestUpdate(DigestContext& context, const void* buffer, size_t length);
// Pads, finishes and writes min(256, size) digest bytes.
void DigestFinal(DigestContext& context, void* digest, int32_t size);
void DigestBuffer(void* digest, int32_t size, const void* buffer, size_t length);
void DigestString(void* digest, int32_t size, std::string_view text);

namespace ck_detail {
// The block function's S-box terms cancel out, so its whole effect is an XOR of each half with the
// parity of the even or the odd P entries. These are those two masks, for a schedule or for a key.
struct BlowfishMasks {
  uint32_t X0;
  uint32_t X1;
};
BlowfishMasks MasksOf(const BlowfishContext& context);
BlowfishMasks MasksForKey(const TCipherKey& key);
}  // namespace ck_detail
