// Test support: a window class whose procedure records every message, with per-window answers.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"

namespace wintest {

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
};

// Records the messages of windows of the class "Recorder"; a handler may answer one message.
class Recorder {
 public:
  static Recorder& Get();
  void Clear();
  std::vector<Seen> All();
  // The messages, filtered to the given numbers, as "name:window" strings with names from `names`.
  std::vector<std::string> Trace(const std::vector<std::pair<UINT, std::string>>& names);
  void SetHandler(std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> handler);
  void Name(HWND hwnd, const std::string& name);
  std::string NameOf(HWND hwnd);

  std::mutex lock;
  std::vector<Seen> seen;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> handler;
  std::vector<std::pair<HWND, std::string>> names;
};

void RegisterRecorderClass();
HWND MakeWindow(const std::string& name, DWORD style = WS_OVERLAPPED, HWND parent = nullptr, int x = 0, int y = 0,
                int width = 100, int height = 50, DWORD exStyle = 0);
// Dispatches everything that is queued now, without letting virtual time move.
int PumpPending();

}  // namespace wintest
