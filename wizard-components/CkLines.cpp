#include "wizard-components/CkLines.h"

#include <exception>

#include "platform/runtime/Strings.h"
#include "wizard-components/CkString.h"

bool CryptLines(std::string_view text, const TCipherKey& key, bool encrypt, std::string& output,
                const TCipherLineError& onError) {
  bool all = true;
  std::string line;
  size_t number = 0;
  for (std::string_view source : SplitTextLines(text)) {
    ++number;
    try {
      BlowfishCryptString(std::string(source), key, encrypt, line);
      output += line;
    } catch (const std::exception& e) {
      all = false;
      if (onError) onError(number, e.what());
    }
    output += "\r\n";
  }
  return all;
}

std::string DecipherLineOrEmpty(const std::string& line, const TCipherKey& key) {
  std::string plain;
  try {
    BlowfishCryptString(line, key, false, plain);
  } catch (const std::exception&) {
    return {};
  }
  return plain;
}
