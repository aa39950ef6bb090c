#include "toolbar/uMacros.h"

#include <algorithm>

#include "platform/runtime/Collation.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/Module.h"
#include "toolbar/uInstance.h"

namespace {

// The folder of the library file, with its trailing backslash.
std::string InstallDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(InstanceModule(), path, sizeof path);
  return ExtractFilePath(path);
}

std::string InstallDirUrl() {
  std::string url = InstallDir();
  std::replace(url.begin(), url.end(), '\\', '/');
  return url;
}

}  // namespace

std::string ExpandMacroTable(const std::string& text, const std::vector<TMacroEntry>& table, int highIndex,
                             TObject* context) {
  static const std::string kDelimiter = "%%";
  std::string result;
  result.reserve(text.size());
  size_t at = 0;  // the rest of the text starts here
  while (at < text.size()) {
    size_t open = text.find(kDelimiter, at);
    if (open == std::string::npos) {
      result.append(text, at, std::string::npos);
      break;
    }
    result.append(text, at, open - at);
    at = open + kDelimiter.size();
    size_t close = text.find(kDelimiter, at);
    if (close == std::string::npos) throw Exception("End of macro \"" + text.substr(at) + "\" not found");
    std::string name = text.substr(at, close - at);
    at = close + kDelimiter.size();
    int last = std::min(highIndex, int(table.size()) - 1);
    auto entry = std::find_if(table.begin(), table.begin() + std::max(last + 1, 0),
                              [&](const TMacroEntry& e) { return AnsiSameText(e.Name, name); });
    if (entry != table.begin() + std::max(last + 1, 0))
      result += entry->Handler(name, context);
    else
      result += kDelimiter + name + kDelimiter;
  }
  return result;
}

const std::vector<TMacroEntry>& BuiltInMacros() {
  static const std::vector<TMacroEntry> table = {
      {"installdir", [](const std::string&, TObject*) { return InstallDir(); }},
      {"installdirurl", [](const std::string&, TObject*) { return InstallDirUrl(); }},
      {"toolbarversion", [](const std::string&, TObject*) { return ModuleVersionText(); }},
      {"toolbarguid", [](const std::string&, TObject*) { return GetToolbarGUID(); }},
      {"toolbarmachineid", [](const std::string&, TObject*) { return MachineIdentifier(); }},
      {"toolbaruserid", [](const std::string&, TObject*) { return UserIdentifier(); }},
  };
  return table;
}

std::string ExpandMacros(const std::string& text, TObject* context) {
  return ExpandMacroTable(text, BuiltInMacros(), 5, context);
}

std::string ExpandMacrosFromList(const std::string& text, const TStrings& list) {
  // One entry per line (a line without "=" has an empty name, as in the list's own lookups); the table's
  // first match is the first line of that name.
  std::vector<TMacroEntry> table;
  table.reserve(size_t(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    std::string line = list[i];
    size_t equals = line.find('=');
    std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    table.push_back({equals == std::string::npos ? std::string() : line.substr(0, equals),
                     [value](const std::string&, TObject*) { return value; }});
  }
  return ExpandMacroTable(text, table, int(table.size()) - 1, nullptr);
}
