// The application object: the main form and message loop, exception reporting, the command line, message
// boxes with scripted answers, hints and help calls.
//
// Message boxes never block: each answers with the next scripted answer, or, when none is left, with its
// default button (the first, or the one MB_DEFBUTTON2/3 names). Every box shown is recorded.
// Help calls (HelpJump, HelpContext, HelpCommand) are recorded as text: "jump <file> <topic>",
// "context <file> <n>", "command <file> <cmd> <data>".
//
// A launcher (the desktop host) hands a program more through its environment, which the application object
// of the program (not one of a library) takes when it is made and removes, so that programs started in turn
// do not inherit it: VANDREL_COMMAND_LINE, the Windows command line (CP1250) that ParamStr splits;
// VANDREL_CLOCK=virtual, virtual time for the whole run; and a user script to play (UserScript.h).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/components/Forms.h"
#include "platform/winapi/MessageBox.h"

// What drives the application from outside (the desktop host's scripts, automation/UserScript.h): told
// each time the application is idle inside its message loop, and once when the outermost loop has ended.
class TApplicationDriver {
 public:
  virtual ~TApplicationDriver() = default;
  virtual void Idle(TCustomForm* mainForm) = 0;
  virtual void LoopEnded() = 0;
};

class THintWindow : public TCustomControl {
  VCL_CLASS(THintWindow, TCustomControl)
  explicit THintWindow(TComponent* owner);
  virtual void ActivateHint(const RECT& rect, const std::string& hint);
  void ReleaseHandle() { DestroyHandle(); }

 protected:
  void CreateParams(TCreateParams& params) override;
};

using THintWindowClass = TClassOf<THintWindow>;
using TExceptionEvent = std::function<void(TObject* sender, const std::exception& error)>;
using TShowHintEvent = std::function<void(std::string& hintText, bool& canShow, TControl* control)>;

class TApplication : public TComponent {
  VCL_CLASS(TApplication, TComponent)
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  void Initialize();
  // Creates a form owned by the application; the first one becomes the main form.
  template <class T>
  T* CreateForm() {
    T* form = NewObject<T>(this);
    if (!mainForm_) mainForm_ = form;
    return form;
  }
  TCustomForm* MainForm() const { return mainForm_; }
  void SetMainForm(TCustomForm* form) { mainForm_ = form; }
  // Shows the main form and handles messages until Terminate; the main form's close terminates. A requested
  // user script plays at the first idle moment once the main form shows; when it failed, the process ends
  // with kUserScriptFailed as the outermost Run returns.
  void Run();
  // Handles every message queued now (re-entrant; lets virtual time move once nothing is left).
  void ProcessMessages();
  // The same without letting virtual time move.
  void ProcessPendingMessages();
  // Handles one message, or waits for one when none is queued.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Reports an exception that escaped a handler and returns (EAbort is silent). With OnException
  // assigned, it decides; otherwise the message is shown in a message box.
  void HandleException(TObject* sender);
  void ShowException(const std::exception& error);

  HWND Handle();
  // Destroys the application's window and the hint window (made again when asked for): what a module
  // that holds this component library does before it is unloaded.
  void ReleaseWindows();
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  std::string ExeName() const { return ParamStr(0); }
  // Windows command-line splitting: blanks separate, double quotes group and are dropped.
  int ParamCount() const;
  std::string ParamStr(int index) const;
  // The command line (default: the program's Windows path and the process's arguments, joined as Windows
  // would see them).
  void SetCommandLine(const std::string& commandLine);
  const std::string& CommandLine() const { return commandLine_; }

  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  bool ShowHint() const { return showHint_; }
  // Switching hints off frees the hint window; switching them on makes a fresh one of HintWindowClass.
  void SetShowHint(bool value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  // Shows the hint of the control (the mouse rests on it): OnShowHint may change or refuse it.
  void ActivateHint(TControl* control);
  void CancelHint();
  THintWindow* HintWindow() const { return hintWindow_; }
  THintWindowClass HintWindowClass;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TExceptionEvent OnException;
  TNotifyEvent OnIdle;

  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& file) { helpFile_ = file; }
  bool HelpJump(const std::string& topic);
  bool HelpContext(int context);
  bool HelpCommand(UINT command, ULONG_PTR data);
  const std::vector<std::string>& HelpCalls() const { return helpCalls_; }

 private:
  bool ProcessMessage(MSG& msg, UINT extraFlags = 0);
  // Handles a message taken from the queue: a synchronize wake-up, or translated and dispatched.
  void DispatchTaken(MSG& msg);
  bool IsKeyMsg(MSG& msg);
  void Idle();
  void WndProc(TMessage& m);

  TCustomForm* mainForm_ = nullptr;
  bool terminated_ = false;
  HWND handle_ = nullptr;
  std::string title_;
  std::string commandLine_;
  bool showHint_ = true;
  std::string hint_;
  THintWindow* hintWindow_ = nullptr;
  std::string helpFile_;
  std::vector<std::string> helpCalls_;
  int runDepth_ = 0;
  std::unique_ptr<TApplicationDriver> driver_;
};

// The application object of this program (or library), made on first use.
TApplication* GetApplication();
struct TApplicationRef {
  TApplication* operator->() const { return GetApplication(); }
  operator TApplication*() const { return GetApplication(); }
};
inline constexpr TApplicationRef Application{};

// The short and long parts of a hint "short|long".
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);
