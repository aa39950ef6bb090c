// Drives a form as a person would, for tests and the desktop host: finds controls by name, clicks (refused
// for disabled or hidden controls), checks, selects, types, presses keys, pastes, lets time pass, and
// writes a text snapshot of what the form shows.
//
// Snapshot: one line per visible control, depth-first in child order, indented by two blanks per level:
// the class, the name, the caption or text in double quotes, then the states that apply: [disabled],
// [focused], [checked], [default], index=<n> (combo boxes), page=<n> "<name>" (notebooks),
// position=<n>/<max> (progress bars). Hidden controls and their children are left out.
#pragma once
#include <string>

#include "platform/components/Forms.h"

VCL_EXCEPTION(EDriverError, Exception);

class TFormDriver {
 public:
  explicit TFormDriver(TCustomForm* form) : form_(form) {}
  TCustomForm* Form() const { return form_; }
  // The form's component of that name; EDriverError "No control named %s".
  TControl* Control(const std::string& name) const;
  template <class T>
  T* Get(const std::string& name) const {
    T* typed = DynamicAs<T>(Control(name));
    if (!typed) throw EDriverError("Control " + name + " is not a " + T::StaticClass()->Name);
    return typed;
  }

  // EDriverError "Control %s is disabled" / "Control %s is not visible" when a person could not reach it.
  void Click(const std::string& name);
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
