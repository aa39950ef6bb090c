// Bytes as lower-case hex digits, as Python's bytes.hex() writes them, and back.
#pragma once
#include <string>

namespace testing_support {

inline std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) out += {kDigits[b >> 4], kDigits[b & 15]};
  return out;
}

inline std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

}  // namespace testing_support
