#include "platform/winapi/MenuLoop.h"

#include <deque>
#include <mutex>

#include "platform/winapi/Windows.h"
#include "platform/winapi/user32/WindowSystem.h"

namespace {

struct MenuScript {
  std::mutex lock;
  std::deque<TMenuStep> steps;
  std::vector<TMenuRecord> records;
};

MenuScript& MS() {
  static MenuScript* m = new MenuScript;
  return *m;
}

}  // namespace

void ScriptMenuChoice(const std::vector<std::string>& choices) {
  std::vector<TMenuStep> steps;
  for (const std::string& choice : choices) steps.push_back(TMenuStep{choice, 0});
  ScriptMenuSteps(steps);
}

void ScriptMenuSteps(const std::vector<TMenuStep>& steps) {
  std::lock_guard g(MS().lock);
  MS().steps.assign(steps.begin(), steps.end());
}

TMenuStep TakeMenuStep() {
  std::lock_guard g(MS().lock);
  if (MS().steps.empty()) return {};
  TMenuStep step = MS().steps.front();
  MS().steps.pop_front();
  return step;
}

namespace {
constexpr const char* kMenuClass = "#32768";
}

HWND OpenMenuWindow(POINT at, SIZE size) {
  static std::once_flag once;
  winsys::RegisterSystemClass(once, kMenuClass, DefWindowProcA);
  return CreateWindowExA(0, kMenuClass, "", WS_POPUP, at.x, at.y, size.cx < 1 ? 1 : size.cx, size.cy < 1 ? 1 : size.cy,
                         nullptr, nullptr, nullptr, nullptr);
}

void CloseMenuWindow(HWND window) {
  if (window) DestroyWindow(window);
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
