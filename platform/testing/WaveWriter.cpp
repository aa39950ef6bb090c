#include "platform/testing/WaveWriter.h"

#include <cstdint>

namespace testing_support {

std::string SilentWave(size_t dataBytes) {
  auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  const std::string format = "fmt " + le32(16) + std::string("\x01\x00\x01\x00", 4) + le32(8000) + le32(8000) +
                             std::string("\x01\x00\x08\x00", 4);
  const std::string data = "data" + le32(uint32_t(dataBytes)) + std::string(dataBytes, '\x80');
  return "RIFF" + le32(uint32_t(4 + format.size() + data.size())) + "WAVE" + format + data;
}

}  // namespace testing_support
