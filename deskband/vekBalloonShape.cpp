// The balloon window: where it lies, its shape and its outline.
#include "deskband/vekBalloonForm.h"
#include "platform/winapi/Brushes.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Regions.h"

namespace {

constexpr int kTailLength = 20;  // body edge to tip
constexpr int kTailEdge = 21;    // the tail's vertical edge, 1 pixel into the body
constexpr int kTailBase = 20;    // the tail's width at the body
constexpr int kMargin = 26;      // added to PopupWidth and PopupHeight
constexpr int kCorner = 7;       // corner ellipse
constexpr int kScreenMargin = 2;

bool IsTop(TBalloonDirection d) { return d == bdTopLeft || d == bdTopRight; }
bool IsLeft(TBalloonDirection d) { return d == bdTopLeft || d == bdBottomLeft; }

// Deletes the region and raises the error that made the call fail.
[[noreturn]] void RaiseDeleting(HRGN region) {
  DWORD error = GetLastError();
  if (region) DeleteObject(region);
  RaiseLastOSError(error);
}

}  // namespace

void TBalloonForm::UpdatePosition() {
  int w = popupWidth_ + kMargin, h = popupHeight_ + kMargin;
  int left = IsLeft(direction_) ? anchor_.x + kTailLength - w : anchor_.x - kTailLength;
  int top = IsTop(direction_) ? anchor_.y - h : anchor_.y;
  int screenWidth = GetScreen()->Width();
  if (left < kScreenMargin)
    left = kScreenMargin;
  else if (left + w > screenWidth - kScreenMargin)
    left = screenWidth - w - kScreenMargin;
  SetBounds(left, top, w, h);
}

void TBalloonForm::UpdateRegion() {
  HWND window = Handle();
  RECT body{0, 0, Width(), Height()};
  int tx = anchor_.x - Left();
  int side = IsLeft(direction_) ? -kTailBase : kTailBase;
  POINT tail[3];
  if (IsTop(direction_)) {
    tail[0] = POINT{tx, anchor_.y - Top() - 1};
    tail[1] = POINT{tx, tail[0].y - kTailEdge};
    body.bottom -= kTailLength;
  } else {
    tail[0] = POINT{tx, anchor_.y - Top()};
    tail[1] = POINT{tx, tail[0].y + kTailEdge};
    body.top += kTailLength;
  }
  tail[2] = POINT{tx + side, tail[1].y};
  bodyRect_ = body;

  HRGN region = CreateRoundRectRgn(body.left, body.top, body.right, body.bottom, kCorner, kCorner);
  if (!region) RaiseLastOSError();
  HRGN triangle = CreatePolygonRgn(tail, 3, WINDING);
  if (!triangle) RaiseDeleting(region);
  int combined = CombineRgn(region, region, triangle, RGN_OR);
  DWORD error = GetLastError();
  DeleteObject(triangle);
  SetLastError(error);
  if (combined == ERROR) RaiseDeleting(region);
  if (!SetWindowRgn(window, region, TRUE)) RaiseDeleting(region);
}

void TBalloonForm::Paint() {
  HWND window = Handle();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  HRGN outline = CreateRectRgn(0, 0, 1, 1);
  bool framed = false;
  DWORD error = GetLastError();
  if (outline) {
    GetWindowRgn(window, outline);
    framed = FrameRgn(dc, outline, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
    error = GetLastError();
    DeleteObject(outline);
  }
  EndPaint(window, &ps);
  if (!framed) RaiseLastOSError(error);
}
