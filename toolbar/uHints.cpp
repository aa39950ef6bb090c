#include "toolbar/uHints.h"

#include <mutex>

namespace {

THintHelper* g_helper = nullptr;

std::mutex g_unitLock;
int g_unitCount = 0;

}  // namespace

void TSafeHintWindow::CreateParams(TCreateParams& params) {
  inherited::CreateParams(params);
  params.WindowClassStyle &= ~UINT(CS_DROPSHADOW);
}

void THintHelper::ApplicationHint(TObject*) {
  Application->SetShowHint(false);
  Application->SetShowHint(true);
}

void InstallHintHelper() {
  if (!g_helper) g_helper = NewObject<THintHelper>();
  THintHelper* helper = g_helper;
  Application->OnHint = [helper](TObject* sender) { helper->ApplicationHint(sender); };
}

void RemoveHintHelper() {
  Application->OnHint = nullptr;
  FreeAndNil(g_helper);
}

THintHelper* HintHelper() { return g_helper; }

void InitializeHintUnit() {
  std::lock_guard<std::mutex> guard(g_unitLock);
  if (g_unitCount++ > 0) return;
  Application->HintWindowClass = THintWindowClass::Of<TSafeHintWindow>();
}

void FinalizeHintUnit() {
  std::lock_guard<std::mutex> guard(g_unitLock);
  if (g_unitCount == 0 || --g_unitCount > 0) return;
  RemoveHintHelper();
}
