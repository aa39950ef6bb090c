// The band form's tool bar: its window procedure under the band lock, and what it does with an error.
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"

namespace {

// The exception a tool bar logged and re-raised on this thread, until the application's handler has seen it.
thread_local const std::exception* t_loggedByToolBar = nullptr;

}  // namespace

bool LoggedByToolBar(const std::exception& error) { return t_loggedByToolBar == &error; }

void ClearLoggedByToolBar() { t_loggedByToolBar = nullptr; }

TMyToolBar::TMyToolBar(TComponent* owner) : TToolBar(owner) {
  // The bar's own drawing stays, on the band's background.
  OnAdvancedCustomDrawButton = [](TToolBar*, TToolButton*, TCustomDrawState, TCustomDrawStage, bool& defaultDraw) {
    defaultDraw = true;
  };
}

bool TMyToolBar::NeedsBandLock(UINT msg) {
  switch (msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_NOTIFY:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP: return true;
    default: return msg >= CN_BASE;
  }
}

void TMyToolBar::WndProc(TMessage& m) {
  if (m.Msg == WM_SIZE) {
    m.Result = 0;
    return;
  }
  try {
    if (NeedsBandLock(m.Msg)) {
      TBandLockGuard guard;
      InheritedWndProc(m);
    } else {
      InheritedWndProc(m);
    }
  } catch (const Exception& e) {
    HandleError(e);
  }
}

void TMyToolBar::HandleError(const Exception& error) {
  if (!DynamicAs<TTessalineDeskBandForm>(Owner())) return;
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  if (!module) return;
  module->LogFmt("Exception in toolbar wndproc (%s): %s", {error.ClassName(), error.Message()}, 2);
  if (!module->DebugLogEnabled()) return;
  // Seen once: the application's handler shows it without logging it again.
  t_loggedByToolBar = &error;
  throw;
}
