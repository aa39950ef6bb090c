// The band's menus: a button's drop-down menu built from its MENU, and the chevron menu of the buttons
// that do not fit. Both are owner-drawn: the definition's heights and styles shape each item, and the
// selected item shows its hot image.
#include <algorithm>

#include "platform/components/Icons.h"
#include "platform/components/ImgList.h"
#include "platform/components/Menus.h"
#include "platform/winapi/UtilityWindow.h"
#include "platform/winapi/Windows.h"
#include "toolbar/uBandForm.h"

namespace {

// A thread's window for menu commands and the pop-up list it serves; used while the thread holds band
// forms.
struct TThreadMenuWindow {
  TPopupList* list = nullptr;
  HWND window = nullptr;
  int uses = 0;
};
thread_local TThreadMenuWindow t_menuWindow;
thread_local int t_openMenus = 0;

bool IsLiveWindow(HWND window) {
  char name[64];
  return window && window != HWND(intptr_t(-1)) && GetClassNameA(window, name, sizeof name) > 0;
}

void ReleaseMenuWindow() {
  if (IsLiveWindow(t_menuWindow.window)) DeallocateHWnd(t_menuWindow.window);
  t_menuWindow.window = nullptr;
  t_menuWindow.list = nullptr;
}

// Takes an event off its slot for a scope, so that the handler can run the item's own processing.
template <class TEvent>
class TDetachedEvent {
 public:
  explicit TDetachedEvent(TEvent& slot) : slot_(slot), saved_(slot) { slot_ = nullptr; }
  ~TDetachedEvent() { slot_ = std::move(saved_); }
  TDetachedEvent(const TDetachedEvent&) = delete;
  TDetachedEvent& operator=(const TDetachedEvent&) = delete;

 private:
  TEvent& slot_;
  TEvent saved_;
};

TObject* TagObject(const TComponent* component) { return reinterpret_cast<TObject*>(component->Tag()); }

constexpr TOwnerDrawState kHighlightStates = odSelected | odFocused | odHotLight;

}  // namespace

void UseThreadMenuWindow() { ++t_menuWindow.uses; }

void LeaveThreadMenuWindow() {
  if (t_menuWindow.uses > 0 && --t_menuWindow.uses == 0) ReleaseMenuWindow();
}

int CopyMenuIcon(TCustomImageList* sourceNormal, TCustomImageList* sourceHot, int index, TCustomImageList* targetHot,
                 TCustomImageList* targetNormal) {
  if (!sourceNormal || index == -1 || sourceNormal->Width() != sourceNormal->Height()) return -1;
  TObjectPtr<TIcon> icon(TIcon::Create());
  sourceNormal->GetIcon(index, icon.get());
  const int result = targetNormal->AddIcon(icon.get());
  if (sourceHot && targetHot) {
    sourceHot->GetIcon(index, icon.get());
    targetHot->AddIcon(icon.get());
  }
  return result;
}

// ---- TMyPopupMenu ----

TMyPopupMenu::TMyPopupMenu(TComponent* owner) : TPopupMenu(owner) { SetOwnerDraw(true); }

bool TMyPopupMenu::AnyOpen() { return t_openMenus > 0; }

void TMyPopupMenu::Popup(int x, int y) {
  TPopupList* list = PopupList();
  const HWND own = list->EnsureWindow();
  struct TOpen {
    TPopupList* list;
    HWND own;
    TOpen(TPopupList* l, HWND o) : list(l), own(o) { ++t_openMenus; }
    ~TOpen() {
      --t_openMenus;
      list->SetWindow(own);
    }
  } open(list, own);
  inherited::Popup(x, y);
}

void TMyPopupMenu::DoPopup(TObject* sender) {
  if (t_menuWindow.uses > 0) {
    TPopupList* list = PopupList();
    if (t_menuWindow.list != list || !IsLiveWindow(t_menuWindow.window)) {
      ReleaseMenuWindow();
      t_menuWindow.window = AllocateHWnd([](TMessage& message) { PopupList()->WndProc(message); });
      t_menuWindow.list = list;
    }
    list->SetWindow(t_menuWindow.window);
  }
  inherited::DoPopup(sender);
}

// ---- TMyMenuItem ----

void TMyMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  inherited::MeasureItem(canvas, width, height);
  if (auto* definition = DynamicAs<TToolbarMenuItem>(TagObject(this)); definition && definition->Height() > 0)
    height = definition->Height();
}

void TMyMenuItem::AdvancedDrawItem(TCanvas* canvas, RECT rect, TOwnerDrawState state, bool topLevel) {
  if (auto* definition = DynamicAs<TToolbarMenuItem>(TagObject(this))) {
    if (definition->Style() == misBanner) {
      canvas->Brush()->SetColor(TColor(0x808080));
      canvas->Font()->SetColor(TColor(0xFFFFFF));
      canvas->Font()->SetStyle(canvas->Font()->Style() | fsBold);
      state &= ~kHighlightStates;
    } else if (definition->Style() == misStatic) {
      state &= ~kHighlightStates;
    }
  }
  auto* menu = DynamicAs<TMyPopupMenu>(GetParentMenu());
  if (!(state & odSelected) || !menu || !menu->Images() || !menu->HotImages()) {
    inherited::AdvancedDrawItem(canvas, rect, state, topLevel);
    return;
  }
  TComponent* normal = menu->Images();
  menu->SetImages(menu->HotImages());
  try {
    inherited::AdvancedDrawItem(canvas, rect, state, topLevel);
  } catch (...) {
    menu->SetImages(normal);
    throw;
  }
  menu->SetImages(normal);
}

// ---- building ----

TPopupMenu* TTessalineDeskBandForm::BuildButtonMenu(TToolbarButtonControl* c, TToolButton* button) {
  TToolBarMenuItems* items = c->Menu() ? c->Menu()->Items() : nullptr;
  if (!items || items->Count() == 0) return nullptr;
  TObjectPtr<TMyPopupMenu> menu(NewObject<TMyPopupMenu>(button));
  menu->SetTag(reinterpret_cast<intptr_t>(c));
  if (TToolbarImageList* images = items->ImageList())
    menu->SetImages(NewObject<TImageList>(menu.get(), images->Width(), images->Height()));
  BuildMenuItems(items, menu->Items(), menu.get(), nullptr, static_cast<TCustomImageList*>(menu->Images()));
  return menu.release();
}

void TTessalineDeskBandForm::BuildMenuItems(TToolBarMenuItems* items, TMenuItem* parent, TComponent* owner,
                                            TCustomImageList* hotTarget, TCustomImageList* normalTarget) {
  for (int i = 0; i < items->Count(); ++i) {
    TToolbarMenuItem* definition = items->Items(i);
    TObjectPtr<TMyMenuItem> item(NewObject<TMyMenuItem>(owner));
    SetupMenuItem(definition, items, item.get(), hotTarget, normalTarget);
    BuildMenuItems(definition->SubItems(), item.get(), owner, hotTarget, normalTarget);
    parent->Add(item.release());
  }
}

void TTessalineDeskBandForm::SetupMenuItem(TToolbarMenuItem* definition, TToolBarMenuItems* collection, TMenuItem* item,
                                           TCustomImageList* hotTarget, TCustomImageList* normalTarget) {
  item->SetCaption(ExpandMacros(definition->Caption()));
  item->SetAutoCheck(!definition->CheckedValue().empty() || !definition->UncheckedValue().empty());
  item->SetTag(reinterpret_cast<intptr_t>(definition));
  item->SetHint(definition->Hint());
  item->SetEnabled(!definition->Disabled());
  item->OnAdvancedDrawItem = [this](TObject* sender, TCanvas* canvas, RECT rect, TOwnerDrawState state) {
    MenuItemAdvancedDraw(sender, canvas, rect, state);
  };
  item->OnMeasureItem = [this](TObject* sender, TCanvas* canvas, int& width, int& height) {
    MenuItemMeasure(sender, canvas, width, height);
  };
  item->OnClick = [this](TObject* sender) { MenuItemClick(sender); };
  if (definition->ImageIndex() == -1 || item->AutoCheck()) return;
  if (TToolbarImageList* images = collection->ImageList())
    item->SetImageIndex(
        CopyMenuIcon(images->Images(), images->HotImages(), definition->ImageIndex(), hotTarget, normalTarget));
}

// ---- owner drawing ----

void TTessalineDeskBandForm::MenuItemMeasure(TObject* sender, TCanvas* canvas, int& width, int& height) {
  auto* item = DynamicAs<TMenuItem>(sender);
  if (!item) return;
  TDetachedEvent detached(item->OnMeasureItem);
  item->MeasureItem(canvas, width, height);
  height = item->IsLine() ? 8 : canvas->TextHeight(item->Caption()) + 4;
  width = std::max(width, 120);
}

void TTessalineDeskBandForm::MenuItemAdvancedDraw(TObject* sender, TCanvas* canvas, RECT rect, TOwnerDrawState state) {
  auto* item = DynamicAs<TMenuItem>(sender);
  if (!item) return;
  TDetachedEvent detached(item->OnAdvancedDrawItem);
  DrawMenuItem(item, canvas, rect, state);
}

// ---- the chevron menu ----

void TTessalineDeskBandForm::DeskBandFormGetChevronMenu(TObject*, RECT visibleArea, TPopupMenu*& menu) {
  TBandLockGuard guard;
  TObjectPtr<TMyPopupMenu> made(NewObject<TMyPopupMenu>(this));
  made->SetImages(NewObject<TImageList>(made.get(), 16, 16));
  made->SetHotImages(NewObject<TImageList>(made.get(), 16, 16));
  for (int i = 0; builtControls_ && i < builtControls_->Count(); ++i) {
    auto* control = static_cast<TControl*>(builtControls_->Items(i));
    if (control->Left() + control->Width() >= visibleArea.right) FillChevronMenu(made.get(), control, visibleArea);
  }
  menu = made->Items()->Count() > 0 ? made.release() : nullptr;
}

void TTessalineDeskBandForm::FillChevronMenu(TMyPopupMenu* menu, TControl* control, RECT visibleArea) {
  auto* bar = DynamicAs<TToolBar>(control);
  if (!bar || !DynamicAs<TToolbarButtonControl>(TagObject(bar))) return;
  for (int i = 0; i < bar->ButtonCount(); ++i) {
    TToolButton* button = bar->Buttons(i);
    if (button->BoundsRect().right + bar->Left() < visibleArea.right) continue;
    TObject* definition = TagObject(button);
    TObjectPtr<TMyMenuItem> item(NewObject<TMyMenuItem>(bar));
    auto* buttonControl = DynamicAs<TToolbarButtonControl>(definition);
    if (buttonControl) {
      item->SetCaption(buttonControl->PopupCaption());
      item->SetTag(reinterpret_cast<intptr_t>(buttonControl));
      item->SetEnabled(!buttonControl->Disabled());
      if (TToolbarImageList* images = buttonControl->ImageList())
        item->SetImageIndex(CopyMenuIcon(images->Images(), images->HotImages(), buttonControl->ImageIndex(),
                                         menu->HotImages(), static_cast<TCustomImageList*>(menu->Images())));
    } else if (DynamicAs<TToolbarSeparatorControl>(definition)) {
      item->SetCaption("-");
      item->SetTag(reinterpret_cast<intptr_t>(definition));
    }
    TMyMenuItem* added = item.get();
    menu->Items()->Add(item.release());
    TToolBarMenuItems* items = buttonControl && buttonControl->Menu() ? buttonControl->Menu()->Items() : nullptr;
    if (items && items->Count() > 0)
      BuildMenuItems(items, added, menu, menu->HotImages(), static_cast<TCustomImageList*>(menu->Images()));
    else
      added->OnClick = [this](TObject* sender) { ChevronItemClick(sender); };
  }
}
