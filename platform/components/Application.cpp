#include "platform/components/Application.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <utility>

#include "platform/components/ModuleTeardown.h"
#include "platform/components/automation/UserScript.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Thread.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Module.h"

void ApplicationHandleException(TObject* sender) { Application->HandleException(sender); }

TApplication* GetApplication() {
  static TApplication* app = [] {
    TApplication* a = NewObject<TApplication>(nullptr);
    // A thread message, so that the wake-up reaches the main thread whichever thread made the
    // application's window; a main thread that does not pump yet runs the calls when it first does.
    int wake = InstallWakeMainThread([](TObject*) { PostThreadMessageA(MainThreadID(), WM_NULL, 0, 0); });
    AtModuleUnload(TUnloadStage::Objects, [a, wake] {
      WithdrawWakeMainThread(wake);
      a->ReleaseWindows();
      a->Free();
    });
    return a;
  }();
  return app;
}

std::string GetShortHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  visible_ = false;
  color_ = clInfoBk;
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = WS_POPUP | WS_BORDER;
  p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  p.WndParent = nullptr;
  p.WindowClassStyle |= CS_DROPSHADOW;
}

void THintWindow::ActivateHint(const RECT& r, const std::string& hint) {
  SetText(hint);
  SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  visible_ = true;
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  HintWindowClass = THintWindowClass::Of<THintWindow>();
  commandLine_ = GetCommandLineA();
  if (HInstance() != vandrel::ProgramModule()) return;
  if (TakeEnvironmentVariable("VANDREL_CLOCK") == "virtual") SetClockMode(TClockMode::Virtual);
  driver_ = TRequestedUserScript::TakeFromEnvironment();
}

TApplication::~TApplication() {
  if (handle_) DeallocateHWnd(handle_);
}

void TApplication::Initialize() {}

HWND TApplication::Handle() {
  if (!handle_) {
    handle_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
    SetWindowTextA(handle_, title_.c_str());
  }
  return handle_;
}

void TApplication::ReleaseWindows() {
  if (hintWindow_) hintWindow_->DestroyHandle();
  if (handle_) DeallocateHWnd(std::exchange(handle_, nullptr));
}

void TApplication::WndProc(TMessage& m) {
  if (m.Msg == WM_NULL) {
    if (IsMainThread()) CheckSynchronize();
    return;
  }
  m.Result = DefWindowProcA(handle_, m.Msg, m.WParam, m.LParam);
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (handle_) SetWindowTextA(handle_, title.c_str());
}

int TApplication::ParamCount() const { return int(vandrel::SplitCommandLine(commandLine_).size()) - 1; }

std::string TApplication::ParamStr(int index) const {
  std::vector<std::string> args = vandrel::SplitCommandLine(commandLine_);
  return index >= 0 && size_t(index) < args.size() ? args[size_t(index)] : std::string();
}

void TApplication::SetCommandLine(const std::string& commandLine) { commandLine_ = commandLine; }

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND target = GetCapture();
  if (!target) target = msg.hwnd;
  if (!FindControl(target)) return false;
  return SendMessageA(target, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::ProcessMessage(MSG& msg, UINT extraFlags) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | extraFlags)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  DispatchTaken(msg);
  return true;
}

void TApplication::DispatchTaken(MSG& msg) {
  try {
    if (!msg.hwnd && msg.message == WM_NULL && IsMainThread()) {
      CheckSynchronize();
    } else if (!IsKeyMsg(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::ProcessPendingMessages() {
  MSG msg;
  while (ProcessMessage(msg, PM_NOYIELD)) {
  }
  if (IsMainThread()) CheckSynchronize();
}

void TApplication::Idle() {
  vandrel::NotifyInputIdle();
  if (OnIdle) {
    try {
      OnIdle(this);
    } catch (...) {
      HandleException(this);
    }
  }
  if (IsMainThread()) CheckSynchronize();
  if (driver_ && runDepth_ > 0) driver_->Idle(mainForm_);
}

void TApplication::HandleMessage() {
  MSG msg;
  if (ProcessMessage(msg)) return;
  Idle();
  if (terminated_) return;
  // Nothing queued: wait for the next message, then take it.
  if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
    terminated_ = true;
    return;
  }
  DispatchTaken(msg);
}

void TApplication::Run() {
  ++runDepth_;
  if (mainForm_ && !terminated_) mainForm_->Show();
  while (!terminated_) HandleMessage();
  --runDepth_;
  if (runDepth_ == 0 && driver_) std::exchange(driver_, nullptr)->LoopEnded();
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::HandleException(TObject* sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    if (OnException)
      OnException(sender, e);
    else
      ShowException(e);
  } catch (...) {
    EInvalidOperation unknown("Unknown exception");
    if (OnException)
      OnException(sender, unknown);
    else
      ShowException(unknown);
  }
}

void TApplication::ShowException(const std::exception& error) {
  std::string text = error.what();
  if (!text.empty() && text.back() != '.') text += '.';
  MessageBox(text, title_, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  return MessageBoxA(handle_, text.c_str(), caption.c_str(), flags);
}

void TApplication::SetShowHint(bool value) {
  if (value == showHint_) return;
  showHint_ = value;
  if (value) {
    hintWindow_ = HintWindowClass.Create(this);
  } else {
    FreeAndNil(hintWindow_);
  }
}

void TApplication::SetHint(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  if (OnHint) OnHint(this);
}

void TApplication::ActivateHint(TControl* control) {
  if (!control) return;
  SetHint(GetLongHint(control->Hint()));
  if (!showHint_ || !control->ShowHint() || control->Hint().empty()) return;
  std::string text = GetShortHint(control->Hint());
  bool canShow = true;
  if (OnShowHint) OnShowHint(text, canShow, control);
  if (!canShow || text.empty()) return;
  if (!hintWindow_ || hintWindow_->ClassType() != HintWindowClass.ClassInfo()) {
    if (hintWindow_) hintWindow_->Free();
    hintWindow_ = HintWindowClass.Create(this);
  }
  POINT p{0, control->Height()};
  p = control->ClientToScreen(p);
  int width = TextWidthOf(*hintWindow_->Font(), text) + 6;
  int height = TextHeightOf(*hintWindow_->Font()) + 2;
  hintWindow_->ActivateHint(RECT{p.x, p.y, p.x + width, p.y + height}, text);
}

void TApplication::CancelHint() {
  if (hintWindow_ && hintWindow_->HandleAllocated()) ShowWindow(hintWindow_->Handle(), SW_HIDE);
}

bool TApplication::HelpJump(const std::string& topic) {
  helpCalls_.push_back("jump " + helpFile_ + " " + topic);
  return true;
}

bool TApplication::HelpContext(int context) {
  helpCalls_.push_back("context " + helpFile_ + " " + std::to_string(context));
  return true;
}

bool TApplication::HelpCommand(UINT command, ULONG_PTR data) {
  helpCalls_.push_back("command " + helpFile_ + " " + std::to_string(command) + " " + std::to_string(data));
  return true;
}
