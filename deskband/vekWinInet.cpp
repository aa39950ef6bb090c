#include "deskband/vekWinInet.h"

#include <algorithm>
#include <memory>

#include "platform/runtime/Collation.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/LastError.h"

namespace {

constexpr DWORD kOptionFlags[] = {
    INTERNET_FLAG_CACHE_IF_NET_FAIL,
    INTERNET_FLAG_HYPERLINK,
    INTERNET_FLAG_IGNORE_CERT_CN_INVALID,
    INTERNET_FLAG_IGNORE_CERT_DATE_INVALID,
    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP,
    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS,
    INTERNET_FLAG_KEEP_CONNECTION,
    INTERNET_FLAG_NEED_FILE,
    INTERNET_FLAG_NO_AUTH,
    INTERNET_FLAG_NO_AUTO_REDIRECT,
    INTERNET_FLAG_NO_CACHE_WRITE,
    INTERNET_FLAG_NO_COOKIES,
    INTERNET_FLAG_NO_UI,
    INTERNET_FLAG_PRAGMA_NOCACHE,
    INTERNET_FLAG_RELOAD,
    INTERNET_FLAG_RESYNCHRONIZE,
    INTERNET_FLAG_SECURE,
};

struct ServiceInfo {
  DWORD service;
  int defaultPort;
};
constexpr ServiceInfo kServices[] = {
    {INTERNET_SERVICE_HTTP, INTERNET_DEFAULT_HTTP_PORT},
    {INTERNET_SERVICE_FTP, INTERNET_DEFAULT_FTP_PORT},
    {INTERNET_SERVICE_GOPHER, INTERNET_DEFAULT_GOPHER_PORT},
};

const char* NilIfEmpty(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

// Frees an object of the layer when the scope ends.
struct FreeObject {
  void operator()(TObject* object) const { object->Free(); }
};
template <class T>
using Owned = std::unique_ptr<T, FreeObject>;

[[noreturn]] void UnsupportedScheme(const std::string& url) {
  throw EWinInet(Format("Unsupported URL scheme in \"%s\"", {url}));
}

bool IsHttpUrl(const std::string& url) {
  TWinInetURLComponents parts;
  try {
    CrackURL(url, parts);
  } catch (const EOSError&) {
    return false;
  }
  return SameText(parts.Scheme, "http");
}

// The Content-Length of the response, or -1 when it declares none (read as text: it may pass 32 bits).
int64_t DeclaredLength(HINTERNET request) {
  char text[32];
  DWORD size = sizeof text;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return -1;
  int64_t length = 0;
  for (DWORD i = 0; i < size; ++i) {
    if (text[i] < '0' || text[i] > '9' || length > (int64_t(1) << 50)) return -1;
    length = length * 10 + (text[i] - '0');
  }
  return length;
}

}  // namespace

DWORD AccessTypeToOpenType(TWinInetAccessType type) {
  switch (type) {
    case iatPreConfig: return INTERNET_OPEN_TYPE_PRECONFIG;
    case iatDirect: return INTERNET_OPEN_TYPE_DIRECT;
    case iatPreConfigWithNoAutoProxy: return INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
    case iatProxy: return INTERNET_OPEN_TYPE_PROXY;
  }
  return INTERNET_OPEN_TYPE_PRECONFIG;
}

DWORD TWinInetRequestOptions::Flags() const {
  DWORD flags = 0;
  for (int o = 0; o < int(std::size(kOptionFlags)); ++o)
    if (bits_ & (1u << o)) flags += kOptionFlags[o];
  return flags;
}

// Session.

TWinInetSession::TWinInetSession(TComponent* owner) : TComponent(owner), proxyByPassList_(TStringList::Create()) {}

TWinInetSession::~TWinInetSession() {
  if (handle_) InternetCloseHandle(handle_);
  for (TWinInetConnection* c : connections_) c->session_ = nullptr;  // their handles closed with ours
  proxyByPassList_->Free();
}

void TWinInetSession::CheckInactive() const {
  if (Active()) throw EWinInet("Operation invalid while internet session is active");
}

void TWinInetSession::CheckActive() const {
  if (!Active()) throw EWinInet("Operation invalid while internet session is inactive");
}

void TWinInetSession::SetAgent(const std::string& value) {
  CheckInactive();
  agent_ = value;
}

void TWinInetSession::SetAccessType(TWinInetAccessType value) {
  CheckInactive();
  accessType_ = value;
}

void TWinInetSession::SetProxyName(const std::string& value) {
  CheckInactive();
  proxyName_ = value;
}

void TWinInetSession::SetProxyByPassList(TStrings* value) {
  CheckInactive();
  proxyByPassList_->Assign(value);
}

void TWinInetSession::SetProxyByPassLocalOnly(bool value) {
  CheckInactive();
  proxyByPassLocalOnly_ = value;
  if (value) proxyByPassList_->Clear();
}

void TWinInetSession::SetOfflineMode(bool value) {
  CheckInactive();
  offlineMode_ = value;
}

void TWinInetSession::SetTimeout(DWORD option, uint32_t seconds) {
  if (seconds > 4294967u) throw EIntOverflow("Integer overflow");
  DWORD ms = seconds * 1000u;
  if (!InternetSetOptionA(handle_, option, &ms, sizeof ms)) RaiseLastOSError();
}

void TWinInetSession::SetConnectTimeout(uint32_t seconds) { SetTimeout(INTERNET_OPTION_CONNECT_TIMEOUT, seconds); }
void TWinInetSession::SetReceiveTimeout(uint32_t seconds) { SetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, seconds); }

void TWinInetSession::Open() {
  CheckInactive();
  std::string bypass = proxyByPassLocalOnly_ ? "<local>" : proxyByPassList_->Text();
  HINTERNET h = InternetOpenA(NilIfEmpty(agent_), AccessTypeToOpenType(accessType_), NilIfEmpty(proxyName_),
                              NilIfEmpty(bypass), offlineMode_ ? INTERNET_FLAG_OFFLINE : 0);
  if (!h) RaiseLastOSError();
  handle_ = h;
}

void TWinInetSession::EnsureOpen() {
  if (!Active()) Open();
}

void TWinInetSession::Close() {
  CheckActive();
  HINTERNET h = handle_;
  if (!InternetCloseHandle(h)) RaiseLastOSError();
  handle_ = nullptr;
}

void TWinInetSession::RegisterConnection(TWinInetConnection* connection) {
  if (connection->session_) throw EWinInet("Connection is already registered in a session");
  connections_.push_back(connection);
  connection->session_ = this;
}

void TWinInetSession::UnregisterConnection(TWinInetConnection* connection) {
  auto it = std::find(connections_.begin(), connections_.end(), connection);
  if (it == connections_.end()) return;
  connections_.erase(it);
  connection->session_ = nullptr;
}

TWinInetHTTPConnection* TWinInetSession::OpenHTTPConnection(const std::string& host, int port,
                                                            const std::string& userName, const std::string& password) {
  return NewObject<TWinInetHTTPConnection>(this, host, port, userName, password);
}

// Connection.

TWinInetConnection::TWinInetConnection(TWinInetSession* session, TWinInetService service, bool passive,
                                       std::string host, int port, std::string userName, std::string password)
    : opener_(session),
      service_(service),
      passive_(passive),
      host_(std::move(host)),
      port_(port == 0 ? kServices[service].defaultPort : port),
      userName_(std::move(userName)),
      password_(std::move(password)) {}

void TWinInetConnection::AfterConstruction() {
  opener_->EnsureOpen();
  // The HTTP service is given an empty user name rather than none.
  const char* user = service_ == wisHTTP && userName_.empty() ? "" : NilIfEmpty(userName_);
  HINTERNET h = InternetConnectA(opener_->Handle(), host_.c_str(), INTERNET_PORT(port_), user, NilIfEmpty(password_),
                                 kServices[service_].service, passive_ ? INTERNET_FLAG_PASSIVE : 0,
                                 reinterpret_cast<DWORD_PTR>(this));
  if (!h) RaiseLastOSError();
  handle_ = h;
  opener_->RegisterConnection(this);
}

TWinInetConnection::~TWinInetConnection() {
  if (handle_) InternetCloseHandle(handle_);
  if (session_) session_->UnregisterConnection(this);
}

TWinInetHttpRequest* TWinInetHTTPConnection::OpenRequest(const std::string& objectName, const std::string& verb,
                                                         TWinInetRequestOptions options, const std::string& version,
                                                         const std::string& referrer) {
  return NewObject<TWinInetHttpRequest>(this, objectName, verb, options, version, referrer);
}

// Requests.

TWinInetRequest::~TWinInetRequest() {
  if (handle_) InternetCloseHandle(handle_);
}

TWinInetHttpRequest::TWinInetHttpRequest(TWinInetHTTPConnection* connection, std::string objectName, std::string verb,
                                         TWinInetRequestOptions options, std::string version, std::string referrer)
    : connection_(connection),
      objectName_(std::move(objectName)),
      verb_(std::move(verb)),
      version_(std::move(version)),
      referrer_(std::move(referrer)),
      options_(options) {}

void TWinInetHttpRequest::AfterConstruction() {
  HINTERNET h = HttpOpenRequestA(connection_->Handle(), verb_.c_str(), objectName_.c_str(), NilIfEmpty(version_),
                                 NilIfEmpty(referrer_), nullptr, options_.Flags(), reinterpret_cast<DWORD_PTR>(this));
  if (!h) RaiseLastOSError();
  handle_ = h;
}

void TWinInetHttpRequest::Send(const TStrings* headers, TStream* body) {
  std::string text = headers ? headers->Text() : "";
  const char* headerText = Trim(text).empty() ? nullptr : text.c_str();
  std::string block;
  if (body && body->Size() != 0) {
    block.resize(size_t(body->Size()));
    body->SetPosition(0);
    body->ReadBuffer(block.data(), int64_t(block.size()));
  }
  if (!HttpSendRequestA(handle_, headerText, headerText ? DWORD(-1) : 0, block.empty() ? nullptr : block.data(),
                        DWORD(block.size())))
    RaiseLastOSError();
}

bool TWinInetHttpRequest::QueryInfo(DWORD query, DWORD& value) {
  DWORD size = sizeof value, index = 0;
  if (HttpQueryInfoA(handle_, query | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index)) return true;
  DWORD error = GetLastError();
  if (error == ERROR_HTTP_HEADER_NOT_FOUND) return false;
  RaiseLastOSError(error);
}

int TWinInetHttpRequest::StatusCode() {
  DWORD status = 0;
  return QueryInfo(HTTP_QUERY_STATUS_CODE, status) ? int(status) : -1;
}

DWORD TWinInetHttpRequest::ReadBuffer(void* buffer, DWORD size) {
  DWORD read = 0;
  if (!InternetReadFile(handle_, buffer, size, &read)) RaiseLastOSError();
  return read;
}

int64_t TWinInetHttpRequest::ReadToStream(TStream& stream, int64_t limit) {
  char chunk[8192];
  int64_t total = 0;
  for (;;) {
    DWORD n = ReadBuffer(chunk, sizeof chunk);
    if (n == 0) return total;
    if (limit >= 0 && total + n > limit) return -1;
    stream.WriteBuffer(chunk, n);
    total += n;
  }
}

std::string TWinInetHttpRequest::URL() {
  DWORD length = 0;
  if (!InternetQueryOptionA(handle_, INTERNET_OPTION_URL, nullptr, &length) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    RaiseLastOSError();
  std::string url(length, '\0');
  if (!InternetQueryOptionA(handle_, INTERNET_OPTION_URL, url.data(), &length)) RaiseLastOSError();
  url.resize(length);
  return url;
}

// One-shot calls.

TWinInetRequestOptions CachePolicyOptions(int cachePolicy) {
  switch (cachePolicy) {
    case 0: return {wroNoUI};
    case 1: return {wroNoUI, wroReload};
    case 2: return {wroHyperlink, wroNoUI, wroResynchronize};
    default: throw EWinInet("Unhandled CachePolicy code in HTTPAction()");
  }
}

void HTTPAction(const std::string& url, const std::string& verb, TStream* body, const TWinInetTimeouts* timeouts,
                int cachePolicy, TStream& output) {
  TWinInetURLComponents parts;
  CrackURL(url, parts);
  TWinInetRequestOptions options = CachePolicyOptions(cachePolicy);
  if (!SameText(parts.Scheme, "http")) UnsupportedScheme(url);

  Owned<TWinInetSession> session(TWinInetSession::Create(nullptr));
  if (timeouts && timeouts->ConnectTimeout) session->SetConnectTimeout(timeouts->ConnectTimeout);
  if (timeouts && timeouts->ReceiveTimeout) session->SetReceiveTimeout(timeouts->ReceiveTimeout);
  Owned<TWinInetHTTPConnection> connection(session->OpenHTTPConnection(parts.HostName, parts.Port, "", ""));
  Owned<TWinInetHttpRequest> request(connection->OpenRequest(GetURLObjectName(parts), verb, options, "", ""));
  try {
    request->Send(nullptr, body);
  } catch (const EOSError& e) {
    if (e.ErrorCode() == ERROR_HTTP_REDIRECT_FAILED) {
      std::string target = request->URL();
      if (!IsHttpUrl(target)) UnsupportedScheme(target);
    }
    throw;
  }
  int status = request->StatusCode();
  if (status != 200)
    throw EWinInetServerError(Format("Server returned error code %d for document \"%s\"", {status, url}));
  if (DeclaredLength(request->Handle()) > kMaxHTTPDocumentSize ||
      request->ReadToStream(output, kMaxHTTPDocumentSize) < 0)
    throw EWinInet(Format("Document too large: \"%s\"", {url}));
}

void HTTPGet(const std::string& url, TStream& output, int cachePolicy, const TWinInetTimeouts* timeouts) {
  HTTPAction(url, "GET", nullptr, timeouts, cachePolicy, output);
}

// URL functions.

void CrackURL(const std::string& url, TWinInetURLComponents& components) {
  URL_COMPONENTSA c{};
  c.dwStructSize = sizeof c;
  c.dwSchemeLength = c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength = c.dwUrlPathLength =
      c.dwExtraInfoLength = DWORD(-1);
  if (!InternetCrackUrlA(url.c_str(), DWORD(url.size()), 0, &c)) RaiseLastOSError();
  auto part = [](LPSTR p, DWORD n) { return p && n ? std::string(p, n) : std::string(); };
  components.Scheme = part(c.lpszScheme, c.dwSchemeLength);
  components.HostName = part(c.lpszHostName, c.dwHostNameLength);
  components.Port = c.nPort;
  components.UserName = part(c.lpszUserName, c.dwUserNameLength);
  components.Password = part(c.lpszPassword, c.dwPasswordLength);
  components.URLPath = part(c.lpszUrlPath, c.dwUrlPathLength);
  components.ExtraInfo = part(c.lpszExtraInfo, c.dwExtraInfoLength);
}

std::string GetURLObjectName(const TWinInetURLComponents& components) {
  return components.URLPath + components.ExtraInfo;
}

std::string CombineURL(const std::string& base, const std::string& relative) {
  DWORD length = 0;
  if (!InternetCombineUrlA(base.c_str(), relative.c_str(), nullptr, &length, ICU_NO_ENCODE) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    RaiseLastOSError();
  std::string out(length, '\0');
  if (!InternetCombineUrlA(base.c_str(), relative.c_str(), out.data(), &length, ICU_NO_ENCODE)) RaiseLastOSError();
  out.resize(length);
  return out;
}

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (plain) {
      out.push_back(char(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

bool IsInternetConnected() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) && flags != 0 && !(flags & INTERNET_CONNECTION_OFFLINE);
}
