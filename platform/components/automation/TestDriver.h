// Drives a form as a person would, for tests and the desktop host: finds controls by name, clicks (refused
// for disabled or hidden controls), checks, selects, types, presses keys, pastes, lets time pass, and
// writes a text snapshot of what the form shows.
//
// A host of another module (which has its own copy of this library) asks a form through its window
// instead: QueryFormSnapshot and LocateFormControl send the registered message "VandrelDriverQuery",
// which every form answers.
//
// Snapshot: one line per visible control, depth-first in child order, indented by two blanks per level:
// the class, the name, the caption or text in double quotes, then the states that apply: [disabled],
// [focused], [checked], [default], index=<n> (combo boxes), page=<n> "<name>" (notebooks),
// position=<n>/<max> (progress bars), picture=<w>x<h> or [no picture] (images),
// style=<button|check|dropdown|separator|divider> and [down] (tool buttons). A line break inside a text
// continues it on a new line, indented. Hidden controls and their children are left out.
#pragma once
#include <string>

#include "platform/components/Forms.h"

VCL_EXCEPTION(EDriverError, Exception);

// A text of a snapshot in quotes; each line break inside it (CR LF, CR or LF) starts a new line indented by
// `indent`, so that a text of several lines reads in a terminal as it shows.
std::string SnapshotQuote(const std::string& text, size_t indent);

class TFormDriver {
 public:
  explicit TFormDriver(TCustomForm* form) : form_(form) {}
  TCustomForm* Form() const { return form_; }
  // The form's component of that name; EDriverError "No control named %s".
  TControl* Control(const std::string& name) const;
  // The component of that name, else the first visible control (depth-first) whose caption without "&"
  // is `name`, else the first visible tool button whose hint is `name`; EDriverError "No control named %s".
  TControl* Find(const std::string& name) const;
  // Where a person clicks the control found by Find: its window (the parent's for a control without one)
  // and the centre in that window's client coordinates; EDriverError as Click.
  void Locate(const std::string& name, HWND& window, POINT& client) const;
  template <class T>
  T* Get(const std::string& name) const {
    T* typed = DynamicAs<T>(Control(name));
    if (!typed) throw EDriverError("Control " + name + " is not a " + T::StaticClass()->Name);
    return typed;
  }

  // Where a person clicks the drop-down arrow of a tool button of the drop-down style (the bar's window);
  // EDriverError "Control %s has no drop-down arrow" for other controls, else as Click.
  void LocateArrow(const std::string& name, HWND& window, POINT& client) const;

  // EDriverError "Control %s is disabled" / "Control %s is not visible" when a person could not reach it.
  void Click(const std::string& name);
  // Clicks the drop-down arrow of a tool button (LocateArrow).
  void ClickArrow(const std::string& name);
  void Check(const std::string& name, bool checked);
  // Picks the item of that text from a combo box's list.
  void Select(const std::string& name, const std::string& item);
  // Focuses the control and types the text as characters (WM_CHAR per byte).
  void Type(const std::string& name, const std::string& text);
  // Presses and releases a key with modifiers on the focused control.
  void Key(BYTE vk, TShiftState shift = 0);
  // Puts the text on the clipboard, focuses the control and presses Ctrl+V.
  void Paste(const std::string& name, const std::string& text);
  void Focus(const std::string& name);
  // Handles what is queued without letting time move.
  void Pump();
  // Lets `ms` milliseconds pass while messages are handled (instant in virtual time).
  void Advance(uint32_t ms);
  std::string Snapshot() const;

 private:
  void CheckReachable(TControl* control, const std::string& name) const;
  TCustomForm* form_;
};

// What TFormDriver::Key and Advance do, for a host with a message loop of its own: presses and releases a
// key with modifiers as the keyboard does, calling pump after each stroke; lets `ms` milliseconds pass
// while handleOne handles one message at a time (false from it ends the wait early).
void PressKey(BYTE vk, TShiftState shift, const std::function<void()>& pump);
void PassTime(uint32_t ms, const std::function<bool()>& handleOne);

// The query a form answers (the message's lParam; the result is 1 when answered).
struct TDriverQuery {
  const char* command;                                             // "snapshot", "locate NAME", "arrow NAME"
  HWND window;                                                     // locate: the window to click
  POINT point;                                                     // and the point in its client coordinates
  BOOL windowed;                                                   // whether that window is the control's own
  void (*append)(void* context, const char* text, size_t length);  // the snapshot, or the error
  void* context;
};
UINT DriverQueryMessage();
// Answers a query for the form.
LRESULT AnswerDriverQuery(TCustomForm* form, TDriverQuery& query);

// The snapshot of the form whose window this is (of any module); false with the reason in `text` when the
// window does not answer.
bool QueryFormSnapshot(HWND formWindow, std::string& text);
// The window and client point to click for the named control of the form; false with the error.
bool LocateFormControl(HWND formWindow, const std::string& name, HWND& window, POINT& point, std::string& error,
                       bool* windowed = nullptr);
// The window and client point to click for the drop-down arrow of the named tool button; false with the error.
bool LocateFormArrow(HWND formWindow, const std::string& name, HWND& window, POINT& point, std::string& error);
