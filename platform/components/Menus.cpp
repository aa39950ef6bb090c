#include "platform/components/Menus.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/components/Application.h"
#include "platform/components/ImgList.h"
#include "platform/components/ModuleTeardown.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/WindowSurfaces.h"

namespace {

std::atomic<UINT> g_nextCommand{100};

// One visible item of a shown menu, where it is drawn.
struct TShownItem {
  std::string path;
  TMenuItem* item;
  RECT rect;
  bool topLevel;
};

void Measure(TMenuItem* parent, const std::string& prefix, TCanvas* canvas, std::vector<TMenuRecordItem>& out,
             std::vector<TShownItem>& shown, bool topLevel) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    std::string path = prefix + StripHotkey(item->Caption());
    int w = 0, h = 0;
    item->MeasureItem(canvas, w, h);
    out.push_back(TMenuRecordItem{path, item->Checked(), item->Enabled(), item->Visible(), item->ImageIndex(), w, h});
    shown.push_back(TShownItem{path, item, RECT{0, 0, w, h}, topLevel});
    Measure(item, path + "|", canvas, out, shown, false);
  }
}

// The items stacked in one column: the window's size.
SIZE Place(std::vector<TShownItem>& shown) {
  SIZE size{0, 0};
  for (TShownItem& s : shown) {
    const int w = s.rect.right, h = s.rect.bottom;
    s.rect = RECT{0, int(size.cy), w, int(size.cy) + h};
    size.cy += h;
    size.cx = std::max<LONG>(size.cx, w);
  }
  return size;
}

// What the menu loop sets before an item draws: the menu font and colours.
void PrepareCanvas(TCanvas* canvas) {
  canvas->Font()->SetStyle(0);
  canvas->Font()->SetColor(clMenuText);
  canvas->Brush()->SetColor(clMenu);
}

void Draw(TCanvas* canvas, const TShownItem& s, TOwnerDrawState extra) {
  TMenuItem* item = s.item;
  TOwnerDrawState state = (item->Enabled() ? 0 : odDisabled | odGrayed) | (item->Checked() ? odChecked : 0) |
                          (item->Default() ? odDefault : 0) | extra;
  PrepareCanvas(canvas);
  item->AdvancedDrawItem(canvas, s.rect, state, s.topLevel);
}

bool OnPath(const std::string& path, const std::string& choice) {
  return !choice.empty() && (choice == path || choice.starts_with(path + "|"));
}

// Keeps the menu open for the time, handling the thread's messages as a menu loop does.
void Hold(HWND window, DWORD ms) {
  constexpr UINT_PTR kHoldTimer = 1;
  SetTimer(window, kHoldTimer, ms, nullptr);
  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    if (msg.hwnd == window && msg.message == WM_TIMER && msg.wParam == kHoldTimer) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  KillTimer(window, kHoldTimer);
  if (got == 0) PostQuitMessage(int(msg.wParam));
}

std::string ColorLogText(TColor color) {
  const int32_t c = ColorToRGB(color);
  return Format("#%.2X%.2X%.2X", {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)});
}

std::string StateLogText(TOwnerDrawState state) {
  static const std::pair<TOwnerDrawState, const char*> kNames[] = {
      {odSelected, "selected"}, {odGrayed, "grayed"},     {odDisabled, "disabled"},
      {odChecked, "checked"},   {odFocused, "focused"},   {odDefault, "default"},
      {odHotLight, "hotlight"}, {odInactive, "inactive"}, {odNoAccel, "noaccel"}};
  std::string text;
  for (auto& [flag, name] : kNames)
    if (state & flag) text += (text.empty() ? "" : ",") + std::string(name);
  return text.empty() ? "normal" : text;
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

void TMenuItem::DefaultDraw(TCanvas* canvas, RECT rect, TOwnerDrawState state) {
  if (state & odSelected) {
    canvas->Brush()->SetColor(clHighlight);
    canvas->Font()->SetColor(clHighlightText);
  }
  if (state & odDisabled) canvas->Font()->SetColor(clGrayText);
  HDC dc = canvas->Handle();
  if (!dc) return;
  canvas->FillRect(rect);
  std::string args =
      Format("\"%s\" %d,%d %dx%d brush %s font %s",
             {caption_, int(rect.left), int(rect.top), int(rect.right - rect.left), int(rect.bottom - rect.top),
              ColorLogText(canvas->Brush()->Color()), ColorLogText(canvas->Font()->Color())});
  if (canvas->Font()->Style() & fsBold) args += " bold";
  args += " state " + StateLogText(state);
  TMenu* menu = GetParentMenu();
  auto* images = menu ? dynamic_cast<TCustomImageList*>(menu->Images()) : nullptr;
  if (!IsLine() && images && imageIndex_ >= 0 && imageIndex_ < images->Count())
    args += Format(" image %s:%d", {ImageListLogName(images), imageIndex_});
  else if (!IsLine() && checked_)
    args += " check";
  LogDrawingCall(dc, "DrawMenuItem", args);
}

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

void DrawMenuItem(TMenuItem* item, TCanvas* canvas, RECT rect, TOwnerDrawState state) {
  item->AdvancedDrawItem(canvas, rect, state, false);
}

std::string ImageListLogName(const TComponent* images) {
  if (!images) return "none";
  if (!images->Name().empty()) return images->Name();
  return Format("%p", {static_cast<const void*>(images)});
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

namespace {
// The window of a shown menu and the canvas over it, closed on every way out.
class TMenuWindow {
 public:
  TMenuWindow(TCanvas& canvas, POINT at, SIZE size) : canvas_(canvas), window_(OpenMenuWindow(at, size)) {
    dc_ = GetDC(window_);
    canvas_.SetHandle(dc_);
  }
  ~TMenuWindow() {
    canvas_.SetHandle(nullptr);
    if (dc_) ReleaseDC(window_, dc_);
    CloseMenuWindow(window_);
  }
  TMenuWindow(const TMenuWindow&) = delete;
  TMenuWindow& operator=(const TMenuWindow&) = delete;
  HWND Handle() const { return window_; }

 private:
  TCanvas& canvas_;
  HWND window_;
  HDC dc_ = nullptr;
};

// Sends WM_EXITMENULOOP on every way out of the loop.
struct TMenuLoopExit {
  HWND window;
  ~TMenuLoopExit() { SendMessageA(window, WM_EXITMENULOOP, TRUE, 0); }
};
}  // namespace

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = POINT{x, y};
  PopupList()->EnsureWindow();
  DoPopup(this);
  HWND window = PopupList()->Window();
  SendMessageA(window, WM_ENTERMENULOOP, TRUE, 0);
  TMenuItem* chosen = nullptr;
  {
    TMenuLoopExit exit{window};
    TMenuRecord record{Name(), POINT{x, y}, {}, ""};
    std::vector<TShownItem> shown;
    TCanvas canvas;
    Measure(Items(), "", &canvas, record.items, shown, true);
    TMenuWindow menuWindow(canvas, POINT{x, y}, Place(shown));
    for (const TShownItem& s : shown) Draw(&canvas, s, 0);
    const TMenuStep step = TakeMenuStep();
    if (step.holdMs) Hold(menuWindow.Handle(), step.holdMs);
    record.choice = step.choice;
    for (const TShownItem& s : shown) {
      if (!OnPath(s.path, step.choice)) continue;
      Draw(&canvas, s, odSelected | odFocused);
      if (s.path == step.choice && s.item->Enabled() && s.item->Count() == 0 && !s.item->IsLine()) chosen = s.item;
    }
    RecordMenu(record);
  }
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
