// GetAdaptersInfo over the machine's network cards in the registry, read anew on every call.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/winapi/IpHelper.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace {

constexpr const char* kNetworkCards = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";

struct Card {
  DWORD index;
  std::string name;
  std::string description;
};

std::vector<Card> MachineCards() {
  std::vector<Card> cards;
  for (const std::string& subkey : vandrel::ReadMachineSubkeys(kNetworkCards)) {
    const std::string path = std::string(kNetworkCards) + "\\" + subkey;
    auto service = vandrel::ReadMachineString(path, "ServiceName");
    if (!service || service->empty()) continue;
    cards.push_back({DWORD(std::strtoul(subkey.c_str(), nullptr, 10)), *service,
                     vandrel::ReadMachineString(path, "Description").value_or("")});
  }
  return cards;
}

template <size_t N>
void CopyText(char (&field)[N], const std::string& text) {
  const size_t n = std::min(text.size(), N - 1);
  text.copy(field, n);
  field[n] = 0;
}

void NoAddress(IP_ADDR_STRING& address) {
  std::strcpy(address.IpAddress.String, "0.0.0.0");
  std::strcpy(address.IpMask.String, "0.0.0.0");
}

}  // namespace

DWORD GetAdaptersInfo(IP_ADAPTER_INFO* adapterInfo, ULONG* size) {
  if (!size) return ERROR_INVALID_PARAMETER;
  const std::vector<Card> cards = MachineCards();
  if (cards.empty()) return ERROR_NO_DATA;
  const ULONG needed = ULONG(cards.size() * sizeof(IP_ADAPTER_INFO));
  if (!adapterInfo || *size < needed) {
    *size = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  std::memset(adapterInfo, 0, needed);
  for (size_t i = 0; i < cards.size(); ++i) {
    IP_ADAPTER_INFO& record = adapterInfo[i];
    record.Next = i + 1 < cards.size() ? &adapterInfo[i + 1] : nullptr;
    record.ComboIndex = record.Index = cards[i].index;
    CopyText(record.AdapterName, cards[i].name);
    CopyText(record.Description, cards[i].description);
    record.Type = MIB_IF_TYPE_ETHERNET;
    NoAddress(record.IpAddressList);
  }
  return ERROR_SUCCESS;
}
