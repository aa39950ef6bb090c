// Dial-up networking (rasapi32): the default phone book, the machine's dial-up devices and dialling.
//
// The phone book is the machine's: entries and their dial parameters (the password kept) live in
// "ras/rasphone.pbk" in the machine folder, so every process of the machine sees them; only the default
// phone book (a null phone-book path) exists. The devices are the machine's modems, from the registry keys
// that Windows keeps them in (NT: the first class of "SYSTEM\CurrentControlSet\Control\Class" whose "Class"
// reads "Modem", its instances' "FriendlyName"; the 95 family: the instances of
// "SYSTEM\CurrentControlSet\Services\Class\Modem", their "Model"), then the other devices of
// "SYSTEM\CurrentControlSet\Services\RasMan\Devices" (each subkey a device with the values "Type" and "Name").
//
// How a dial goes is scripted in the machine ("ras/dial.txt", see DialOutcome below). RasDialA returns at
// once and the notifications reach the caller's notifier on the calling thread, one state after the other at
// the script's interval, while that thread pumps messages (they are timers of that thread, so virtual time
// jumps to them). Each dial appends the number it dials to the machine's record "dialled.txt".
//
// Exported by the stand-in module "rasapi32.dll" under the names with "A", and by "rnaph.dll" (which Windows 95
// ships) under the plain names of RasDeleteEntry, RasSetEntryProperties and RasEnumDevices.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/winapi/WinTypes.h"

constexpr DWORD RAS_MaxEntryName = 256;
constexpr DWORD RAS_MaxDeviceType = 16;
constexpr DWORD RAS_MaxDeviceName = 128;
constexpr DWORD RAS_MaxPhoneNumber = 128;
constexpr DWORD RAS_MaxCallbackNumber = RAS_MaxPhoneNumber;
constexpr DWORD RAS_MaxAreaCode = 10;
constexpr DWORD RAS_MaxPadType = 32;
constexpr DWORD RAS_MaxX25Address = 200;
constexpr DWORD RAS_MaxFacilities = 200;
constexpr DWORD RAS_MaxUserData = 200;
constexpr DWORD UNLEN = 256;
constexpr DWORD PWLEN = 256;
constexpr DWORD DNLEN = 15;
constexpr DWORD RAS_MAX_PATH = 260;

// Results beyond the common ones of LastError.h.
constexpr DWORD PENDING = 600;
constexpr DWORD ERROR_INVALID_PORT_HANDLE = 601;
constexpr DWORD ERROR_BUFFER_TOO_SMALL = 603;
constexpr DWORD ERROR_BUFFER_INVALID = 610;
constexpr DWORD ERROR_CANNOT_OPEN_PHONEBOOK = 621;
constexpr DWORD ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
constexpr DWORD ERROR_CANNOT_WRITE_PHONEBOOK = 624;
constexpr DWORD ERROR_CORRUPT_PHONEBOOK = 625;
constexpr DWORD ERROR_DISCONNECTION = 628;
constexpr DWORD ERROR_REMOTE_DISCONNECTION = 629;
constexpr DWORD ERROR_INVALID_SIZE = 632;
constexpr DWORD ERROR_PORT_NOT_AVAILABLE = 633;
constexpr DWORD ERROR_LINE_BUSY = 676;
constexpr DWORD ERROR_VOICE_ANSWER = 677;
constexpr DWORD ERROR_NO_ANSWER = 678;
constexpr DWORD ERROR_NO_CARRIER = 679;
constexpr DWORD ERROR_NO_DIALTONE = 680;
constexpr DWORD ERROR_AUTHENTICATION_FAILURE = 691;
constexpr DWORD ERROR_PPP_TIMEOUT = 718;

// dwfOptions of an entry.
constexpr DWORD RASEO_UseCountryAndAreaCodes = 0x00000001;
constexpr DWORD RASEO_SpecificIpAddr = 0x00000002;
constexpr DWORD RASEO_SpecificNameServers = 0x00000004;
constexpr DWORD RASEO_IpHeaderCompression = 0x00000008;
constexpr DWORD RASEO_RemoteDefaultGateway = 0x00000010;
constexpr DWORD RASEO_DisableLcpExtensions = 0x00000020;
constexpr DWORD RASEO_TerminalBeforeDial = 0x00000040;
constexpr DWORD RASEO_TerminalAfterDial = 0x00000080;
constexpr DWORD RASEO_ModemLights = 0x00000100;
constexpr DWORD RASEO_SwCompression = 0x00000200;
constexpr DWORD RASEO_RequireEncryptedPw = 0x00000400;
constexpr DWORD RASEO_RequireMsEncryptedPw = 0x00000800;
constexpr DWORD RASEO_RequireDataEncryption = 0x00001000;
constexpr DWORD RASEO_NetworkLogon = 0x00002000;
constexpr DWORD RASEO_UseLogonCredentials = 0x00004000;
constexpr DWORD RASEO_PromoteAlternates = 0x00008000;
constexpr DWORD RASEO_SecureLocalFiles = 0x00010000;
constexpr DWORD RASEO_RequireEAP = 0x00020000;
constexpr DWORD RASEO_RequirePAP = 0x00040000;
constexpr DWORD RASEO_RequireSPAP = 0x00080000;
constexpr DWORD RASEO_Custom = 0x00100000;
constexpr DWORD RASEO_PreviewPhoneNumber = 0x00200000;
constexpr DWORD RASEO_SharedPhoneNumbers = 0x00800000;
constexpr DWORD RASEO_PreviewUserPw = 0x01000000;
constexpr DWORD RASEO_PreviewDomain = 0x02000000;
constexpr DWORD RASEO_ShowDialingProgress = 0x04000000;
constexpr DWORD RASEO_RequireCHAP = 0x08000000;
constexpr DWORD RASEO_RequireMsCHAP = 0x10000000;
constexpr DWORD RASEO_RequireMsCHAP2 = 0x20000000;
constexpr DWORD RASEO_RequireW95MSCHAP = 0x40000000;

constexpr DWORD RASNP_NetBEUI = 0x00000001;
constexpr DWORD RASNP_Ipx = 0x00000002;
constexpr DWORD RASNP_Ip = 0x00000004;
constexpr DWORD RASFP_Ppp = 0x00000001;
constexpr DWORD RASFP_Slip = 0x00000002;
constexpr DWORD RASFP_Ras = 0x00000004;

// dwType of an entry; 0 (of the older callers) counts as a phone entry.
constexpr DWORD RASET_Phone = 1;
constexpr DWORD RASET_Vpn = 2;
constexpr DWORD RASET_Direct = 3;
constexpr DWORD RASET_Internet = 4;
constexpr DWORD RASET_Broadband = 5;

// Device types.
inline constexpr const char* RASDT_Modem = "modem";
inline constexpr const char* RASDT_Isdn = "isdn";
inline constexpr const char* RASDT_PPPoE = "PPPoE";

struct RASIPADDR {
  BYTE a, b, c, d;
};

struct RASENTRYA {
  DWORD dwSize;
  DWORD dwfOptions;
  DWORD dwCountryID;
  DWORD dwCountryCode;
  CHAR szAreaCode[RAS_MaxAreaCode + 1];
  CHAR szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
  DWORD dwAlternateOffset;
  RASIPADDR ipaddr;
  RASIPADDR ipaddrDns;
  RASIPADDR ipaddrDnsAlt;
  RASIPADDR ipaddrWins;
  RASIPADDR ipaddrWinsAlt;
  DWORD dwFrameSize;
  DWORD dwfNetProtocols;
  DWORD dwFramingProtocol;
  CHAR szScript[RAS_MAX_PATH];
  CHAR szAutodialDll[RAS_MAX_PATH];
  CHAR szAutodialFunc[RAS_MAX_PATH];
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
  CHAR szX25PadType[RAS_MaxPadType + 1];
  CHAR szX25Address[RAS_MaxX25Address + 1];
  CHAR szX25Facilities[RAS_MaxFacilities + 1];
  CHAR szX25UserData[RAS_MaxUserData + 1];
  DWORD dwChannels;
  DWORD dwReserved1;
  DWORD dwReserved2;
  DWORD dwSubEntries;
  DWORD dwDialMode;
  DWORD dwDialExtraPercent;
  DWORD dwDialExtraSampleSeconds;
  DWORD dwHangUpExtraPercent;
  DWORD dwHangUpExtraSampleSeconds;
  DWORD dwIdleDisconnectSeconds;
  DWORD dwType;
  DWORD dwEncryptionType;
  DWORD dwCustomAuthKey;
  BYTE guidId[16];
  CHAR szCustomDialDll[RAS_MAX_PATH];
  DWORD dwVpnStrategy;
};
static_assert(sizeof(RASENTRYA) == 2088);
static_assert(offsetof(RASENTRYA, dwAlternateOffset) == 156 && offsetof(RASENTRYA, szDeviceType) == 972 &&
              offsetof(RASENTRYA, dwChannels) == 1756 && offsetof(RASENTRYA, dwType) == 1796);

struct RASDIALPARAMSA {
  DWORD dwSize;
  CHAR szEntryName[RAS_MaxEntryName + 1];
  CHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
  CHAR szCallbackNumber[RAS_MaxCallbackNumber + 1];
  CHAR szUserName[UNLEN + 1];
  CHAR szPassword[PWLEN + 1];
  CHAR szDomain[DNLEN + 1];
};
static_assert(sizeof(RASDIALPARAMSA) == 1052);
static_assert(offsetof(RASDIALPARAMSA, szUserName) == 519 && offsetof(RASDIALPARAMSA, szPassword) == 776);

struct RASDEVINFOA {
  DWORD dwSize;
  CHAR szDeviceType[RAS_MaxDeviceType + 1];
  CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
static_assert(sizeof(RASDEVINFOA) == 152);

// Dial extensions are not used: RasDialA takes none.
struct RASDIALEXTENSIONS;

VANDREL_DECLARE_HANDLE(HRASCONN);

enum RASCONNSTATE {
  RASCS_OpenPort = 0,
  RASCS_PortOpened,
  RASCS_ConnectDevice,
  RASCS_DeviceConnected,
  RASCS_AllDevicesConnected,
  RASCS_Authenticate,
  RASCS_AuthNotify,
  RASCS_AuthRetry,
  RASCS_AuthCallback,
  RASCS_AuthChangePassword,
  RASCS_AuthProject,
  RASCS_AuthLinkSpeed,
  RASCS_AuthAck,
  RASCS_ReAuthenticate,
  RASCS_Authenticated,
  RASCS_Connected = 0x2000,
  RASCS_Disconnected
};

// The message that a notifier of type 0 receives with each state.
constexpr UINT WM_RASDIALEVENT = 0xCCCD;
using RASDIALFUNC = void (*)(UINT message, RASCONNSTATE state, DWORD error);

// Entries of the default phone book (a phone-book path other than null: ERROR_CANNOT_OPEN_PHONEBOOK). An
// entry name is 1 to 256 characters without control characters, not beginning with a dot
// (ERROR_INVALID_NAME). A structure whose dwSize is not its size: ERROR_INVALID_SIZE.
//
// Creates or replaces the entry's properties (its dial parameters stay). The size given below the
// structure's: ERROR_BUFFER_INVALID. A "PPPoE" device needs the broadband type and a broadband entry a
// "PPPoE" device; a type beyond RASET_Broadband: ERROR_INVALID_PARAMETER. Device information is ignored.
DWORD RasSetEntryPropertiesA(LPCSTR phonebook, LPCSTR entryName, const RASENTRYA* entry, DWORD entrySize,
                             const BYTE* deviceInfo, DWORD deviceInfoSize);
// The stored fields: options, country, area code, phone number, protocols, framing, device, type; the other
// fields read as zero. Without a structure or with a size below it: ERROR_BUFFER_TOO_SMALL and the size.
DWORD RasGetEntryPropertiesA(LPCSTR phonebook, LPCSTR entryName, RASENTRYA* entry, LPDWORD entrySize, LPBYTE deviceInfo,
                             LPDWORD deviceInfoSize);
// A missing entry: ERROR_CANNOT_FIND_PHONEBOOK_ENTRY.
DWORD RasDeleteEntryA(LPCSTR phonebook, LPCSTR entryName);
// The entry's phone number, callback number, user name, password (cleared when `removePassword`) and domain;
// no structure: ERROR_BUFFER_INVALID; a missing entry: ERROR_CANNOT_FIND_PHONEBOOK_ENTRY.
DWORD RasSetEntryDialParamsA(LPCSTR phonebook, const RASDIALPARAMSA* params, BOOL removePassword);
// Fills those fields for the entry that `params` names (empty before any were set); `passwordRead` tells
// whether a password is stored.
DWORD RasGetEntryDialParamsA(LPCSTR phonebook, RASDIALPARAMSA* params, BOOL* passwordRead);

// The machine's devices. `bytes` gives the buffer's size and receives the size needed, `devices` the count;
// a buffer too small (or none, when there is a device): ERROR_BUFFER_TOO_SMALL. The first record's dwSize
// must be sizeof(RASDEVINFOA) (ERROR_INVALID_SIZE).
DWORD RasEnumDevicesA(RASDEVINFOA* buffer, LPDWORD bytes, LPDWORD devices);

// Dials the entry that `params` names (ERROR_CANNOT_FIND_PHONEBOOK_ENTRY when missing) with the parameters'
// phone number, or the entry's when that is empty; writes the connection's handle and returns 0, or the
// scripted immediate error (a handle is written then too, for RasHangUpA). Only a notifier of type 0 (a
// RASDIALFUNC) is supported (else ERROR_NOT_SUPPORTED); no extensions.
DWORD RasDialA(RASDIALEXTENSIONS* extensions, LPCSTR phonebook, RASDIALPARAMSA* params, DWORD notifierType,
               LPVOID notifier, HRASCONN* connection);
// Ends the connection and cancels its pending notifications; an unknown handle: ERROR_INVALID_HANDLE.
DWORD RasHangUpA(HRASCONN connection);
// The text of a RAS result. Code 0 and codes it has no text for: ERROR_INVALID_PARAMETER with the buffer
// untouched; a buffer too small for the text: ERROR_INSUFFICIENT_BUFFER, untouched too.
DWORD RasGetErrorStringA(UINT code, LPSTR buffer, DWORD size);

namespace vandrel {

// How the machine's next dials go, as "ras/dial.txt" holds it: one line "connect", "fail CODE at STATE",
// "silent" (never answers: the states stop at RASCS_ConnectDevice) or "refuse CODE" (RasDialA's own result),
// optionally followed by "every MS" (the interval between states, 1000 when not given). The states are
// RASCS_OpenPort, PortOpened, ConnectDevice, DeviceConnected, AllDevicesConnected, Authenticate, AuthNotify,
// AuthProject, Authenticated and Connected; a failure is reported with its state and ends the states. Without
// the file the line gives no dial tone ("fail 680 at 2").
struct DialOutcome {
  enum Kind { Connect, Fail, Silent, Refuse };
  Kind kind = Connect;
  DWORD error = 0;
  RASCONNSTATE state = RASCS_OpenPort;
  uint32_t everyMs = 1000;
};
std::string DialScriptPath();
std::string PhonebookPath();
// Writes the script; false when it cannot be written.
bool ScriptDial(const DialOutcome& outcome);
// Connections of this process not hung up yet.
size_t OpenRasConnections();

}  // namespace vandrel

// Test switch: a hook that every RAS call runs first with its name ("RasDialA"). A non-zero answer is the
// call's result and the call does nothing else; what the hook throws reaches the caller. None: no hook.
namespace vandrel::ras_testing {

using TRasCallHook = std::function<DWORD(const std::string& function)>;
void SetCallHook(TRasCallHook hook);

}  // namespace vandrel::ras_testing
