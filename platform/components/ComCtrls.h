// Progress bars and tool bars.
#pragma once
#include <functional>
#include <vector>

#include "platform/components/Controls.h"
#include "platform/winapi/CommonControls.h"

enum TProgressBarOrientation { pbHorizontal, pbVertical };

// Position always lies within [Min, Max]: values outside are clamped.
class TProgressBar : public TWinControl {
  VCL_CLASS(TProgressBar, TWinControl)
  explicit TProgressBar(TComponent* owner);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  int Step() const { return step_; }
  void SetStep(int v) { step_ = v; }
  void StepIt() { SetPosition(position_ + step_ > max_ ? min_ + (position_ + step_ - max_) : position_ + step_); }
  void StepBy(int delta) { SetPosition(position_ + delta); }
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation o) { orientation_ = o; }
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool v) { smooth_ = v; }

 private:
  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  TProgressBarOrientation orientation_ = pbHorizontal;
  bool smooth_ = false;
};

// ---- Tool bars ----
//
// A tool bar lays its buttons out in one row from the left of its client area, in their order (a button
// joins the bar before the first button whose Left is at or right of its own Left, so Left 10000 appends
// it), hidden buttons taking no room. Every button is ButtonHeight() high:
//   max(22, image height + 6), or with captions shown below the images (ShowCaptions without List)
//   max(22, image height + text height + 8).
// An auto-sized button is as wide as its content + 7, + 14 for the arrow of the drop-down style, where
//   image = the width of the bar's Images (0 without), text = the width of the caption without "&" in the
//   bar's font when ShowCaptions (else 0); content = image + 4 + text with List when both are there, else
//   image + text with List, else the larger of the two; a content of 0 counts as 16 (an empty face).
// An auto-sized divider is 8 wide; other buttons keep their Width.
// The client area is the bar less its edges: each side named in EdgeBorders loses one pixel for each of
// EdgeInner and EdgeOuter that is not esNone.
//
// The bar behaves as the native tool bar: a mouse press on the arrow of a drop-down button, or on a plain
// button that has a DropdownMenu, sends WM_NOTIFY TBN_DROPDOWN to the parent window; a press and release
// on the face of any other enabled button sends WM_COMMAND (the button's command identifier, the bar's
// window); painting sends NM_CUSTOMDRAW. A parent control reflects these to the bar as CN_NOTIFY and
// CN_COMMAND through its WindowProc, where the bar drops the menu down, toggles Down of a check button and
// clicks, and runs OnAdvancedCustomDrawButton. Nothing is drawn.

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

using TEdgeBorders = unsigned;
constexpr TEdgeBorders ebLeft = 1, ebTop = 2, ebRight = 4, ebBottom = 8;
enum TEdgeStyle { esNone, esRaised, esLowered };

// The states of an item being drawn (the bits of CDIS_*).
using TCustomDrawState = unsigned;
constexpr TCustomDrawState cdsSelected = 0x01, cdsGrayed = 0x02, cdsDisabled = 0x04, cdsChecked = 0x08,
                           cdsFocused = 0x10, cdsDefault = 0x20, cdsHot = 0x40;
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };

class TToolBar;
class TToolButton;
class TCustomImageList;
class TPopupMenu;

// DefaultDraw false skips the bar's own drawing of the button.
using TTBAdvancedCustomDrawBtnEvent = std::function<void(TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                                         TCustomDrawStage stage, bool& defaultDraw)>;

class TToolButton : public TGraphicControl {
  VCL_CLASS(TToolButton, TGraphicControl)
  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;
  // The bar the button sits on (its parent), else none.
  TToolBar* ToolBar() const;
  void SetParent(TWinControl* parent) override;
  // On a bar, a new Left moves the button to that place in the row, and the row is laid out again.
  void SetBounds(int left, int top, int width, int height) override;

  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle style);
  bool Down() const { return down_; }
  void SetDown(bool down);
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* menu);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  // The identifier of the button in the bar's WM_COMMAND and notifications.
  int CommandId() const { return commandId_; }
  // Its place in the bar's row; -1 off a bar.
  int Index() const;
  bool IsDivider() const { return style_ == tbsSeparator || style_ == tbsDivider; }

  void WndProc(TMessage& message) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TToolBar;
  void Relayout();
  int imageIndex_ = -1;
  TToolButtonStyle style_ = tbsButton;
  bool down_ = false;
  bool autoSize_ = false;
  TPopupMenu* dropdownMenu_ = nullptr;
  int commandId_ = 0;
};

// Defaults: 150 x 29, aligned to the top, EdgeBorders ebTop with a raised inner and a lowered outer edge.
class TToolBar : public TWinControl {
  VCL_CLASS(TToolBar, TWinControl)
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  int ButtonCount() const { return int(buttons_.size()); }
  TToolButton* Buttons(int index) const { return buttons_.at(size_t(index)); }
  // The button of a command identifier, else none.
  TToolButton* FindButton(int commandId) const;
  // The visible button at a client point, else none.
  TToolButton* ButtonAtPos(POINT client) const;

  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool value);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* images);
  TCustomImageList* HotImages() const { return hotImages_; }
  void SetHotImages(TCustomImageList* images);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  // Captions right of the images instead of below them.
  bool List() const { return list_; }
  void SetList(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  // The bar's height follows its buttons: ButtonHeight() and the top and bottom edges.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  TEdgeBorders EdgeBorders() const { return edgeBorders_; }
  void SetEdgeBorders(TEdgeBorders borders);
  TEdgeStyle EdgeInner() const { return edgeInner_; }
  void SetEdgeInner(TEdgeStyle style);
  TEdgeStyle EdgeOuter() const { return edgeOuter_; }
  void SetEdgeOuter(TEdgeStyle style);

  // The layout rules of the comment above.
  int ButtonHeight() const;
  int ButtonWidthOf(const TToolButton* button) const;
  static constexpr int kDropDownArrowWidth = 14;
  static constexpr int kDividerWidth = 8;
  // Where the client area starts in the bar's window (the left and top edges).
  POINT ClientOffset() const;
  RECT ClientRect() const override;

  TTBAdvancedCustomDrawBtnEvent OnAdvancedCustomDrawButton;

  void WndProc(TMessage& message) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TToolButton;
  int EdgeWidth() const;
  void InsertButton(TToolButton* button);
  void RemoveButton(TToolButton* button);
  void MoveButton(TToolButton* button);
  // Places the buttons from the left (and the bar's height when AutoSize).
  void ArrangeButtons();
  // The native side: mouse presses, painting, and the notifications they send to the parent.
  void MousePressed(POINT window);
  void MouseReleased(POINT window);
  void MouseMoved(POINT window);
  void Paint();
  LRESULT NotifyParent(UINT msg, WPARAM wParam, LPARAM lParam);
  // The reflected side.
  void ButtonCommand(int commandId);
  void DropDown(int commandId);
  LRESULT CustomDraw(NMCUSTOMDRAW& draw);

  std::vector<TToolButton*> buttons_;
  bool showCaptions_ = false, flat_ = false, list_ = false, transparent_ = false, autoSize_ = false;
  TCustomImageList* images_ = nullptr;
  TCustomImageList* hotImages_ = nullptr;
  TEdgeBorders edgeBorders_ = ebTop;
  TEdgeStyle edgeInner_ = esRaised, edgeOuter_ = esLowered;
  bool arranging_ = false;
  int nextCommandId_ = 1;
  int pressed_ = 0;  // the command identifier of the button under a held mouse press
  int hot_ = 0;      // the command identifier of the button under the mouse
};
