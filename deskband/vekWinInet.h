// The HTTP client of the band library: an object layer over WinInet (a session, connections registered in
// it, requests opened on a connection), the one-shot HTTPAction and HTTPGet, URL functions and the online
// test. Everything runs on the calling thread and blocks.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinInet.h"

VCL_EXCEPTION(EWinInet, Exception);
VCL_EXCEPTION(EWinInetServerError, EWinInet);

// The parts of a URL; a part absent from the URL stays empty.
struct TWinInetURLComponents {
  std::string Scheme;
  std::string HostName;
  int Port = 0;
  std::string UserName;
  std::string Password;
  std::string URLPath;
  std::string ExtraInfo;  // the query or fragment that follows the path
};

enum TWinInetAccessType { iatPreConfig, iatDirect, iatPreConfigWithNoAutoProxy, iatProxy };
// The WinInet open type of an access type.
DWORD AccessTypeToOpenType(TWinInetAccessType type);

// Request options, in the bit order of their set; each stands for one WinInet request flag.
enum TWinInetRequestOption {
  wroCacheIfNetFail,
  wroHyperlink,
  wroIgnoreCertCNInvalid,
  wroIgnoreCertDateInvalid,
  wroIgnoreRedirectToHTTP,
  wroIgnoreRedirectToHTTPS,
  wroKeepConnection,
  wroNeedFile,
  wroNoAuth,
  wroNoAutoRedirect,
  wroNoCacheWrite,
  wroNoCookies,
  wroNoUI,
  wroPragmaNoCache,
  wroReload,
  wroResynchronize,
  wroSecure,
};

class TWinInetRequestOptions {
 public:
  constexpr TWinInetRequestOptions() = default;
  constexpr TWinInetRequestOptions(std::initializer_list<TWinInetRequestOption> options) {
    for (TWinInetRequestOption o : options) bits_ |= 1u << o;
  }
  constexpr bool Contains(TWinInetRequestOption o) const { return bits_ & (1u << o); }
  constexpr bool operator==(const TWinInetRequestOptions&) const = default;
  // The sum of the flags of the options in the set.
  DWORD Flags() const;

 private:
  uint32_t bits_ = 0;
};

enum TWinInetService { wisHTTP, wisFTP, wisGopher };

// Connect and receive time-outs in seconds; 0 leaves a setting alone.
struct TWinInetTimeouts {
  uint32_t ConnectTimeout = 0;
  uint32_t ReceiveTimeout = 0;
};

class TWinInetConnection;
class TWinInetHTTPConnection;
class TWinInetHttpRequest;

// An internet session. Setters and Open require it closed, Close requires it open.
class TWinInetSession : public TComponent {
  VCL_CLASS(TWinInetSession, TComponent)
  explicit TWinInetSession(TComponent* owner);
  ~TWinInetSession() override;
  static TWinInetSession* Create(TComponent* owner) { return NewObject<TWinInetSession>(owner); }

  const std::string& Agent() const { return agent_; }
  void SetAgent(const std::string& value);
  TWinInetAccessType AccessType() const { return accessType_; }
  void SetAccessType(TWinInetAccessType value);
  const std::string& ProxyName() const { return proxyName_; }
  void SetProxyName(const std::string& value);
  TStringList* ProxyByPassList() const { return proxyByPassList_; }
  void SetProxyByPassList(TStrings* value);
  bool ProxyByPassLocalOnly() const { return proxyByPassLocalOnly_; }
  // True also empties the bypass list.
  void SetProxyByPassLocalOnly(bool value);
  bool OfflineMode() const { return offlineMode_; }
  void SetOfflineMode(bool value);

  // Set on the session handle; while the session is closed that is WinInet's process-wide default.
  // Seconds above 4294967 raise EIntOverflow.
  void SetConnectTimeout(uint32_t seconds);
  void SetReceiveTimeout(uint32_t seconds);

  HINTERNET Handle() const { return handle_; }
  bool Active() const { return handle_ != nullptr; }
  void Open();
  void EnsureOpen();
  void Close();

  // A connection already registered in a session raises EWinInet.
  void RegisterConnection(TWinInetConnection* connection);
  void UnregisterConnection(TWinInetConnection* connection);
  int ConnectionCount() const { return int(connections_.size()); }
  TWinInetConnection* Connections(int index) const { return connections_.at(size_t(index)); }

  TWinInetHTTPConnection* OpenHTTPConnection(const std::string& host, int port, const std::string& userName,
                                             const std::string& password);

 private:
  void CheckInactive() const;
  void CheckActive() const;
  void SetTimeout(DWORD option, uint32_t seconds);

  std::string agent_, proxyName_;
  TWinInetAccessType accessType_ = iatPreConfig;
  TStringList* proxyByPassList_;
  bool proxyByPassLocalOnly_ = false;
  bool offlineMode_ = false;
  HINTERNET handle_ = nullptr;
  std::vector<TWinInetConnection*> connections_;  // not owned
};

// A connection to a server, registered in its session for as long as it lives.
class TWinInetConnection : public TObject {
  VCL_CLASS(TWinInetConnection, TObject)
  // A port of 0 becomes the service's default port.
  TWinInetConnection(TWinInetSession* session, TWinInetService service, bool passive, std::string host, int port,
                     std::string userName, std::string password);
  // Closes the handle (a failure cannot be raised here and is ignored) and leaves the session.
  ~TWinInetConnection() override;
  void AfterConstruction() override;

  HINTERNET Handle() const { return handle_; }
  TWinInetSession* Session() const { return session_; }

 private:
  friend class TWinInetSession;
  TWinInetSession* opener_;
  TWinInetSession* session_ = nullptr;
  TWinInetService service_;
  bool passive_;
  std::string host_;
  int port_;
  std::string userName_, password_;
  HINTERNET handle_ = nullptr;
};

class TWinInetHTTPConnection : public TWinInetConnection {
  VCL_CLASS(TWinInetHTTPConnection, TWinInetConnection)
  TWinInetHTTPConnection(TWinInetSession* session, std::string host, int port, std::string userName,
                         std::string password)
      : TWinInetConnection(session, wisHTTP, false, std::move(host), port, std::move(userName), std::move(password)) {}

  TWinInetHttpRequest* OpenRequest(const std::string& objectName, const std::string& verb,
                                   TWinInetRequestOptions options, const std::string& version,
                                   const std::string& referrer);
};

// A request handle; destruction closes it (a failure cannot be raised there and is ignored).
class TWinInetRequest : public TObject {
  VCL_CLASS(TWinInetRequest, TObject)
  ~TWinInetRequest() override;
  HINTERNET Handle() const { return handle_; }

 protected:
  HINTERNET handle_ = nullptr;
};

class TWinInetTransferRequest : public TWinInetRequest {
  VCL_CLASS(TWinInetTransferRequest, TWinInetRequest)
};

class TWinInetHttpRequest : public TWinInetTransferRequest {
  VCL_CLASS(TWinInetHttpRequest, TWinInetTransferRequest)
  TWinInetHttpRequest(TWinInetHTTPConnection* connection, std::string objectName, std::string verb,
                      TWinInetRequestOptions options, std::string version, std::string referrer);
  void AfterConstruction() override;

  // Headers: the lines of the list, sent when not blank; a body stream of non-zero size is sent whole.
  void Send(const TStrings* headers, TStream* body);
  // A numeric header: true with the value, false when the header is absent; other failures raise.
  bool QueryInfo(DWORD query, DWORD& value);
  // The status code, or -1 when the response has none.
  int StatusCode();
  DWORD ReadBuffer(void* buffer, DWORD size);
  // Reads 8192-byte chunks into the stream until a read returns nothing; returns the total. With a limit,
  // a chunk that would take the total past it is not written and -1 is returned.
  int64_t ReadToStream(TStream& stream, int64_t limit = -1);
  // Where the request stands (after redirects, the last URL it was sent to).
  std::string URL();

 private:
  TWinInetHTTPConnection* connection_;
  std::string objectName_, verb_, version_, referrer_;
  TWinInetRequestOptions options_;
};

// The largest body HTTPAction accepts.
constexpr int64_t kMaxHTTPDocumentSize = 64 * 1024 * 1024;

// Fetches the URL synchronously into the output stream (appended at its position). Cache policy: 0 normal,
// 1 reload, 2 hyperlink and resynchronise. Only http URLs are fetched, also after redirects.
void HTTPAction(const std::string& url, const std::string& verb, TStream* body, const TWinInetTimeouts* timeouts,
                int cachePolicy, TStream& output);
void HTTPGet(const std::string& url, TStream& output, int cachePolicy, const TWinInetTimeouts* timeouts);
// The request options of a cache policy; EWinInet for an unknown one.
TWinInetRequestOptions CachePolicyOptions(int cachePolicy);

void CrackURL(const std::string& url, TWinInetURLComponents& components);
std::string GetURLObjectName(const TWinInetURLComponents& components);
// The relative name resolved against the base, without encoding.
std::string CombineURL(const std::string& base, const std::string& relative);
// Every byte but ASCII letters and digits as "%" and two upper-case hex digits.
std::string UrlEncode(const std::string& text);
bool IsInternetConnected();
