#include "toolbar/uBrowserObject.h"

#include "platform/com/Bstr.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/MessageBox.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uInstance.h"

namespace {

std::string Text(BSTR text) { return cp1250::FromUtf16(BstrToU16(text)); }

using TObj = TTessalineBrowserObject;

OleVariant Nothing() { return OleVariant(); }

}  // namespace

TTessalineDeskBandForm& TTessalineBrowserObject::Form() const {
  TTessalineDeskBandForm* form = link_ ? link_->Form() : nullptr;
  if (!form) throw ETessaline("The toolbar of this object is gone");
  return *form;
}

void TTessalineBrowserObject::DoAbout() {
  Form();  // a detached object answers nothing
  MessageBoxA(nullptr, ("Tessaline Toolbar " + ModuleVersionText()).c_str(), "About Tessaline Toolbar",
              MB_ICONINFORMATION);
}

OLE_COLOR TTessalineBrowserObject::DoGetIdealBkColor() { return OLE_COLOR(Form().GetIdealBkColor()); }

void TTessalineBrowserObject::DoClearExtraButtons() { Form().ClearExtraButtons(); }

void TTessalineBrowserObject::DoAddExtraButton(const std::string& caption, const std::string& imageListId,
                                               int imageIndex, const std::string& href, const std::string& target) {
  Form().AddExtraButton(caption, imageListId, imageIndex, href, target);
}

void TTessalineBrowserObject::DoAddExtraSeparator() { Form().AddExtraSeparator(); }

HRESULT TTessalineBrowserObject::About() {
  return SafeCall([&] {
    DoAbout();
    return S_OK;
  });
}

HRESULT TTessalineBrowserObject::GetIdealBkColor(OLE_COLOR* color) {
  if (!color) return E_POINTER;
  return SafeCall([&] {
    *color = DoGetIdealBkColor();
    return S_OK;
  });
}

HRESULT TTessalineBrowserObject::ClearExtraButtons() {
  return SafeCall([&] {
    DoClearExtraButtons();
    return S_OK;
  });
}

HRESULT TTessalineBrowserObject::AddExtraButton(BSTR caption, BSTR imageListId, LONG imageIndex, BSTR href,
                                                BSTR target) {
  return SafeCall([&] {
    DoAddExtraButton(Text(caption), Text(imageListId), imageIndex, Text(href), Text(target));
    return S_OK;
  });
}

HRESULT TTessalineBrowserObject::AddExtraSeparator() {
  return SafeCall([&] {
    DoAddExtraSeparator();
    return S_OK;
  });
}

const TDispatchTable& TTessalineBrowserObject::AutoDispatchTable() const {
  static const TDispatchTable table = DispatchTableOf(
      *BrowserExportObjTypeLibrary().FindInterface(ITessalineBrowserObject::Iid),
      "uBrowserExportObj.TessalineBrowserObject",
      {
          {"About",
           [](void* o, const TDispatchArgs&) {
             Self<TObj>(o).DoAbout();
             return Nothing();
           }},
          {"GetIdealBkColor",
           [](void* o, const TDispatchArgs&) {
             OleVariant color;
             color.Get()->vt = VT_UI4;
             color.Get()->uintVal = Self<TObj>(o).DoGetIdealBkColor();
             return color;
           }},
          {"ClearExtraButtons",
           [](void* o, const TDispatchArgs&) {
             Self<TObj>(o).DoClearExtraButtons();
             return Nothing();
           }},
          {"AddExtraButton",
           [](void* o, const TDispatchArgs& a) {
             Self<TObj>(o).DoAddExtraButton(a.String(0), a.String(1), a.Integer(2), a.String(3), a.String(4));
             return Nothing();
           }},
          {"AddExtraSeparator",
           [](void* o, const TDispatchArgs&) {
             Self<TObj>(o).DoAddExtraSeparator();
             return Nothing();
           }},
      });
  return table;
}
