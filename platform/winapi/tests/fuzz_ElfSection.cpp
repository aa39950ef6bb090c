// Binaries whose resources are read: the section reader must stay inside any image, however it lies.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/winapi/Module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto read = [&](uint64_t offset, void* buffer, size_t count) {
    if (offset > size || count > size - offset) __builtin_trap();  // the reader checks bounds first
    std::memcpy(buffer, data + offset, count);
    return true;
  };
  std::string section;
  vandrel::FindElfSection(read, size, vandrel::kVersionSection, section);
  return 0;
}
