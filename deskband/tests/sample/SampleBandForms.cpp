#include "deskband/tests/sample/SampleBandForms.h"

#include <cstdlib>
#include <mutex>

#include "deskband/tests/sample/SampleBandForm.dfm.h"
#include "deskband/tests/sample/SampleBandModule.dfm.h"
#include "platform/components/FormResource.h"
#include "platform/runtime/SysUtils.h"

void TSampleBandForm::Publish(TPublisher<TSampleBandForm>& p) {
  p.Field("edSearch", &TSampleBandForm::edSearch)
      .Field("btnGo", &TSampleBandForm::btnGo)
      .Field("btnHelp", &TSampleBandForm::btnHelp)
      .Field("lbStatus", &TSampleBandForm::lbStatus)
      .Method("FormCreate", &TSampleBandForm::FormCreate)
      .Method("FormGetShortcutKey", &TSampleBandForm::FormGetShortcutKey)
      .Method("FormGetDefaultControl", &TSampleBandForm::FormGetDefaultControl)
      .Method("FormGetMinSize", &TSampleBandForm::FormGetMinSize)
      .Method("FormGetActualSize", &TSampleBandForm::FormGetActualSize)
      .Method("FormGetChevronMenu", &TSampleBandForm::FormGetChevronMenu)
      .Method("FormInit", &TSampleBandForm::FormInit)
      .Method("FormDeInit", &TSampleBandForm::FormDeInit)
      .Method("btnGoClick", &TSampleBandForm::btnGoClick)
      .Method("btnHelpClick", &TSampleBandForm::btnHelpClick);
}

void TSampleBandForm::FormCreate(TObject*) { lbStatus->SetCaption("created"); }

void TSampleBandForm::FormGetShortcutKey(TObject*, char& key) { key = 's'; }

void TSampleBandForm::FormGetDefaultControl(TObject*, TWinControl*& control) { control = edSearch; }

void TSampleBandForm::FormGetMinSize(TObject*, POINTL& p) { p.x = 150; }

void TSampleBandForm::FormGetActualSize(TObject*, POINTL& p) { p.x = 380; }

void TSampleBandForm::FormGetChevronMenu(TObject*, RECT visibleArea, TPopupMenu*& menu) {
  menu = NewObject<TPopupMenu>(this);
  menu->SetName("ChevronMenu");
  for (TButton* button : {btnGo, btnHelp}) {
    if (button->Left() + button->Width() <= visibleArea.right) continue;
    auto* item = NewObject<TMenuItem>(menu);
    item->SetCaption(button->Caption());
    item->OnClick = [button](TObject*) { button->Click(); };
    menu->Items()->Add(item);
  }
  if (menu->Items()->Count() == 0) FreeAndNil(menu);
}

void TSampleBandForm::FormInit(TObject*) { lbStatus->SetCaption("sited"); }

void TSampleBandForm::FormDeInit(TObject*) { lbStatus->SetCaption("unsited"); }

void TSampleBandForm::btnGoClick(TObject*) {
  std::string text = edSearch->Text();
  IWebBrowser2* browser = Band() ? Band()->HostBrowser() : nullptr;
  if (!browser) {
    lbStatus->SetCaption("no browser for " + text);
    return;
  }
  OleVariant url("http://search.example/?q=" + text);
  browser->Navigate2(url.Get(), nullptr, nullptr, nullptr, nullptr);
}

void TSampleBandForm::btnHelpClick(TObject*) { lbStatus->SetCaption("help"); }

void TSampleBandForm::BeforeNavigate2(TObject*, IDispatch*, VARIANT& URL, VARIANT&, VARIANT&, VARIANT&, VARIANT&,
                                      WordBool& Cancel) {
  std::string url = OleVariant::RefTo(&URL).AsString();
  lbStatus->SetCaption("before " + url);
  if (url.find("blocked") != std::string::npos) Cancel = VARIANT_TRUE;
}

void TSampleBandForm::NavigateComplete2(TObject*, IDispatch*, VARIANT& URL) {
  lbStatus->SetCaption("at " + OleVariant::RefTo(&URL).AsString());
}

void TSampleBandModule::Publish(TPublisher<TSampleBandModule>& p) {
  p.Method("ModuleCreate", &TSampleBandModule::ModuleCreate).Method("GetFormClass", &TSampleBandModule::GetFormClass);
}

void TSampleBandModule::ModuleCreate(TObject*) {
  const char* options = std::getenv("SAMPLE_BAND_OPTIONS");
  if (!options) return;
  std::string rest = options;
  while (!rest.empty()) {
    size_t end = rest.find(';');
    std::string item = rest.substr(0, end);
    rest = end == std::string::npos ? "" : rest.substr(end + 1);
    size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    std::string name = item.substr(0, eq), value = item.substr(eq + 1);
    if (name == "type")
      SetBandType(value == "vertical" ? dbtVerticalBand : value == "horizontal" ? dbtHorizontalBand : dbtDeskBand);
    else if (name == "toolband")
      SetToolBand(value == "1");
    else if (name == "menucaption")
      SetMenuCaption(value);
    else if (name == "caption")
      SetCaption(value);
  }
}

void TSampleBandModule::GetFormClass(TObject*, TDeskBandFormClass& formClass) {
  formClass = TDeskBandFormClass::Of<TSampleBandForm>();
}

void RegisterSampleBandClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterFormResource(TSampleBandModule::StaticClass(), kSampleBandModuleResource);
    TPublisher<TSampleBandModule> module;
    TSampleBandModule::Publish(module);
    RegisterFormResource(TSampleBandForm::StaticClass(), kSampleBandFormResource);
    TPublisher<TSampleBandForm> form;
    TSampleBandForm::Publish(form);
  });
}
