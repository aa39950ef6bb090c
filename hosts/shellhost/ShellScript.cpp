#include "hosts/shellhost/ShellScript.h"

#include <cstdlib>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Input.h"

namespace {

std::string TrimBlanks(const std::string& s) {
  size_t from = s.find_first_not_of(" \t\r");
  if (from == std::string::npos) return "";
  size_t to = s.find_last_not_of(" \t\r");
  return s.substr(from, to - from + 1);
}

// The first word and the rest of the line.
std::pair<std::string, std::string> Split(const std::string& s) {
  size_t blank = s.find_first_of(" \t");
  if (blank == std::string::npos) return {s, ""};
  return {s.substr(0, blank), TrimBlanks(s.substr(blank + 1))};
}

[[noreturn]] void Fail(int line, const std::string& why) {
  throw EShellScriptError(Format("line %d: %s", {line, why}));
}

}  // namespace

std::vector<TShellAction> ParseShellScript(const std::string& text) {
  std::vector<TShellAction> actions;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    std::string line = TrimBlanks(raw);
    if (line.empty() || line[0] == '#') continue;
    TShellAction a;
    a.line = number;
    a.source = line;
    auto [verb, rest] = Split(line);
    a.verb = verb;
    if (verb == "click" || verb == "focus" || verb == "key" || verb == "navigate") {
      if (rest.empty()) Fail(number, verb + " needs an argument");
      a.name = rest;
      if (verb == "key") ParseKeyName(rest);
    } else if (verb == "type") {
      auto [name, typed] = Split(rest);
      if (name.empty()) Fail(number, "type needs a control");
      a.name = name;
      a.text = typed;
    } else if (verb == "wait") {
      char* end = nullptr;
      long ms = std::strtol(rest.c_str(), &end, 10);
      if (rest.empty() || *end || ms < 0) Fail(number, "wait needs milliseconds");
      a.text = rest;
    } else if (verb == "chevron") {
      auto [band, item] = Split(rest);
      if (band == "this" || band == "other") {
        a.name = band;
        a.text = item;
      } else {
        a.name = "this";
        a.text = rest;
      }
    } else {
      Fail(number, "unknown action " + verb);
    }
    actions.push_back(a);
  }
  return actions;
}

TKeyStroke ParseKeyName(const std::string& name) {
  TKeyStroke k;
  std::string rest = name;
  for (;;) {
    size_t plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 == rest.size()) break;
    std::string modifier = cp1250::Upper(rest.substr(0, plus));
    if (modifier == "SHIFT") k.shift = true;
    else if (modifier == "CTRL") k.ctrl = true;
    else if (modifier == "ALT") k.alt = true;
    else throw EShellScriptError("Unknown key " + name);
    rest = rest.substr(plus + 1);
  }
  std::string key = cp1250::Upper(rest);
  static const std::pair<const char*, unsigned char> kNamed[] = {
      {"TAB", VK_TAB},     {"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"ESC", VK_ESCAPE},  {"ESCAPE", VK_ESCAPE},
      {"BACK", VK_BACK},   {"BACKSPACE", VK_BACK}, {"SPACE", VK_SPACE}, {"LEFT", VK_LEFT},   {"RIGHT", VK_RIGHT},
      {"UP", VK_UP},       {"DOWN", VK_DOWN},    {"HOME", VK_HOME},     {"END", VK_END},     {"DELETE", VK_DELETE},
      {"F1", VK_F1},       {"F4", VK_F4},        {"F5", VK_F5},         {"F10", VK_F10}};
  for (auto& [label, vk] : kNamed)
    if (key == label) {
      k.vk = vk;
      return k;
    }
  unsigned char c = key.size() == 1 ? static_cast<unsigned char>(key[0]) : 0;
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
    k.vk = c;
    return k;
  }
  throw EShellScriptError("Unknown key " + name);
}
