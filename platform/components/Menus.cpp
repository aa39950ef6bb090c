#include "platform/components/Menus.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/components/Application.h"
#include "platform/components/ModuleTeardown.h"
#include "platform/winapi/MessageQueue.h"

namespace {

std::atomic<UINT> g_nextCommand{100};

void Collect(TMenuItem* parent, const std::string& prefix, TCanvas* canvas, std::vector<TMenuRecordItem>& out,
             std::vector<std::pair<std::string, TMenuItem*>>& paths, bool topLevel) {
  int y = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    std::string path = prefix + StripHotkey(item->Caption());
    int w = 0, h = 0;
    item->MeasureItem(canvas, w, h);
    TOwnerDrawState state = (item->Enabled() ? 0 : odDisabled | odGrayed) | (item->Checked() ? odChecked : 0) |
                            (item->Default() ? odDefault : 0);
    item->AdvancedDrawItem(canvas, RECT{0, y, w, y + h}, state, topLevel);
    y += h;
    out.push_back(TMenuRecordItem{path, item->Checked(), item->Enabled(), item->Visible(), item->ImageIndex(), w, h});
    paths.emplace_back(path, item);
    Collect(item, path + "|", canvas, out, paths, false);
  }
}

}  // namespace

std::string StripHotkey(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += caption[i];
  }
  return out;
}

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(g_nextCommand++) {}

TMenuItem::~TMenuItem() {
  Clear();
  if (parent_) std::erase(parent_->items_, this);
}

void TMenuItem::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  if (value && radioItem_ && parent_)
    for (TMenuItem* sibling : parent_->items_)
      if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->checked_ = false;
}

int TMenuItem::MenuIndex() const {
  if (!parent_) return -1;
  auto it = std::find(parent_->items_.begin(), parent_->items_.end(), this);
  return int(it - parent_->items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item->parent_) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  item->parent_ = this;
  item->menu_ = menu_;
  items_.insert(items_.begin() + index, item);
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  TMenuItem* item = items_[size_t(index)];
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) throw EMenuError("Sub-menu is not in menu");
  Delete(int(it - items_.begin()));
}

void TMenuItem::Clear() {
  while (!items_.empty()) {
    TMenuItem* item = items_.back();
    items_.pop_back();
    item->parent_ = nullptr;
    item->Free();
  }
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
  for (TMenuItem* item : items_)
    if (StripHotkey(item->caption_) == StripHotkey(caption)) return item;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* top = this;
  while (top->parent_) top = top->parent_;
  return top->menu_;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (autoCheck_) SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

void TMenuItem::DefaultMeasure(TCanvas* canvas, int& width, int& height) {
  if (IsLine()) {
    width = 10;
    height = 8;
    return;
  }
  width = canvas->TextWidth(StripHotkey(caption_)) + 30;
  height = canvas->TextHeight(caption_) + 6;
}

void TMenuItem::DefaultDraw(TCanvas*, RECT, TOwnerDrawState) {}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  DefaultMeasure(canvas, width, height);
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* canvas, RECT rect, TOwnerDrawState state, bool) {
  if (OnAdvancedDrawItem)
    OnAdvancedDrawItem(this, canvas, rect, state);
  else
    DefaultDraw(canvas, rect, state);
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(NewObject<TMenuItem>(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() { items_->Free(); }

void TMenu::SetImages(TComponent* images) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images) images->FreeNotification(this);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == images_) images_ = nullptr;
}

namespace {
TMenuItem* FindCommand(TMenuItem* item, UINT command) {
  if (item->Command() == command) return item;
  for (int i = 0; i < item->Count(); ++i)
    if (TMenuItem* found = FindCommand(item->Items(i), command)) return found;
  return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItem(UINT command) const { return FindCommand(items_, command); }

// ---- TPopupMenu ----

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) { PopupList()->Add(this); }

TPopupMenu::~TPopupMenu() { PopupList()->Remove(this); }

void TPopupMenu::DoPopup(TObject* sender) {
  if (OnPopup) OnPopup(sender);
}

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = POINT{x, y};
  PopupList()->EnsureWindow();
  DoPopup(this);
  HWND window = PopupList()->Window();
  SendMessageA(window, WM_ENTERMENULOOP, TRUE, 0);
  TCanvas canvas;
  TMenuRecord record{Name(), POINT{x, y}, {}, ""};
  std::vector<std::pair<std::string, TMenuItem*>> paths;
  Collect(Items(), "", &canvas, record.items, paths, true);
  std::string choice = TakeMenuChoice();
  record.choice = choice;
  TMenuItem* chosen = nullptr;
  for (auto& [path, item] : paths)
    if (!choice.empty() && path == choice && item->Enabled() && item->Count() == 0 && !item->IsLine()) chosen = item;
  RecordMenu(record);
  SendMessageA(window, WM_EXITMENULOOP, TRUE, 0);
  if (chosen) PostMessageA(window, WM_COMMAND, chosen->Command(), 0);
}

// ---- TPopupList ----

TPopupList* PopupList() {
  static TPopupList* list = [] {
    auto* l = new TPopupList;
    AtModuleUnload(TUnloadStage::Objects, [l] {
      l->ReleaseWindow();
      delete l;
    });
    return l;
  }();
  return list;
}

void TPopupList::ReleaseWindow() {
  if (window_ && IsWindow(window_)) DeallocateHWnd(window_);
  window_ = nullptr;
  if (proc_) FreeObjectInstance(std::exchange(proc_, nullptr));
}

WNDPROC TPopupList::WindowProcedure() {
  if (!proc_) proc_ = MakeObjectInstance([this](TMessage& m) { WndProc(m); });
  return proc_;
}

HWND TPopupList::EnsureWindow() {
  if (!window_ || !IsWindow(window_)) window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  return window_;
}

void TPopupList::Add(TPopupMenu* menu) { menus_.push_back(menu); }

void TPopupList::Remove(TPopupMenu* menu) { std::erase(menus_, menu); }

void TPopupList::WndProc(TMessage& m) {
  if (m.Msg == WM_COMMAND) {
    for (TPopupMenu* menu : std::vector<TPopupMenu*>(menus_)) {
      if (TMenuItem* item = menu->FindItem(UINT(LOWORD(m.WParam)))) {
        try {
          item->Click();
        } catch (...) {
          Application->HandleException(item);
        }
        return;
      }
    }
  }
  m.Result = window_ ? DefWindowProcA(window_, m.Msg, m.WParam, m.LParam) : 0;
}
