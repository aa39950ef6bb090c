// The shell host's script of user actions: one action per line, blank lines and lines starting with "#"
// skipped; the verbs:
//   click NAME           a click in the middle of the band's control (its name, or else its caption)
//   type NAME TEXT       focuses the control and types the text (the rest of the line)
//   key KEYNAME          presses and releases a key, with modifiers: "Tab", "Shift+Tab", "Alt+S", "Back"
//   focus NAME           gives the control the keyboard focus ("host": the host's own window)
//   wait MS              lets the milliseconds pass while messages are handled
//   chevron [this|other] [ITEM]   pushes the chevron of the band (or of the host's other band), choosing
//                        ITEM (captions joined by "|") from the menu that shows
//   navigate URL         the browser goes to the address as the user's address bar does (browser only)
#pragma once
#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"

VCL_EXCEPTION(EShellScriptError, Exception);

struct TShellAction {
  int line = 0;
  std::string verb;
  std::string name;  // the control, key, band or address
  std::string text;  // type: the text; chevron: the menu item; wait: the milliseconds
  std::string source;  // the line as written
};

// Reads a script; EShellScriptError "line %d: %s" for an unknown verb or a missing argument.
std::vector<TShellAction> ParseShellScript(const std::string& text);

struct TKeyStroke {
  unsigned char vk = 0;
  bool shift = false, ctrl = false, alt = false;
};
// "Shift+Tab", "Alt+s", "F5", "Enter": EShellScriptError "Unknown key %s" for another name.
TKeyStroke ParseKeyName(const std::string& name);
