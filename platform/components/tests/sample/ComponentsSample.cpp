// A library that links the component library, for the tests of what it frees when it is unloaded.
#include "platform/components/Application.h"
#include "platform/components/Menus.h"
#include "platform/components/StdCtrls.h"

struct SampleWindows {
  HWND application;
  HWND popupList;
  HINSTANCE classInstance;  // the instance the library's window classes are registered under
};

extern "C" [[gnu::visibility("default")]] SampleWindows SampleSetUp() {
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
  return out;
}
