#include "platform/winapi/MenuLoop.h"

#include <deque>
#include <mutex>

namespace {

struct MenuScript {
  std::mutex lock;
  std::deque<std::string> choices;
  std::vector<TMenuRecord> records;
};

MenuScript& MS() {
  static MenuScript* m = new MenuScript;
  return *m;
}

}  // namespace

void ScriptMenuChoice(const std::vector<std::string>& choices) {
  std::lock_guard g(MS().lock);
  MS().choices.assign(choices.begin(), choices.end());
}

std::string TakeMenuChoice() {
  std::lock_guard g(MS().lock);
  if (MS().choices.empty()) return "";
  std::string choice = MS().choices.front();
  MS().choices.pop_front();
  return choice;
}

void RecordMenu(const TMenuRecord& record) {
  std::lock_guard g(MS().lock);
  MS().records.push_back(record);
}

std::vector<TMenuRecord> MenuRecords() {
  std::lock_guard g(MS().lock);
  return MS().records;
}

void ClearMenuRecords() {
  std::lock_guard g(MS().lock);
  MS().records.clear();
}
