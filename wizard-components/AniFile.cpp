#include "wizard-components/AniFile.h"

#include <algorithm>

#include "platform/runtime/Lists.h"
#include "wizard-components/WkGraph.h"
#include "wizard-components/WkUtils.h"

void TIconFrame::Assign(TPersistent* source) {
  auto* frame = DynamicAs<TIconFrame>(source);
  if (!frame) {
    inherited::Assign(source);
    return;
  }
  SetIcon(frame->icon_.get());
  isIcon_ = frame->isIcon_;
  tag_ = frame->tag_;
  hotSpot_ = frame->hotSpot_;
  displayRate_ = frame->displayRate_;
  sequence_ = frame->sequence_;
}

void TIconFrame::SetIcon(TIcon* icon) {
  if (!icon) {
    icon_.reset();
    return;
  }
  if (!icon_) icon_.reset(TIcon::Create());
  icon_->Assign(icon);
}

TAnimatedCursorImage::~TAnimatedCursorImage() { Clear(); }

void TAnimatedCursorImage::SaveToStream(TStream*) { RaiseNotImplemented(); }

void TAnimatedCursorImage::LoadFromFile(const std::string& fileName) {
  try {
    TObjectPtr<TFileStream> stream(TFileStream::Create(fileName, fmOpenRead | fmShareDenyNone));
    LoadFromStream(stream.get());
  } catch (...) {
    Clear();
    throw;
  }
}

void TAnimatedCursorImage::Clear() {
  frames_.clear();
  header_ = TAniHeader{};
  title_.clear();
  artist_.clear();
  maxIconColors_ = 0;
}

TIconFrame* TAnimatedCursorImage::FrameAt(int i) const {
  if (i < 0 || i >= FrameCount()) RaiseListError("List index out of bounds (%d)", i);
  return frames_[size_t(i)].get();
}

void TAnimatedCursorImage::Assign(TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  auto* image = DynamicAs<TAnimatedCursorImage>(source);
  if (!image) {
    inherited::Assign(source);
    return;
  }
  if (image == this) return;
  Clear();
  try {
    header_ = image->header_;
    title_ = image->title_;
    artist_ = image->artist_;
    maxIconColors_ = image->maxIconColors_;
    for (const auto& frame : image->frames_) {
      frames_.emplace_back(TIconFrame::Create(frame->sequence_, frame->displayRate_));
      frames_.back()->Assign(frame.get());
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void TAnimatedCursorImage::AssignTo(TPersistent* dest) {
  if (auto* icon = DynamicAs<TIcon>(dest)) {
    icon->Assign(frames_.empty() ? nullptr : frames_[0]->Icon());
  } else if (auto* bitmap = DynamicAs<TBitmap>(dest)) {
    AssignToBitmap(bitmap, bitmap->Canvas()->Brush()->Color(), false, true);
  } else if (auto* list = DynamicAs<TIconList>(dest)) {
    list->SuspendChange();
    try {
      list->Clear();
      for (const auto& frame : frames_) list->Add(frame->Icon());
    } catch (...) {
      list->ResumeChange();
      throw;
    }
    list->ResumeChange();
  } else {
    inherited::AssignTo(dest);
  }
}

void TAnimatedCursorImage::AssignToBitmap(TBitmap* bitmap, TColor background, bool vertical, bool reduceColors) {
  if (frames_.empty()) {
    bitmap->Assign(nullptr);
    return;
  }
  int width = frames_[0]->Icon()->Width(), height = frames_[0]->Icon()->Height();
  int count = FrameCount();
  std::unique_ptr<TBitmap> strip(TBitmap::Create());
  strip->SetPixelFormat(pf24bit);
  strip->SetSize(vertical ? width : width * count, vertical ? height * count : height);
  strip->Canvas()->Brush()->SetColor(background);
  strip->Canvas()->FillRect(RECT{0, 0, strip->Width(), strip->Height()});
  for (int i = 0; i < count; ++i) {
    TIcon* icon = frames_[size_t(i)]->Icon();
    strip->Canvas()->Draw(vertical ? 0 : i * icon->Width(), vertical ? i * icon->Height() : 0, icon);
  }
  if (reduceColors) {
    std::unique_ptr<TMemoryStream> reduced = BitmapToDibStreamForColors(strip.get(), std::max<int>(maxIconColors_, 16));
    strip->LoadFromStream(reduced.get());
  }
  bitmap->Assign(strip.get());
}
