// The menu loop of popup menus, shared by every module of the process: nobody clicks here, so each menu
// shown takes its choice from a script (an item path of captions without "&", joined by "|", or "" to
// dismiss), and every menu shown is recorded with its items as measured. A host sets the choices and reads
// the records of menus that a library's component library showed.
#pragma once
#include <string>
#include <vector>

#include "platform/winapi/WinTypes.h"

struct TMenuRecordItem {
  std::string path;  // captions without "&", joined by "|"
  bool checked, enabled, visible;
  int imageIndex;
  int width, height;  // as measured
};

struct TMenuRecord {
  std::string menuName;
  POINT at;
  std::vector<TMenuRecordItem> items;
  std::string choice;
};

// One entry of the script: the choice, and how long the menu stays open before it (milliseconds; the menu
// loop handles the thread's messages, timers included, meanwhile).
struct TMenuStep {
  std::string choice;
  DWORD holdMs = 0;
};

// The script of menu choices: each shown menu takes the next entry ("File|Open", or "" to dismiss).
void ScriptMenuChoice(const std::vector<std::string>& choices);
void ScriptMenuSteps(const std::vector<TMenuStep>& steps);
// The next scripted step, taken from the script (dismiss at once when none is left).
TMenuStep TakeMenuStep();

// The window a pop-up menu is drawn in while it is open: class "#32768", a pop-up of the size at the
// screen point, on the calling thread. Closing destroys it.
HWND OpenMenuWindow(POINT at, SIZE size);
void CloseMenuWindow(HWND window);
void RecordMenu(const TMenuRecord& record);
std::vector<TMenuRecord> MenuRecords();
void ClearMenuRecords();
