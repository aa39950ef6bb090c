// Fuzz target: the form resource parser must reject malformed text with EParserError and nothing else.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/components/FormResource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    ParseFormResource(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const EParserError&) {
  }
  return 0;
}
