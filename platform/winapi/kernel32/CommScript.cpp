// The scripts of scripted serial devices.
#include "platform/winapi/kernel32/CommScript.h"

#include <charconv>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(size_t lineNo, const std::string& why) {
  throw std::invalid_argument("line " + std::to_string(lineNo) + ": " + why);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(std::string_view text, size_t lineNo) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) Fail(lineNo, "escape at the end of the line");
    switch (text[i]) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      case 'x': {
        int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (high < 0 || low < 0) Fail(lineNo, "\\x needs two hexadecimal digits");
        out += char(high * 16 + low);
        i += 2;
        break;
      }
      default: Fail(lineNo, std::string("unknown escape \\") + text[i]);
    }
  }
  return out;
}

}  // namespace

const CommScript::Rule* CommScript::Find(std::string_view line) const {
  const Rule* fallback = nullptr;
  for (const Rule& rule : rules) {
    if (rule.any) {
      if (!fallback) fallback = &rule;
    } else if (rule.line == line) {
      return &rule;
    }
  }
  return fallback;
}

CommScript ParseCommScript(std::string_view text) {
  CommScript script;
  size_t lineNo = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos || line[start] == '#') continue;
    line.remove_prefix(start);
    size_t space = line.find(' ');
    std::string_view word = line.substr(0, space);
    std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    if (word == "line") {
      CommScript::Rule rule;
      rule.any = rest == "*";
      if (!rule.any) rule.line = Unescape(rest, lineNo);
      if (rule.line.find_first_of("\r\n") != std::string::npos) Fail(lineNo, "a line cannot hold CR or LF");
      script.rules.push_back(std::move(rule));
    } else if (word == "reply") {
      if (script.rules.empty()) Fail(lineNo, "reply before any line");
      size_t gap = rest.find(' ');
      std::string_view delay = rest.substr(0, gap);
      uint32_t ms = 0;
      auto [at, ec] = std::from_chars(delay.data(), delay.data() + delay.size(), ms);
      if (delay.empty() || ec != std::errc() || at != delay.data() + delay.size())
        Fail(lineNo, "reply needs a delay in milliseconds");
      std::string_view bytes = gap == std::string_view::npos ? std::string_view() : rest.substr(gap + 1);
      script.rules.back().chunks.push_back({ms, Unescape(bytes, lineNo)});
    } else {
      Fail(lineNo, "unknown directive '" + std::string(word) + "'");
    }
  }
  return script;
}
