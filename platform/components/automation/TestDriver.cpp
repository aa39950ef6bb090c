#include "platform/components/automation/TestDriver.h"

#include <sstream>

#include "platform/components/Application.h"
#include "platform/components/ComCtrls.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/Menus.h"
#include "platform/components/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"

TControl* TFormDriver::Control(const std::string& name) const {
  auto* c = DynamicAs<TControl>(form_->FindComponent(name));
  if (!c) throw EDriverError("No control named " + name);
  return c;
}

namespace {

TControl* FindByCaption(TWinControl* parent, const std::string& caption) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (!c->Visible()) continue;
    if (StripHotkey(c->Caption()) == caption) return c;
    if (auto* w = DynamicAs<TWinControl>(c))
      if (TControl* found = FindByCaption(w, caption)) return found;
  }
  return nullptr;
}

TToolButton* FindToolButtonByHint(TWinControl* parent, const std::string& hint) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (!c->Visible()) continue;
    if (auto* b = DynamicAs<TToolButton>(c); b && b->Hint() == hint) return b;
    if (auto* w = DynamicAs<TWinControl>(c))
      if (TToolButton* found = FindToolButtonByHint(w, hint)) return found;
  }
  return nullptr;
}

const char* StyleName(TToolButtonStyle style) {
  switch (style) {
    case tbsButton: return "button";
    case tbsCheck: return "check";
    case tbsDropDown: return "dropdown";
    case tbsSeparator: return "separator";
    case tbsDivider: return "divider";
  }
  return "?";
}

}  // namespace

TControl* TFormDriver::Find(const std::string& name) const {
  if (auto* c = DynamicAs<TControl>(form_->FindComponent(name))) return c;
  if (TControl* c = FindByCaption(form_, name)) return c;
  if (TControl* c = FindToolButtonByHint(form_, name)) return c;
  throw EDriverError("No control named " + name);
}

void TFormDriver::Locate(const std::string& name, HWND& window, POINT& client) const {
  TControl* c = Find(name);
  CheckReachable(c, name);
  POINT center{c->Width() / 2, c->Height() / 2};
  if (auto* w = DynamicAs<TWinControl>(c)) {
    window = w->Handle();
    client = center;
  } else {
    window = c->Parent()->Handle();
    client = POINT{c->Left() + center.x, c->Top() + center.y};
    if (auto* bar = DynamicAs<TToolBar>(c->Parent())) {
      POINT offset = bar->ClientOffset();
      client.x += offset.x, client.y += offset.y;
    }
  }
}

void TFormDriver::LocateArrow(const std::string& name, HWND& window, POINT& client) const {
  auto* b = DynamicAs<TToolButton>(Find(name));
  if (!b || b->Style() != tbsDropDown || !b->ToolBar())
    throw EDriverError("Control " + name + " has no drop-down arrow");
  CheckReachable(b, name);
  POINT offset = b->ToolBar()->ClientOffset();
  window = b->ToolBar()->Handle();
  client = POINT{b->Left() + b->Width() - TToolBar::kDropDownArrowWidth / 2 + offset.x,
                 b->Top() + b->Height() / 2 + offset.y};
}

void TFormDriver::CheckReachable(TControl* control, const std::string& name) const {
  for (TControl* c = control; c; c = c->Parent()) {
    if (!c->Visible()) throw EDriverError("Control " + name + " is not visible");
    if (!c->Enabled()) throw EDriverError("Control " + name + " is disabled");
  }
  if (!form_->Showing()) throw EDriverError("Control " + name + " is not visible");
}

void TFormDriver::Pump() { Application->ProcessPendingMessages(); }

void TFormDriver::Click(const std::string& name) {
  HWND window;
  POINT point;
  Locate(name, window, point);
  SimulateMouseClick(window, point);
  Pump();
}

void TFormDriver::ClickArrow(const std::string& name) {
  HWND window;
  POINT point;
  LocateArrow(name, window, point);
  SimulateMouseClick(window, point);
  Pump();
}

void TFormDriver::Check(const std::string& name, bool checked) {
  TControl* c = Control(name);
  if (auto* box = DynamicAs<TCheckBox>(c)) {
    if (box->Checked() != checked) Click(name);
    return;
  }
  if (auto* radio = DynamicAs<TRadioButton>(c)) {
    if (!checked && radio->Checked()) throw EDriverError("Radio button " + name + " cannot be unchecked by a click");
    if (!radio->Checked()) Click(name);
    return;
  }
  throw EDriverError("Control " + name + " cannot be checked");
}

void TFormDriver::Select(const std::string& name, const std::string& item) {
  auto* combo = Get<TComboBox>(name);
  CheckReachable(combo, name);
  int index = combo->Items()->IndexOf(item);
  if (index < 0) throw EDriverError("Combo box " + name + " has no item \"" + item + "\"");
  Focus(name);
  combo->SetDroppedDown(true);
  combo->Select(index);
  combo->SetDroppedDown(false);
  Pump();
}

void TFormDriver::Focus(const std::string& name) {
  auto* w = DynamicAs<TWinControl>(Control(name));
  if (!w) throw EDriverError("Control " + name + " cannot take the focus");
  CheckReachable(w, name);
  if (!w->Focused()) w->SetFocus();
  Pump();
}

void TFormDriver::Type(const std::string& name, const std::string& text) {
  Focus(name);
  for (unsigned char c : text) {
    PostMessageA(GetFocus(), WM_CHAR, c, 1);
    Pump();
  }
}

void TFormDriver::Key(BYTE vk, TShiftState shift) {
  PressKey(vk, shift, [this] { Pump(); });
}

void PressKey(BYTE vk, TShiftState shift, const std::function<void()>& pump) {
  auto press = [&](BYTE key, bool down) {
    keybd_event(key, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
    pump();
  };
  if (shift & ssCtrl) press(VK_CONTROL, true);
  if (shift & ssShift) press(VK_SHIFT, true);
  if (shift & ssAlt) press(VK_MENU, true);
  press(vk, true);
  press(vk, false);
  if (shift & ssAlt) press(VK_MENU, false);
  if (shift & ssShift) press(VK_SHIFT, false);
  if (shift & ssCtrl) press(VK_CONTROL, false);
}

void TFormDriver::Paste(const std::string& name, const std::string& text) {
  SetClipboardText(text);
  Focus(name);
  Key('V', ssCtrl);
}

void TFormDriver::Advance(uint32_t ms) {
  PassTime(ms, [] {
    Application->HandleMessage();
    return !Application->Terminated();
  });
}

void PassTime(uint32_t ms, const std::function<bool()>& handleOne) {
  static thread_local bool fired;
  fired = false;
  UINT_PTR id = SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) { fired = true; });
  uint64_t target = ClockTickMs() + ms;
  while (!fired || ClockTickMs() < target)
    if (!handleOne()) break;
  KillTimer(nullptr, id);
}

namespace {

void Describe(std::ostringstream& out, TControl* c, int depth) {
  if (!c->Visible()) return;
  const size_t indent = size_t(depth) * 2;
  out << std::string(indent, ' ') << c->ClassName();
  if (!c->Name().empty()) out << ' ' << c->Name();
  std::string text = c->GetText();
  if (auto* edit = DynamicAs<TCustomEdit>(c)) text = edit->DisplayText();
  if (!text.empty() || DynamicAs<TCustomEdit>(c)) {
    out << ' ' << SnapshotQuote(text, indent + 4);
  }
  if (auto* image = DynamicAs<TImage>(c)) {
    TPicture* picture = image->Picture();
    if (picture->Width() > 0 && picture->Height() > 0)
      out << " picture=" << picture->Width() << 'x' << picture->Height();
    else
      out << " [no picture]";
  }
  if (!c->Enabled()) out << " [disabled]";
  if (auto* w = DynamicAs<TWinControl>(c); w && w->Focused()) out << " [focused]";
  if (auto* box = DynamicAs<TCheckBox>(c); box && box->Checked()) out << " [checked]";
  if (auto* radio = DynamicAs<TRadioButton>(c); radio && radio->Checked()) out << " [checked]";
  if (auto* button = DynamicAs<TButton>(c); button && button->Default()) out << " [default]";
  if (auto* combo = DynamicAs<TComboBox>(c)) out << " index=" << combo->ItemIndex();
  if (auto* book = DynamicAs<TNotebook>(c)) out << " page=" << book->PageIndex() << " \"" << book->ActivePage() << '"';
  if (auto* bar = DynamicAs<TProgressBar>(c)) out << " position=" << bar->Position() << '/' << bar->Max();
  if (auto* button = DynamicAs<TToolButton>(c)) {
    out << " style=" << StyleName(button->Style());
    if (button->Down()) out << " [down]";
  }
  out << '\n';
  if (auto* w = DynamicAs<TWinControl>(c))
    for (int i = 0; i < w->ControlCount(); ++i) Describe(out, w->Controls(i), depth + 1);
}

}  // namespace

std::string SnapshotQuote(const std::string& text, size_t indent) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      out += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    out += '\n' + std::string(indent, ' ');
  }
  return out + '"';
}

std::string TFormDriver::Snapshot() const {
  std::ostringstream out;
  out << "form " << form_->Name() << ' ' << SnapshotQuote(form_->Caption(), 4) << (form_->Showing() ? "" : " [hidden]")
      << '\n';
  for (int i = 0; i < form_->ControlCount(); ++i) Describe(out, form_->Controls(i), 1);
  return out.str();
}

UINT DriverQueryMessage() {
  static const UINT message = RegisterWindowMessageA("VandrelDriverQuery");
  return message;
}

LRESULT AnswerDriverQuery(TCustomForm* form, TDriverQuery& query) {
  auto append = [&](const std::string& text) {
    if (query.append) query.append(query.context, text.data(), text.size());
  };
  std::string command = query.command ? query.command : "";
  TFormDriver driver(form);
  try {
    if (command == "snapshot") {
      append(driver.Snapshot());
      return 1;
    }
    if (command.rfind("locate ", 0) == 0) {
      driver.Locate(command.substr(7), query.window, query.point);
      query.windowed = driver.Find(command.substr(7))->IsWindowed();
      return 1;
    }
    if (command.rfind("arrow ", 0) == 0) {
      driver.LocateArrow(command.substr(6), query.window, query.point);
      query.windowed = FALSE;
      return 1;
    }
    append("Unknown query " + command);
  } catch (const Exception& e) {
    append(e.Message());
  }
  return 0;
}

namespace {

void AppendTo(void* context, const char* text, size_t length) {
  static_cast<std::string*>(context)->append(text, length);
}

LRESULT Ask(HWND formWindow, TDriverQuery& query) {
  if (!IsWindow(formWindow)) {
    query.append(query.context, "No window", 9);
    return 0;
  }
  return SendMessageA(formWindow, DriverQueryMessage(), 0, reinterpret_cast<LPARAM>(&query));
}

}  // namespace

bool QueryFormSnapshot(HWND formWindow, std::string& text) {
  text.clear();
  TDriverQuery query{"snapshot", nullptr, {}, FALSE, AppendTo, &text};
  if (Ask(formWindow, query)) return true;
  if (text.empty()) text = "The window does not answer";
  return false;
}

namespace {

bool LocateIn(HWND formWindow, const std::string& command, HWND& window, POINT& point, std::string& error,
              bool* windowed) {
  error.clear();
  TDriverQuery query{command.c_str(), nullptr, {}, FALSE, AppendTo, &error};
  if (!Ask(formWindow, query)) {
    if (error.empty()) error = "The window does not answer";
    return false;
  }
  window = query.window;
  point = query.point;
  if (windowed) *windowed = query.windowed != FALSE;
  return true;
}

}  // namespace

bool LocateFormControl(HWND formWindow, const std::string& name, HWND& window, POINT& point, std::string& error,
                       bool* windowed) {
  return LocateIn(formWindow, "locate " + name, window, point, error, windowed);
}

bool LocateFormArrow(HWND formWindow, const std::string& name, HWND& window, POINT& point, std::string& error) {
  return LocateIn(formWindow, "arrow " + name, window, point, error, nullptr);
}
