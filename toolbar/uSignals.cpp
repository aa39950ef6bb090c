// The change signals: two registered messages of the library's path, and each thread's hidden window and flags.
#include "toolbar/uSignals.h"

#include <atomic>
#include <mutex>

#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/UtilityWindow.h"
#include "platform/winapi/Windows.h"
#include "toolbar/uInstance.h"
#include "toolbar/uThreadUses.h"

namespace {

std::atomic<UINT> g_defChanged{0};
std::atomic<UINT> g_feedChanged{0};

// The thread's variables, in the order the unit keeps them; trivial types, so that the library unloads.
thread_local THelperObject* t_helper = nullptr;
thread_local HWND t_window = nullptr;
thread_local bool t_defChanged = false;
thread_local bool t_feedChanged = false;

struct SignalWindowTag;
using TSignalWindowUses = TThreadUses<SignalWindowTag>;

}  // namespace

std::string MakeSignalName(const std::string& prefix) {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(InstanceModule(), path, sizeof path);
  std::string name = prefix + "_";
  name.reserve(name.size() + length);
  for (DWORD i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    bool kept = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    name += kept ? char(c) : '_';
  }
  return name;
}

void InitializeSignalUnit() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_defChanged = RegisterWindowMessageA(MakeSignalName("DEFCHANGED_").c_str());
    g_feedChanged = RegisterWindowMessageA(MakeSignalName("FEEDCHANGED_").c_str());
  });
}

UINT DefChangedMessage() { return g_defChanged; }
UINT FeedChangedMessage() { return g_feedChanged; }

BOOL BroadcastDefChanged() { return PostMessageA(HWND_BROADCAST, g_defChanged, 0, 0); }
BOOL BroadcastFeedChanged() { return PostMessageA(HWND_BROADCAST, g_feedChanged, 0, 0); }

void THelperObject::SignalWndProc(TMessage& message) {
  const UINT defChanged = g_defChanged, feedChanged = g_feedChanged;
  if (defChanged && message.Msg == defChanged)
    t_defChanged = true;
  else if (feedChanged && message.Msg == feedChanged)
    t_feedChanged = true;
  else
    message.Result = DefWindowProcA(Handle, message.Msg, message.WParam, message.LParam);
}

void CreateSignalWindow() {
  if (!TSignalWindowUses::Enter()) return;
  THelperObject* helper = NewObject<THelperObject>();
  helper->Handle = AllocateHWnd([helper](TMessage& message) { helper->SignalWndProc(message); });
  t_helper = helper;
  t_window = helper->Handle;
}

void DestroySignalWindow() {
  if (!TSignalWindowUses::Leave()) return;
  if (t_window) DeallocateHWnd(t_window);
  t_window = nullptr;
  FreeAndNil(t_helper);
}

HWND SignalWindowHandle() { return t_window; }

bool IsDefChanged() { return t_defChanged; }
void ClearDefChanged() { t_defChanged = false; }
bool IsFeedChanged() { return t_feedChanged; }
void ClearFeedChanged() { t_feedChanged = false; }
