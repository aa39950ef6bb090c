// Loopback HTTP servers for the tests: an in-process server with scripted responses that records the requests
// and counts connections, and Python's http.server over a folder. Both listen on 127.0.0.1 only.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/winapi/NameResolution.h"

namespace testing_support {

struct HttpRecordedRequest {
  std::string method, target, version;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first header of that name (any letter case), or "" when absent.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
};

struct HttpScriptedResponse {
  enum class Framing { ContentLength, Chunked, CloseDelimited };

  int status = 200;
  std::string reason;  // empty: the usual reason of the status
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  uint64_t generatedSize = 0;  // non-zero: a streamed body of this many GeneratedByte bytes instead
  Framing framing = Framing::ContentLength;
  size_t chunkSize = 4096;      // chunked: data bytes per chunk; paced: bytes per piece
  int paceMs = 0;               // not chunked: the body in pieces of chunkSize bytes, this long apart
  int64_t declaredLength = -1;  // Content-Length announced; -1: the real length
  bool useRaw = false;          // send raw byte for byte instead of a formatted response
  std::string raw;
  int64_t closeAfter = -1;  // close the connection after this many bytes of the response
  bool stall = false;       // send nothing until the server stops
  int delayMs = 0;          // wait this long before answering

  static HttpScriptedResponse Ok(std::string body, Framing framing = Framing::ContentLength);
  static HttpScriptedResponse Status(int status, std::string body = "");
  static HttpScriptedResponse Redirect(int status, std::string location);
  static HttpScriptedResponse Raw(std::string bytes);
  static HttpScriptedResponse Stall();
};

// The bytes of generated bodies: a fixed pattern that is not periodic in 8192.
char GeneratedByte(uint64_t index);
std::string GeneratedBody(size_t size);

class HttpTestServer {
 public:
  using Handler = std::function<HttpScriptedResponse(const HttpRecordedRequest&)>;

  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  uint16_t Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by the target.
  std::string Url(std::string_view target = "/") const;

  // Answers requests for the target (exact, else its path without the query); unmatched ones get 404.
  void On(std::string target, HttpScriptedResponse response);
  void On(std::string target, Handler handler);
  void OnOther(Handler handler);

  std::vector<HttpRecordedRequest> Requests() const;
  int Connections() const;

  // Wakes stalled connections, closes everything and joins the threads; the destructor calls it.
  void Stop();

 private:
  void AcceptLoop();
  void Serve(int fd);
  bool ReadRequest(int fd, HttpRecordedRequest& request);
  void Answer(int fd, const HttpScriptedResponse& response);
  bool WaitStopped(int ms);  // true when the server stops within the time (ms < 0: for ever)

  int listenFd_ = -1, wakeRead_ = -1, wakeWrite_ = -1;
  uint16_t port_ = 0;
  std::thread acceptor_;
  mutable std::mutex lock_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::map<std::string, Handler> routes_;
  Handler other_;
  std::vector<HttpRecordedRequest> requests_;
  int connections_ = 0;
  std::set<int> open_;
  std::vector<std::thread> workers_;
};

// A loopback port on which nothing listens (bound, then released).
uint16_t UnusedLoopbackPort();

// While it lives, the given host names resolve to 127.0.0.1 and every other name fails to resolve.
class ScopedLoopbackNames {
 public:
  explicit ScopedLoopbackNames(std::vector<std::string> names);
  ~ScopedLoopbackNames();

 private:
  vandrel::NameResolver previous_;
};

// Python's http.server serving a folder on 127.0.0.1, as a child process ended with the object.
class PythonHttpServer {
 public:
  explicit PythonHttpServer(const std::string& folder);
  ~PythonHttpServer();
  PythonHttpServer(const PythonHttpServer&) = delete;
  PythonHttpServer& operator=(const PythonHttpServer&) = delete;

  uint16_t Port() const { return port_; }
  std::string Url(std::string_view target = "/") const;

 private:
  int pid_ = -1;
  int output_ = -1;
  uint16_t port_ = 0;
};

}  // namespace testing_support
