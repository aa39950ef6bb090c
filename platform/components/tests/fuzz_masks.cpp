// File masks on any bytes: the first line is the mask, the rest the text. A malformed mask matches
// nothing, and a mask without wildcards matches exactly its own text in any letter case.
#include <cstdlib>
#include <string_view>

#include "platform/components/Masks.h"
#include "platform/runtime/Cp1250.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t newline = input.find('\n');
  std::string_view mask = input.substr(0, newline);
  std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  TMask compiled(mask);
  bool matches = compiled.Matches(text);
  if (compiled.Malformed() && matches) std::abort();
  if (mask.find_first_of("*?[") == std::string_view::npos && matches != (cp1250::Lower(mask) == cp1250::Lower(text)))
    std::abort();
  return 0;
}
