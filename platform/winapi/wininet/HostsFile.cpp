// The emulated machine's hosts file: names that it lists resolve without asking the host.
#include "platform/winapi/wininet/HostsFile.h"

#include <arpa/inet.h>

#include "platform/winapi/Files.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/NameResolution.h"

namespace vandrel {
namespace {

constexpr DWORD kMaxHostsFileSize = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool IsNumeric(const std::string& address) {
  unsigned char scratch[16];
  return inet_pton(AF_INET, address.c_str(), scratch) == 1 || inet_pton(AF_INET6, address.c_str(), scratch) == 1;
}

// The next field of the line from `pos` on; empty at the line's end.
std::string_view NextField(std::string_view line, size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  size_t start = pos;
  while (pos < line.size() && !IsBlank(line[pos])) ++pos;
  return line.substr(start, pos - start);
}

// The whole hosts file of the machine; empty when the machine or the file is missing or it is too large.
std::string ReadMachineHostsFile() {
  if (!MachineExists()) return {};
  std::string path = WindowsFolder() + "\\system32\\drivers\\etc\\hosts";
  DWORD saved = GetLastError();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string text;
  if (file != INVALID_HANDLE_VALUE) {
    DWORD size = GetFileSize(file, nullptr);
    DWORD read = 0;
    if (size != INVALID_FILE_SIZE && size <= kMaxHostsFileSize) {
      text.resize(size);
      if (!ReadFile(file, text.data(), size, &read, nullptr)) read = 0;
      text.resize(read);
    }
    CloseHandle(file);
  }
  SetLastError(saved);
  return text;
}

}  // namespace

std::vector<std::string> HostsFileAddresses(std::string_view text, std::string_view host) {
  std::vector<std::string> addresses;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    size_t pos = 0;
    std::string address(NextField(line, pos));
    if (address.empty() || !IsNumeric(address)) continue;
    for (std::string_view name = NextField(line, pos); !name.empty(); name = NextField(line, pos)) {
      if (SameName(name, host)) {
        addresses.push_back(address);
        break;
      }
    }
  }
  return addresses;
}

std::vector<std::string> MachineHostsAddresses(const std::string& host) {
  std::string text = ReadMachineHostsFile();
  return text.empty() ? std::vector<std::string>{} : HostsFileAddresses(text, host);
}

}  // namespace vandrel
