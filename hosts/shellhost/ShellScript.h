// The shell host's script of user actions, read by the component library's script reader (UserScript.h:
// one action per line, "#" comments, keys as "Shift+Tab" or "Alt+S"). Its verbs:
//   click NAME           a click in the middle of the band's control (its name, or else its caption)
//   type NAME TEXT       focuses the control and types the text ("focused": into the control that has the
//                        keyboard focus, such as the default control after the band's Alt shortcut)
//   key KEY              presses and releases a key with its modifiers
//   focus NAME           gives the control the keyboard focus ("host": the host's own window)
//   wait MS              lets the milliseconds pass while messages are handled
//   chevron [this|other] [ITEM]   pushes the chevron of the band (or of the host's other band), choosing
//                        ITEM (captions joined by "|") from the menu that shows
//   menu [ITEM]          the next menu shown (a button's drop-down) chooses ITEM; without ITEM it is
//                        dismissed
//   navigate URL         the browser goes to the address as the user's address bar does (browser only)
//   script WHERE CODE    runs a line of script on the current page of the browser ("browser") or of the
//                        band's web-browser control named WHERE, writing its value or its error
//   popup NAME           a click on the control (its name, or else its caption) of the band's pop-up on top
#pragma once
#include "platform/components/automation/UserScript.h"

VCL_EXCEPTION(EShellScriptError, Exception);

TUserVerbs ShellHostVerbs();
