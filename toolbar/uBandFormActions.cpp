// What the toolbar's controls do when they are used: clicks run the actions of the definition, actions
// open addresses after macro expansion with the controls' current values, and addresses open in the host
// browser's window, in a new window of it, or outside any host.
#include "platform/com/Bstr.h"
#include "platform/com/LateBinding.h"
#include "platform/com/OleError.h"
#include "platform/components/Menus.h"
#include "platform/components/StdCtrls.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Input.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uMacros.h"
#include "toolbar/uOpenURL.h"

namespace {

TObject* TagOf(TObject* sender) {
  auto* component = DynamicAs<TComponent>(sender);
  return component ? reinterpret_cast<TObject*>(component->Tag()) : nullptr;
}

bool IsExactly(const TObject* object, const TClassInfo* kind) { return object->ClassType() == kind; }

void LogError(const char* format, const std::string& argument) {
  if (TTessalineDeskBandModule* module = TessalineDeskBandModule()) module->LogFmt(format, {argument}, 2);
}

// The value of a select's entry: its stored line after the first equals sign.
std::string SelectedValue(const TToolbarSelectControl& definition, const TComboBox& box) {
  int index = box.ItemIndex();
  if (index < 0 || index >= definition.Items()->Count()) return {};
  const std::string& line = definition.Items()->Strings(index);
  size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

// Holds Shift down for a scope, so that the host browser opens the address in a new window.
class TShiftHeld {
 public:
  TShiftHeld() { keybd_event(VK_SHIFT, BYTE(MapVirtualKeyA(VK_SHIFT, MAPVK_VK_TO_VSC)), 0, 0); }
  ~TShiftHeld() { keybd_event(VK_SHIFT, BYTE(MapVirtualKeyA(VK_SHIFT, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP, 0); }
  TShiftHeld(const TShiftHeld&) = delete;
  TShiftHeld& operator=(const TShiftHeld&) = delete;
};

}  // namespace

// ---- clicks ----

void TTessalineDeskBandForm::ControlOnClick(TObject* sender) {
  if (auto* control = DynamicAs<TToolBarControl>(TagOf(sender))) ControlClick(control);
}

void TTessalineDeskBandForm::ControlClick(TToolBarControl* control) {
  if (auto* button = DynamicAs<TToolbarButtonControl>(control))
    ExecAction(button->Action());
  else if (auto* image = DynamicAs<TToolbarImageControl>(control))
    ExecAction(image->Action());
  else
    throw ETessaline(Format("Don't know how to handle control class \"%s\" in ControlClick()",
                            {control ? control->ClassName() : std::string("nil")}));
}

void TTessalineDeskBandForm::MenuItemClick(TObject* sender) {
  if (auto* item = DynamicAs<TToolbarMenuItem>(TagOf(sender))) ExecAction(item->Action());
}

void TTessalineDeskBandForm::ChevronItemClick(TObject* sender) {
  if (auto* control = DynamicAs<TToolBarControl>(TagOf(sender))) ControlClick(control);
}

// ---- actions ----

bool TTessalineDeskBandForm::ExecAction(TToolBarAction* action) {
  if (!action) return false;
  bool result = true;
  switch (action->Kind()) {
    case akNone: result = false; break;
    case akToggle: break;
    case akOpenURL: NavigateTo(ExpandMacros(action->Href()), action->Target()); break;
    default: throw ETessaline("Unknown action");
  }
  const std::string& saveId = action->HistorySave();
  if (saveId.empty()) return result;
  TToolbarVarControl* control = FindVarControl(saveId);
  if (!control) LogError("Unable to find control \"%s\" for saving history in ExecAction()", saveId);
  std::string historyId;
  bool persistent = false;
  if (auto* withHistory = DynamicAs<TToolbarVarControlWithHistory>(control)) {
    historyId = withHistory->HistoryId();
    persistent = withHistory->PersistentHistory();
  }
  if (historyId.empty()) LogError("Control \"%s\" has no history for saving history in ExecAction()", saveId);
  TObjectPtr<TStringList> values(NewObject<TStringList>());
  GetVarList(*values);
  int line = values->IndexOfName(saveId);
  AddHistory(historyId, persistent, line < 0 ? std::string() : values->ValueFromIndex(line));
  return result;
}

// ---- the controls' values ----

void TTessalineDeskBandForm::AddMenuValues(const TMenuItem* item, TStrings& list) {
  for (int i = 0; i < item->Count(); ++i) {
    const TMenuItem* child = item->Items(i);
    if (auto* definition = DynamicAs<TToolbarMenuItem>(reinterpret_cast<TObject*>(child->Tag()))) {
      if (!definition->CheckedValue().empty() || !definition->UncheckedValue().empty())
        list.Add(definition->Id() + "=" +
                 (child->Checked() ? definition->CheckedValue() : definition->UncheckedValue()));
    }
    AddMenuValues(child, list);
  }
}

void TTessalineDeskBandForm::GetVarList(TStrings& list) {
  for (int i = 0; builtControls_ && i < builtControls_->Count(); ++i) {
    auto* visual = static_cast<TControl*>(builtControls_->Items(i));
    TObject* definition = reinterpret_cast<TObject*>(visual->Tag());
    if (!definition) continue;
    if (IsExactly(definition, TToolbarButtonControl::StaticClass()) ||
        IsExactly(definition, TToolbarSeparatorControl::StaticClass())) {
      // Every tool bar, whatever its first member, for the check items of its buttons' menus.
      if (auto* bar = DynamicAs<TToolBar>(visual))
        for (int b = 0; b < bar->ButtonCount(); ++b)
          if (TPopupMenu* menu = bar->Buttons(b)->DropdownMenu()) AddMenuValues(menu->Items(), list);
    } else if (IsExactly(definition, TToolbarComboControl::StaticClass())) {
      list.Add(static_cast<TToolbarComboControl*>(definition)->Id() + "=" + static_cast<TComboBox*>(visual)->Text());
    } else if (IsExactly(definition, TToolbarSelectControl::StaticClass())) {
      auto* select = static_cast<TToolbarSelectControl*>(definition);
      auto* box = static_cast<TComboBox*>(visual);
      if (box->ItemIndex() >= 0) list.Add(select->Id() + "=" + SelectedValue(*select, *box));
    } else if (IsExactly(definition, TToolbarTextInputControl::StaticClass())) {
      list.Add(static_cast<TToolbarTextInputControl*>(definition)->Id() + "=" + static_cast<TEdit*>(visual)->Text());
    } else if (!IsExactly(definition, TToolbarHtmlControl::StaticClass()) &&
               !IsExactly(definition, TToolbarImageControl::StaticClass())) {
      throw ETessaline(Format("Don't know how to get varlist from control class \"%s\"", {definition->ClassName()}));
    }
  }
}

std::string TTessalineDeskBandForm::ExpandMacros(const std::string& text) {
  if (text.find_first_not_of(' ') == std::string::npos) return text;
  std::string expanded = ::ExpandMacros(text, this);
  // No macro left: the controls' values cannot change the text.
  if (expanded.find("%%") == std::string::npos) return expanded;
  TObjectPtr<TStringList> values(NewObject<TStringList>());
  GetVarList(*values);
  return ExpandMacrosFromList(expanded, *values);
}

std::string TTessalineDeskBandForm::ExpandCaption(const std::string& caption) { return ExpandMacros(caption); }

// ---- navigation ----

void TTessalineDeskBandForm::NavigateTo(const std::string& url, const std::string& target) {
  bool newWindow = !target.empty() && CompareText(target, "_self") != 0 && CompareText(target, "_top") != 0;
  IWebBrowser2* browser = Band() ? Band()->HostBrowser() : nullptr;
  if (!browser) {
    if (OpenURLInBrowser(url, true)) return;
    ComPtr<IDispatch> explorer = CreateOleObject("InternetExplorer.Application");
    CallDispatchMethod(explorer.Get(), "Navigate", {OleVariant(url), OleVariant(int32_t(1))});
    return;
  }
  WideString address = WideString::FromString(url);
  OleVariant flags, frame, postData, headers;
  if (!newWindow) {
    OleCheck(browser->Navigate(address.Get(), flags.Get(), frame.Get(), postData.Get(), headers.Get()));
    return;
  }
  flags = OleVariant(int32_t(1));
  TShiftHeld shift;
  OleCheck(browser->Navigate(address.Get(), flags.Get(), frame.Get(), postData.Get(), headers.Get()));
}
