// A library that links the component library, for the tests of what it frees when it is unloaded.
#include <string>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/Menus.h"
#include "platform/components/ModuleTeardown.h"
#include "platform/components/StdCtrls.h"

struct SampleWindows {
  HWND application;
  HWND popupList;
  HINSTANCE classInstance;  // the instance the library's window classes are registered under
};

// A table the library makes after its first cleanup was arranged, which a later cleanup still uses.
std::vector<std::string>& LateTable() {
  static std::vector<std::string> table;
  return table;
}

// `report` receives, at the unload, the number of entries the late table had then.
extern "C" [[gnu::visibility("default")]] SampleWindows SampleSetUp(size_t* report) {
  SampleWindows out{};
  TForm* form = TForm::CreateNew<TForm>(nullptr);
  TButton* button = NewObject<TButton>(form);
  button->SetParent(form);
  out.classInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(form->Handle(), GWLP_HINSTANCE));
  form->Free();
  auto* menu = NewObject<TPopupMenu>(nullptr);
  auto* item = NewObject<TMenuItem>(menu);
  item->SetCaption("One");
  menu->Items()->Add(item);
  menu->Popup(10, 10);
  out.popupList = PopupList()->Window();
  menu->Free();
  out.application = Application->Handle();
  LateTable().assign(3, "entry");
  AtModuleUnload(TUnloadStage::Objects, [report] {
    LateTable().push_back("unloading");
    *report = LateTable().size();
  });
  return out;
}
