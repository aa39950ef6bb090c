// The internet client calls of Win32 (sessions, connections and HTTP requests over TCP, URL cracking and
// combining, the connected state), with WinInet's handle model: nothing touches the network until a request
// is sent; sending connects, writes the request and reads the status line and headers; reads pull the body.
// There is no URL cache: every request goes to the network.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/winapi/LastError.h"
#include "platform/winapi/WinTypes.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;

// Open types of InternetOpenA.
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY = 4;

// Services of InternetConnectA.
constexpr DWORD INTERNET_SERVICE_FTP = 1;
constexpr DWORD INTERNET_SERVICE_GOPHER = 2;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr INTERNET_PORT INTERNET_DEFAULT_FTP_PORT = 21;
constexpr INTERNET_PORT INTERNET_DEFAULT_GOPHER_PORT = 70;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// Flags of sessions, connections and requests.
constexpr DWORD INTERNET_FLAG_NEED_FILE = 0x10;
constexpr DWORD INTERNET_FLAG_PRAGMA_NOCACHE = 0x100;
constexpr DWORD INTERNET_FLAG_NO_UI = 0x200;
constexpr DWORD INTERNET_FLAG_HYPERLINK = 0x400;
constexpr DWORD INTERNET_FLAG_RESYNCHRONIZE = 0x800;
constexpr DWORD INTERNET_FLAG_IGNORE_CERT_CN_INVALID = 0x1000;
constexpr DWORD INTERNET_FLAG_IGNORE_CERT_DATE_INVALID = 0x2000;
constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x4000;
constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x8000;
constexpr DWORD INTERNET_FLAG_CACHE_IF_NET_FAIL = 0x10000;
constexpr DWORD INTERNET_FLAG_NO_AUTH = 0x40000;
constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x80000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x200000;
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x400000;
constexpr DWORD INTERNET_FLAG_SECURE = 0x800000;
constexpr DWORD INTERNET_FLAG_OFFLINE = 0x1000000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x4000000;
constexpr DWORD INTERNET_FLAG_PASSIVE = 0x8000000;
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;

// Options of InternetSetOptionA and InternetQueryOptionA.
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD INTERNET_OPTION_URL = 34;
constexpr DWORD INTERNET_OPTION_PROXY = 38;

// Queries of HttpQueryInfoA, and its modifiers.
constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_VERSION = 18;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_STATUS_TEXT = 20;
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;
constexpr DWORD HTTP_QUERY_LOCATION = 33;
constexpr DWORD HTTP_QUERY_CUSTOM = 65535;
constexpr DWORD HTTP_QUERY_MODIFIER_FLAGS_MASK = 0xF0000000;
constexpr DWORD HTTP_QUERY_FLAG_SYSTEMTIME = 0x40000000;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;
constexpr DWORD HTTP_QUERY_FLAG_REQUEST_HEADERS = 0x80000000;

// Flags of InternetCombineUrlA and InternetCrackUrlA. URLs are never encoded or decoded here.
constexpr DWORD ICU_ESCAPE = 0x80000000;
constexpr DWORD ICU_DECODE = 0x10000000;
constexpr DWORD ICU_NO_ENCODE = 0x20000000;
constexpr DWORD ICU_BROWSER_MODE = 0x02000000;

// Flags of InternetGetConnectedState.
constexpr DWORD INTERNET_CONNECTION_MODEM = 0x01;
constexpr DWORD INTERNET_CONNECTION_LAN = 0x02;
constexpr DWORD INTERNET_CONNECTION_PROXY = 0x04;
constexpr DWORD INTERNET_RAS_INSTALLED = 0x10;
constexpr DWORD INTERNET_CONNECTION_OFFLINE = 0x20;
constexpr DWORD INTERNET_CONNECTION_CONFIGURED = 0x40;

// WinInet's own error codes (texts registered with SysErrorMessage).
constexpr DWORD INTERNET_ERROR_BASE = 12000;
constexpr DWORD INTERNET_ERROR_LAST = 12175;
constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
constexpr DWORD ERROR_INTERNET_OPTION_NOT_SETTABLE = 12011;
constexpr DWORD ERROR_INTERNET_INVALID_OPERATION = 12016;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
constexpr DWORD ERROR_HTTP_INVALID_QUERY_REQUEST = 12154;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
constexpr DWORD ERROR_INTERNET_DISCONNECTED = 12163;

// Schemes reported by InternetCrackUrlA.
enum INTERNET_SCHEME : int {
  INTERNET_SCHEME_PARTIAL = -2,
  INTERNET_SCHEME_UNKNOWN = -1,
  INTERNET_SCHEME_DEFAULT = 0,
  INTERNET_SCHEME_FTP = 1,
  INTERNET_SCHEME_GOPHER = 2,
  INTERNET_SCHEME_HTTP = 3,
  INTERNET_SCHEME_HTTPS = 4,
  INTERNET_SCHEME_FILE = 5,
  INTERNET_SCHEME_NEWS = 6,
  INTERNET_SCHEME_MAILTO = 7,
};

// Parts of a URL. For each part: a null pointer with a non-zero length asks for a pointer into the URL;
// a buffer with its size asks for a copy; a zero length skips the part.
struct URL_COMPONENTSA {
  DWORD dwStructSize;
  LPSTR lpszScheme;
  DWORD dwSchemeLength;
  INTERNET_SCHEME nScheme;
  LPSTR lpszHostName;
  DWORD dwHostNameLength;
  INTERNET_PORT nPort;
  LPSTR lpszUserName;
  DWORD dwUserNameLength;
  LPSTR lpszPassword;
  DWORD dwPasswordLength;
  LPSTR lpszUrlPath;
  DWORD dwUrlPathLength;
  LPSTR lpszExtraInfo;
  DWORD dwExtraInfoLength;
};

// What INTERNET_OPTION_PROXY reports of a session.
struct INTERNET_PROXY_INFO {
  DWORD dwAccessType;
  LPCSTR lpszProxy;
  LPCSTR lpszProxyBypass;
};

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags);
HINTERNET InternetConnectA(HINTERNET session, LPCSTR serverName, INTERNET_PORT serverPort, LPCSTR userName,
                           LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context);
HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR objectName, LPCSTR version, LPCSTR referrer,
                           LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context);
// Headers: lines separated by CR LF; a length of (DWORD)-1 means a terminated string.
BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength);
BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index);
// Fills the buffer until the body ends; at the end it succeeds with 0 bytes. A body cut short fails.
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
// A null handle sets the process-wide default that handles without a value of their own use.
BOOL InternetSetOptionA(HINTERNET internet, DWORD option, LPVOID buffer, DWORD bufferLength);
BOOL InternetQueryOptionA(HINTERNET internet, DWORD option, LPVOID buffer, LPDWORD bufferLength);
// Closes the handle and every handle opened under it.
BOOL InternetCloseHandle(HINTERNET internet);

BOOL InternetCrackUrlA(LPCSTR url, DWORD urlLength, DWORD flags, URL_COMPONENTSA* components);
// Resolves a reference against a base as RFC 3986 does. On a short buffer: ERROR_INSUFFICIENT_BUFFER and
// the size needed, terminator included; on success the length written, terminator excluded.
BOOL InternetCombineUrlA(LPCSTR baseUrl, LPCSTR relativeUrl, LPSTR buffer, LPDWORD bufferLength, DWORD flags);

BOOL InternetGetConnectedState(LPDWORD flags, DWORD reserved);

// Controls of the emulated machine, for tests and hosts.
namespace vandrel {

// Sets what InternetGetConnectedState answers. Until then, and after a reset, it answers from the machine:
// connected over the LAN, offline while the user's Internet settings have GlobalUserOffline set.
void SetInternetConnectedState(bool connected, DWORD flags);
void ResetInternetConnectedState();

}  // namespace vandrel
