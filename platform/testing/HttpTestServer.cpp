#include "platform/testing/HttpTestServer.h"

#include "platform/runtime/Collation.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "platform/winapi/WinInet.h"

extern char** environ;

namespace testing_support {
namespace {

std::string ReasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

// Sends the response bytes, stopping for good after `limit` bytes (limit < 0: no limit).
class LimitedSender {
 public:
  LimitedSender(int fd, int64_t limit) : fd_(fd), limit_(limit) {}
  bool Send(std::string_view bytes) {
    if (limit_ >= 0) {
      if (sent_ >= limit_) return false;
      if (int64_t(bytes.size()) > limit_ - sent_) bytes = bytes.substr(0, size_t(limit_ - sent_));
    }
    sent_ += int64_t(bytes.size());
    return SendAll(fd_, bytes.data(), bytes.size()) && (limit_ < 0 || sent_ < limit_);
  }

 private:
  int fd_;
  int64_t limit_;
  int64_t sent_ = 0;
};

// Sends the body from the script or the generator in pieces, each through `piece`.
template <class F>
bool ForEachBodyPiece(const HttpScriptedResponse& r, size_t pieceSize, F piece) {
  if (r.generatedSize == 0) {
    for (size_t at = 0; at < r.body.size(); at += pieceSize)
      if (!piece(std::string_view(r.body).substr(at, pieceSize))) return false;
    return true;
  }
  std::string buffer;
  for (uint64_t at = 0; at < r.generatedSize; at += pieceSize) {
    size_t n = size_t(std::min<uint64_t>(pieceSize, r.generatedSize - at));
    buffer.resize(n);
    for (size_t i = 0; i < n; ++i) buffer[i] = GeneratedByte(at + i);
    if (!piece(buffer)) return false;
  }
  return true;
}

}  // namespace

std::string HttpRecordedRequest::Header(std::string_view name) const {
  for (const auto& [n, v] : headers)
    if (SameText(n, name)) return v;
  return "";
}

bool HttpRecordedRequest::HasHeader(std::string_view name) const {
  for (const auto& h : headers)
    if (SameText(h.first, name)) return true;
  return false;
}

HttpScriptedResponse HttpScriptedResponse::Ok(std::string body, Framing framing) {
  HttpScriptedResponse r;
  r.body = std::move(body);
  r.framing = framing;
  return r;
}

HttpScriptedResponse HttpScriptedResponse::Status(int status, std::string body) {
  HttpScriptedResponse r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

HttpScriptedResponse HttpScriptedResponse::Redirect(int status, std::string location) {
  HttpScriptedResponse r;
  r.status = status;
  r.headers.push_back({"Location", std::move(location)});
  return r;
}

HttpScriptedResponse HttpScriptedResponse::Raw(std::string bytes) {
  HttpScriptedResponse r;
  r.useRaw = true;
  r.raw = std::move(bytes);
  return r;
}

HttpScriptedResponse HttpScriptedResponse::Stall() {
  HttpScriptedResponse r;
  r.stall = true;
  return r;
}

char GeneratedByte(uint64_t index) { return char((index * 7 + index / 251) & 0xFF); }

std::string GeneratedBody(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = GeneratedByte(i);
  return s;
}

HttpTestServer::HttpTestServer() {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int pipeFds[2];
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listenFd_, 64) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || pipe2(pipeFds, O_CLOEXEC) != 0)
    throw std::runtime_error("test server: cannot listen on 127.0.0.1");
  port_ = ntohs(address.sin_port);
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() { Stop(); }

std::string HttpTestServer::Url(std::string_view target) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

void HttpTestServer::On(std::string target, HttpScriptedResponse response) {
  On(std::move(target), [response](const HttpRecordedRequest&) { return response; });
}

void HttpTestServer::On(std::string target, Handler handler) {
  std::lock_guard<std::mutex> guard(lock_);
  routes_[std::move(target)] = std::move(handler);
}

void HttpTestServer::OnOther(Handler handler) {
  std::lock_guard<std::mutex> guard(lock_);
  other_ = std::move(handler);
}

std::vector<HttpRecordedRequest> HttpTestServer::Requests() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

int HttpTestServer::Connections() const {
  std::lock_guard<std::mutex> guard(lock_);
  return connections_;
}

void HttpTestServer::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopping_) return;
    stopping_ = true;
    for (int fd : open_) shutdown(fd, SHUT_RDWR);
  }
  stopped_.notify_all();
  char byte = 1;
  (void)!write(wakeWrite_, &byte, 1);
  acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    workers.swap(workers_);
  }
  for (std::thread& t : workers) t.join();
  close(listenFd_);
  close(wakeRead_);
  close(wakeWrite_);
}

void HttpTestServer::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> guard(lock_);
    if (stopping_) {
      close(fd);
      return;
    }
    ++connections_;
    open_.insert(fd);
    workers_.emplace_back([this, fd] { Serve(fd); });
  }
}

bool HttpTestServer::WaitStopped(int ms) {
  std::unique_lock<std::mutex> guard(lock_);
  if (ms < 0) {
    stopped_.wait(guard, [this] { return stopping_; });
    return true;
  }
  return stopped_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

bool HttpTestServer::ReadRequest(int fd, HttpRecordedRequest& request) {
  std::string data;
  char buffer[8192];
  size_t headEnd;
  while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0 || data.size() > (1 << 20)) return false;
    data.append(buffer, size_t(n));
  }
  std::string_view head(data.data(), headEnd);
  size_t lineEnd = head.find("\r\n");
  std::string_view line = head.substr(0, lineEnd);
  size_t s1 = line.find(' '), s2 = line.rfind(' ');
  if (s1 == std::string_view::npos || s2 == s1) return false;
  request.method = line.substr(0, s1);
  request.target = line.substr(s1 + 1, s2 - s1 - 1);
  request.version = line.substr(s2 + 1);
  while (lineEnd != std::string_view::npos) {
    head.remove_prefix(lineEnd + 2);
    lineEnd = head.find("\r\n");
    std::string_view h = head.substr(0, lineEnd);
    size_t colon = h.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = h.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    request.headers.push_back({std::string(h.substr(0, colon)), std::string(value)});
  }
  request.body = data.substr(headEnd + 4);
  size_t wanted = request.HasHeader("Content-Length") ? std::stoul(request.Header("Content-Length")) : 0;
  while (request.body.size() < wanted) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    request.body.append(buffer, size_t(n));
  }
  return true;
}

void HttpTestServer::Serve(int fd) {
  HttpRecordedRequest request;
  if (ReadRequest(fd, request)) {
    Handler handler;
    {
      std::lock_guard<std::mutex> guard(lock_);
      requests_.push_back(request);
      auto route = routes_.find(request.target);
      if (route == routes_.end()) route = routes_.find(request.target.substr(0, request.target.find('?')));
      handler = route != routes_.end() ? route->second : other_;
    }
    HttpScriptedResponse response = handler ? handler(request) : HttpScriptedResponse::Status(404, "not found");
    bool stopped = response.delayMs > 0 && WaitStopped(response.delayMs);
    if (response.stall) stopped = WaitStopped(-1);
    if (!stopped) Answer(fd, response);
  }
  shutdown(fd, SHUT_WR);
  std::lock_guard<std::mutex> guard(lock_);
  open_.erase(fd);
  close(fd);
}

void HttpTestServer::Answer(int fd, const HttpScriptedResponse& r) {
  LimitedSender out(fd, r.closeAfter);
  if (r.useRaw) {
    out.Send(r.raw);
    return;
  }
  uint64_t size = r.generatedSize ? r.generatedSize : r.body.size();
  std::string head =
      "HTTP/1.1 " + std::to_string(r.status) + " " + (r.reason.empty() ? ReasonOf(r.status) : r.reason) + "\r\n";
  for (const auto& [name, value] : r.headers) head += name + ": " + value + "\r\n";
  if (r.framing == HttpScriptedResponse::Framing::ContentLength)
    head += "Content-Length: " + std::to_string(r.declaredLength >= 0 ? uint64_t(r.declaredLength) : size) + "\r\n";
  if (r.framing == HttpScriptedResponse::Framing::Chunked) head += "Transfer-Encoding: chunked\r\n";
  head += "Connection: close\r\n\r\n";
  if (!out.Send(head)) return;
  if (r.framing != HttpScriptedResponse::Framing::Chunked) {
    if (r.paceMs > 0) {
      ForEachBodyPiece(r, r.chunkSize ? r.chunkSize : 4096,
                       [&](std::string_view piece) { return out.Send(piece) && !WaitStopped(r.paceMs); });
      return;
    }
    ForEachBodyPiece(r, 65536, [&](std::string_view piece) { return out.Send(piece); });
    return;
  }
  bool whole = ForEachBodyPiece(r, r.chunkSize ? r.chunkSize : 4096, [&](std::string_view piece) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
    return out.Send(size) && out.Send(piece) && out.Send("\r\n");
  });
  if (whole) out.Send("0\r\n\r\n");
}

uint16_t UnusedLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

ScopedLoopbackNames::ScopedLoopbackNames(std::vector<std::string> names) {
  previous_ = vandrel::SetNameResolver([names](const std::string& host, std::vector<std::string>& addresses) {
    for (const std::string& name : names)
      if (SameText(name, host)) {
        addresses.push_back("127.0.0.1");
        return DWORD(ERROR_SUCCESS);
      }
    return ERROR_INTERNET_NAME_NOT_RESOLVED;
  });
}

ScopedLoopbackNames::~ScopedLoopbackNames() { vandrel::SetNameResolver(std::move(previous_)); }

PythonHttpServer::PythonHttpServer(const std::string& folder) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("python server: no pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string python = VANDREL_PYTHON;
  std::vector<std::string> args = {python,        "-u",   "-m", "http.server", "--bind", "127.0.0.1",
                                   "--directory", folder, "0"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  int spawned = posix_spawn(&pid, python.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  output_ = out[0];
  if (spawned != 0) throw std::runtime_error("python server: cannot start " + python);
  pid_ = pid;
  // "Serving HTTP on 127.0.0.1 port NNNN (http://...) ..."
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (text.find(')') == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{output_, POLLIN, 0};
    char buffer[256];
    ssize_t n = left.count() > 0 && poll(&p, 1, int(left.count())) > 0 ? read(output_, buffer, sizeof buffer) : -1;
    if (n <= 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      throw std::runtime_error("python server did not start: " + text);
    }
    text.append(buffer, size_t(n));
  }
  size_t at = text.find(" port ");
  port_ = at == std::string::npos ? 0 : uint16_t(std::stoi(text.substr(at + 6)));
}

PythonHttpServer::~PythonHttpServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) close(output_);
}

std::string PythonHttpServer::Url(std::string_view target) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

}  // namespace testing_support
