#include "wizard-components/CkLines.h"

#include <exception>

#include "platform/runtime/Strings.h"
#include "wizard-components/CkString.h"

bool CryptLines(std::string_view text, const TCipherKey& key, bool encrypt, std::string& output,
                const TCipherLineError& onError) {
  bool all = true;
  std::string line;
  size_t number = 0;
  ForEachTextLine(text, [&](std::string_view source) {
    ++number;
    if (const char* error = TryBlowfishCryptString(source, key, encrypt, line)) {
      all = false;
      if (onError) onError(number, error);
    } else {
      output += line;
    }
    output += "\r\n";
  });
  return all;
}

std::string DecipherLineOrEmpty(const std::string& line, const TCipherKey& key) {
  std::string plain;
  return TryBlowfishCryptString(line, key, false, plain) ? std::string() : plain;
}
