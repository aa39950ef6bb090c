// Progress bars.
#pragma once
#include "platform/components/Controls.h"

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
