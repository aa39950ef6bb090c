// The form's dial-up operations: entries of the phone book, the dial of the temporary entry and its
// notifications, the modem listing, and online activation and subscription.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/ShellExecute.h"
#include "platform/winapi/Windows.h"
#include "wizard/Main.h"
#include "wizard/Ras.h"

namespace {

// Options of every entry: IP header and software compression, the remote default gateway, modem lights, secured
// local files, shared phone numbers, the preview of user and password, the dialling progress, and CHAP, MS-CHAP
// and MS-CHAP v2 required.
constexpr DWORD kEntryOptions = RASEO_IpHeaderCompression | RASEO_RemoteDefaultGateway | RASEO_ModemLights |
                                RASEO_SwCompression | RASEO_SecureLocalFiles | RASEO_SharedPhoneNumbers |
                                RASEO_PreviewUserPw | RASEO_ShowDialingProgress | RASEO_RequireCHAP |
                                RASEO_RequireMsCHAP | RASEO_RequireMsCHAP2;
static_assert(kEntryOptions == 0x3D810318);
constexpr DWORD kHungary = 36;

const char* const kCannotCreate = "ERROR_CANNOT_CREATE_ENTRY";
const char* const kCannotDelete = "ERROR_CANNOT_DELETE_ENTRY";
const char* const kCannotDial = "ERROR_DIAL_DIAL_UP_ENTRY";
const char* const kCannotChange = "ERROR_CANNON_CHANGE_PARAMS";

// The names of the results that the operations tell apart.
const char* ResultName(DWORD result) {
  switch (result) {
    case ERROR_INVALID_PARAMETER: return "ERROR_INVALID_PARAMETER";
    case ERROR_INVALID_NAME: return "ERROR_INVALID_NAME";
    case ERROR_BUFFER_INVALID: return "ERROR_BUFFER_INVALID";
    case ERROR_CANNOT_OPEN_PHONEBOOK: return "ERROR_CANNOT_OPEN_PHONEBOOK";
    case ERROR_CANNOT_FIND_PHONEBOOK_ENTRY: return "ERROR_CANNOT_FIND_PHONEBOOK_ENTRY";
  }
  return "";
}

// The error text of a result: empty for 0, the name of a result among `named`, else the operation's own text.
std::string ErrorText(DWORD result, std::initializer_list<DWORD> named, const char* otherwise) {
  if (result == ERROR_SUCCESS) return {};
  for (DWORD code : named)
    if (code == result) return ResultName(result);
  return otherwise;
}

constexpr std::initializer_list<DWORD> kPropertyResults = {ERROR_INVALID_PARAMETER, ERROR_BUFFER_INVALID,
                                                           ERROR_CANNOT_OPEN_PHONEBOOK};
constexpr std::initializer_list<DWORD> kDialParamsResults = {ERROR_BUFFER_INVALID, ERROR_CANNOT_OPEN_PHONEBOOK,
                                                             ERROR_CANNOT_FIND_PHONEBOOK_ENTRY};

// Text fields of the structures: copied in cut to the field, read up to the terminator.
template <size_t N>
void CopyText(char (&field)[N], const std::string& text) {
  const size_t n = std::min(text.size(), N - 1);
  text.copy(field, n);
  field[n] = 0;
}
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

RASDIALPARAMSA DialParams(const std::string& entry) {
  RASDIALPARAMSA params;
  std::memset(&params, 0, sizeof params);
  params.dwSize = sizeof params;
  CopyText(params.szEntryName, entry);
  return params;
}

// Only web addresses of data are opened.
bool IsWebAddress(const std::string& address) {
  for (const char* scheme : {"http://", "https://"}) {
    const size_t length = std::strlen(scheme);
    if (address.size() > length && strncasecmp(address.c_str(), scheme, length) == 0) return true;
  }
  return false;
}

}  // namespace

std::string TFMain::CreateDialEntry(const std::string& name, bool pppoe, const std::string& device,
                                    const std::string& phone, const std::string& user, const std::string& password) {
  try {
    RASENTRYA entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    entry.dwfOptions = kEntryOptions;
    entry.dwCountryID = entry.dwCountryCode = kHungary;
    CopyText(entry.szLocalPhoneNumber, pppoe ? std::string() : phone);
    entry.dwfNetProtocols = RASNP_Ip;
    entry.dwFramingProtocol = RASFP_Ppp;
    CopyText(entry.szDeviceType, pppoe ? RASDT_PPPoE : RASDT_Modem);
    CopyText(entry.szDeviceName, pppoe ? std::string() : device);
    entry.dwType = pppoe ? RASET_Broadband : 0;
    std::string error = ErrorText(RasSetEntryProperties(nullptr, name.c_str(), &entry, sizeof entry, nullptr, 0),
                                  kPropertyResults, kCannotCreate);
    if (!error.empty()) return error;
    RASDIALPARAMSA params = DialParams(name);
    CopyText(params.szPhoneNumber, phone);
    CopyText(params.szUserName, user);
    CopyText(params.szPassword, password);
    return ErrorText(RasSetEntryDialParamsA(nullptr, &params, FALSE), kDialParamsResults, kCannotCreate);
  } catch (...) {
    return kCannotCreate;
  }
}

std::string TFMain::DeleteDialEntry(const std::string& name) {
  try {
    const DWORD result = RasDeleteEntry(nullptr, name.c_str());
    // An entry that is not there is as good as deleted.
    if (result == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY) return {};
    return ErrorText(result, {ERROR_INVALID_NAME}, kCannotDelete);
  } catch (...) {
    return kCannotDelete;
  }
}

bool TFMain::DialEntryExists(const std::string& name) {
  try {
    RASDIALPARAMSA params = DialParams(name);
    BOOL password = FALSE;
    return RasGetEntryDialParamsA(nullptr, &params, &password) == ERROR_SUCCESS;
  } catch (...) {
    return false;
  }
}

std::string TFMain::SetDialCredentials(const std::string& name, const std::string& user, const std::string& password) {
  try {
    RASDIALPARAMSA params = DialParams(name);
    BOOL stored = FALSE;
    std::string error = ErrorText(RasGetEntryDialParamsA(nullptr, &params, &stored), kDialParamsResults, kCannotChange);
    if (!error.empty()) return error;
    CopyText(params.szUserName, user);
    CopyText(params.szPassword, password);
    return ErrorText(RasSetEntryDialParamsA(nullptr, &params, FALSE), kDialParamsResults, kCannotChange);
  } catch (...) {
    return kCannotChange;
  }
}

std::string TFMain::DialEntry(std::string& detail) {
  detail.clear();
  try {
    HangUp();
    RASDIALPARAMSA params = DialParams(GetSetting("modemideigleneskapcsolatneve"));
    BOOL password = FALSE;
    std::string error = ErrorText(RasGetEntryDialParamsA(nullptr, &params, &password), kDialParamsResults, kCannotDial);
    if (!error.empty()) return error;
    Application->ProcessPendingMessages();
    // A dial that ends without a notification (cancelled, refused) must not pass for the last one's success.
    SetConnected(false);
    SetDialError(0);
    SetDialing(true);
    trModemDialEntry->SetEnabled(true);
    EnableDisableButtons(this);
    HRASCONN connection = nullptr;
    const DWORD result =
        RasDialA(nullptr, nullptr, &params, 0, reinterpret_cast<void*>(&TFMain::RasDialCallback), &connection);
    SetRasConn(connection);
    if (result != ERROR_SUCCESS) {
      // Failed at once: no notification follows.
      SetDialError(int32_t(result));
      SetDialing(false);
    }
    while (Dialing() && !Application->Terminated()) Application->HandleMessage();
    trModemDialEntry->SetEnabled(false);
    if (!Connected()) {
      HangUp();
      char text[100] = "";
      RasGetErrorStringA(UINT(DialError()), text, sizeof text);
      error = std::string("ERROR_CANNOT_DIAL_ENTRY (") + text + ")";
      if (*text) detail = "\r" + GetText(93) + text;
    }
    return error;
  } catch (...) {
    // No half-open connection and no dial left running.
    trModemDialEntry->SetEnabled(false);
    HangUp();
    SetDialing(false);
    return kCannotDial;
  }
}

void TFMain::RasDialCallback(UINT, RASCONNSTATE state, DWORD error) {
  TFMain* form = FMain;
  if (!form) return;
  form->SetDialError(int32_t(error));
  Application->ProcessPendingMessages();
  // The dial may have been cancelled and hung up meanwhile.
  if (!form->RasConn()) return;
  if (error != ERROR_SUCCESS) {
    form->SetDialing(false);
    form->SetConnected(false);
  } else if (state == RASCS_Connected) {
    form->SetDialing(false);
    form->SetConnected(true);
  }
}

void TFMain::HangUp() {
  try {
    if (!RasConn()) return;
    RasHangUpA(static_cast<HRASCONN>(RasConn()));
    Wait(3000);
    SetRasConn(nullptr);
    SetDialing(false);
  } catch (...) {
  }
}

std::string TFMain::ListModems() {
  std::string modems;
  try {
    DWORD bytes = 0, count = 0;
    RasEnumDevices(nullptr, &bytes, &count);
    if (count == 0) return modems;
    std::vector<RASDEVINFOA> devices(count);
    std::memset(devices.data(), 0, devices.size() * sizeof(RASDEVINFOA));
    devices[0].dwSize = sizeof(RASDEVINFOA);
    bytes = DWORD(devices.size() * sizeof(RASDEVINFOA));
    if (RasEnumDevices(devices.data(), &bytes, &count) != ERROR_SUCCESS) return modems;
    for (size_t i = 0; i < count && i < devices.size(); ++i) {
      const RASDEVINFOA& device = devices[i];
      if (cp1250::Upper(FieldText(device.szDeviceType)).find("MODEM") != std::string::npos)
        modems += FieldText(device.szDeviceName) + "\r\n";
    }
  } catch (...) {
  }
  return modems;
}

void TFMain::OnlineActivation() { RunOnlineOperation(TAreaCodeRecord::ActivationNumber, 88, 87, 86, 85); }

void TFMain::OnlineSubscription() { RunOnlineOperation(TAreaCodeRecord::SubscriptionNumber, 92, 91, 90, 89); }

void TFMain::RunOnlineOperation(int first, int entryTitle, int entryBody, int dialTitle, int dialBody) {
  Screen->SetCursor(crHourGlass);
  try {
    if (const TAreaCodeRecord* area = SelectedArea()) {
      const auto field = [&](int offset) { return area->Fields[size_t(first + offset)]; };
      std::string phone = field(0);
      const std::string user = field(1), password = field(2), address = field(3);
      if (PrefixNeeded()) phone = edModemElohivoszam->Text() + "W" + phone;
      if (!CreateDialEntry(GetSetting("modemideigleneskapcsolatneve"), false, cbModem->Text(), phone, user, password)
               .empty()) {
        ShowErrorTexts(entryTitle, entryBody, 1);
      } else {
        Application->ProcessPendingMessages();
        std::string detail;
        if (DialEntry(detail).empty() && IsWebAddress(address))
          ShellExecuteA(Application->Handle(), "open", address.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
        else
          ShowError(GetText(dialTitle), GetText(dialBody) + "\r" + detail, 1);
      }
    }
  } catch (...) {
  }
  Screen->SetCursor(crArrow);
}
