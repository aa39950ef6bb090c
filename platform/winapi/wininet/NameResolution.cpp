// Name resolution: numeric literals, the machine's hosts file, then the replaceable resolver (by default the
// host's getaddrinfo). A lookup blocks until the resolver answers: it cannot be cancelled like socket waits.
#include "platform/winapi/NameResolution.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <mutex>

#include "platform/winapi/WinInet.h"
#include "platform/winapi/wininet/HostsFile.h"

namespace vandrel {
namespace {

DWORD SystemResolver(const std::string& host, std::vector<std::string>& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return ERROR_INTERNET_NAME_NOT_RESOLVED;
  for (addrinfo* a = found; a; a = a->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = a->ai_family == AF_INET6
                            ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr)
                            : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr);
    if (inet_ntop(a->ai_family, bytes, text, sizeof text)) addresses.push_back(text);
  }
  freeaddrinfo(found);
  return addresses.empty() ? ERROR_INTERNET_NAME_NOT_RESOLVED : ERROR_SUCCESS;
}

std::mutex& ResolverLock() {
  static std::mutex lock;
  return lock;
}
NameResolver& CurrentResolver() {
  static NameResolver resolver;
  return resolver;
}

bool IsNumericAddress(const std::string& host) {
  unsigned char scratch[16];
  return inet_pton(AF_INET, host.c_str(), scratch) == 1 || inet_pton(AF_INET6, host.c_str(), scratch) == 1;
}

}  // namespace

NameResolver SetNameResolver(NameResolver resolver) {
  std::lock_guard<std::mutex> guard(ResolverLock());
  NameResolver previous = std::move(CurrentResolver());
  CurrentResolver() = std::move(resolver);
  return previous;
}

DWORD ResolveHostName(const std::string& host, std::vector<std::string>& addresses) {
  addresses.clear();
  if (host.empty()) return ERROR_INTERNET_NAME_NOT_RESOLVED;
  if (IsNumericAddress(host)) {
    addresses.push_back(host);
    return ERROR_SUCCESS;
  }
  addresses = MachineHostsAddresses(host);
  if (!addresses.empty()) return ERROR_SUCCESS;
  NameResolver resolver;
  {
    std::lock_guard<std::mutex> guard(ResolverLock());
    resolver = CurrentResolver();
  }
  DWORD result = resolver ? resolver(host, addresses) : SystemResolver(host, addresses);
  if (result == ERROR_SUCCESS && addresses.empty()) result = ERROR_INTERNET_NAME_NOT_RESOLVED;
  return result;
}

}  // namespace vandrel
