// The balloon window: a borderless, non-activating, topmost window shaped as a rounded body with a
// triangular tail whose tip touches the anchor, a point of the screen. Subclasses (with form resources
// of their own) set the anchor, the size and the direction, and show it with ShowBalloon.
#pragma once
#include <cstdint>

#include "platform/components/Forms.h"

// The side of the anchor on which the body lies: "Top" above it (tail at the bottom edge), "Bottom"
// below it (tail at the top edge); "Left" extends left of the anchor, "Right" right of it.
enum TBalloonDirection : uint8_t { bdTopLeft = 0, bdTopRight = 1, bdBottomLeft = 2, bdBottomRight = 3 };

class TBalloonForm : public TForm {
  VCL_CLASS(TBalloonForm, TForm)
  explicit TBalloonForm(TComponent* owner);
  static TBalloonForm* Create(TComponent* owner) { return NewObject<TBalloonForm>(owner); }
  // The empty balloon's defaults, then (for a subclass) the resources of the classes below this one,
  // then UpdatePosition.
  void Construct() override;

  // The window is 26 pixels wider and higher than these. A changed value reshapes at once.
  int PopupWidth() const { return popupWidth_; }
  void SetPopupWidth(int value);
  int PopupHeight() const { return popupHeight_; }
  void SetPopupHeight(int value);
  TBalloonDirection Direction() const { return direction_; }
  void SetDirection(TBalloonDirection value);
  // Where the tip points, in screen coordinates; setting it does not reshape.
  POINT Anchor() const { return anchor_; }
  void SetAnchor(POINT anchor) { anchor_ = anchor; }
  // The rounded body of the last shape, in window coordinates.
  RECT BodyRect() const { return bodyRect_; }

  void UpdateShape();
  // UpdateShape, then the window shows without taking the activation.
  void ShowBalloon();
  // Places the window by the anchor and direction, kept 2 pixels inside the screen's width.
  void UpdatePosition();
  // Gives the window its shape (the body and the tail); the platform error when a region fails.
  void UpdateRegion();

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void ShowingChanged() override;

 private:
  void Paint();

  int popupWidth_ = 200;
  int popupHeight_ = 40;
  TBalloonDirection direction_ = bdBottomRight;
  POINT anchor_{0, 0};
  RECT bodyRect_{0, 0, 0, 0};
};
