#include "platform/components/automation/UserScript.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/FileSystem.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/MessageQueue.h"

namespace {

constexpr uint32_t kLongestWait = 86400000;

// Blanks separate words; a CR counts as one, so lines may end in CR LF.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits off the first word; `rest` starts at the next word.
std::string_view FirstWord(std::string_view s, std::string_view& rest) {
  size_t end = 0;
  while (end < s.size() && !IsBlank(s[end])) ++end;
  rest = Trim(s.substr(end));
  return s.substr(0, end);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return cp1250::ToLowerByte(static_cast<unsigned char>(x)) ==
                  cp1250::ToLowerByte(static_cast<unsigned char>(y));
         });
}

struct NamedKey {
  const char* name;
  BYTE key;
};

constexpr NamedKey kNamedKeys[] = {
    {"Enter", VK_RETURN}, {"Return", VK_RETURN},  {"Esc", VK_ESCAPE},    {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},
    {"Space", VK_SPACE},  {"Backspace", VK_BACK}, {"Delete", VK_DELETE}, {"Del", VK_DELETE},    {"Insert", VK_INSERT},
    {"Ins", VK_INSERT},   {"Home", VK_HOME},      {"End", VK_END},       {"PageUp", VK_PRIOR},  {"PageDown", VK_NEXT},
    {"Left", VK_LEFT},    {"Right", VK_RIGHT},    {"Up", VK_UP},         {"Down", VK_DOWN},
};

bool ParseKey(std::string_view name, BYTE& key) {
  for (const NamedKey& k : kNamedKeys)
    if (SameText(name, k.name)) {
      key = k.key;
      return true;
    }
  if (name.size() == 1) {
    unsigned char c = cp1250::ToUpperByte(static_cast<unsigned char>(name[0]));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      key = c;
      return true;
    }
    return false;
  }
  if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3 && name[1] >= '1' && name[1] <= '9') {
    int n = name[1] - '0';
    if (name.size() == 3) {
      if (name[1] != '1' || name[2] < '0' || name[2] > '2') return false;
      n = 10 + (name[2] - '0');
    }
    key = BYTE(VK_F1 + n - 1);
    return true;
  }
  return false;
}

bool ParseMilliseconds(std::string_view word, uint32_t& ms) {
  if (word.empty() || word.size() > 8) return false;
  uint32_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + uint32_t(c - '0');
  }
  if (value > kLongestWait) return false;
  ms = value;
  return true;
}

[[noreturn]] void LineError(int line, const std::string& message) {
  throw EUserScriptError(Format("line %d: %s", {line, message}));
}

const char* AnswerName(int answer) {
  switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "?";
  }
}

std::string MessageBoxLine(const TMessageBoxRecord& box) {
  return "message box " + SnapshotQuote(box.caption, 4) + " " + SnapshotQuote(box.text, 4) + " answered " +
         AnswerName(box.answer) + "\n";
}

// Fills the action's arguments from the rest of its line by the shape its verb takes.
void ReadArguments(TUserAction& a, TUserArgs args, std::string_view rest) {
  std::string_view after;
  std::string_view word = FirstWord(rest, after);
  switch (args) {
    case TUserArgs::None:
      if (!rest.empty()) LineError(a.line, a.verb + " takes nothing after it");
      return;
    case TUserArgs::Name:
      if (word.empty() || !after.empty()) LineError(a.line, a.verb + " takes one control name");
      a.name = word;
      return;
    case TUserArgs::NameText:
      if (word.empty() || after.empty()) LineError(a.line, a.verb + " needs a control name and a text");
      a.name = word;
      a.text = after;
      return;
    case TUserArgs::Key:
      if (word.empty() || !after.empty()) LineError(a.line, a.verb + " takes one key name");
      if (!ParseKeyName(word, a.key, a.shift)) LineError(a.line, "unknown key \"" + std::string(word) + "\"");
      return;
    case TUserArgs::Milliseconds:
      if (!after.empty() || !ParseMilliseconds(word, a.ms))
        LineError(a.line, a.verb + " takes milliseconds from 0 to " + std::to_string(kLongestWait));
      return;
    case TUserArgs::Rest: a.text = rest; return;
    case TUserArgs::Button:
      for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
        if (!word.empty() && after.empty() && SameText(word, AnswerName(id))) {
          a.button = id;
          return;
        }
      LineError(a.line, a.verb + " takes one of OK, Cancel, Abort, Retry, Ignore, Yes, No");
  }
}

}  // namespace

bool ParseKeyName(std::string_view name, BYTE& key, TShiftState& shift) {
  TShiftState modifiers = 0;
  for (;;) {
    size_t plus = name.find('+');
    if (plus == std::string_view::npos) break;
    std::string_view part = name.substr(0, plus);
    TShiftState bit = SameText(part, "Shift")                               ? ssShift
                      : SameText(part, "Ctrl") || SameText(part, "Control") ? ssCtrl
                      : SameText(part, "Alt")                               ? ssAlt
                                                                            : 0;
    if (!bit || (modifiers & bit)) return false;
    modifiers |= bit;
    name.remove_prefix(plus + 1);
  }
  if (name.empty() || !ParseKey(name, key)) return false;
  shift = modifiers;
  return true;
}

TUserVerbs TUserVerbs::Standard() {
  TUserVerbs v;
  v.Add("click", TUserArgs::Name, [](TFormDriver& d, const TUserAction& a) { d.Click(a.name); });
  v.Add("check", TUserArgs::Name, [](TFormDriver& d, const TUserAction& a) { d.Check(a.name, true); });
  v.Add("uncheck", TUserArgs::Name, [](TFormDriver& d, const TUserAction& a) { d.Check(a.name, false); });
  v.Add("focus", TUserArgs::Name, [](TFormDriver& d, const TUserAction& a) { d.Focus(a.name); });
  v.Add("select", TUserArgs::NameText, [](TFormDriver& d, const TUserAction& a) { d.Select(a.name, a.text); });
  v.Add("type", TUserArgs::NameText, [](TFormDriver& d, const TUserAction& a) { d.Type(a.name, a.text); });
  v.Add("paste", TUserArgs::NameText, [](TFormDriver& d, const TUserAction& a) { d.Paste(a.name, a.text); });
  v.Add("key", TUserArgs::Key, [](TFormDriver& d, const TUserAction& a) { d.Key(a.key, a.shift); });
  v.Add("wait", TUserArgs::Milliseconds, [](TFormDriver& d, const TUserAction& a) { d.Advance(a.ms); });
  v.Add("answer", TUserArgs::Button, [](TFormDriver&, const TUserAction& a) { QueueMessageBoxAnswer(a.button); });
  return v;
}

void TUserVerbs::Add(const std::string& verb, TUserArgs args, TUserVerbHandler handler) {
  for (Verb& v : verbs_)
    if (v.name == verb) {
      v.args = args;
      v.handler = std::move(handler);
      return;
    }
  verbs_.push_back({verb, args, std::move(handler)});
}

const TUserVerbs::Verb* TUserVerbs::Find(std::string_view verb) const {
  for (const Verb& v : verbs_)
    if (SameText(v.name, verb)) return &v;
  return nullptr;
}

std::vector<TUserAction> ReadUserScript(std::string_view utf8, const TUserVerbs& verbs) {
  std::vector<TUserAction> actions;
  int line = 0;
  while (!utf8.empty()) {
    ++line;
    size_t end = utf8.find('\n');
    std::string_view raw = utf8.substr(0, end);
    utf8.remove_prefix(end == std::string_view::npos ? utf8.size() : end + 1);
    raw = Trim(raw);
    if (raw.empty() || raw.front() == '#') continue;
    // Each character that the code page cannot hold (or each malformed byte) becomes one more "?".
    std::string text = cp1250::FromUtf8(raw);
    if (std::count(text.begin(), text.end(), '?') != std::count(raw.begin(), raw.end(), '?'))
      LineError(line, "text that is not UTF-8 or not in code page 1250");
    TUserAction a;
    a.line = line;
    a.source = text;
    std::string_view rest;
    std::string_view verb = FirstWord(a.source, rest);
    const TUserVerbs::Verb* known = verbs.Find(verb);
    if (!known) LineError(line, "unknown action \"" + std::string(verb) + "\"");
    a.verb = known->name;
    ReadArguments(a, known->args, rest);
    actions.push_back(std::move(a));
  }
  return actions;
}

TUserScriptPlayer::TUserScriptPlayer(TCustomForm* form, TUserVerbs verbs, std::function<void(const std::string&)> write)
    : driver_(form), verbs_(std::move(verbs)), write_(std::move(write)), boxesSeen_(MessageBoxRecords().size()) {}

void TUserScriptPlayer::WriteSnapshot() { write_(driver_.Snapshot() + NewMessageBoxes()); }

std::string TUserScriptPlayer::NewMessageBoxes() {
  std::string out;
  std::vector<TMessageBoxRecord> boxes = MessageBoxRecords();
  for (size_t i = std::min(boxesSeen_, boxes.size()); i < boxes.size(); ++i) out += MessageBoxLine(boxes[i]);
  boxesSeen_ = boxes.size();
  return out;
}

void TUserScriptPlayer::Play(const std::vector<TUserAction>& actions) {
  for (const TUserAction& a : actions) {
    if (Application->Terminated()) LineError(a.line, "the program has ended");
    const TUserVerbs::Verb* verb = verbs_.Find(a.verb);
    if (!verb || !verb->handler) LineError(a.line, "unknown action \"" + a.verb + "\"");
    try {
      verb->handler(driver_, a);
    } catch (const std::exception& e) {
      LineError(a.line, e.what());
    }
    write_(Format("== line %d: %s\n", {a.line, a.source}));
    if (Application->Terminated())
      write_(NewMessageBoxes() + "program ended\n");
    else
      WriteSnapshot();
  }
}

namespace {

void WriteOut(const std::string& cp1250Text) {
  std::string text = cp1250::ToUtf8(cp1250Text);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

std::optional<std::string> TakeEnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  std::string out = value;
  unsetenv(name);
  return out;
}

std::unique_ptr<TRequestedUserScript> TRequestedUserScript::TakeFromEnvironment() {
  std::optional<std::string> file = TakeEnvironmentVariable("VANDREL_SCRIPT");
  std::optional<std::string> snapshot = TakeEnvironmentVariable("VANDREL_SNAPSHOT");
  bool snapshotOnly = snapshot && *snapshot == "1";
  if (!snapshotOnly && (!file || file->empty())) return nullptr;
  return std::make_unique<TRequestedUserScript>(file && !snapshotOnly ? *file : std::string(), snapshotOnly);
}

void TRequestedUserScript::Fail(const std::string& message) {
  failed_ = true;
  std::string text = (file_.empty() ? std::string("snapshot") : file_) + ": " + cp1250::ToUtf8(message) + "\n";
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void TRequestedUserScript::Play(TCustomForm* mainForm) {
  if (started_) return;
  started_ = true;
  TUserVerbs verbs = TUserVerbs::Standard();
  TUserScriptPlayer player(mainForm, verbs, WriteOut);
  try {
    if (snapshotOnly_) {
      player.WriteSnapshot();
    } else {
      std::string text, error;
      if (!ReadHostFile(file_, text, error)) {
        Fail("cannot read the script: " + error);
      } else {
        std::vector<TUserAction> actions = ReadUserScript(text, verbs);
        vandrel::WaitForHandingProgram();
        WriteOut("== start\n");
        player.WriteSnapshot();
        player.Play(actions);
      }
    }
  } catch (const EUserScriptError& e) {
    Fail(e.Message());
  }
  // The end, as a person closing the main form: its OnCloseQuery and OnClose run.
  if (!Application->Terminated() && Application->MainForm() == mainForm) {
    PostMessageA(mainForm->Handle(), WM_CLOSE, 0, 0);
    Application->ProcessPendingMessages();
  }
  if (!Application->Terminated()) Application->Terminate();
}

void TRequestedUserScript::Idle(TCustomForm* mainForm) {
  if (!started_ && mainForm && mainForm->Showing()) Play(mainForm);
}

void TRequestedUserScript::LoopEnded() {
  if (int code = Finish()) std::exit(code);
}

int TRequestedUserScript::Finish() {
  if (!started_) {
    // What the program said before it ended tells why it did.
    for (const TMessageBoxRecord& box : MessageBoxRecords()) WriteOut(MessageBoxLine(box));
    Fail("the program ended before its main form was shown");
  }
  return failed_ ? kUserScriptFailed : 0;
}
