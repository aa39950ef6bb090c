#include "platform/com/Guid.h"

#include <random>

#include "platform/runtime/Exceptions.h"

std::string GUIDToString(REFGUID g) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(38);
  auto put = [&](uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
  };
  out += '{';
  put(g.Data1, 8);
  out += '-';
  put(g.Data2, 4);
  out += '-';
  put(g.Data3, 4);
  out += '-';
  put(g.Data4[0], 2);
  put(g.Data4[1], 2);
  out += '-';
  for (int i = 2; i < 8; ++i) put(g.Data4[i], 2);
  out += '}';
  return out;
}

std::optional<GUID> TryStringToGUID(std::string_view text) { return guid_detail::Parse(text); }

GUID StringToGUID(std::string_view text) {
  if (auto g = guid_detail::Parse(text)) return *g;
  throw EConvertError("'" + std::string(text) + "' is not a valid GUID value");
}

HRESULT CoCreateGuid(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  thread_local std::random_device source;
  auto word = [] { return uint64_t(source()) << 32 | source(); };
  uint64_t a = word(), b = word();
  guid->Data1 = uint32_t(a >> 32);
  guid->Data2 = uint16_t(a >> 16);
  guid->Data3 = uint16_t((a & 0x0FFF) | 0x4000);  // version 4
  for (int i = 0; i < 8; ++i) guid->Data4[i] = uint8_t(b >> (56 - 8 * i));
  guid->Data4[0] = uint8_t((guid->Data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
  return S_OK;
}
