// Scripts of scripted serial devices from the machine folder: parsing must end, and refuse with a line
// number or accept, on any bytes.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "platform/winapi/kernel32/CommScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    CommScript script = ParseCommScript(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const CommScript::Rule& rule : script.rules)
      if (script.Find(rule.line) == nullptr && !rule.any) __builtin_trap();
  } catch (const std::invalid_argument& e) {
    if (std::string_view(e.what()).substr(0, 5) != "line ") __builtin_trap();
  }
  return 0;
}
