// The IP Helper (iphlpapi): the machine's network adapters. They are the NT list of network cards in the
// registry, HKLM "SOFTWARE\Microsoft\Windows NT\CurrentVersion\NetworkCards": each subkey with a "ServiceName"
// is one adapter, described by its "Description", numbered by the subkey's name. The default machine has none.
#pragma once
#include <cstdint>

#include "platform/winapi/WinTypes.h"

constexpr int MAX_ADAPTER_NAME_LENGTH = 256;
constexpr int MAX_ADAPTER_DESCRIPTION_LENGTH = 128;
constexpr int MAX_ADAPTER_ADDRESS_LENGTH = 8;
constexpr UINT MIB_IF_TYPE_ETHERNET = 6;

struct IP_ADDRESS_STRING {
  char String[16];
};
using IP_MASK_STRING = IP_ADDRESS_STRING;

struct IP_ADDR_STRING {
  IP_ADDR_STRING* Next;
  IP_ADDRESS_STRING IpAddress;
  IP_MASK_STRING IpMask;
  DWORD Context;
};

struct IP_ADAPTER_INFO {
  IP_ADAPTER_INFO* Next;
  DWORD ComboIndex;
  char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
  char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
  UINT AddressLength;
  BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
  DWORD Index;
  UINT Type;
  UINT DhcpEnabled;
  IP_ADDR_STRING* CurrentIpAddress;
  IP_ADDR_STRING IpAddressList;
  IP_ADDR_STRING GatewayList;
  IP_ADDR_STRING DhcpServer;
  BOOL HaveWins;
  IP_ADDR_STRING PrimaryWinsServer;
  IP_ADDR_STRING SecondaryWinsServer;
  int64_t LeaseObtained;
  int64_t LeaseExpires;
};

// The adapters as a chain of records in the caller's buffer of `*size` bytes (ERROR_SUCCESS). A buffer too
// small (or none) gives ERROR_BUFFER_OVERFLOW with the size needed in `*size`; a machine without adapters
// ERROR_NO_DATA; a null `size` ERROR_INVALID_PARAMETER. Names and descriptions are cut to their fields; an
// adapter has no address yet ("0.0.0.0").
DWORD GetAdaptersInfo(IP_ADAPTER_INFO* adapterInfo, ULONG* size);
