// REGEDIT4 text: "[KEY]" and "[-KEY]" sections, "name"=value lines ("text", dword:, hex:, hex(N):, "-"),
// "\" continuing hex data on the next line, ";" comments. Parsing is linear and checks the whole text
// before anything is applied.
#include "platform/winapi/advapi32/RegistryText.h"

#include <cstdio>
#include <cstring>

#include "platform/runtime/Strings.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace vandrel::registry {
namespace {

struct RootName {
  const char* name;
  Root root;
};
constexpr RootName kRoots[] = {{"HKEY_LOCAL_MACHINE", Root::LocalMachine},
                               {"HKEY_CURRENT_USER", Root::CurrentUser},
                               {"HKEY_CLASSES_ROOT", Root::ClassesRoot}};

const char* NameOf(Root root) {
  for (auto& r : kRoots)
    if (r.root == root) return r.name;
  return "";
}

// Splits a full key path into its root and the names below it.
bool ParseKeyName(std::string_view full, Root& root, std::vector<std::string>& names) {
  std::string_view head = full.substr(0, full.find('\\'));
  bool known = false;
  for (auto& r : kRoots)
    if (Fold(std::string(head)) == r.name) root = r.root, known = true;
  if (!known) return false;
  names.clear();
  if (head.size() == full.size()) return true;
  return SplitKeyPath(full.substr(head.size() + 1), names);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A quoted string at the start of `s` with \\ and \" escapes; the rest after the closing quote.
bool ParseQuoted(std::string_view& s, std::string& out) {
  if (s.empty() || s[0] != '"') return false;
  out.clear();
  for (size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 1 < s.size()) {
      out += s[++i];
    } else if (c == '"') {
      s.remove_prefix(i + 1);
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

bool ParseHexBytes(std::string_view s, std::string& out) {
  out.clear();
  s = TrimBlanks(s);
  if (s.empty()) return true;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(',', start);
    if (end == std::string_view::npos) end = s.size();
    std::string_view byte = TrimBlanks(s.substr(start, end - start));
    if (byte.size() != 2 || HexDigit(byte[0]) < 0 || HexDigit(byte[1]) < 0) return false;
    out += char(HexDigit(byte[0]) * 16 + HexDigit(byte[1]));
    start = end + 1;
  }
  return true;
}

bool ParseHexNumber(std::string_view s, size_t maxDigits, DWORD& value) {
  if (s.empty() || s.size() > maxDigits) return false;
  value = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + DWORD(d);
  }
  return true;
}

// The data after "=": the value's type and bytes, or a deletion.
bool ParseData(std::string_view s, Value& value, bool& remove) {
  remove = false;
  s = TrimBlanks(s);
  if (s == "-") {
    remove = true;
    return true;
  }
  if (!s.empty() && s[0] == '"') {
    std::string text;
    if (!ParseQuoted(s, text) || !TrimBlanks(s).empty()) return false;
    value.type = REG_SZ;
    value.data = text + '\0';
    return true;
  }
  if (s.compare(0, 6, "dword:") == 0) {
    DWORD number;
    if (!ParseHexNumber(TrimBlanks(s.substr(6)), 8, number)) return false;
    value.type = REG_DWORD;
    value.data.assign(reinterpret_cast<const char*>(&number), 4);
    return true;
  }
  if (s.compare(0, 4, "hex:") == 0) {
    value.type = REG_BINARY;
    return ParseHexBytes(s.substr(4), value.data);
  }
  if (s.compare(0, 4, "hex(") == 0) {
    size_t close = s.find("):");
    if (close == std::string_view::npos || !ParseHexNumber(s.substr(4, close - 4), 8, value.type)) return false;
    return ParseHexBytes(s.substr(close + 2), value.data);
  }
  return false;
}

// ERROR_INVALID_PARAMETER for a name the registry API refuses, ERROR_BAD_PATHNAME for a key it would not
// create so deep.
DWORD CheckKeyPath(const TextOp& op) {
  for (const std::string& name : op.path)
    if (!ValidRegistryName(name, kMaxKeyName)) return ERROR_INVALID_PARAMETER;
  size_t depth = op.path.size() + (op.root == Root::ClassesRoot ? ClassesPath().size() : 0);
  return depth > kMaxKeyDepth ? ERROR_BAD_PATHNAME : ERROR_SUCCESS;
}

std::string LineError(size_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

}  // namespace

ParsedText ParseRegistryText(std::string_view text) {
  ParsedText parsed;
  std::vector<std::string_view> lines = SplitTextLines(text);
  size_t i = 0;
  while (i < lines.size() && TrimBlanks(lines[i]).empty()) ++i;
  if (i == lines.size() || TrimBlanks(lines[i]) != "REGEDIT4") {
    parsed.error = LineError(i + 1, "the text does not start with \"REGEDIT4\"");
    return parsed;
  }
  bool inKey = false;
  TextOp section{};
  for (++i; i < lines.size(); ++i) {
    size_t lineNumber = i + 1;
    std::string_view line = TrimBlanks(lines[i]);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        parsed.error = LineError(lineNumber, "a key line must end with \"]\"");
        return parsed;
      }
      std::string_view name = line.substr(1, line.size() - 2);
      bool remove = !name.empty() && name[0] == '-';
      if (remove) name.remove_prefix(1);
      TextOp op{};
      op.kind = remove ? TextOp::DeleteKey : TextOp::CreateKey;
      if (!ParseKeyName(name, op.root, op.path)) {
        parsed.error = LineError(lineNumber, "unknown or malformed key \"" + std::string(name) + "\"");
        return parsed;
      }
      if (DWORD rc = CheckKeyPath(op)) {
        parsed.error = LineError(lineNumber, rc == ERROR_BAD_PATHNAME
                                                 ? "a key deeper than " + std::to_string(kMaxKeyDepth) + " levels"
                                                 : "a key name longer than " + std::to_string(kMaxKeyName) +
                                                       " characters or holding a NUL character");
        return parsed;
      }
      parsed.ops.push_back(op);
      section = op;
      inKey = !remove;
      continue;
    }
    if (!inKey) {
      parsed.error = LineError(lineNumber, "a value outside a key");
      return parsed;
    }
    std::string name;
    std::string_view rest = line;
    if (rest[0] == '@') {
      rest.remove_prefix(1);
    } else if (!ParseQuoted(rest, name)) {
      parsed.error = LineError(lineNumber, "a value name must be quoted or \"@\"");
      return parsed;
    }
    if (!ValidRegistryName(name, kMaxValueName)) {
      parsed.error = LineError(lineNumber, "a value name longer than " + std::to_string(kMaxValueName) +
                                               " characters or holding a NUL character");
      return parsed;
    }
    rest = TrimBlanks(rest);
    if (rest.empty() || rest[0] != '=') {
      parsed.error = LineError(lineNumber, "\"=\" expected after the value name");
      return parsed;
    }
    rest.remove_prefix(1);
    std::string data(TrimBlanks(rest));
    while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
      data.pop_back();
      data += TrimBlanks(lines[++i]);
    }
    TextOp op = section;
    op.value.name = name;
    bool remove;
    if (!ParseData(data, op.value, remove)) {
      parsed.error = LineError(lineNumber, "malformed data of value \"" + name + "\"");
      return parsed;
    }
    op.kind = remove ? TextOp::DeleteValue : TextOp::SetValue;
    parsed.ops.push_back(std::move(op));
  }
  return parsed;
}

DWORD ApplyRegistryText(const std::vector<TextOp>& ops, Transaction* machine, Transaction* user) {
  for (const TextOp& op : ops) {
    Transaction* t = op.root == Root::CurrentUser ? user : machine;
    if (!t) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> path = op.path;
    if (op.root == Root::ClassesRoot) {
      std::vector<std::string> classes = ClassesPath();
      path.insert(path.begin(), classes.begin(), classes.end());
    }
    bool created;
    switch (op.kind) {
      case TextOp::CreateKey: t->Create(kRootKey, path, created); break;
      case TextOp::DeleteKey:
        if (auto key = t->Find(kRootKey, path); key && *key != kRootKey) t->DeleteTree(*key);
        break;
      case TextOp::SetValue: t->SetValue(t->Create(kRootKey, path, created), op.value); break;
      case TextOp::DeleteValue: t->DeleteValue(t->Create(kRootKey, path, created), op.value.name); break;
    }
  }
  return ERROR_SUCCESS;
}

namespace {

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A REG_SZ that reads back the same when written as a quoted string.
bool PlainString(const Value& v) {
  if (v.type != REG_SZ || v.data.empty() || v.data.back() != '\0') return false;
  return v.data.find_first_of(std::string("\r\n\0", 3)) == v.data.size() - 1;
}

void WriteValue(const Value& v, std::string& out) {
  std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
  char buffer[16];
  if (PlainString(v)) {
    out += line + Quote(v.data.substr(0, v.data.size() - 1)) + "\r\n";
    return;
  }
  if (v.type == REG_DWORD && v.data.size() == 4) {
    DWORD number;
    std::memcpy(&number, v.data.data(), 4);
    std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
    out += line + buffer + "\r\n";
    return;
  }
  if (v.type == REG_BINARY) {
    line += "hex:";
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", v.type);
    line += buffer;
  }
  for (size_t i = 0; i < v.data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(v.data[i]));
    line += buffer;
    if (i + 1 < v.data.size()) {
      line += ",";
      if (line.size() > 76) {
        out += line + "\\\r\n";
        line = "  ";
      }
    }
  }
  out += line + "\r\n";
}

// A key and everything below it, parents before children; walks with a list of its own, as a tree can
// be as deep as the store holds.
void WriteKey(Transaction& t, KeyId top, const std::string& topPath, std::string& out) {
  std::vector<std::pair<KeyId, std::string>> pending{{top, topPath}};
  while (!pending.empty()) {
    auto [key, path] = std::move(pending.back());
    pending.pop_back();
    out += "[" + path + "]\r\n";
    for (const Value& v : t.Values(key)) WriteValue(v, out);
    out += "\r\n";
    auto children = t.Children(key);
    for (auto child = children.rbegin(); child != children.rend(); ++child)
      pending.emplace_back(child->first, path + "\\" + child->second);
  }
}

DWORD ExportKey(Root root, const std::vector<std::string>& names, std::string& out) {
  auto hive = root == Root::CurrentUser ? UserHive(CurrentUserName()) : MachineHive();
  if (!hive) return ERROR_BADDB;
  std::vector<std::string> path = names;
  if (root == Root::ClassesRoot) {
    std::vector<std::string> classes = ClassesPath();
    path.insert(path.begin(), classes.begin(), classes.end());
  }
  return hive->Run(Mode::Read, [&](Transaction& t) {
    KeyId key = kRootKey;
    std::string full = NameOf(root);
    for (size_t i = 0; i < path.size(); ++i) {
      auto child = t.Find(key, {path[i]});
      if (!child) return DWORD(ERROR_FILE_NOT_FOUND);
      key = *child;
      if (i + names.size() >= path.size()) full += "\\" + t.KeyName(key);
    }
    WriteKey(t, key, full, out);
    return DWORD(ERROR_SUCCESS);
  });
}

}  // namespace
}  // namespace vandrel::registry

namespace vandrel {

using namespace registry;

bool ImportRegistryText(std::string_view text, std::string& error) {
  ParsedText parsed = ParseRegistryText(text);
  if (!parsed.error.empty()) {
    error = parsed.error;
    return false;
  }
  bool needsUser = false;
  for (auto& op : parsed.ops) needsUser |= op.root == Root::CurrentUser;
  auto machine = MachineHive();
  auto user = needsUser ? UserHive(CurrentUserName()) : nullptr;
  if (!machine || (needsUser && !user)) {
    error = "the registry cannot be opened";
    return false;
  }
  DWORD rc = machine->Run(Mode::Write, [&](Transaction& m) {
    if (!user) return ApplyRegistryText(parsed.ops, &m, nullptr);
    return user->Run(Mode::Write, [&](Transaction& u) { return ApplyRegistryText(parsed.ops, &m, &u); });
  });
  if (rc) {
    error = "the registry cannot be written: " + SysErrorMessage(rc);
    return false;
  }
  return true;
}

bool ExportRegistryText(std::string_view key, std::string& text, std::string& error) {
  text = "REGEDIT4\r\n\r\n";
  std::vector<std::pair<Root, std::vector<std::string>>> keys;
  if (key.empty()) {
    keys.push_back({Root::LocalMachine, {}});
    keys.push_back({Root::CurrentUser, {}});
  } else {
    Root root;
    std::vector<std::string> names;
    if (!ParseKeyName(key, root, names)) {
      error = "unknown or malformed key \"" + std::string(key) + "\"";
      return false;
    }
    keys.push_back({root, names});
  }
  for (auto& [root, names] : keys) {
    DWORD rc = ExportKey(root, names, text);
    if (rc == ERROR_FILE_NOT_FOUND) {
      error = "the key \"" + std::string(key) + "\" does not exist";
      return false;
    }
    if (rc) {
      error = "the registry cannot be read: " + SysErrorMessage(rc);
      return false;
    }
  }
  return true;
}

}  // namespace vandrel
