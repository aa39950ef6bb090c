// The key of the wizard's configuration file: the 16-byte digest of the program's pass phrase.
#pragma once
#include "wizard-components/CkCipher.h"

inline const TCipherKey& ConfigKey() {
  static const TCipherKey key = [] {
    TCipherKey k;
    DigestString(k.data(), int32_t(k.size()), "morvane cordaLIN");
    return k;
  }();
  return key;
}
