// A small band built on the framework alone, for the framework's and the shell host's tests: a search
// field, two buttons and a status label; Alt+S focuses the field, the chevron menu lists the buttons that
// do not fit, and in a browser "Go" navigates and the status follows the browser's events.
#pragma once
#include "deskband/vekDeskBand.h"
#include "platform/components/FormResource.h"
#include "platform/components/StdCtrls.h"

class TSampleBandForm : public TDeskBandForm {
  VCL_CLASS(TSampleBandForm, TDeskBandForm)
  using TDeskBandForm::TDeskBandForm;

  TEdit* edSearch = nullptr;
  TButton* btnGo = nullptr;
  TButton* btnHelp = nullptr;
  TLabel* lbStatus = nullptr;

  void FormCreate(TObject* sender);
  void FormGetShortcutKey(TObject* sender, char& key);
  void FormGetDefaultControl(TObject* sender, TWinControl*& control);
  void FormGetMinSize(TObject* sender, POINTL& p);
  void FormGetActualSize(TObject* sender, POINTL& p);
  void FormGetChevronMenu(TObject* sender, RECT visibleArea, TPopupMenu*& menu);
  void FormInit(TObject* sender);
  void FormDeInit(TObject* sender);
  void btnGoClick(TObject* sender);
  void btnHelpClick(TObject* sender);

  void BeforeNavigate2(TObject* sender, IDispatch* pDisp, VARIANT& URL, VARIANT& Flags, VARIANT& TargetFrameName,
                       VARIANT& PostData, VARIANT& Headers, WordBool& Cancel) override;
  void NavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL) override;

  static void Publish(TPublisher<TSampleBandForm>& p);
};

// Options for the registration tests, from SAMPLE_BAND_OPTIONS ("type=vertical;toolband=0;menucaption=X;
// caption=Y", any of them), applied by the module's OnCreate.
class TSampleBandModule : public TDeskBandModule {
  VCL_CLASS(TSampleBandModule, TDeskBandModule)
  using TDeskBandModule::TDeskBandModule;

  void ModuleCreate(TObject* sender);
  void GetFormClass(TObject* sender, TDeskBandFormClass& formClass);

  static void Publish(TPublisher<TSampleBandModule>& p);
};

constexpr CLSID kSampleBandClass = "{5A3B1C2D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}"_guid;

// Registers the sample's form resources (once).
void RegisterSampleBandClasses();
