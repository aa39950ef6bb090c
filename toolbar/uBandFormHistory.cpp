// Histories of the values entered in the toolbar (persistent ones in the user's configuration, the others
// in the form), and the combo boxes' events that save and show them.
#include "platform/components/StdCtrls.h"
#include "platform/winapi/Input.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"

namespace {

constexpr int kHistoryLines = 50;

TTessalineConfiguration* UserConfiguration() {
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  return module ? module->Configuration() : nullptr;
}

}  // namespace

void TTessalineDeskBandForm::LoadHistory(const std::string& historyId, bool persistent, TStrings& list) {
  if (persistent) {
    // Without a configuration there is no stored history.
    list.Clear();
    if (TTessalineConfiguration* configuration = UserConfiguration()) configuration->LoadHistory(historyId, list);
    return;
  }
  list.Clear();
  int index = memoryHistories_->IndexOf(historyId);
  if (index >= 0) list.AddStrings(*static_cast<TStringList*>(memoryHistories_->Objects(index)));
}

void TTessalineDeskBandForm::SaveHistory(const std::string& historyId, bool persistent, const TStrings& list) {
  if (persistent) {
    if (TTessalineConfiguration* configuration = UserConfiguration()) configuration->SaveHistory(historyId, list);
    return;
  }
  int index = memoryHistories_->IndexOf(historyId);
  if (index < 0) {
    TObjectPtr<TStringList> history(NewObject<TStringList>());
    index = memoryHistories_->AddObject(historyId, history.get());
    history.release();
  }
  auto* history = static_cast<TStringList*>(memoryHistories_->Objects(index));
  history->Clear();
  history->AddStrings(list);
}

void TTessalineDeskBandForm::AddHistory(const std::string& historyId, bool persistent, const std::string& value) {
  if (value.empty()) return;
  TObjectPtr<TStringList> history(NewObject<TStringList>());
  LoadHistory(historyId, persistent, *history);
  history->Insert(0, value);
  while (history->Count() > kHistoryLines) history->Delete(history->Count() - 1);
  SaveHistory(historyId, persistent, *history);
}

// ---- combo boxes ----

void TTessalineDeskBandForm::RefillCombo(TComboBox* box) {
  auto* definition = DynamicAs<TToolbarComboControl>(reinterpret_cast<TObject*>(box->Tag()));
  if (!definition || !definition->PersistentHistory() || definition->ListType() == ltDropDownList) return;
  TObjectPtr<TStringList> history(NewObject<TStringList>());
  LoadHistory(definition->HistoryId(), definition->PersistentHistory(), *history);
  box->Items()->Clear();
  box->Items()->AddStrings(*history);
}

void TTessalineDeskBandForm::ComboEnter(TObject* sender) {
  auto* box = DynamicAs<TComboBox>(sender);
  if (!box) return;
  auto* definition = DynamicAs<TToolbarComboControl>(reinterpret_cast<TObject*>(box->Tag()));
  if (definition && definition->ClearOnFirstClick() && !definition->DefaultValue().empty() &&
      box->Text() == definition->DefaultValue())
    box->SetText("");
  RefillCombo(box);
}

void TTessalineDeskBandForm::ComboDropDown(TObject* sender) {
  if (auto* box = DynamicAs<TComboBox>(sender)) RefillCombo(box);
}

void TTessalineDeskBandForm::ComboKeyDown(TObject* sender, WORD& key, TShiftState) {
  if (key != VK_RETURN) return;
  auto* box = DynamicAs<TComboBox>(sender);
  auto* definition = box ? DynamicAs<TToolbarComboControl>(reinterpret_cast<TObject*>(box->Tag())) : nullptr;
  if (definition && ExecAction(definition->Action())) RefillCombo(box);
}
