#include "wizard-components/tests/CkTestSupport.h"

#include <sstream>

#include "platform/testing/PythonOracle.h"

namespace ck_test {

std::string RunReference(const std::string& program, const std::string& input) {
  std::string prologue = "import sys\nsys.dont_write_bytecode = True\nsys.path.insert(0, '" VANDREL_SOURCE_DIR
                         "/wizard-components/tests')\n"
                         "import ckref\n";
  return testing_support::RunPython(prologue + program, input);
}

std::string Hex(const uint8_t* bytes, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) out += digits[bytes[i] >> 4], out += digits[bytes[i] & 15];
  return out;
}

std::string Hex(const std::string& bytes) { return Hex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::string RandomBytes(std::mt19937& rng, size_t size) {
  std::string out(size, '\0');
  std::uniform_int_distribution<int> byte(0, 255), zero(0, 7);
  for (auto& c : out) c = zero(rng) == 0 ? '\0' : char(byte(rng));
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace ck_test
