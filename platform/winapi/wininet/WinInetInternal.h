// Shared by the sources of the internet client: the handle table, time-outs and URL parsing.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/runtime/Collation.h"
#include "platform/winapi/Sockets.h"
#include "platform/winapi/WinInet.h"
#include "platform/winapi/WinInetHttp.h"

namespace vandrel::wininet {

enum class HandleKind { Session, Connection, Request };
enum Timeout { kConnect, kSend, kReceive, kTimeoutCount };
constexpr DWORD kUnset = 0xFFFFFFFE;

struct Handle {
  explicit Handle(HandleKind k) : kind(k) {}
  virtual ~Handle() = default;
  HandleKind kind;
  std::shared_ptr<Handle> parent;
  DWORD_PTR context = 0;
  std::atomic<DWORD> timeouts[kTimeoutCount] = {kUnset, kUnset, kUnset};
};

struct Session : Handle {
  Session() : Handle(HandleKind::Session) {}
  std::string agent, proxy, bypass;
  DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
  DWORD flags = 0;
};

struct Connection : Handle {
  Connection() : Handle(HandleKind::Connection) {}
  const Session& session() const { return static_cast<const Session&>(*parent); }
  std::string host, user, password;
  INTERNET_PORT port = 0;
  DWORD service = INTERNET_SERVICE_HTTP;
  DWORD flags = 0;
};

struct Request : Handle {
  Request() : Handle(HandleKind::Request) {}
  const Connection& connection() const { return static_cast<const Connection&>(*parent); }
  std::string verb, object, version, referrer;
  DWORD flags = 0;
  std::mutex io;    // one send, read or query at a time
  std::string url;  // where the request stands: its own URL, then each redirect's
  TcpClient socket;
  std::unique_ptr<HttpByteSource> source;
  std::unique_ptr<HttpResponseReader> response;
};

// The handle table: handles are numbers, so that a closed or foreign handle is detected.
HINTERNET Register(std::shared_ptr<Handle> handle);
// The handle of that kind, or null with the last error set.
std::shared_ptr<Handle> LookUp(HINTERNET h, HandleKind kind);
std::shared_ptr<Handle> LookUpAny(HINTERNET h);
// The time-out that applies to the handle: its own, its parents', else the process-wide default.
DWORD EffectiveTimeout(const Handle* handle, Timeout which);

// A URL split as RFC 3986 splits it; views into the text.
struct UrlParts {
  std::string_view scheme, authority, user, password, host, port, path, query, fragment;
  bool hasScheme = false, hasAuthority = false, hasUser = false, hasPassword = false, hasPort = false;
  bool hasQuery = false, hasFragment = false;
};
void SplitUrl(std::string_view url, UrlParts& parts);
// The reference resolved against the base (both as given; backslashes handled as InternetCombineUrlA does).
std::string CombineUrl(std::string_view base, std::string_view reference);
INTERNET_SCHEME SchemeNumber(std::string_view scheme);
INTERNET_PORT DefaultPort(INTERNET_SCHEME scheme);

}  // namespace vandrel::wininet
