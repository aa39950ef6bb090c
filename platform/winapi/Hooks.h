// Thread hooks. Each chain runs from the most recently installed hook to the oldest; a hook passes the call
// on with CallNextHookEx. Chains are re-entrant: a hook may send messages that run the chain again, and a
// hook removed while a chain runs is skipped from then on.
//
// WH_CALLWNDPROC runs for every message sent to a window of the hooked thread (SendMessage and the sends
// of the window system itself), before the window procedure is read; lParam is a CWPSTRUCT*, wParam is
// nonzero when the current thread sent it. WH_GETMESSAGE runs for every message GetMessage or PeekMessage
// retrieves; lParam is the MSG*, which the hook may rewrite; wParam is PM_REMOVE or PM_NOREMOVE.
#pragma once
#include "platform/winapi/Messages.h"

constexpr int WH_GETMESSAGE = 3;
constexpr int WH_CALLWNDPROC = 4;
constexpr int WH_CALLWNDPROCRET = 12;
constexpr int HC_ACTION = 0;

// Only thread hooks: threadId names a thread of this process with a message queue (0 fails with
// ERROR_INVALID_PARAMETER).
HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

namespace vandrel {
// How many hooks of either kind are installed for the thread (for reports of what a module left behind).
int ThreadHookCount(DWORD threadId);
}  // namespace vandrel
