// REGEDIT4 text from files: parsing must end, and refuse or accept, on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/winapi/advapi32/RegistryText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto parsed = vandrel::registry::ParseRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!parsed.error.empty() && !parsed.ops.empty() && parsed.error.compare(0, 5, "line ") != 0) __builtin_trap();
  return 0;
}
