#include "wizard-components/CkLines.h"

#include <exception>

#include "wizard-components/CkString.h"

std::vector<std::string_view> SplitCipherLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool CryptLines(std::string_view text, const TCipherKey& key, bool encrypt, std::string& output,
                const TCipherLineError& onError) {
  bool all = true;
  std::string line;
  size_t number = 0;
  for (std::string_view source : SplitCipherLines(text)) {
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
