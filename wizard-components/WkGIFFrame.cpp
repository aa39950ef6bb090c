// Frames of a GIF image, their shared data, extension blocks, assignment and drawing.
#include <algorithm>

#include "wizard-components/WkGIF.h"
#include "wizard-components/WkUtils.h"

TGIFData::TGIFData() : comment(TStringList::Create()) {}

TGIFData::~TGIFData() { comment->Free(); }

void TGIFData::FreeHandle() { comment->Clear(); }

TGIFItem::TGIFItem() : imageData(TMemoryStream::Create()) {}

TGIFItem::~TGIFItem() { imageData->Free(); }

void TGIFItem::FreeHandle() { imageData->Clear(); }

TExtension::~TExtension() {
  if (data) data->Free();
}

void TExtension::Assign(TPersistent* source) {
  auto* other = DynamicAs<TExtension>(source);
  if (!other) return inherited::Assign(source);
  type = other->type;
  std::copy(std::begin(other->fixed), std::end(other->fixed), fixed);
  if (data) data->Free();
  data = nullptr;
  if (other->data) {
    data = TStringList::Create();
    data->Assign(other->data);
  }
}

TGIFFrame::TGIFFrame(TGIFImage* owner) : owner_(owner) { Reset(); }

TGIFFrame::~TGIFFrame() {
  if (bitmap_) bitmap_->Free();
  if (keyed_) keyed_->Free();
  if (extensions_) extensions_->Free();
  if (item_) item_->Release();
}

void TGIFFrame::TakeItem(TGIFItem* item) {
  item->Reference();
  if (item_) item_->Release();
  item_ = item;
  if (keyed_) keyed_->Free();
  keyed_ = nullptr;
}

void TGIFFrame::Reset() {
  TakeItem(NewObject<TGIFItem>());
  grayScale_ = corrupted_ = interlaced_ = localColorTable_ = false;
  transparentColor_ = clNone;
  transparentIndex_ = -1;
  left_ = top_ = 0;
  delay_ = 0;
  disposal_ = 0;
}

int TGIFFrame::Width() {
  if (!bitmap_ && item_->imageData->Size() == 0) return 0;
  return Bitmap()->Width();
}

int TGIFFrame::Height() {
  if (!bitmap_ && item_->imageData->Size() == 0) return 0;
  return Bitmap()->Height();
}

TBitmap* TGIFFrame::Bitmap() {
  if (!bitmap_) bitmap_ = TBitmap::Create();
  if (bitmap_->Empty() && item_->imageData->Size() > 0) Decode();
  return bitmap_;
}

TStringList* TGIFFrame::Comment(bool create) {
  if (extensions_)
    for (int i = extensions_->Count() - 1; i >= 0; --i) {
      auto* block = static_cast<TExtension*>(extensions_->Items(i));
      if (block->type == etComment && block->data) return block->data;
    }
  if (!create) return nullptr;
  if (!extensions_) extensions_ = TObjectList::Create();
  auto* block = NewObject<TExtension>();
  block->type = etComment;
  block->data = TStringList::Create();
  extensions_->Add(block);
  return block->data;
}

void TGIFFrame::Assign(TPersistent* source) {
  if (!source) {
    Reset();
    if (bitmap_) bitmap_->Free();
    bitmap_ = nullptr;
  } else if (auto* frame = DynamicAs<TGIFFrame>(source)) {
    if (frame != this) AssignFrame(frame);
  } else if (auto* image = DynamicAs<TGIFImage>(source)) {
    if (image->FrameCount() == 0) return;
    AssignFrame(image->Current());
  } else if (auto* graphic = DynamicAs<TGraphic>(source)) {
    if (graphic->Empty()) return Assign(nullptr);
    AssignGraphic(graphic);
  } else {
    return inherited::Assign(source);
  }
  if (owner_) owner_->UpdateScreenSize();
}

void TGIFFrame::AssignFrame(TGIFFrame* source) {
  TakeItem(source->item_);
  localColorTable_ = source->owner_ == owner_ ? source->localColorTable_ : true;
  left_ = source->left_;
  top_ = source->top_;
  interlaced_ = source->interlaced_;
  if (source->bitmap_ && !source->bitmap_->Empty()) {
    if (!bitmap_) bitmap_ = TBitmap::Create();
    bitmap_->Assign(source->bitmap_);
  } else if (bitmap_) {
    bitmap_->Free();
    bitmap_ = nullptr;
  }
  transparentColor_ = source->transparentColor_;
  transparentIndex_ = source->transparentIndex_;
  delay_ = source->delay_;
  disposal_ = source->disposal_;
  grayScale_ = source->grayScale_;
  corrupted_ = source->corrupted_;
  if (TStringList* comment = source->Comment(); comment && comment->Count() > 0) Comment(true)->Assign(comment);
}

void TGIFFrame::AssignGraphic(TGraphic* graphic) {
  Reset();
  if (!bitmap_) bitmap_ = TBitmap::Create();
  try {
    bitmap_->Assign(graphic);
  } catch (const Exception&) {
    bitmap_->SetSize(graphic->Width(), graphic->Height());
    bitmap_->Canvas()->Brush()->SetColor(clFuchsia);
    bitmap_->Canvas()->FillRect(RECT{0, 0, graphic->Width(), graphic->Height()});
    bitmap_->Canvas()->Draw(0, 0, graphic);
  }
  if (!graphic->Transparent()) return;
  // The frame's true-colour canvas keeps the fill colour as it is.
  auto* source = DynamicAs<TBitmap>(graphic);
  transparentColor_ = source ? source->TransparentColor() : clFuchsia;
}

void TGIFFrame::AssignTo(TPersistent* dest) {
  if (DynamicAs<TGIFFrame>(dest) || DynamicAs<TGIFImage>(dest)) return dest->Assign(this);
  auto* target = DynamicAs<TGraphic>(dest);
  if (!target) return inherited::AssignTo(dest);
  target->Assign(Bitmap());
  if (auto* bitmap = DynamicAs<TBitmap>(target); bitmap && transparentColor_ != clNone) {
    bitmap->SetTransparentColor(TColor(ColorToRGB(transparentColor_)));
    bitmap->SetTransparent(true);
  }
}

TBitmap* TGIFFrame::KeyedBitmap(TColor& key) {
  key = transparentColor_;
  if (transparentIndex_ < 0 || item_->imageData->Size() == 0) return Bitmap();
  if (!keyed_) {
    TGIFColorTable table = item_->colorTable;
    const int colors = 1 << GifBitmapDepth(item_->bitsPerPixel);
    auto taken = [&](TColor color) {
      for (int i = 0; i < colors; ++i)
        if (i != transparentIndex_ && (i < table.count ? table.Color(i) : TColor(0x808080)) == color) return true;
      return false;
    };
    TColor unique = transparentColor_;
    if (taken(unique))
      for (unique = clFuchsia; taken(unique); --unique) {
      }
    table.colors[transparentIndex_][0] = uint8_t(unique);
    table.colors[transparentIndex_][1] = uint8_t(unique >> 8);
    table.colors[transparentIndex_][2] = uint8_t(unique >> 16);
    keyed_ = TBitmap::Create();
    LoadDecoded(keyed_, table);
    keyedColor_ = unique;
  }
  key = keyedColor_;
  return keyed_;
}

void TGIFFrame::Draw(TCanvas* canvas, const RECT& rect, bool transparent) {
  if (!transparent || transparentColor_ == clNone) {
    canvas->StretchDraw(rect, Bitmap());
    return;
  }
  TColor key;
  TBitmap* source = KeyedBitmap(key);
  if (source->Empty()) return;
  StretchBitmapRectTransparent(canvas, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                               RECT{0, 0, source->Width(), source->Height()}, source, key);
}
