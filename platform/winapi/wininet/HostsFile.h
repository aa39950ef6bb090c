// The machine's hosts file, read by the name resolution of the internet client.
#pragma once
#include <string>
#include <vector>

namespace vandrel {

// The addresses that the machine's hosts file lists for the name (read afresh on every call); none when the
// machine has no hosts file or the file does not list the name.
std::vector<std::string> MachineHostsAddresses(const std::string& host);

}  // namespace vandrel
