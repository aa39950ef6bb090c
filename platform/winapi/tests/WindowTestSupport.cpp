#include "platform/winapi/tests/WindowTestSupport.h"

#include <algorithm>

namespace wintest {

Recorder& Recorder::Get() {
  static Recorder* r = new Recorder;
  return *r;
}

void Recorder::Clear() {
  std::lock_guard g(lock);
  seen.clear();
}

std::vector<Seen> Recorder::All() {
  std::lock_guard g(lock);
  return seen;
}

void Recorder::SetHandler(std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> h) {
  std::lock_guard g(lock);
  handler = std::move(h);
}

void Recorder::Name(HWND hwnd, const std::string& name) {
  std::lock_guard g(lock);
  names.emplace_back(hwnd, name);
}

std::string Recorder::NameOf(HWND hwnd) {
  std::lock_guard g(lock);
  for (auto& [h, n] : names)
    if (h == hwnd) return n;
  return hwnd ? "?" : "0";
}

std::vector<std::string> Recorder::Trace(const std::vector<std::pair<UINT, std::string>>& wanted) {
  std::vector<std::string> out;
  for (const Seen& s : All())
    for (auto& [msg, name] : wanted)
      if (s.msg == msg) out.push_back(name + ":" + NameOf(s.hwnd));
  return out;
}

namespace {
LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Recorder& r = Recorder::Get();
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> handler;
  {
    std::lock_guard g(r.lock);
    r.seen.push_back(Seen{hwnd, msg, wParam, lParam, GetCurrentThreadId()});
    handler = r.handler;
  }
  LRESULT result = 0;
  if (handler && handler(hwnd, msg, wParam, lParam, &result)) return result;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

void RegisterRecorderClass() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecorderProc;
  wc.lpszClassName = "Recorder";
  RegisterClassA(&wc);
}

HWND MakeWindow(const std::string& name, DWORD style, HWND parent, int x, int y, int width, int height, DWORD exStyle) {
  RegisterRecorderClass();
  HWND h =
      CreateWindowExA(exStyle, "Recorder", name.c_str(), style, x, y, width, height, parent, nullptr, nullptr, nullptr);
  Recorder::Get().Name(h, name);
  return h;
}

int PumpPending() {
  int n = 0;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
    ++n;
  }
  return n;
}

}  // namespace wintest
