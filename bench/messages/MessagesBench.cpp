#include <benchmark/benchmark.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/components/Application.h"
#include "platform/components/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/Windows.h"

namespace {

HWND PlainWindow() {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "BenchWindow";
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowExA(0, "BenchWindow", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
}

// Post one message and take it again on the same thread.
void BM_PostAndTake(benchmark::State& state) {
  HWND w = PlainWindow();
  MSG m;
  for (auto _ : state) {
    PostMessageA(w, WM_USER, 1, 2);
    PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD);
    DispatchMessageA(&m);
  }
  DestroyWindow(w);
}
BENCHMARK(BM_PostAndTake);

// A send to a window of the same thread: hooks checked, procedure called.
void BM_SendSameThread(benchmark::State& state) {
  HWND w = PlainWindow();
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageA(w, WM_USER, 1, 2));
  DestroyWindow(w);
}
BENCHMARK(BM_SendSameThread);

// A send to a window of another thread that pumps: the round trip of one cross-thread send.
void BM_SendCrossThread(benchmark::State& state) {
  std::promise<HWND> ready;
  std::atomic<DWORD> id{0};
  std::thread pump([&] {
    id = GetCurrentThreadId();
    ready.set_value(PlainWindow());
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  });
  HWND w = ready.get_future().get();
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageA(w, WM_USER, 1, 2));
  PostThreadMessageA(id, WM_QUIT, 0, 0);
  pump.join();
}
BENCHMARK(BM_SendCrossThread)->UseRealTime();

// One hundred timers of a thread in virtual time: each iteration takes the next due WM_TIMER.
void BM_VirtualTimers(benchmark::State& state) {
  SetClockMode(TClockMode::Virtual);
  HWND w = PlainWindow();
  for (UINT_PTR i = 1; i <= 100; ++i) SetTimer(w, i, UINT(10 + i), nullptr);
  MSG m;
  for (auto _ : state) {
    GetMessageA(&m, nullptr, 0, 0);
    DispatchMessageA(&m);
  }
  DestroyWindow(w);
  SetClockMode(TClockMode::Real);
}
BENCHMARK(BM_VirtualTimers);

// A character typed into an edit of a form: key routing, the form's preview, the edit's change.
void BM_TypeIntoEdit(benchmark::State& state) {
  TForm* form = TCustomForm::CreateNew<TForm>(nullptr);
  form->SetKeyPreview(true);
  auto* edit = NewObject<TEdit>(form);
  edit->SetParent(form);
  form->Show();
  edit->SetFocus();
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  for (auto _ : state) {
    PostMessageA(edit->Handle(), WM_CHAR, 'a', 1);
    Application->ProcessPendingMessages();
    if (edit->Text().size() > 1000) edit->SetText("");
  }
  benchmark::DoNotOptimize(changes);
  form->Free();
}
BENCHMARK(BM_TypeIntoEdit);

}  // namespace
