// The process's table of DDE servers and the records of what clients asked of them.
#include "platform/winapi/Dde.h"

#include <mutex>

#include "platform/runtime/Cp1250.h"

namespace vandrel {
namespace {

struct TServer {
  std::string service;
  std::vector<std::string> topics;
  TDdeRequestHandler request;
};

struct TTable {
  std::mutex lock;
  std::vector<TServer> servers;
  std::vector<TDdeRequestRecord> requests;
  std::vector<std::string> starts;
  std::function<void(const std::string&)> onStart;
};

TTable& Table() {
  static TTable* table = new TTable;
  return *table;
}

bool SameName(const std::string& a, const std::string& b) { return cp1250::AsciiLower(a) == cp1250::AsciiLower(b); }

// The server of the service when it has the topic; called under the lock.
const TServer* Find(const TTable& t, const std::string& service, const std::string& topic) {
  for (const TServer& server : t.servers) {
    if (!SameName(server.service, service)) continue;
    for (const std::string& each : server.topics)
      if (SameName(each, topic)) return &server;
    return nullptr;
  }
  return nullptr;
}

}  // namespace

void RegisterDdeServer(const std::string& service, const std::vector<std::string>& topics, TDdeRequestHandler request) {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  for (TServer& server : t.servers) {
    if (SameName(server.service, service)) {
      server = TServer{service, topics, std::move(request)};
      return;
    }
  }
  t.servers.push_back(TServer{service, topics, std::move(request)});
}

void UnregisterDdeServer(const std::string& service) {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  std::erase_if(t.servers, [&](const TServer& s) { return SameName(s.service, service); });
}

void ResetDde() {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  t.servers.clear();
  t.requests.clear();
  t.starts.clear();
  t.onStart = nullptr;
}

bool DdeConnect(const std::string& service, const std::string& topic) {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  return Find(t, service, topic) != nullptr;
}

std::optional<std::string> DdeRequest(const std::string& service, const std::string& topic, const std::string& item) {
  TTable& t = Table();
  TDdeRequestHandler handler;
  {
    std::lock_guard<std::mutex> g(t.lock);
    t.requests.push_back(TDdeRequestRecord{service, topic, item});
    const TServer* server = Find(t, service, topic);
    if (!server || !server->request) return std::nullopt;
    handler = server->request;
  }
  // The server runs outside the lock: it may register or look up servers itself.
  return handler(topic, item);
}

void DdeStartServiceApplication(const std::string& program) {
  TTable& t = Table();
  std::function<void(const std::string&)> handler;
  {
    std::lock_guard<std::mutex> g(t.lock);
    t.starts.push_back(program);
    handler = t.onStart;
  }
  if (handler) handler(program);
}

void SetDdeStartHandler(std::function<void(const std::string& program)> handler) {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  t.onStart = std::move(handler);
}

std::vector<TDdeRequestRecord> DdeRequests() {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  return t.requests;
}

std::vector<std::string> DdeStarts() {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  return t.starts;
}

}  // namespace vandrel
