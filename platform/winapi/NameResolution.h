// Host name resolution of the internet client, through one replaceable function so that tests never look
// names up off the machine.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/winapi/LastError.h"
#include "platform/winapi/WinTypes.h"

namespace vandrel {

// Fills addresses with numeric IPv4 or IPv6 addresses ("127.0.0.1", "::1") in the order to try them;
// returns ERROR_SUCCESS, or ERROR_INTERNET_NAME_NOT_RESOLVED when the name has none.
using NameResolver = std::function<DWORD(const std::string& host, std::vector<std::string>& addresses)>;

// Replaces the process-wide resolver and returns the one it replaces; an empty function restores the
// host's own resolver.
NameResolver SetNameResolver(NameResolver resolver);

// Numeric addresses resolve to themselves; names go through the current resolver.
DWORD ResolveHostName(const std::string& host, std::vector<std::string>& addresses);

}  // namespace vandrel
