// The internet client's handles, options, connected state and error texts.
#include "platform/winapi/WinInet.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/wininet/WinInetInternal.h"

namespace vandrel::wininet {
namespace {

std::mutex g_tableLock;
std::unordered_map<uintptr_t, std::shared_ptr<Handle>>& Table() {
  static std::unordered_map<uintptr_t, std::shared_ptr<Handle>> table;
  return table;
}
uintptr_t g_nextHandle = 0xCC0000;

// Process-wide defaults of the time-outs, in milliseconds.
std::atomic<DWORD> g_defaults[kTimeoutCount] = {60000, 30000, 30000};

std::string ErrorText(DWORD code) {
  switch (code) {
    case ERROR_INTERNET_OUT_OF_HANDLES: return "No more Internet handles can be allocated";
    case ERROR_INTERNET_TIMEOUT: return "The operation timed out";
    case ERROR_INTERNET_INTERNAL_ERROR: return "An internal error occurred in the Microsoft Internet extensions";
    case ERROR_INTERNET_INVALID_URL: return "The URL is invalid";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME: return "The URL does not use a recognized protocol";
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return "The server name or address could not be resolved";
    case ERROR_INTERNET_INVALID_OPTION: return "The option is invalid";
    case ERROR_INTERNET_BAD_OPTION_LENGTH: return "The length is incorrect for the option type";
    case ERROR_INTERNET_OPTION_NOT_SETTABLE: return "The option value cannot be set";
    case ERROR_INTERNET_INVALID_OPERATION: return "The operation is invalid";
    case ERROR_INTERNET_OPERATION_CANCELLED: return "The operation was canceled";
    case ERROR_INTERNET_INCORRECT_HANDLE_TYPE: return "The type of handle supplied is incorrect for this operation";
    case ERROR_INTERNET_INCORRECT_HANDLE_STATE:
      return "The requested operation cannot be carried out because the handle supplied is not in the correct "
             "state";
    case ERROR_INTERNET_CANNOT_CONNECT: return "A connection with the server could not be established";
    case ERROR_INTERNET_CONNECTION_ABORTED: return "The connection with the server was terminated abnormally";
    case ERROR_INTERNET_CONNECTION_RESET: return "The connection with the server was reset";
    case ERROR_HTTP_HEADER_NOT_FOUND: return "The requested header was not found";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE: return "The server returned an invalid or unrecognized response";
    case ERROR_HTTP_INVALID_HEADER: return "The supplied HTTP header is invalid";
    case ERROR_HTTP_INVALID_QUERY_REQUEST: return "The request made to HttpQueryInfo is invalid";
    case ERROR_HTTP_REDIRECT_FAILED: return "The HTTP redirect request failed";
    case ERROR_INTERNET_DISCONNECTED: return "The Internet connection has been lost";
    default: return "";
  }
}

const bool g_textsRegistered = [] {
  RegisterErrorMessages(INTERNET_ERROR_BASE, INTERNET_ERROR_LAST, ErrorText);
  return true;
}();

bool IsTokenChar(unsigned char c) {
  if ((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) return true;
  return c != 0 && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

std::string Text(LPCSTR s) { return s ? s : ""; }

// Copies bytes out as an option value; false (with the size needed) when the buffer is too small.
BOOL PutOption(const void* data, DWORD size, LPVOID buffer, LPDWORD length) {
  if (!buffer || *length < size) {
    *length = size;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, data, size);
  *length = size;
  return TRUE;
}

BOOL QueryProxy(const Session& s, LPVOID buffer, LPDWORD length) {
  DWORD proxyAt = sizeof(INTERNET_PROXY_INFO);
  DWORD bypassAt = proxyAt + DWORD(s.proxy.size() + 1);
  DWORD size = bypassAt + DWORD(s.bypass.size() + 1);
  if (!buffer || *length < size) {
    *length = size;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  char* base = static_cast<char*>(buffer);
  std::memcpy(base + proxyAt, s.proxy.c_str(), s.proxy.size() + 1);
  std::memcpy(base + bypassAt, s.bypass.c_str(), s.bypass.size() + 1);
  INTERNET_PROXY_INFO info{s.accessType, base + proxyAt, base + bypassAt};
  std::memcpy(base, &info, sizeof info);
  *length = size;
  return TRUE;
}

int TimeoutOption(DWORD option) {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: return kConnect;
    case INTERNET_OPTION_SEND_TIMEOUT: return kSend;
    case INTERNET_OPTION_RECEIVE_TIMEOUT: return kReceive;
    default: return -1;
  }
}

// What InternetGetConnectedState answers when a test or host has said so.
std::mutex g_stateLock;
bool g_stateSet = false;
bool g_connected = true;
DWORD g_connectedFlags = INTERNET_CONNECTION_LAN;

// The machine's own switch: "Work offline" of the user's Internet settings.
bool MachineWorksOffline() {
  if (!vandrel::MachineExists()) return false;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, value = 0, size = sizeof value;
  LONG result = RegQueryValueExA(key, "GlobalUserOffline", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}

}  // namespace

HINTERNET Register(std::shared_ptr<Handle> handle) {
  std::lock_guard<std::mutex> guard(g_tableLock);
  g_nextHandle += 4;
  Table()[g_nextHandle] = std::move(handle);
  return reinterpret_cast<HINTERNET>(g_nextHandle);
}

std::shared_ptr<Handle> LookUpAny(HINTERNET h) {
  std::lock_guard<std::mutex> guard(g_tableLock);
  auto it = Table().find(reinterpret_cast<uintptr_t>(h));
  if (it == Table().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

std::shared_ptr<Handle> LookUp(HINTERNET h, HandleKind kind) {
  std::shared_ptr<Handle> handle = LookUpAny(h);
  if (handle && handle->kind != kind) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return handle;
}

DWORD EffectiveTimeout(const Handle* handle, Timeout which) {
  for (; handle; handle = handle->parent.get()) {
    DWORD value = handle->timeouts[which].load();
    if (value != kUnset) return value;
  }
  return g_defaults[which].load();
}

}  // namespace vandrel::wininet

using namespace vandrel::wininet;

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags) {
  bool known = accessType == INTERNET_OPEN_TYPE_PRECONFIG || accessType == INTERNET_OPEN_TYPE_DIRECT ||
               accessType == INTERNET_OPEN_TYPE_PROXY || accessType == INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  if (!known || (accessType == INTERNET_OPEN_TYPE_PROXY && Text(proxy).empty())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto session = std::make_shared<Session>();
  session->agent = Text(agent);
  session->accessType = accessType;
  if (accessType == INTERNET_OPEN_TYPE_PROXY) {
    session->proxy = Text(proxy);
    session->bypass = Text(proxyBypass);
  }
  session->flags = flags;
  return Register(std::move(session));
}

HINTERNET InternetConnectA(HINTERNET session, LPCSTR serverName, INTERNET_PORT serverPort, LPCSTR userName,
                           LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context) {
  auto parent = LookUp(session, HandleKind::Session);
  if (!parent) return nullptr;
  if (!serverName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (service != INTERNET_SERVICE_HTTP) {  // only HTTP is spoken here
    SetLastError(service == INTERNET_SERVICE_FTP || service == INTERNET_SERVICE_GOPHER ? ERROR_NOT_SUPPORTED
                                                                                       : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto connection = std::make_shared<Connection>();
  connection->parent = parent;
  connection->host = serverName;
  connection->port = serverPort == INTERNET_INVALID_PORT_NUMBER ? INTERNET_DEFAULT_HTTP_PORT : serverPort;
  connection->user = Text(userName);
  connection->password = Text(password);
  connection->service = service;
  connection->flags = flags;
  connection->context = context;
  return Register(std::move(connection));
}

HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR objectName, LPCSTR version, LPCSTR referrer,
                           LPCSTR* /*acceptTypes: none are sent*/, DWORD flags, DWORD_PTR context) {
  auto parent = LookUp(connection, HandleKind::Connection);
  if (!parent) return nullptr;
  std::string method = verb && *verb ? verb : "GET";
  for (unsigned char c : method)
    if (!IsTokenChar(c)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  auto request = std::make_shared<Request>();
  request->parent = parent;
  request->verb = method;
  request->object = Text(objectName);
  request->version = version && *version ? version : "HTTP/1.1";
  request->referrer = Text(referrer);
  request->flags = flags;
  request->context = context;
  const auto& c = static_cast<const Connection&>(*parent);
  std::string host = c.host.find(':') != std::string::npos ? "[" + c.host + "]" : c.host;
  std::string object =
      request->object.empty() || request->object.front() != '/' ? "/" + request->object : request->object;
  request->url = "http://" + host + (c.port == 80 ? "" : ":" + std::to_string(c.port)) + object;
  return Register(std::move(request));
}

BOOL InternetCloseHandle(HINTERNET internet) {
  std::vector<std::shared_ptr<Handle>> doomed;  // released outside the lock
  std::lock_guard<std::mutex> guard(g_tableLock);
  auto it = Table().find(reinterpret_cast<uintptr_t>(internet));
  if (it == Table().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const Handle* closing = it->second.get();
  for (auto e = Table().begin(); e != Table().end();) {
    bool under = false;
    for (const Handle* h = e->second.get(); h && !under; h = h->parent.get()) under = h == closing;
    if (under) {
      doomed.push_back(std::move(e->second));
      e = Table().erase(e);
    } else {
      ++e;
    }
  }
  return TRUE;
}

BOOL InternetSetOptionA(HINTERNET internet, DWORD option, LPVOID buffer, DWORD bufferLength) {
  int which = TimeoutOption(option);
  if (which < 0) {
    SetLastError(option == INTERNET_OPTION_URL || option == INTERNET_OPTION_PROXY ? ERROR_INTERNET_OPTION_NOT_SETTABLE
                                                                                  : ERROR_INTERNET_INVALID_OPTION);
    return FALSE;
  }
  if (!buffer || bufferLength != sizeof(DWORD)) {
    SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
    return FALSE;
  }
  DWORD value;
  std::memcpy(&value, buffer, sizeof value);
  if (value == kUnset) value = vandrel::INFINITE_TIMEOUT;
  if (!internet) {
    g_defaults[which] = value;
    return TRUE;
  }
  auto handle = LookUpAny(internet);
  if (!handle) return FALSE;
  handle->timeouts[which] = value;
  return TRUE;
}

BOOL InternetQueryOptionA(HINTERNET internet, DWORD option, LPVOID buffer, LPDWORD bufferLength) {
  if (!bufferLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<Handle> handle;
  if (internet && !(handle = LookUpAny(internet))) return FALSE;
  int which = TimeoutOption(option);
  if (which >= 0) {
    DWORD value = EffectiveTimeout(handle.get(), Timeout(which));
    return PutOption(&value, sizeof value, buffer, bufferLength);
  }
  if (option == INTERNET_OPTION_URL && handle && handle->kind == HandleKind::Request) {
    auto& request = static_cast<Request&>(*handle);
    std::lock_guard<std::mutex> guard(request.io);
    const std::string& url = request.url;
    if (!buffer || *bufferLength <= url.size()) {
      *bufferLength = DWORD(url.size() + 1);
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    std::memcpy(buffer, url.c_str(), url.size() + 1);
    *bufferLength = DWORD(url.size());
    return TRUE;
  }
  if (option == INTERNET_OPTION_PROXY && handle && handle->kind == HandleKind::Session)
    return QueryProxy(static_cast<Session&>(*handle), buffer, bufferLength);
  SetLastError(option == INTERNET_OPTION_URL || option == INTERNET_OPTION_PROXY ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE
                                                                                : ERROR_INTERNET_INVALID_OPTION);
  return FALSE;
}

BOOL InternetGetConnectedState(LPDWORD flags, DWORD /*reserved*/) {
  {
    std::lock_guard<std::mutex> guard(g_stateLock);
    if (g_stateSet) {
      if (flags) *flags = g_connectedFlags;
      return g_connected ? TRUE : FALSE;
    }
  }
  if (flags) *flags = INTERNET_CONNECTION_LAN | (MachineWorksOffline() ? INTERNET_CONNECTION_OFFLINE : 0);
  return TRUE;
}

namespace vandrel {

void SetInternetConnectedState(bool connected, DWORD flags) {
  std::lock_guard<std::mutex> guard(wininet::g_stateLock);
  wininet::g_stateSet = true;
  wininet::g_connected = connected;
  wininet::g_connectedFlags = flags;
}

void ResetInternetConnectedState() {
  std::lock_guard<std::mutex> guard(wininet::g_stateLock);
  wininet::g_stateSet = false;
}

}  // namespace vandrel
