// Host name resolution of the internet client: the emulated machine's hosts file first, then one replaceable
// function, so that tests and demos never look names up off the machine.
#pragma once
#include <functional>
#include <string>
#include <string_view>
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

// Numeric addresses resolve to themselves; a name that the machine's hosts file
// (C:\WINDOWS\system32\drivers\etc\hosts) lists gets the addresses listed for it; other names go through
// the current resolver.
DWORD ResolveHostName(const std::string& host, std::vector<std::string>& addresses);

// The numeric addresses that the text of a hosts file gives the name, in file order: lines "address name
// name ...", blanks or tabs between fields, "#" starting a comment; names compare in any ASCII letter case;
// lines whose first field is not a numeric address are skipped.
std::vector<std::string> HostsFileAddresses(std::string_view text, std::string_view host);

}  // namespace vandrel
