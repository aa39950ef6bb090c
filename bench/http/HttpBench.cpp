#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "deskband/vekWinInet.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/WinInetHttp.h"

namespace {

using testing_support::HttpScriptedResponse;

class MemorySource : public vandrel::HttpByteSource {
 public:
  explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
  DWORD Receive(char* buffer, size_t size, size_t& received) override {
    received = std::min(size, bytes_.size() - at_);
    std::memcpy(buffer, bytes_.data() + at_, received);
    at_ += received;
    return ERROR_SUCCESS;
  }

 private:
  const std::string& bytes_;
  size_t at_ = 0;
};

std::string Response(size_t size, bool chunked) {
  std::string body = testing_support::GeneratedBody(size);
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nServer: bench\r\n";
  if (!chunked) return head + "Content-Length: " + std::to_string(size) + "\r\n\r\n" + body;
  std::string out = head + "Transfer-Encoding: chunked\r\n\r\n";
  for (size_t at = 0; at < size; at += 4096) {
    size_t n = std::min<size_t>(4096, size - at);
    char line[16];
    std::snprintf(line, sizeof line, "%zx\r\n", n);
    out += line + body.substr(at, n) + "\r\n";
  }
  return out + "0\r\n\r\n";
}

void BM_ReadResponse(benchmark::State& state, bool chunked) {
  std::string bytes = Response(size_t(state.range(0)), chunked);
  char buffer[8192];
  for (auto _ : state) {
    MemorySource source(bytes);
    vandrel::HttpResponseReader reader(source);
    reader.ReadHead();
    size_t got;
    do reader.ReadBody(buffer, sizeof buffer, got);
    while (got);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK_CAPTURE(BM_ReadResponse, length, false)->Arg(8192)->Arg(1 << 20);
BENCHMARK_CAPTURE(BM_ReadResponse, chunked, true)->Arg(8192)->Arg(1 << 20);

void BM_HTTPGetLoopback(benchmark::State& state) {
  testing_support::HttpTestServer server;
  server.On("/file", HttpScriptedResponse::Ok(testing_support::GeneratedBody(size_t(state.range(0)))));
  std::string url = server.Url("/file");
  for (auto _ : state) {
    TMemoryStream stream;
    HTTPGet(url, stream, 0, nullptr);
    benchmark::DoNotOptimize(stream.Memory());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_HTTPGetLoopback)->Arg(8192)->Arg(1 << 20)->Arg(16 << 20)->UseRealTime();

// The same download with a bare socket: connect, write a request, read until the server closes.
void BM_BareSocketLoopback(benchmark::State& state) {
  testing_support::HttpTestServer server;
  server.On("/file", HttpScriptedResponse::Ok(testing_support::GeneratedBody(size_t(state.range(0)))));
  const std::string request = "GET /file HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  std::string buffer(65536, '\0');
  for (auto _ : state) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    (void)!send(fd, request.data(), request.size(), 0);
    std::string all;
    for (ssize_t n; (n = recv(fd, buffer.data(), buffer.size(), 0)) > 0;) all.append(buffer.data(), size_t(n));
    close(fd);
    benchmark::DoNotOptimize(all.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_BareSocketLoopback)->Arg(8192)->Arg(1 << 20)->Arg(16 << 20)->UseRealTime();

}  // namespace
