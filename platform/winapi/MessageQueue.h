// Per-thread message queues: posting, sending, retrieving and dispatching messages.
//
// Every thread gets its queue on its first call into the window system. Retrieval order: messages sent
// from other threads are handled first (inside GetMessage, PeekMessage, WaitMessage and while the thread
// itself waits in a cross-thread SendMessage), then posted messages, then WM_QUIT, then WM_PAINT for an
// invalid visible window, then WM_TIMER for the earliest due timer.
//
// SendMessage to a window of the calling thread calls its procedure at once; to a window of another thread
// it waits until that thread handles it. Either way the WH_CALLWNDPROC hooks of the receiving thread run
// before the window procedure is read, so a hook may subclass the target and the new procedure receives
// the message.
//
// An empty PeekMessage yields to virtual time (see VirtualTime.h) unless PM_NOYIELD is given.
#pragma once
#include <string>

#include "platform/winapi/Messages.h"

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues the message for a window of another thread without waiting for it; direct on the same thread.
BOOL SendNotifyMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// True while the calling thread handles a message sent from another thread.
BOOL InSendMessage();

// Returns 0 for WM_QUIT, -1 for an invalid window filter, else nonzero.
BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
DWORD GetMessageTime();
LONG GetMessagePos();

// Status of the calling thread's queue.
constexpr UINT QS_KEY = 0x0001;
constexpr UINT QS_MOUSEMOVE = 0x0002;
constexpr UINT QS_MOUSEBUTTON = 0x0004;
constexpr UINT QS_POSTMESSAGE = 0x0008;
constexpr UINT QS_TIMER = 0x0010;
constexpr UINT QS_PAINT = 0x0020;
constexpr UINT QS_SENDMESSAGE = 0x0040;
constexpr UINT QS_ALLINPUT = 0x04FF;
DWORD GetQueueStatus(UINT flags);

// A process-wide message number in 0xC000..0xFFFF; one name (compared without letter case) always gives
// the same number. Clipboard format names share the table.
UINT RegisterWindowMessageA(LPCSTR name);

// Broadcasts beyond the process: PostMessage(HWND_BROADCAST) of a registered message also calls the
// forwarder (installed by the session's transport) with the message's name; the transport hands messages
// of other processes to DeliverBroadcast, which posts them to this process's top-level windows when this
// process has registered the name (else nobody here could tell the message apart, and it is dropped). The
// transport: a process hears other processes once it has made its first top-level window (a socket in the
// session folder, platform/winapi/Session.h); a broadcast reaches the processes listening at that moment, is
// lost for a process whose queue is full, and is never kept for later.
using TBroadcastForwarder = void (*)(const std::string& name, WPARAM wParam, LPARAM lParam);
void SetBroadcastForwarder(TBroadcastForwarder forwarder);
void DeliverBroadcast(const std::string& name, WPARAM wParam, LPARAM lParam);

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
