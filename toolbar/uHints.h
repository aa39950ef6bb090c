// Hints of the toolbar library: a hint window without the drop shadow, and a helper that makes the
// application discard its hint window whenever the hint changes.
#pragma once
#include "platform/components/Application.h"

// The application's hint window class while the library is loaded.
class TSafeHintWindow : public THintWindow {
  VCL_CLASS(TSafeHintWindow, THintWindow)
  using THintWindow::THintWindow;

 protected:
  // The inherited parameters without the drop-shadow class style.
  void CreateParams(TCreateParams& params) override;
};

// On every hint change of the application, switches hints off and on again, so that a fresh hint window
// replaces the current one.
class THintHelper : public TObject {
  VCL_CLASS(THintHelper, TObject)
  void ApplicationHint(TObject* sender);
};

// Creates the helper (once) and makes it the application's OnHint; removing clears OnHint and frees it.
void InstallHintHelper();
void RemoveHintHelper();
THintHelper* HintHelper();

// The unit's initialisation (TSafeHintWindow becomes the application's hint window class) and its
// finalisation (RemoveHintHelper); each runs once however often it is called.
void InitializeHintUnit();
void FinalizeHintUnit();
