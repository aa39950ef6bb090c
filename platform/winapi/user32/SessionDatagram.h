// Internal to user32: the datagram of one broadcast between processes of the session. Layout, in the byte
// order of the machine: magic (4 bytes), version (2), length of the name (2), wParam (8), lParam (8), the
// name's bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/winapi/WinTypes.h"

namespace winsys {

constexpr uint32_t kDatagramMagic = 0x564E4442;  // "BDNV" in memory
constexpr uint16_t kDatagramVersion = 1;
constexpr size_t kDatagramHeader = 24;
constexpr size_t kMaxBroadcastName = 255;  // as Windows limits a registered message's name
constexpr size_t kMaxDatagram = kDatagramHeader + kMaxBroadcastName;

struct TBroadcastDatagram {
  std::string name;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// False when the name is empty or longer than kMaxBroadcastName.
bool MakeDatagram(const std::string& name, WPARAM wParam, LPARAM lParam, std::string& out);
// False for anything but a whole datagram of this version with a name of 1 to kMaxBroadcastName bytes
// and no zero byte.
bool ParseDatagram(const unsigned char* data, size_t size, TBroadcastDatagram& out);

}  // namespace winsys
