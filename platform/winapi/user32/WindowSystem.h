// Internal to platform/winapi: the state behind windows, queues, timers, hooks and virtual time.
// Everything here is guarded by one lock (as the window system of Windows once was); no window procedure,
// hook or callback is ever called while it is held.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/winapi/Messages.h"

namespace winsys {

using Guard = std::unique_lock<std::mutex>;

struct Queue;

// A message sent to another thread's window, shared by the receiver's queue and the sender while it waits;
// the receiver completes it and wakes the sender, if one waits (a notification has none).
struct SentMessage {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
  Queue* sender = nullptr;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapse;
  TIMERPROC proc;
  uint64_t due;
};

struct Hook {
  HHOOK handle;
  int type;
  HOOKPROC proc;
  bool removed = false;
};

// What a thread is doing, as virtual time sees it.
// Waiting: for messages; SendWait: for the answer to a cross-thread send (handling only sends meanwhile);
// Sleeping: in a clock sleep; Blocked: inside a TVirtualIdleScope.
enum class Activity { Busy, Waiting, SendWait, Sleeping, Blocked };

struct Queue {
  DWORD threadId = 0;
  std::condition_variable cv;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  bool quitPending = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  HWND focus = nullptr;
  HWND capture = nullptr;
  int handlingSend = 0;
  std::vector<std::shared_ptr<Hook>> hooks;  // newest first
  int hookDepth = 0;
  MSG lastMessage{};
  // Virtual time: a participant is a thread that pumped or slept while the clock was virtual.
  bool participant = false;
  Activity activity = Activity::Busy;
  uint64_t sleepUntil = 0;
  uint64_t wakeSignals = 0;
  int blockDepth = 0;  // nested blocking waits outside the window system
};

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HBRUSH background = nullptr;
  ATOM atom = 0;
};

struct Window {
  HWND handle = nullptr;
  std::string className;
  const WindowClass* cls = nullptr;
  DWORD threadId = 0;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;       // child windows only
  HWND owner = nullptr;        // top-level windows only
  std::vector<HWND> children;  // in z-order, top first
  RECT rect{};                 // parent client coordinates; screen for top-level windows
  std::string text;
  HRGN region = nullptr;
  bool needsPaint = false;
  bool needsErase = false;
  bool redrawOff = false;
  bool destroying = false;
  std::map<std::string, HANDLE> props;
  std::vector<uint8_t> extra;
};

struct State {
  std::mutex lock;
  std::unordered_map<DWORD, Queue*> queues;
  std::unordered_map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> topLevel;                                        // z-order, top first
  std::multimap<std::string, std::unique_ptr<WindowClass>> classes;  // by upper-cased name, one per instance
  HWND active = nullptr;
  HWND desktop = nullptr;
  uintptr_t nextHandle = 0x10010;
  std::map<std::string, UINT> atoms;  // upper-cased names of registered messages and formats
  std::vector<std::string> atomNames;
  int64_t inFlight = 0;  // posted and sent messages not yet taken by their thread
  std::unordered_map<HHOOK, DWORD> hookThreads;
  uintptr_t nextHook = 0x100;
  UINT_PTR nextTimerId = 0x7FFF0000;
  uint64_t progress = 0;  // bumped whenever a message is taken, a sleeper wakes or time moves
  int screenWidth = 1024;
  int screenHeight = 768;
  bool screenSaver = false;
  bool screenSaverQueryFails = false;
};

// The one state of the process; never destroyed, so thread exits late in the process find it intact.
State& S();

// The calling thread's queue, created on first use; the lock must be held.
Queue* CurrentQueue(Guard& g);
Queue* FindQueue(DWORD threadId);
Window* FindWindow(HWND hwnd);  // lock held; none for a destroyed or unknown handle
HWND NewHandle();

uint64_t NowMs();

// Wakes a thread: something is queued for it.
void Wake(Queue* q);
// Lock held: a sent message is answered with the result; its sender, if one waits, wakes.
void Complete(SentMessage& m, LRESULT result);

// Calls a window procedure the way a send does: the WH_CALLWNDPROC hooks of the calling thread first, then
// the procedure read after them. The lock must not be held.
LRESULT DeliverSent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool fromThisThread);

// Runs the first hook of `type` of the calling thread; false when there is none. Lock not held.
bool RunHooks(int type, int code, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Calls a hook procedure for which the thread's hook depth was raised (lock not held), then lowers the depth;
// the last hook call of the thread to return removes the hooks unhooked meanwhile.
LRESULT CallHookProc(Queue* q, HOOKPROC proc, int code, WPARAM wParam, LPARAM lParam);

// Takes one message sent from another thread and handles it; the lock is released meanwhile.
void HandleOneIncoming(Guard& g, Queue* q);

// Timers of the thread: the earliest due one (for retrieval) and the earliest deadline (for waiting).
bool NextTimerDeadline(Queue* q, uint64_t* due);

// Removes a window and its descendants without sending anything (their thread is gone). Lock held.
void RemoveWindowSilently(HWND hwnd);

// Removes the window classes that a module registered and that no window uses (the module was unloaded).
void UnregisterModuleClasses(HINSTANCE instance);

// Called with the lock when a window dies: its timers, focus, capture and activation go.
void ForgetWindowTimers(HWND hwnd);

// Virtual time, lock held. Whether the clock is virtual now.
bool VirtualMode();
// The thread is about to block in the window system (pump wait or sleep): mark it and let time move when
// every participant is blocked and nothing is in flight. Returns after marking; the caller then waits.
void EnterWait(Guard& g, Queue* q, Activity activity);
void LeaveWait(Queue* q);
// An empty PeekMessage: lets time move when every other participant is blocked. True when it moved.
bool YieldToVirtualTime(Guard& g, Queue* q);
// A thread joins the participants (when the clock is virtual): on its first window, pump or sleep.
void JoinVirtualTime(Guard& g, Queue* q);
// A participant waits for something outside the window system (a join, an event); pairs nest.
void BeginBlockingWait(Guard& g, Queue* q);
void EndBlockingWait(Queue* q);
// A thread leaves the set of participants (exit or detach).
void RemoveParticipant(Guard& g, Queue* q);

// Registers, once for `once`, a class of the system's own windows: no module, only its name and procedure.
void RegisterSystemClass(std::once_flag& once, const char* name, WNDPROC proc);

// Binds this process's socket of the session's broadcasts (SessionTransport.cpp), once; called without the
// lock when a top-level window is made.
void StartSessionTransport();

}  // namespace winsys
