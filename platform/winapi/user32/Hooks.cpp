// Thread hook chains; they run from MessageQueue.cpp (WH_GETMESSAGE) and from every send (WH_CALLWNDPROC).
#include "platform/winapi/Hooks.h"

#include <algorithm>

#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/user32/WindowSystem.h"

using namespace winsys;

HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (idHook != WH_GETMESSAGE && idHook != WH_CALLWNDPROC) {
    SetLastError(ERROR_INVALID_HOOK_FILTER);
    return nullptr;
  }
  if (!proc || !threadId) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  State& s = S();
  Guard g(s.lock);
  Queue* q = threadId == GetCurrentThreadId() ? CurrentQueue(g) : FindQueue(threadId);
  if (!q) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  s.nextHook += 4;
  auto hook = std::make_shared<Hook>();
  hook->handle = reinterpret_cast<HHOOK>(s.nextHook);
  hook->type = idHook;
  hook->proc = proc;
  q->hooks.insert(q->hooks.begin(), hook);
  s.hookThreads[hook->handle] = threadId;
  return hook->handle;
}

BOOL UnhookWindowsHookEx(HHOOK handle) {
  State& s = S();
  Guard g(s.lock);
  auto it = s.hookThreads.find(handle);
  Queue* q = it == s.hookThreads.end() ? nullptr : FindQueue(it->second);
  if (!q) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  s.hookThreads.erase(it);
  for (auto& hook : q->hooks)
    if (hook->handle == handle) hook->removed = true;
  if (q->hookDepth == 0) std::erase_if(q->hooks, [](const std::shared_ptr<Hook>& h) { return h->removed; });
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK handle, int code, WPARAM wParam, LPARAM lParam) {
  HOOKPROC proc = nullptr;
  Queue* q;
  {
    Guard g(S().lock);
    q = CurrentQueue(g);
    auto it = std::find_if(q->hooks.begin(), q->hooks.end(),
                           [&](const std::shared_ptr<Hook>& h) { return h->handle == handle; });
    if (it == q->hooks.end()) return 0;
    int type = (*it)->type;
    for (++it; it != q->hooks.end(); ++it)
      if ((*it)->type == type && !(*it)->removed) {
        proc = (*it)->proc;
        break;
      }
    if (!proc) return 0;
    q->hookDepth++;
  }
  return CallHookProc(q, proc, code, wParam, lParam);
}

int vandrel::ThreadHookCount(DWORD threadId) {
  State& s = S();
  Guard g(s.lock);
  int n = 0;
  for (auto& [handle, thread] : s.hookThreads)
    if (thread == threadId) ++n;
  return n;
}
