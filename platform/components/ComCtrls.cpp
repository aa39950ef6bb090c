#include "platform/components/ComCtrls.h"

#include <algorithm>

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
  width_ = 150;
  height_ = 16;
}

void TProgressBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
}

void TProgressBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  SetPosition(position_);
}

void TProgressBar::SetPosition(int v) {
  int clamped = std::clamp(v, min_, max_);
  if (clamped == position_) return;
  position_ = clamped;
  Invalidate();
}
