// The band's pop-ups (visible top-level forms of the host's thread that came after the host's own windows):
// listed in the snapshots and clicked by the script; and the choice of the next drop-down menu.
#include <set>
#include <sstream>

#include "hosts/shellhost/ShellHost.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MenuLoop.h"
#include "platform/winapi/MessageQueue.h"

std::vector<HWND> TShellHost::Popups() const {
  struct Walk {
    std::set<HWND> baseline;
    std::vector<HWND> found;
  } walk{{baseline_.begin(), baseline_.end()}, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM l) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(l);
        if (!w->baseline.count(h) && IsWindowVisible(h)) w->found.push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&walk));
  std::vector<HWND> forms;
  for (HWND h : walk.found) {
    std::string ignored;
    if (QueryFormSnapshot(h, ignored)) forms.push_back(h);
  }
  return forms;
}

std::string TShellHost::DescribePopups() const {
  std::ostringstream out;
  for (HWND popup : Popups()) {
    RECT r;
    GetWindowRect(popup, &r);
    out << "popup at " << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top << "\n";
    std::string form;
    QueryFormSnapshot(popup, form);
    std::istringstream lines(form);
    for (std::string line; std::getline(lines, line);) out << "  " << line << "\n";
  }
  return out.str();
}

void TShellHost::ClickPopup(const std::string& name) {
  std::vector<HWND> popups = Popups();
  if (popups.empty()) throw EShellScriptError("No pop-up is shown");
  HWND window;
  POINT point;
  std::string error;
  if (!LocateFormControl(popups.front(), name, window, point, error)) throw EShellScriptError(error);
  SimulateMouseClick(window, point);
  Pump();
}

void TShellHost::ChooseNextMenu(const std::string& item) {
  ScriptMenuChoice({item});
  AddLine(item.empty() ? "host: the next menu is dismissed" : "host: the next menu chooses \"" + item + "\"");
}
