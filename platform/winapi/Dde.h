// Dynamic data exchange as a client sees it: the DDE servers of the session, each a service with its
// topics that answers item requests with bytes or nothing. The servers are a table of this process that
// tests fill; every request is recorded, and so is every start of a service's program that a client asked
// for (nothing is started: a start handler may register the server that program would bring up).
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vandrel {

// A server's answer to a request for an item of one of its topics: the reply's bytes, or none.
using TDdeRequestHandler = std::function<std::optional<std::string>(const std::string& topic, const std::string& item)>;

// Adds a server (service and topic names compare without regard to letter case), replacing one of the
// same service.
void RegisterDdeServer(const std::string& service, const std::vector<std::string>& topics, TDdeRequestHandler request);
void UnregisterDdeServer(const std::string& service);
// Forgets every server, the records and the start handler.
void ResetDde();

// Whether a link to (service, topic) opens.
bool DdeConnect(const std::string& service, const std::string& topic);
// A synchronous request over such a link: recorded, then answered (none without a server or topic).
std::optional<std::string> DdeRequest(const std::string& service, const std::string& topic, const std::string& item);
// A client asked for the program of a service to be started: recorded, then the handler runs.
void DdeStartServiceApplication(const std::string& program);
void SetDdeStartHandler(std::function<void(const std::string& program)> handler);

struct TDdeRequestRecord {
  std::string Service, Topic, Item;
};
std::vector<TDdeRequestRecord> DdeRequests();
std::vector<std::string> DdeStarts();

}  // namespace vandrel
