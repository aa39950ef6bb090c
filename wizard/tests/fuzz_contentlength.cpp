// Fuzz target: any response head through the download's Content-Length reading. A value that is no number
// raises EConvertError; nothing else may go wrong.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/runtime/Exceptions.h"
#include "wizard/Main.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    ParseContentLength(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const EConvertError&) {
  }
  return 0;
}
