// HTTP requests of the internet client: sending (with redirects), header queries and body reads.
// Every request uses a connection of its own ("Connection: close"); a redirect opens a new one.
#include <cstring>

#include "platform/runtime/Collation.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/NameResolution.h"
#include "platform/winapi/wininet/WinInetInternal.h"

namespace vandrel::wininet {
namespace {

constexpr int kMaxRedirects = 10;

class SocketSource : public HttpByteSource {
 public:
  SocketSource(TcpClient& socket, DWORD timeoutMs) : socket_(socket), timeoutMs_(timeoutMs) {}
  DWORD Receive(char* buffer, size_t size, size_t& received) override {
    return socket_.Receive(buffer, size, received, timeoutMs_);
  }

 private:
  TcpClient& socket_;
  DWORD timeoutMs_;
};

// Where one exchange goes: the server named by the URL and the target of the request line.
struct Target {
  std::string host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  std::string object;
};

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

// The request target as sent: without fragment, rooted, with bytes that may not stand in a request line
// (controls, space, non-ASCII) percent-encoded.
std::string RequestTarget(std::string_view object) {
  object = object.substr(0, object.find('#'));
  std::string out;
  if (object.empty() || (object.front() != '/' && object != "*")) out.push_back('/');
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : object) {
    if (c <= 0x20 || c >= 0x7F) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(char(c));
    }
  }
  return out;
}

bool ValidHost(std::string_view host) {
  if (host.empty()) return false;
  for (unsigned char c : host)
    if (c <= 0x20 || c >= 0x7F || std::strchr("/?#@\\[]", c)) return false;
  return true;
}

std::string HostHeader(const Target& t) {
  std::string host = t.host.find(':') != std::string::npos ? "[" + t.host + "]" : t.host;
  return t.port == INTERNET_DEFAULT_HTTP_PORT ? host : host + ":" + std::to_string(t.port);
}

// The proxy for a host, from a session's proxy list ("host:port" or "http=host:port" entries) and bypass
// list ("<local>" for names without a dot, else names with "*" wildcards); empty when going direct.
bool WildcardMatch(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && SameText(pattern.substr(p, 1), text.substr(t, 1))) {
      ++p, ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

template <class F>
void ForEachToken(std::string_view list, F f) {
  size_t i = 0;
  while (i < list.size()) {
    size_t end = list.find_first_of("; ,\t\r\n", i);
    if (end == std::string_view::npos) end = list.size();
    if (end > i) f(list.substr(i, end - i));
    i = end + 1;
  }
}

std::string ProxyFor(const Session& s, const std::string& host) {
  if (s.accessType != INTERNET_OPEN_TYPE_PROXY) return "";
  bool bypass = false;
  ForEachToken(s.bypass, [&](std::string_view entry) {
    if (SameText(entry, "<local>"))
      bypass = bypass || host.find('.') == std::string::npos;
    else
      bypass = bypass || WildcardMatch(entry, host);
  });
  if (bypass) return "";
  std::string chosen;
  ForEachToken(s.proxy, [&](std::string_view entry) {
    size_t eq = entry.find('=');
    if (eq == std::string_view::npos) {
      if (chosen.empty()) chosen.assign(entry);
    } else if (SameText(entry.substr(0, eq), "http")) {
      chosen.assign(entry.substr(eq + 1));
    }
  });
  return chosen;
}

DWORD SplitHostPort(std::string_view text, std::string& host, INTERNET_PORT& port) {
  UrlParts parts;
  std::string url = "http://" + std::string(text);
  SplitUrl(url, parts);
  host.assign(parts.host);
  port = INTERNET_DEFAULT_HTTP_PORT;
  if (!parts.port.empty()) {
    unsigned long value = 0;
    for (unsigned char c : parts.port) {
      if (c < '0' || c > '9' || value > 65535) return ERROR_INTERNET_INVALID_URL;
      value = value * 10 + (c - '0');
    }
    if (value == 0 || value > 65535) return ERROR_INTERNET_INVALID_URL;
    port = INTERNET_PORT(value);
  }
  return ValidHost(host) ? ERROR_SUCCESS : ERROR_INTERNET_INVALID_URL;
}

std::string BuildRequest(const Request& r, const Target& t, const std::string& method, const std::string& body,
                         std::string_view extraHeaders, bool viaProxy) {
  const Session& session = r.connection().session();
  std::string target = RequestTarget(t.object);
  if (viaProxy) target = "http://" + HostHeader(t) + target;
  std::string text = method + " " + target + " " + r.version + "\r\n";
  text += "Host: " + HostHeader(t) + "\r\n";
  if (!session.agent.empty()) text += "User-Agent: " + session.agent + "\r\n";
  if (!r.referrer.empty()) text += "Referer: " + r.referrer + "\r\n";
  if (r.flags & (INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE)) text += "Pragma: no-cache\r\n";
  text += "Connection: close\r\n";
  if (!body.empty() || method == "POST" || method == "PUT")
    text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  while (!extraHeaders.empty() && (extraHeaders.back() == '\r' || extraHeaders.back() == '\n'))
    extraHeaders.remove_suffix(1);
  if (!extraHeaders.empty()) text.append(extraHeaders).append("\r\n");
  text += "\r\n";
  return text + body;
}

// One exchange: connect, write the request, read the response head.
DWORD Exchange(Request& r, const Target& t, const std::string& method, const std::string& body,
               std::string_view extraHeaders) {
  r.response.reset();
  r.source.reset();
  r.socket.Close();
  const Session& session = r.connection().session();
  if (session.flags & INTERNET_FLAG_OFFLINE) return ERROR_FILE_NOT_FOUND;  // offline: only a cache could answer
  if (!ValidHost(t.host)) return ERROR_INTERNET_INVALID_URL;
  std::string proxy = ProxyFor(session, t.host);
  std::string peer = t.host;
  INTERNET_PORT port = t.port;
  if (!proxy.empty())
    if (DWORD e = SplitHostPort(proxy, peer, port)) return e;
  std::vector<std::string> addresses;
  // The lookup itself cannot be cancelled; the socket waits after it can.
  if (DWORD e = vandrel::ResolveHostName(peer, addresses)) return e;
  if (DWORD e = r.socket.Connect(addresses, port, EffectiveTimeout(&r, kConnect))) return e;
  std::string request = BuildRequest(r, t, method, body, extraHeaders, !proxy.empty());
  if (DWORD e = r.socket.Send(request.data(), request.size(), EffectiveTimeout(&r, kSend))) return e;
  r.source = std::make_unique<SocketSource>(r.socket, EffectiveTimeout(&r, kReceive));
  r.response = std::make_unique<HttpResponseReader>(*r.source, method == "HEAD");
  return r.response->ReadHead();
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The next hop of a redirect, or an error when it cannot be followed.
DWORD NextHop(Request& r, const std::string& location, Target& t) {
  r.url = CombineUrl(r.url, location);
  UrlParts parts;
  SplitUrl(r.url, parts);
  if (!parts.hasScheme || !SameText(parts.scheme, "http") || !parts.hasAuthority) return ERROR_HTTP_REDIRECT_FAILED;
  std::string hostPort(parts.authority.substr(parts.authority.rfind('@') + 1));
  if (SplitHostPort(hostPort, t.host, t.port) != ERROR_SUCCESS) return ERROR_INTERNET_INVALID_URL;
  t.object = std::string(parts.path) + (parts.hasQuery ? "?" + std::string(parts.query) : "");
  return ERROR_SUCCESS;
}

DWORD Send(Request& r, std::string_view headers, std::string body) {
  const Connection& c = r.connection();
  Target t{c.host, c.port, r.object};
  std::string method = r.verb;
  for (int hop = 0;; ++hop) {
    if (DWORD e = Exchange(r, t, method, body, headers)) return e;
    int status = r.response->StatusCode();
    const std::string* location = r.response->FindHeader("Location");
    if ((r.flags & INTERNET_FLAG_NO_AUTO_REDIRECT) || !IsRedirect(status) || !location) return ERROR_SUCCESS;
    if (hop == kMaxRedirects) return ERROR_HTTP_REDIRECT_FAILED;
    if (DWORD e = NextHop(r, *location, t)) return e;
    if (status == 303 || ((status == 301 || status == 302) && method == "POST")) {
      method = "GET";
      body.clear();
    }
  }
}

// Copies a header value out as text or as a number.
BOOL PutValue(const std::string& value, bool number, LPVOID buffer, LPDWORD length) {
  if (number) {
    uint64_t n = 0;
    bool digits = !value.empty() && value.size() <= 10;
    for (unsigned char ch : value) {
      digits = digits && ch >= '0' && ch <= '9';
      n = n * 10 + (ch - '0');
    }
    if (!digits || n > 0xFFFFFFFFu) return Fail(ERROR_HTTP_INVALID_HEADER);
    if (!buffer || *length < sizeof(DWORD)) {
      *length = sizeof(DWORD);
      return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    DWORD v = DWORD(n);
    std::memcpy(buffer, &v, sizeof v);
    *length = sizeof(DWORD);
    return TRUE;
  }
  if (!buffer || *length <= value.size()) {
    *length = DWORD(value.size() + 1);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  *length = DWORD(value.size());
  return TRUE;
}

const char* HeaderOfQuery(DWORD level) {
  switch (level) {
    case HTTP_QUERY_CONTENT_TYPE: return "Content-Type";
    case HTTP_QUERY_CONTENT_LENGTH: return "Content-Length";
    case HTTP_QUERY_LOCATION: return "Location";
    default: return nullptr;
  }
}

}  // namespace
}  // namespace vandrel::wininet

using namespace vandrel::wininet;

BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength) {
  auto handle = LookUp(request, HandleKind::Request);
  if (!handle) return FALSE;
  auto& r = static_cast<Request&>(*handle);
  std::string_view extra;
  if (headers) extra = std::string_view(headers, headersLength == DWORD(-1) ? std::strlen(headers) : headersLength);
  std::string body;
  if (optional && optionalLength) body.assign(static_cast<const char*>(optional), optionalLength);
  std::lock_guard<std::mutex> guard(r.io);
  DWORD result = Send(r, extra, std::move(body));
  if (result != ERROR_SUCCESS) {
    r.response.reset();
    r.source.reset();
    r.socket.Close();
    return Fail(result);
  }
  return TRUE;
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index) {
  auto handle = LookUp(request, HandleKind::Request);
  if (!handle) return FALSE;
  if (!bufferLength) return Fail(ERROR_INVALID_PARAMETER);
  auto& r = static_cast<Request&>(*handle);
  std::lock_guard<std::mutex> guard(r.io);
  if (!r.response) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  DWORD modifiers = infoLevel & HTTP_QUERY_MODIFIER_FLAGS_MASK;
  DWORD level = infoLevel & ~HTTP_QUERY_MODIFIER_FLAGS_MASK;
  if (modifiers & ~HTTP_QUERY_FLAG_NUMBER) return Fail(ERROR_HTTP_INVALID_QUERY_REQUEST);
  bool number = modifiers & HTTP_QUERY_FLAG_NUMBER;
  const vandrel::HttpResponseReader& response = *r.response;
  switch (level) {
    case HTTP_QUERY_STATUS_CODE: return PutValue(std::to_string(response.StatusCode()), number, buffer, bufferLength);
    case HTTP_QUERY_STATUS_TEXT: return PutValue(response.StatusText(), number, buffer, bufferLength);
    case HTTP_QUERY_VERSION: return PutValue(response.Version(), number, buffer, bufferLength);
    case HTTP_QUERY_RAW_HEADERS_CRLF: return PutValue(response.RawHeaders(), number, buffer, bufferLength);
    default: break;
  }
  std::string name;
  if (level == HTTP_QUERY_CUSTOM) {
    if (!buffer) return Fail(ERROR_INVALID_PARAMETER);
    name.assign(static_cast<const char*>(buffer), strnlen(static_cast<const char*>(buffer), *bufferLength));
  } else if (const char* known = HeaderOfQuery(level)) {
    name = known;
  } else {
    return Fail(ERROR_HTTP_INVALID_QUERY_REQUEST);
  }
  DWORD which = index ? *index : 0;
  const std::string* value = response.FindHeader(name, which);
  if (!value) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
  if (!PutValue(*value, number, buffer, bufferLength)) return FALSE;
  if (index) ++*index;
  return TRUE;
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead) {
  if (bytesRead) *bytesRead = 0;
  auto handle = LookUp(file, HandleKind::Request);
  if (!handle) return FALSE;
  if (!bytesRead || (!buffer && bytesToRead)) return Fail(ERROR_INVALID_PARAMETER);
  auto& r = static_cast<Request&>(*handle);
  std::lock_guard<std::mutex> guard(r.io);
  if (!r.response) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  size_t received = 0;
  if (DWORD e = r.response->ReadBody(static_cast<char*>(buffer), bytesToRead, received)) return Fail(e);
  *bytesRead = DWORD(received);
  return TRUE;
}
