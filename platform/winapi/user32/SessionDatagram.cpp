// The broadcast datagram: writing one, and reading one back without trusting its bytes.
#include "platform/winapi/user32/SessionDatagram.h"

#include <cstring>

namespace winsys {

bool MakeDatagram(const std::string& name, WPARAM wParam, LPARAM lParam, std::string& out) {
  if (name.empty() || name.size() > kMaxBroadcastName) return false;
  const uint16_t length = uint16_t(name.size());
  const uint64_t w = uint64_t(wParam);
  const int64_t l = int64_t(lParam);
  out.assign(kDatagramHeader, '\0');
  std::memcpy(&out[0], &kDatagramMagic, 4);
  std::memcpy(&out[4], &kDatagramVersion, 2);
  std::memcpy(&out[6], &length, 2);
  std::memcpy(&out[8], &w, 8);
  std::memcpy(&out[16], &l, 8);
  out += name;
  return true;
}

bool ParseDatagram(const unsigned char* data, size_t size, TBroadcastDatagram& out) {
  if (size < kDatagramHeader) return false;
  uint32_t magic;
  uint16_t version, length;
  uint64_t w;
  int64_t l;
  std::memcpy(&magic, data, 4);
  std::memcpy(&version, data + 4, 2);
  std::memcpy(&length, data + 6, 2);
  std::memcpy(&w, data + 8, 8);
  std::memcpy(&l, data + 16, 8);
  if (magic != kDatagramMagic || version != kDatagramVersion || length == 0 || length > kMaxBroadcastName ||
      size != kDatagramHeader + length || std::memchr(data + kDatagramHeader, 0, length))
    return false;
  out.name.assign(reinterpret_cast<const char*>(data + kDatagramHeader), length);
  out.wParam = WPARAM(w);
  out.lParam = LPARAM(l);
  return true;
}

}  // namespace winsys
