// Scripts of user actions: a reader of the script text and a player that runs the actions on a form through
// TFormDriver, writing a text snapshot of the form after each step.
//
// Script text (UTF-8; names and texts become CP1250): one action per line, words separated by blanks (space,
// tab, CR); blank lines and lines whose first non-blank character is "#" are skipped. The standard
// verbs (any letter case):
//   click NAME, check NAME, uncheck NAME, focus NAME
//   select NAME ITEM, type NAME TEXT, paste NAME TEXT   ITEM and TEXT: the rest of the line, without the
//                                                       blanks at its ends
//   key KEY    Enter, Esc, Tab, Space, Backspace, Delete, Insert, Home, End, PageUp, PageDown, Left, Right,
//              Up, Down, F1 to F12, A to Z, 0 to 9, after any of "Shift+", "Ctrl+", "Alt+" (Shift+Tab, Alt+X)
//   wait MS    lets MS milliseconds (at most 86400000) pass while the program's messages and timers run
//   answer BUTTON   the next message box shown answers with BUTTON (OK, Cancel, Abort, Retry, Ignore, Yes,
//              No) instead of its default; answers queue up in order
// A caller adds verbs of its own to the table (TUserVerbs::Add). A malformed line raises EUserScriptError
// "line N: ..." when the script is read, before any action runs.
//
// Player output, one block per step: a heading "== line N: ACTION" (the line as written), then the snapshot
// of the form (TFormDriver::Snapshot), then one line per message box that the step showed:
// `message box "CAPTION" "TEXT" answered ANSWER`. A step that ends the program is followed by its message
// box lines and the line "program ended" instead of a snapshot.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/automation/TestDriver.h"

VCL_EXCEPTION(EUserScriptError, Exception);

// What a verb takes after it. Rest: whatever follows the verb, possibly nothing, as the text.
// Button: the name of a message box button (OK, Cancel, Abort, Retry, Ignore, Yes, No; any letter case).
enum class TUserArgs { None, Name, NameText, Key, Milliseconds, Rest, Button };

// One action of a script, its arguments read by the shape its verb takes.
struct TUserAction {
  int line = 0;
  std::string verb;    // lower case
  std::string source;  // the line as written, without blanks around it (CP1250)
  std::string name;    // Name, NameText
  std::string text;    // NameText, Rest
  BYTE key = 0;        // Key
  TShiftState shift = 0;
  uint32_t ms = 0;  // Milliseconds
  int button = 0;   // Button: IDOK, IDCANCEL, ...
};

using TUserVerbHandler = std::function<void(TFormDriver& driver, const TUserAction& action)>;

class TUserVerbs {
 public:
  struct Verb {
    std::string name;
    TUserArgs args;
    TUserVerbHandler handler;
  };
  // The standard verbs.
  static TUserVerbs Standard();
  // Adds a verb (lower case), or replaces the one of that name.
  void Add(const std::string& verb, TUserArgs args, TUserVerbHandler handler);
  const Verb* Find(std::string_view verb) const;

 private:
  std::vector<Verb> verbs_;
};

// The actions of a script; EUserScriptError "line N: ..." for the first malformed line.
std::vector<TUserAction> ReadUserScript(std::string_view utf8, const TUserVerbs& verbs);
// A key as a script names it ("Shift+Tab"): false when the name is unknown.
bool ParseKeyName(std::string_view name, BYTE& key, TShiftState& shift);

class TUserScriptPlayer {
 public:
  // `write` receives the output (CP1250 text, whole lines).
  TUserScriptPlayer(TCustomForm* form, TUserVerbs verbs, std::function<void(const std::string&)> write);
  // Runs the actions in order with a block of output after each. EUserScriptError "line N: ..." when a
  // step fails (its block is not written) or when the program has ended before a step.
  void Play(const std::vector<TUserAction>& actions);
  // The snapshot of the form and the message boxes shown since the last one.
  void WriteSnapshot();

 private:
  // The lines of the message boxes shown since the last call.
  std::string NewMessageBoxes();

  TFormDriver driver_;
  TUserVerbs verbs_;
  std::function<void(const std::string&)> write_;
  size_t boxesSeen_;
};

// A script that a launcher asked this program to play, through the environment of the process:
//   VANDREL_SCRIPT    host path of the script file
//   VANDREL_SNAPSHOT  "1": write the snapshot of the main form and end
// The application object takes the request when it is made (the variables are removed, so that programs
// this one starts do not inherit them) and plays it once its main form is shown and the loop is idle. The
// output goes to standard output (UTF-8): for a script, "== start" and the snapshot before the first step,
// then the blocks of the steps. Errors go to standard error as "FILE: line N: ...". When the script has
// ended, or failed, the main form is closed as a person would close it (and the application terminated
// should the form refuse). A failed script ends the process with kUserScriptFailed once the message loop
// has returned, as does a request that could not be played because the program ended before its main
// form was shown.
constexpr int kUserScriptFailed = 3;

// Takes a variable that a launcher set out of the environment: its value, or none when it is not set.
std::optional<std::string> TakeEnvironmentVariable(const char* name);

class TRequestedUserScript : public TApplicationDriver {
 public:
  // The request in the environment, removed from it; null when there is none.
  static std::unique_ptr<TRequestedUserScript> TakeFromEnvironment();
  TRequestedUserScript(std::string file, bool snapshotOnly) : file_(std::move(file)), snapshotOnly_(snapshotOnly) {}
  bool Started() const { return started_; }
  // Plays the script on the main form (once).
  void Play(TCustomForm* mainForm);
  // When the loop has returned: 0, or kUserScriptFailed after reporting a request that was never played
  // (with the message boxes the program showed, which tell why it ended).
  int Finish();

  // As the application's driver: plays once the main form shows; ends the process with kUserScriptFailed
  // when the loop has ended and the script failed or never ran.
  void Idle(TCustomForm* mainForm) override;
  void LoopEnded() override;

 private:
  void Fail(const std::string& message);
  std::string file_;
  bool snapshotOnly_;
  bool started_ = false;
  bool failed_ = false;
};
