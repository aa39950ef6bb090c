// Broadcast datagrams from other processes: reading must accept only what writing gives back.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/winapi/user32/SessionDatagram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  winsys::TBroadcastDatagram parsed;
  if (!winsys::ParseDatagram(data, size, parsed)) return 0;
  std::string again;
  if (!winsys::MakeDatagram(parsed.name, parsed.wParam, parsed.lParam, again) || again.size() != size ||
      std::memcmp(again.data(), data, size) != 0)
    __builtin_trap();
  return 0;
}
