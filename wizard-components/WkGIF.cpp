// The GIF image as a graphic of the picture framework: frames, size, drawing, assignment, loading from
// streams and the clipboard, and the registration of the format.
#include "wizard-components/WkGIF.h"

#include <algorithm>
#include <cstring>

#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GlobalMemory.h"
#include "wizard-components/WkGConst.h"

namespace {

UINT gifFormat = 0;

}  // namespace

TGIFImage::TGIFImage() : frames_(TList::Create()) {
  Reset();
  SetTransparent(true);
}

TGIFImage::~TGIFImage() {
  OnChange = nullptr;
  data_->Release();
  ClearFrames();
  frames_->Free();
}

void TGIFImage::Reset() {
  if (data_) data_->Release();
  data_ = NewObject<TGIFData>();
  data_->Reference();
  ClearFrames();
  looping_ = false;
  frameIndex_ = -1;
  backgroundColor_ = clNone;
  repeatCount_ = 1;
  version_ = 0;
}

void TGIFImage::ClearFrames() {
  for (int i = 0; i < frames_->Count(); ++i) Frames(i)->Free();
  frames_->Clear();
}

TGIFFrame* TGIFImage::Current() const {
  if (FrameCount() == 0) return nullptr;
  return Frames(frameIndex_ >= 0 && frameIndex_ < FrameCount() ? frameIndex_ : 0);
}

bool TGIFImage::Empty() const {
  if (FrameCount() == 0) return true;
  TGIFFrame* frame = Frames(std::min(std::max(frameIndex_, 0), FrameCount() - 1));
  return !frame->HasBitmap() && frame->Item()->imageData->Size() == 0;
}

int TGIFImage::Width() const {
  if (Empty() || frameIndex_ < 0 || frameIndex_ >= FrameCount()) return 0;
  return Frames(frameIndex_)->Bitmap()->Width();
}

int TGIFImage::Height() const {
  if (Empty() || frameIndex_ < 0 || frameIndex_ >= FrameCount()) return 0;
  return Frames(frameIndex_)->Bitmap()->Height();
}

HPALETTE TGIFImage::Palette() const {
  if (FrameCount() == 0) return nullptr;
  return Current()->Bitmap()->Palette();
}

bool TGIFImage::Transparent() const {
  if (!TGraphic::Transparent()) return false;
  for (int i = 0; i < FrameCount(); ++i)
    if (Frames(i)->TransparentColor() != clNone) return true;
  return false;
}

void TGIFImage::SetWidth(int) { throw EInvalidGraphicOperation(SGIFNoSizeChange); }
void TGIFImage::SetHeight(int) { throw EInvalidGraphicOperation(SGIFNoSizeChange); }

bool TGIFImage::Equals(TGraphic* other) {
  auto* image = DynamicAs<TGIFImage>(other);
  return image && image->data_ == data_;
}

void TGIFImage::Draw(TCanvas* canvas, const RECT& rect) {
  if (TGIFFrame* frame = Current()) frame->Draw(canvas, rect, Transparent());
}

TBitmap* TGIFImage::CurrentBitmap() {
  if (FrameCount() == 0) {
    TBitmap* empty = TBitmap::Create();
    try {
      AddFrame(empty);
    } catch (...) {
      empty->Free();
      throw;
    }
    empty->Free();
    frameIndex_ = 0;
  }
  return Current()->Bitmap();
}

int TGIFImage::AddFrame(TGraphic* graphic) {
  TGIFFrame* frame = TGIFFrame::Create(this);
  int previous = frameIndex_;
  frames_->Add(frame);
  frameIndex_ = FrameCount() - 1;
  try {
    frame->Assign(graphic);
  } catch (...) {
    frames_->Delete(frameIndex_);
    frame->Free();
    frameIndex_ = previous;
    throw;
  }
  if (version_ == 0) version_ = 1;
  if (FrameCount() > 1) version_ = 2;
  return frameIndex_;
}

void TGIFImage::UpdateScreenSize() {
  int width = 0, height = 0;
  for (int i = 0; i < FrameCount(); ++i) {
    TGIFFrame* frame = Frames(i);
    width = std::max(width, frame->Width() + frame->Left());
    height = std::max(height, frame->Height() + frame->Top());
  }
  screenWidth_ = uint16_t(std::clamp(width, 0, 0xFFFF));
  screenHeight_ = uint16_t(std::clamp(height, 0, 0xFFFF));
}

void TGIFImage::Assign(TPersistent* source) {
  if (source == this) return;
  if (!source) {
    Reset();
  } else if (auto* image = DynamicAs<TGIFImage>(source)) {
    AssignFromImage(image);
  } else if (auto* frame = DynamicAs<TGIFFrame>(source)) {
    AssignFromFrame(frame);
  } else if (auto* bitmap = DynamicAs<TBitmap>(source)) {
    Reset();
    AddFrame(bitmap);
  } else {
    return inherited::Assign(source);
  }
  Changed(this);
}

void TGIFImage::AssignFromImage(TGIFImage* source) {
  source->data_->Reference();
  data_->Release();
  data_ = source->data_;
  version_ = source->version_;
  backgroundColor_ = source->backgroundColor_;
  repeatCount_ = source->repeatCount_;
  looping_ = source->looping_;
  ClearFrames();
  for (int i = 0; i < source->FrameCount(); ++i) {
    TGIFFrame* frame = TGIFFrame::Create(this);
    frames_->Add(frame);
    frame->AssignFrame(source->Frames(i));
    frame->localColorTable_ = source->Frames(i)->localColorTable_;
  }
  screenWidth_ = source->screenWidth_;
  screenHeight_ = source->screenHeight_;
  frameIndex_ = source->frameIndex_;
}

void TGIFImage::AssignFromFrame(TGIFFrame* source) {
  Reset();
  if (TGIFImage* image = source->Owner()) {
    data_->aspectRatio = image->data_->aspectRatio;
    data_->bitsPerPixel = image->data_->bitsPerPixel;
    data_->colorResolution = image->data_->colorResolution;
    data_->colorTable = image->data_->colorTable;
  }
  TGIFFrame* frame = TGIFFrame::Create(this);
  frames_->Add(frame);
  frameIndex_ = 0;
  frame->Assign(source);
  if (version_ == 0) version_ = 1;
}

void TGIFImage::AssignTo(TPersistent* dest) {
  if (auto* image = DynamicAs<TGIFImage>(dest)) return image->Assign(this);
  auto* target = DynamicAs<TGraphic>(dest);
  if (!target) return inherited::AssignTo(dest);
  if (Empty())
    target->Assign(nullptr);
  else if (frameIndex_ < 0)
    target->Assign(CurrentBitmap());
  else
    Current()->AssignTo(target);
}

void TGIFImage::LoadFromStream(TStream* stream) { ReadGif(stream->Size() - stream->Position(), stream, true); }

void TGIFImage::ReadData(TStream* stream) {
  int32_t length;
  stream->ReadBuffer(&length, 4);
  ReadGif(length, stream, true);
}

void TGIFImage::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  if (format == 0 || format != gifFormat) {
    TBitmap* bitmap = TBitmap::Create();
    try {
      bitmap->LoadFromClipboardFormat(format, data, palette);
      Assign(bitmap);
    } catch (...) {
      bitmap->Free();
      throw;
    }
    bitmap->Free();
    return;
  }
  auto block = static_cast<HGLOBAL>(data);
  size_t size = GlobalSize(block);
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  int32_t length = -1;
  if (bytes && size >= 4) std::memcpy(&length, bytes, 4);
  if (length < 0 || size_t(length) > size - 4) {
    GlobalUnlock(block);
    throw EReadError("Stream read error");
  }
  TStringStream stream(std::string(bytes + 4, size_t(length)));
  GlobalUnlock(block);
  ReadGif(length, &stream, false);
  HANDLE bitmap = IsClipboardFormatAvailable(CF_BITMAP) ? GetClipboardData(CF_BITMAP) : nullptr;
  if (FrameCount() > 0 && bitmap) {
    TGIFFrame* first = Frames(0);
    if (!first->bitmap_) first->bitmap_ = TBitmap::Create();
    first->bitmap_->LoadFromClipboardFormat(CF_BITMAP, bitmap, palette);
  }
}

UINT GifClipboardFormat() { return gifFormat; }

void RegisterGifFormat() {
  gifFormat = RegisterClipboardFormatA("GIF Image");
  RegisterFileFormat("gif", SGIFImageDescription, [] { return TGIFImage::Create(); });
  TPicture::RegisterClipboardFormat(gifFormat, [] { return TGIFImage::Create(); });
}

void UnregisterGifFormat() {
  UnregisterFileFormat("gif");
  if (gifFormat) TPicture::UnregisterClipboardFormat(gifFormat);
}
