#include "platform/winapi/UtilityWindow.h"

#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/winapi/Windows.h"
#include "platform/winapi/user32/WindowSystem.h"

namespace {

constexpr const char* kUtilClass = "TPUtilWindow";

struct UtilWindows {
  std::mutex lock;
  std::unordered_map<HWND, std::shared_ptr<TWndMethod>> methods;
};

UtilWindows& U() {
  static UtilWindows* u = new UtilWindows;
  return *u;
}

LRESULT CALLBACK UtilWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<TWndMethod> method;
  {
    std::lock_guard g(U().lock);
    auto it = U().methods.find(hwnd);
    if (it != U().methods.end()) method = it->second;
  }
  if (!method) return DefWindowProcA(hwnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  (*method)(m);
  return m.Result;
}

void RegisterUtilClass() {
  static std::once_flag once;
  winsys::RegisterSystemClass(once, kUtilClass, UtilWndProc);
}

// Slots of the method-bound window procedures.
constexpr size_t kSlots = 256;
struct Slots {
  std::mutex lock;
  std::array<std::shared_ptr<TWndMethod>, kSlots> methods;
};
Slots& Sl() {
  static Slots* s = new Slots;
  return *s;
}

template <size_t I>
LRESULT CALLBACK SlotProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<TWndMethod> method;
  {
    std::lock_guard g(Sl().lock);
    method = Sl().methods[I];
  }
  if (!method) return DefWindowProcA(hwnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  (*method)(m);
  return m.Result;
}

template <size_t... I>
constexpr std::array<WNDPROC, kSlots> MakeSlotProcs(std::index_sequence<I...>) {
  return {&SlotProc<I>...};
}
constexpr std::array<WNDPROC, kSlots> kSlotProcs = MakeSlotProcs(std::make_index_sequence<kSlots>{});

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
  RegisterUtilClass();
  HWND hwnd =
      CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (hwnd && method) {
    std::lock_guard g(U().lock);
    U().methods[hwnd] = std::make_shared<TWndMethod>(std::move(method));
  }
  return hwnd;
}

void DeallocateHWnd(HWND hwnd) {
  {
    std::lock_guard g(U().lock);
    U().methods.erase(hwnd);
  }
  DestroyWindow(hwnd);
}

WNDPROC MakeObjectInstance(TWndMethod method) {
  std::lock_guard g(Sl().lock);
  for (size_t i = 0; i < kSlots; ++i)
    if (!Sl().methods[i]) {
      Sl().methods[i] = std::make_shared<TWndMethod>(std::move(method));
      return kSlotProcs[i];
    }
  return nullptr;
}

void FreeObjectInstance(WNDPROC proc) {
  std::lock_guard g(Sl().lock);
  for (size_t i = 0; i < kSlots; ++i)
    if (kSlotProcs[i] == proc) Sl().methods[i].reset();
}
