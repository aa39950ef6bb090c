// Fuzz target: the icon reader must reject malformed files with EInvalidGraphic or EOutOfResources and
// nothing else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/components/Icons.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
  try {
    icon->LoadFromStream(&stream);
  } catch (const EInvalidGraphic&) {
  } catch (const EOutOfResources&) {
  }
  return 0;
}
