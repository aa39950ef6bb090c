// Menus: items with captions, checks, images and OnClick, and popup menus shown modally.
//
// Showing a popup menu runs its menu loop: OnPopup (DoPopup), WM_ENTERMENULOOP sent to the popup list's
// window, every visible item measured and drawn into the menu's window (so owner-draw handlers run), the
// scripted hold (the loop handles the thread's messages meanwhile), the items on the chosen path drawn
// again as selected and focused, then the choice, then WM_EXITMENULOOP. Nobody clicks here: the choice comes from the
// process's menu script (MenuLoop.h: ScriptMenuChoice); with no script the menu is dismissed. A chosen item reaches the
// popup list's window as WM_COMMAND, so its Click runs when that message is dispatched, after Popup has returned, as
// with the real menu loop. Every menu shown is recorded there (MenuRecords).
#pragma once
#include <string>
#include <vector>

#include "platform/components/Controls.h"
#include "platform/winapi/MenuLoop.h"

class TMenu;

VCL_EXCEPTION(EMenuError, Exception);

using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16, odDefault = 32,
                          odHotLight = 64, odInactive = 128, odNoAccel = 256;

using TMenuMeasureItemEvent = std::function<void(TObject* sender, TCanvas* canvas, int& width, int& height)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* sender, TCanvas* canvas, RECT rect, TOwnerDrawState state)>;

class TMenuItem : public TComponent {
  VCL_CLASS(TMenuItem, TComponent)
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c) { caption_ = c; }
  bool IsLine() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v) { autoCheck_ = v; }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v) { radioItem_ = v; }
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  bool Default() const { return default_; }
  void SetDefault(bool v) { default_ = v; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v) { imageIndex_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& h) { hint_ = h; }
  // The identifier of the item in WM_COMMAND.
  UINT Command() const { return command_; }

  int Count() const { return int(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(size_t(index)); }
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Delete(int index);
  void Remove(TMenuItem* item);
  // Frees every sub-item.
  void Clear();
  TMenuItem* Find(const std::string& caption) const;
  // The menu this item belongs to.
  TMenu* GetParentMenu() const;

  // AutoCheck toggles the check; then OnClick.
  virtual void Click();
  // Owner-draw steps of the menu loop; the defaults call OnMeasureItem / OnAdvancedDrawItem.
  virtual void MeasureItem(TCanvas* canvas, int& width, int& height);
  virtual void AdvancedDrawItem(TCanvas* canvas, RECT rect, TOwnerDrawState state, bool topLevel);
  // The standard measuring and drawing (what an item without handlers gets). The drawing fills the
  // rectangle with the canvas's brush and writes the text in its font (a selected item in the highlight
  // colours, a disabled one grey), with the image of ImageIndex from the menu's Images or, for a checked
  // item without one, a check mark; the drawing log gets one "DrawMenuItem" line for it.
  void DefaultMeasure(TCanvas* canvas, int& width, int& height);
  void DefaultDraw(TCanvas* canvas, RECT rect, TOwnerDrawState state);

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

 private:
  friend class TMenu;
  std::string caption_;
  bool checked_ = false, enabled_ = true, visible_ = true, autoCheck_ = false, radioItem_ = false, default_ = false;
  int groupIndex_ = 0;
  int imageIndex_ = -1;
  std::string hint_;
  UINT command_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
  VCL_CLASS(TMenu, TComponent)
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  TMenuItem* Items() const { return items_; }
  TComponent* Images() const { return images_; }
  void SetImages(TComponent* images);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool v) { ownerDraw_ = v; }
  // The item of a WM_COMMAND identifier, anywhere in the menu.
  TMenuItem* FindItem(UINT command) const;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TMenuItem* items_;
  TComponent* images_ = nullptr;
  bool ownerDraw_ = false;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
  VCL_CLASS(TPopupMenu, TMenu)
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  // Runs the menu loop at the screen point and returns when the menu has closed.
  virtual void Popup(int x, int y);
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* c) { popupComponent_ = c; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment a) { alignment_ = a; }
  POINT PopupPoint() const { return popupPoint_; }
  TNotifyEvent OnPopup;

 protected:
  // Runs OnPopup before the menu shows.
  virtual void DoPopup(TObject* sender);

 private:
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
  TPopupAlignment alignment_ = paLeft;
  POINT popupPoint_{0, 0};
};

// The popup menus being shown and the window that receives their commands (the thread may replace it).
class TPopupList {
 public:
  HWND Window() const { return window_; }
  void SetWindow(HWND w) { window_ = w; }
  // Makes the list's own window on the calling thread when it has none.
  HWND EnsureWindow();
  // Destroys the list's own window and frees its window procedure (before the module goes).
  void ReleaseWindow();
  void Add(TPopupMenu* menu);
  void Remove(TPopupMenu* menu);
  // The window procedure of the list: WM_COMMAND clicks the item of a listed menu.
  void WndProc(TMessage& message);
  WNDPROC WindowProcedure();

 private:
  HWND window_ = nullptr;
  std::vector<TPopupMenu*> menus_;
  WNDPROC proc_ = nullptr;
};
TPopupList* PopupList();

// The framework's standard drawing of a menu item: its advanced drawing, as the menu loop calls it.
void DrawMenuItem(TMenuItem* item, TCanvas* canvas, RECT rect, TOwnerDrawState state);
// How an image list shows in the drawing log: its Name, or its address when it has none.
std::string ImageListLogName(const TComponent* images);

// "&File" -> "File", "&&" -> "&".
std::string StripHotkey(const std::string& caption);
