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

// The script of menu choices: each shown menu takes the next entry ("File|Open", or "" to dismiss).
void ScriptMenuChoice(const std::vector<std::string>& choices);
// The next scripted choice, taken from the script ("" when none is left).
std::string TakeMenuChoice();
void RecordMenu(const TMenuRecord& record);
std::vector<TMenuRecord> MenuRecords();
void ClearMenuRecords();
