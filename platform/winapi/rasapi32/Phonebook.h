// The machine's phone book: entries with their dial parameters in one text file of the machine folder,
// read and written whole under a lock that every process of the machine takes.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi/WinTypes.h"

namespace ras {

struct StoredEntry {
  std::string name;
  // Properties.
  DWORD options = 0, countryId = 0, countryCode = 0, netProtocols = 0, framing = 0, type = 0;
  std::string areaCode, phone, deviceType, deviceName;
  // Dial parameters.
  std::string dialPhone, callback, user, password, domain;
};

using Entries = std::vector<StoredEntry>;

// Runs `work` on the entries; with `write`, stores them afterwards when `work` returned 0. Returns what
// `work` returned, or ERROR_CANNOT_OPEN_PHONEBOOK, ERROR_CORRUPT_PHONEBOOK or ERROR_CANNOT_WRITE_PHONEBOOK.
DWORD WithPhonebook(bool write, const std::function<DWORD(Entries&)>& work);
// The entry of that name (compared without regard to case), or null.
StoredEntry* FindEntry(Entries& entries, const std::string& name);
// Whether a name can name an entry.
bool ValidEntryName(std::string_view name);

// The phone book as text, and back (false on a line it cannot read).
std::string FormatPhonebook(const Entries& entries);
bool ParsePhonebook(const std::string& text, Entries& entries);

// Copies a text into a fixed field, cut to the field.
template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  size_t n = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, n);
  field[n] = 0;
}
// A fixed field's text up to its terminator (or its end).
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n]) ++n;
  return std::string(field, n);
}

}  // namespace ras
