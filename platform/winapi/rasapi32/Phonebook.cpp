// The phone book file "ras/rasphone.pbk": a section "[name]" per entry and "Key=value" lines, with the bytes
// that would break a line ("%", "[", "]", "=", control characters) written as "%XX". Writers replace the
// file through a temporary one under the exclusive lock of "ras/rasphone.lock"; readers share that lock.
#include "platform/winapi/rasapi32/Phonebook.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Ras.h"

namespace ras {
namespace {

struct Field {
  const char* key;
  std::string StoredEntry::*text;
  DWORD StoredEntry::*number;
};

constexpr Field kFields[] = {
    {"Options", nullptr, &StoredEntry::options},
    {"CountryID", nullptr, &StoredEntry::countryId},
    {"CountryCode", nullptr, &StoredEntry::countryCode},
    {"AreaCode", &StoredEntry::areaCode, nullptr},
    {"PhoneNumber", &StoredEntry::phone, nullptr},
    {"NetProtocols", nullptr, &StoredEntry::netProtocols},
    {"FramingProtocol", nullptr, &StoredEntry::framing},
    {"DeviceType", &StoredEntry::deviceType, nullptr},
    {"DeviceName", &StoredEntry::deviceName, nullptr},
    {"Type", nullptr, &StoredEntry::type},
    {"DialPhoneNumber", &StoredEntry::dialPhone, nullptr},
    {"CallbackNumber", &StoredEntry::callback, nullptr},
    {"UserName", &StoredEntry::user, nullptr},
    {"Password", &StoredEntry::password, nullptr},
    {"Domain", &StoredEntry::domain, nullptr},
};

std::string Escape(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F || c == '%' || c == '[' || c == ']' || c == '=') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1, low = high < 0 ? -1 : HexDigit(text[i + 2]);
    if (low < 0) return false;
    out += char(high * 16 + low);
    i += 2;
  }
  return true;
}

bool ParseNumber(const std::string& text, DWORD& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t n = 0;
  for (unsigned char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n > 0xFFFFFFFFu) return false;
  value = DWORD(n);
  return true;
}

std::string Folder() { return vandrel::MachineRoot() + "/ras"; }

// Holds the phone book's lock for its life.
class Lock {
 public:
  explicit Lock(bool exclusive) {
    mkdir(Folder().c_str(), 0777);
    fd_ = open((Folder() + "/rasphone.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0 && flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~Lock() {
    if (fd_ >= 0) close(fd_);
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

bool Store(const Entries& entries) {
  const std::string path = vandrel::PhonebookPath(), temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << FormatPhonebook(entries);
    out.flush();
    if (!out) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

std::string FormatPhonebook(const Entries& entries) {
  std::string text;
  for (const StoredEntry& entry : entries) {
    text += "[" + Escape(entry.name) + "]\n";
    for (const Field& f : kFields)
      text += std::string(f.key) + "=" + (f.text ? Escape(entry.*f.text) : std::to_string(entry.*f.number)) + "\n";
    text += "\n";
  }
  return text;
}

bool ParsePhonebook(const std::string& text, Entries& entries) {
  entries.clear();
  std::string value;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']' || !Unescape(line.substr(1, line.size() - 2), value) || !ValidEntryName(value) ||
          FindEntry(entries, value))
        return false;
      entries.push_back(StoredEntry{});
      entries.back().name = value;
      continue;
    }
    size_t equals = line.find('=');
    if (entries.empty() || equals == std::string_view::npos || !Unescape(line.substr(equals + 1), value)) return false;
    std::string_view key = line.substr(0, equals);
    StoredEntry& entry = entries.back();
    for (const Field& f : kFields) {
      if (key != f.key) continue;
      if (f.text)
        entry.*f.text = value;
      else if (!ParseNumber(value, entry.*f.number))
        return false;
    }
  }
  return true;
}

bool ValidEntryName(std::string_view name) {
  if (name.empty() || name.size() > RAS_MaxEntryName || name.front() == '.') return false;
  for (unsigned char c : name)
    if (c < 0x20) return false;
  return true;
}

StoredEntry* FindEntry(Entries& entries, const std::string& name) {
  const std::string wanted = cp1250::Upper(name);
  for (StoredEntry& entry : entries)
    if (cp1250::Upper(entry.name) == wanted) return &entry;
  return nullptr;
}

DWORD WithPhonebook(bool write, const std::function<DWORD(Entries&)>& work) {
  Lock lock(write);
  if (!lock.Held()) return ERROR_CANNOT_OPEN_PHONEBOOK;
  Entries entries;
  std::ifstream in(vandrel::PhonebookPath(), std::ios::binary);
  if (in) {
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad()) return ERROR_CANNOT_OPEN_PHONEBOOK;
    if (!ParsePhonebook(text.str(), entries)) return ERROR_CORRUPT_PHONEBOOK;
  } else if (errno != ENOENT) {
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  }
  DWORD result = work(entries);
  if (result == ERROR_SUCCESS && write && !Store(entries)) return ERROR_CANNOT_WRITE_PHONEBOOK;
  return result;
}

}  // namespace ras

namespace vandrel {

std::string PhonebookPath() { return MachineRoot() + "/ras/rasphone.pbk"; }
std::string DialScriptPath() { return MachineRoot() + "/ras/dial.txt"; }

}  // namespace vandrel
