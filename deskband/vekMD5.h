// The MD5 message digest of RFC 1321 over the bytes of single-byte strings (no code-page conversion).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Four state words, the bit count as two words (low first) and the pending input block.
struct TMD5Context {
  uint32_t State[4];
  uint32_t Count[2];
  uint8_t Buffer[64];
};

using TMD5Digest = std::array<uint8_t, 16>;

void MD5Init(TMD5Context& context);
void MD5Update(TMD5Context& context, const void* input, size_t length);
// Writes the digest, then overwrites the whole context with zeros.
void MD5Final(TMD5Context& context, TMD5Digest& digest);

// The digest of the text's bytes.
void MD5String(std::string_view text, TMD5Digest& digest);
// The same digest as a string of exactly 16 raw bytes.
std::string MD5Hash(std::string_view text);
