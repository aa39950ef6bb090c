// Entries of the default phone book and their dial parameters.
#include <strings.h>

#include <cstring>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Ras.h"
#include "platform/winapi/rasapi32/CallHook.h"
#include "platform/winapi/rasapi32/Phonebook.h"

using ras::CopyField;
using ras::FieldText;
using ras::StoredEntry;

namespace {

// The checks that every call makes first: the default phone book, a name that can name an entry.
DWORD CheckBookAndName(LPCSTR phonebook, LPCSTR name) {
  if (phonebook) return ERROR_CANNOT_OPEN_PHONEBOOK;
  if (!name || !ras::ValidEntryName(name)) return ERROR_INVALID_NAME;
  return ERROR_SUCCESS;
}

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

DWORD CheckEntry(const RASENTRYA& entry) {
  const std::string device = FieldText(entry.szDeviceType);
  const bool pppoe = SameText(device, RASDT_PPPoE);
  if (entry.dwType > RASET_Broadband || pppoe != (entry.dwType == RASET_Broadband)) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

}  // namespace

DWORD RasSetEntryPropertiesA(LPCSTR phonebook, LPCSTR entryName, const RASENTRYA* entry, DWORD entrySize, const BYTE*,
                             DWORD) {
  if (DWORD hooked = ras::HookedResult("RasSetEntryPropertiesA")) return hooked;
  if (DWORD error = CheckBookAndName(phonebook, entryName)) return error;
  if (!entry) return ERROR_BUFFER_INVALID;
  if (entry->dwSize != sizeof(RASENTRYA)) return ERROR_INVALID_SIZE;
  if (entrySize < sizeof(RASENTRYA)) return ERROR_BUFFER_INVALID;
  if (DWORD error = CheckEntry(*entry)) return error;
  return ras::WithPhonebook(true, [&](ras::Entries& entries) {
    StoredEntry* stored = ras::FindEntry(entries, entryName);
    if (!stored) {
      entries.push_back(StoredEntry{});
      stored = &entries.back();
      stored->name = entryName;
    }
    stored->options = entry->dwfOptions;
    stored->countryId = entry->dwCountryID;
    stored->countryCode = entry->dwCountryCode;
    stored->areaCode = FieldText(entry->szAreaCode);
    stored->phone = FieldText(entry->szLocalPhoneNumber);
    stored->netProtocols = entry->dwfNetProtocols;
    stored->framing = entry->dwFramingProtocol;
    stored->deviceType = FieldText(entry->szDeviceType);
    stored->deviceName = FieldText(entry->szDeviceName);
    stored->type = entry->dwType;
    return DWORD(ERROR_SUCCESS);
  });
}

DWORD RasGetEntryPropertiesA(LPCSTR phonebook, LPCSTR entryName, RASENTRYA* entry, LPDWORD entrySize, LPBYTE,
                             LPDWORD deviceInfoSize) {
  if (DWORD hooked = ras::HookedResult("RasGetEntryPropertiesA")) return hooked;
  if (DWORD error = CheckBookAndName(phonebook, entryName)) return error;
  if (!entrySize) return ERROR_INVALID_PARAMETER;
  if (!entry || *entrySize < sizeof(RASENTRYA)) {
    *entrySize = sizeof(RASENTRYA);
    return ERROR_BUFFER_TOO_SMALL;
  }
  if (entry->dwSize != sizeof(RASENTRYA)) return ERROR_INVALID_SIZE;
  return ras::WithPhonebook(false, [&](ras::Entries& entries) {
    const StoredEntry* stored = ras::FindEntry(entries, entryName);
    if (!stored) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    std::memset(entry, 0, sizeof(RASENTRYA));
    entry->dwSize = sizeof(RASENTRYA);
    entry->dwfOptions = stored->options;
    entry->dwCountryID = stored->countryId;
    entry->dwCountryCode = stored->countryCode;
    CopyField(entry->szAreaCode, stored->areaCode);
    CopyField(entry->szLocalPhoneNumber, stored->phone);
    entry->dwfNetProtocols = stored->netProtocols;
    entry->dwFramingProtocol = stored->framing;
    CopyField(entry->szDeviceType, stored->deviceType);
    CopyField(entry->szDeviceName, stored->deviceName);
    entry->dwType = stored->type;
    *entrySize = sizeof(RASENTRYA);
    if (deviceInfoSize) *deviceInfoSize = 0;
    return ERROR_SUCCESS;
  });
}

DWORD RasDeleteEntryA(LPCSTR phonebook, LPCSTR entryName) {
  if (DWORD hooked = ras::HookedResult("RasDeleteEntryA")) return hooked;
  if (DWORD error = CheckBookAndName(phonebook, entryName)) return error;
  return ras::WithPhonebook(true, [&](ras::Entries& entries) {
    const StoredEntry* stored = ras::FindEntry(entries, entryName);
    if (!stored) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    entries.erase(entries.begin() + (stored - entries.data()));
    return ERROR_SUCCESS;
  });
}

DWORD RasSetEntryDialParamsA(LPCSTR phonebook, const RASDIALPARAMSA* params, BOOL removePassword) {
  if (DWORD hooked = ras::HookedResult("RasSetEntryDialParamsA")) return hooked;
  if (!params) return ERROR_BUFFER_INVALID;
  if (params->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
  const std::string name = FieldText(params->szEntryName);
  if (DWORD error = CheckBookAndName(phonebook, name.c_str())) return error;
  return ras::WithPhonebook(true, [&](ras::Entries& entries) {
    StoredEntry* stored = ras::FindEntry(entries, name);
    if (!stored) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    stored->dialPhone = FieldText(params->szPhoneNumber);
    stored->callback = FieldText(params->szCallbackNumber);
    stored->user = FieldText(params->szUserName);
    stored->password = removePassword ? std::string() : FieldText(params->szPassword);
    stored->domain = FieldText(params->szDomain);
    return ERROR_SUCCESS;
  });
}

DWORD RasGetEntryDialParamsA(LPCSTR phonebook, RASDIALPARAMSA* params, BOOL* passwordRead) {
  if (DWORD hooked = ras::HookedResult("RasGetEntryDialParamsA")) return hooked;
  if (!params) return ERROR_BUFFER_INVALID;
  if (params->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
  if (!passwordRead) return ERROR_INVALID_PARAMETER;
  const std::string name = FieldText(params->szEntryName);
  if (DWORD error = CheckBookAndName(phonebook, name.c_str())) return error;
  return ras::WithPhonebook(false, [&](ras::Entries& entries) {
    const StoredEntry* stored = ras::FindEntry(entries, name);
    if (!stored) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    CopyField(params->szPhoneNumber, stored->dialPhone);
    CopyField(params->szCallbackNumber, stored->callback);
    CopyField(params->szUserName, stored->user);
    CopyField(params->szPassword, stored->password);
    CopyField(params->szDomain, stored->domain);
    *passwordRead = !stored->password.empty();
    return ERROR_SUCCESS;
  });
}
