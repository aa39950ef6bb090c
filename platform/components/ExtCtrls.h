// Panels, notebooks of named pages, images, bevels and timers.
#pragma once
#include <string>

#include "platform/components/Controls.h"
#include "platform/runtime/Strings.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNoBorder, bsSingleBorder };

class TCustomPanel : public TCustomControl {
  VCL_CLASS(TCustomPanel, TCustomControl)
  explicit TCustomPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut v) { bevelOuter_ = v; }
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut v) { bevelInner_ = v; }
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v) { bevelWidth_ = v; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v) { borderStyle_ = v; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v) { alignment_ = v; }

 private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  TBorderStyle borderStyle_ = bsNoBorder;
  TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
  VCL_CLASS(TPanel, TCustomPanel)
  using TCustomPanel::TCustomPanel;
};

// One page of a notebook; its Caption is the page's name.
class TPage : public TCustomControl {
  VCL_CLASS(TPage, TCustomControl)
  explicit TPage(TComponent* owner);
};

// Pages by index and by name; only the active page is visible. Pages is the list of page names: adding a
// name adds a page, deleting one deletes the page and its controls.
class TNotebook : public TCustomControl {
  VCL_CLASS(TNotebook, TCustomControl)
  explicit TNotebook(TComponent* owner);
  ~TNotebook() override;
  TStrings* Pages() { return pages_; }
  int PageCount() const { return int(pageList_.size()); }
  TPage* Page(int index) const { return pageList_.at(size_t(index)); }
  int PageIndex() const { return pageIndex_; }
  // EListError "List index out of bounds (%d)" outside the pages; the same index does nothing.
  void SetPageIndex(int index);
  std::string ActivePage() const;
  // EListError "Page '%s' not found" for an unknown name (compared without letter case).
  void SetActivePage(const std::string& name);
  TNotifyEvent OnPageChanged;

  // The page list takes pages read from a form resource.
  void AdoptPage(TPage* page);
  void Loaded() override;

 private:
  void SyncPages();
  void ShowActive();
  TStringList* pages_;
  std::vector<TPage*> pageList_;
  int pageIndex_ = 0;
  bool syncing_ = false;
};

class TImage : public TGraphicControl {
  VCL_CLASS(TImage, TGraphicControl)
  explicit TImage(TComponent* owner);
  ~TImage() override;
  TPicture* Picture() { return picture_; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v) { stretch_ = v; }
  bool Center() const { return center_; }
  void SetCenter(bool v) { center_ = v; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);

 private:
  void PictureChanged();
  TPicture* picture_;
  bool autoSize_ = false;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TBevel : public TGraphicControl {
  VCL_CLASS(TBevel, TGraphicControl)
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape s) { shape_ = s; }
  TBevelCut Style() const { return style_; }
  void SetStyle(TBevelCut s) { style_ = s; }

 private:
  TBevelShape shape_ = bsBox;
  TBevelCut style_ = bvLowered;
};

// A window timer of the thread that created it: while Enabled with a non-zero Interval, OnTimer fires
// every Interval milliseconds while the thread pumps messages, and never after the timer is gone.
class TTimer : public TComponent {
  VCL_CLASS(TTimer, TComponent)
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  TNotifyEvent OnTimer;
  void Loaded() override;

 protected:
  virtual void Timer();

 private:
  void Update();
  HWND window_ = nullptr;
  bool enabled_ = true;
  unsigned interval_ = 1000;
};
