#include "platform/components/HttpFetch.h"

#include <chrono>
#include <memory>
#include <vector>

#include "platform/components/Application.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/NameResolution.h"
#include "platform/winapi/Sockets.h"
#include "platform/winapi/WinInet.h"
#include "platform/winapi/WinInetHttp.h"

namespace {

constexpr DWORD kConnectTimeoutMs = 30000;
constexpr DWORD kSendTimeoutMs = 30000;
// Real time without a byte from the server before the request fails.
constexpr int64_t kIdleTimeoutMs = 60000;
// The socket waits this long between two rounds of messages.
constexpr DWORD kSliceMs = 20;
constexpr size_t kPacketSize = 8192;

// The thread's queued messages, then one moment in which virtual time may move; what it brings is handled
// in the next slice.
void PumpSlice() {
  Application->ProcessPendingMessages();
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  Application->ProcessPendingMessages();
}

// The socket's bytes, waited for in short slices with messages handled between them; the bytes of the
// heads are kept as they came.
class SlicedSource : public vandrel::HttpByteSource {
 public:
  SlicedSource(vandrel::TcpClient& socket, const bool& aborted) : socket_(socket), aborted_(aborted) {}
  DWORD Receive(char* buffer, size_t size, size_t& received) override {
    const auto idleSince = std::chrono::steady_clock::now();
    for (;;) {
      if (aborted_) return ERROR_INTERNET_OPERATION_CANCELLED;
      const DWORD result = socket_.Receive(buffer, size, received, kSliceMs);
      if (result == ERROR_SUCCESS) {
        if (recording_) recorded_.append(buffer, received);
        return ERROR_SUCCESS;
      }
      if (result != ERROR_INTERNET_TIMEOUT) return result;
      PumpSlice();
      if (std::chrono::steady_clock::now() - idleSince > std::chrono::milliseconds(kIdleTimeoutMs))
        return ERROR_INTERNET_TIMEOUT;
    }
  }
  void StopRecording() { recording_ = false; }
  const std::string& Recorded() const { return recorded_; }

 private:
  vandrel::TcpClient& socket_;
  const bool& aborted_;
  bool recording_ = true;
  std::string recorded_;
};

// The end of the head that starts at `from` (past its empty line), or npos.
size_t HeadEnd(const std::string& bytes, size_t from) {
  for (size_t nl = bytes.find('\n', from); nl != std::string::npos; nl = bytes.find('\n', nl + 1)) {
    if (nl + 1 < bytes.size() && bytes[nl + 1] == '\n') return nl + 2;
    if (nl + 2 < bytes.size() && bytes[nl + 1] == '\r' && bytes[nl + 2] == '\n') return nl + 3;
  }
  return std::string::npos;
}

// The head of the final response among the bytes read: interim 1xx heads before it are passed over.
std::string FinalHead(const std::string& bytes) {
  size_t start = 0;
  for (;;) {
    const size_t end = HeadEnd(bytes, start);
    if (end == std::string::npos) return bytes.substr(start);
    const bool interim = end - start > 11 && bytes[start + 9] == '1' && bytes.compare(start + 9, 3, "101") != 0;
    if (!interim) return bytes.substr(start, end - start);
    start = end;
  }
}

struct Target {
  std::string host, path;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
};

Target CrackUrl(const std::string& url) {
  char host[256] = "", path[2048] = "", extra[2048] = "";
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = sizeof extra;
  if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP || !*host)
    throw EHttpFetch("Invalid URL \"" + url + "\"");
  for (unsigned char c : url)
    if (c < ' ' || c == 0x7F) throw EHttpFetch("Invalid URL \"" + url + "\"");
  Target t;
  t.host = host;
  t.port = parts.nPort ? parts.nPort : INTERNET_DEFAULT_HTTP_PORT;
  // The target as a request line may hold it: without the fragment, blanks and other bytes encoded.
  std::string target = std::string(*path ? path : "/") + extra;
  target = target.substr(0, target.find('#'));
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : target) {
    if (c == ' ' || c >= 0x80) {
      t.path += '%';
      t.path += kHex[c >> 4];
      t.path += kHex[c & 15];
    } else {
      t.path += char(c);
    }
  }
  return t;
}

std::string RequestText(const char* method, const Target& t) {
  std::string host = t.host.find(':') != std::string::npos ? "[" + t.host + "]" : t.host;
  if (t.port != INTERNET_DEFAULT_HTTP_PORT) host += ":" + std::to_string(t.port);
  return std::string(method) + " " + t.path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
}

void Check(DWORD result, const std::string& url) {
  if (result == ERROR_INTERNET_OPERATION_CANCELLED) throw EHttpFetch("Request aborted");
  if (result != ERROR_SUCCESS) throw EHttpFetch("Request of \"" + url + "\" failed: " + SysErrorMessage(result));
}

// File failures of the body raise as the component's own.
template <class F>
void FileStep(F step) {
  try {
    step();
  } catch (const EHttpFetch&) {
    throw;
  } catch (const Exception& e) {
    throw EHttpFetch(e.Message());
  }
}

void WriteHeaderFile(const std::string& name, const std::string& head) {
  if (name.empty()) return;
  try {
    TFileStream file(name, fmCreate);
    file.WriteBuffer(head.data(), int64_t(head.size()));
  } catch (...) {
  }
}

}  // namespace

THttpFetch::THttpFetch(TComponent* owner) : TComponent(owner) {}

THttpFetch::~THttpFetch() = default;

void THttpFetch::Get() { Run("GET"); }

void THttpFetch::Head() { Run("HEAD"); }

void THttpFetch::Abort() {
  if (busy_) aborted_ = true;
}

void THttpFetch::Run(const char* method) {
  if (busy_) throw EHttpFetch("A request is already running");
  const bool head = std::string(method) == "HEAD";
  const Target target = CrackUrl(url_);
  busy_ = true;
  aborted_ = false;
  header_.clear();
  body_.clear();
  status_ = 0;
  struct Idle {
    bool& busy;
    ~Idle() { busy = false; }
  } idle{busy_};

  std::vector<std::string> addresses;
  Check(vandrel::ResolveHostName(target.host, addresses), url_);
  vandrel::TcpClient socket;
  Check(socket.Connect(addresses, target.port, kConnectTimeoutMs), url_);
  const std::string request = RequestText(method, target);
  Check(socket.Send(request.data(), request.size(), kSendTimeoutMs), url_);

  SlicedSource source(socket, aborted_);
  vandrel::HttpResponseReader reader(source, head);
  Check(reader.ReadHead(), url_);
  source.StopRecording();
  header_ = FinalHead(source.Recorded());
  status_ = reader.StatusCode();
  if (toFiles_) WriteHeaderFile(headerFile_, header_);

  std::unique_ptr<TFileStream> file;
  if (toFiles_) FileStep([&] { file = std::make_unique<TFileStream>(bodyFile_, fmCreate); });
  std::vector<char> packet(kPacketSize);
  int64_t received = 0;
  for (;;) {
    size_t got = 0;
    Check(reader.ReadSomeBody(packet.data(), packet.size(), got), url_);
    if (got == 0) break;
    if (file)
      FileStep([&] { file->WriteBuffer(packet.data(), int64_t(got)); });
    else
      body_.append(packet.data(), got);
    received += int64_t(got);
    if (OnPacketRecvd) OnPacketRecvd(this, received);
    if (aborted_) Check(ERROR_INTERNET_OPERATION_CANCELLED, url_);
  }
}
