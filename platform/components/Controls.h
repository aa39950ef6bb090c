// Controls: TControl (bounds, visibility, enabled state, caption, font, colour, hint, mouse) and
// TWinControl (a window handle made on demand and re-made when a property needs it, child controls, focus,
// tab order, keyboard routing). Messages reach a control through its WindowProc, which is replaceable; a
// parent hands WM_COMMAND and WM_NOTIFY of a child control back to it as CN_COMMAND and CN_NOTIFY.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/components/Graphics.h"
#include "platform/runtime/Classes.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/UtilityWindow.h"
#include "platform/winapi/Windows.h"

// Messages of the component library between controls.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
// Notifications reflected to the control they concern (CN_BASE + the window message).
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64;
// The shift state of a key message's lParam and of the keyboard now.
TShiftState KeyDataToShiftState(LPARAM keyData);
TShiftState KeyboardShiftState();

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crHourGlass = -11,
                  crHandPoint = -21;

using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

// ControlStyle
constexpr unsigned csAcceptsControls = 1u << 0;
constexpr unsigned csCaptureMouse = 1u << 1;
constexpr unsigned csClickEvents = 1u << 3;
constexpr unsigned csSetCaption = 1u << 5;
constexpr unsigned csOpaque = 1u << 6;
constexpr unsigned csDoubleClicks = 1u << 7;
constexpr unsigned csParentBackground = 1u << 19;
// ControlState
constexpr unsigned csLButtonDown = 1u << 0;
constexpr unsigned csClicked = 1u << 1;
constexpr unsigned csFocusing = 1u << 6;
constexpr unsigned csCreating = 1u << 7;
constexpr unsigned csRecreating = 1u << 11;

class TWinControl;
class TCustomForm;
class TPopupMenu;

class TSizeConstraints : public TPersistent {
  VCL_CLASS(TSizeConstraints, TPersistent)
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
  // Clamps a size to the constraints (0 means no limit).
  void Apply(int* width, int* height) const;
};

class TControl : public TComponent {
  VCL_CLASS(TControl, TComponent)
  explicit TControl(TComponent* owner);
  ~TControl() override;
  void BeforeDestruction() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  virtual RECT ClientRect() const { return RECT{0, 0, width_, height_}; }
  int ClientWidth() const { return ClientRect().right; }
  int ClientHeight() const { return ClientRect().bottom; }
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  TSizeConstraints* Constraints() { return constraints_; }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so are all parents up to a showing form (windowed controls ask their window).
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);

  // Caption and Text are one text.
  virtual std::string GetText() const { return text_; }
  virtual void SetText(const std::string& text);
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& text) { SetText(text); }

  TFont* Font() { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);
  unsigned ControlStyle() const { return controlStyle_; }
  void SetControlStyle(unsigned style) { controlStyle_ = style; }
  unsigned ControlState() const { return controlState_; }
  void SetControlState(unsigned state) { controlState_ = state; }

  // The message entry: WindowProc (replaceable, WndProc by default).
  TWndMethod WindowProc;
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void WndProc(TMessage& message);
  // What a message no override handled gets.
  virtual void DefaultHandler(TMessage& message);

  virtual void Click();
  virtual void DblClick();
  void Invalidate();
  void Repaint() { Invalidate(); }
  void Refresh() { Invalidate(); }
  void BringToFront();
  void SendToBack();
  POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;
  virtual bool IsWindowed() const { return false; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  virtual void Resize();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void VisibleChanging() {}
  // After a change of bounds: parents realign, windows move.
  virtual void BoundsChanged() {}
  void RequestAlign();
  void FontChanged();
  friend class TWinControl;

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  TFont* font_;
  bool parentFont_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TCursor cursor_ = crDefault;
  TPopupMenu* popupMenu_ = nullptr;
  TAlign align_ = alNone;
  TSizeConstraints* constraints_;
  unsigned controlStyle_ = csClickEvents | csCaptureMouse | csSetCaption | csDoubleClicks;
  unsigned controlState_ = 0;
  bool applyingParentFont_ = false;
};

// The parameters a windowed control gives its window.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  std::string WinClassName;
  UINT WindowClassStyle = 0;
};

class TWinControl : public TControl {
  VCL_CLASS(TWinControl, TControl)
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  // The window, made when first asked for (with the parents' windows).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys the window and makes a new one when the control had one (for properties fixed at creation).
  void RecreateWnd();
  void DestroyHandle();
  // A window of another program as parent (a control without Parent).
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND window);

  int ControlCount() const { return int(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(size_t(index)); }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(TControl* control) const;
  // The control at a client point (the topmost; hidden ones skipped; disabled ones only when allowed).
  TControl* ControlAtPos(POINT p, bool allowDisabled, bool allowWinControls = false) const;
  void Broadcast(TMessage& message);
  void Realign();

  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool value) { tabStop_ = value; }
  // The windowed children in tab order, recursively.
  void GetTabOrderList(std::vector<TWinControl*>& list);
  TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop, bool checkParent);
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

  bool Focused() const;
  // Visible and enabled up to its form, which is showing.
  virtual bool CanFocus() const;
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window" when it cannot take the focus.
  virtual void SetFocus();
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool v) { doubleBuffered_ = v; }
  bool ParentBackground() const { return controlStyle_ & csParentBackground; }
  void SetParentBackground(bool v);
  bool Showing() const override;
  bool IsWindowed() const override { return true; }
  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() const override;
  void SetText(const std::string& text) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // Key messages: the form sees them first when KeyPreview is on; true when handled (the key cleared).
  bool DoKeyDown(TMessage& message);
  bool DoKeyUp(TMessage& message);
  bool DoKeyPress(TMessage& message);

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // Runs after the window exists, with the children made.
  virtual void CreateHandleDone() {}
  // The window's client frame: insets of the client area (from the window's style).
  virtual void AlignControls(TControl* control, RECT& rect);
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  // The dialog codes the control wants (WM_GETDLGCODE).
  virtual LRESULT DialogCode() const { return 0; }
  void BoundsChanged() override;
  void UpdateShowing();

  HWND handle_ = nullptr;
  HWND parentWindow_ = nullptr;
  std::vector<TControl*> controls_;  // in z-order from the bottom: the last drawn on top
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  bool doubleBuffered_ = false;
  bool aligning_ = false;

 private:
  friend class TControl;
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  void CreateHandleNow();
};

// A windowed control without a native look (panels, pages, forms derive from it).
class TCustomControl : public TWinControl {
  VCL_CLASS(TCustomControl, TWinControl)
  using TWinControl::TWinControl;
  TCanvas* Canvas();
  ~TCustomControl() override;

 private:
  TCanvas* canvas_ = nullptr;
};

// A control without a window: its parent's window takes its mouse messages.
class TGraphicControl : public TControl {
  VCL_CLASS(TGraphicControl, TControl)
  using TControl::TControl;
  ~TGraphicControl() override;
  TCanvas* Canvas();

 private:
  TCanvas* canvas_ = nullptr;
};

// The control of one of this component library's windows; none for other windows.
TWinControl* FindControl(HWND hwnd);
// The form a control sits on (none for a control outside any form).
TCustomForm* GetParentForm(TControl* control);
// Whether the caption's accelerator ("&x", not "&&") is the key, without regard to letter case.
bool IsAccel(WPARAM key, const std::string& caption);
// "Cannot focus a disabled or invisible window"
[[noreturn]] void RaiseCannotFocus();
// Reports the exception being handled through the application object (window procedures call it).
void ApplicationHandleException(TObject* sender);
