// Fuzz target: any text as an enciphered configuration line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wizard-components/CkCipher.h"
#include "wizard-components/CkString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TCipherKey key = [] {
    TCipherKey k;
    DigestString(k.data(), 16, "morvane cordaLIN");
    return k;
  }();
  const std::string line(reinterpret_cast<const char*>(data), size);
  std::string plain;
  try {
    BlowfishCryptString(line, key, false, plain);
  } catch (const Exception&) {
    return 0;
  }
  // Whatever deciphers enciphers to a line that deciphers to it again.
  std::string again, back;
  BlowfishCryptString(plain, key, true, again);
  BlowfishCryptString(again, key, false, back);
  if (back != plain || plain.size() > size) __builtin_trap();
  return 0;
}
