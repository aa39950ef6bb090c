#include "platform/components/ImgList.h"

#include <algorithm>

#include "platform/components/Icons.h"

#include "platform/runtime/Format.h"

void TCustomImageList::AfterConstruction() {
  if (width_ < 1 || height_ < 1) throw ERangeError("Range check error");
  if (int64_t(width_) * height_ > kMaxImagePixels) throw EOutOfResources("Out of system resources");
  inherited::AfterConstruction();
}

int TCustomImageList::AddMasked(TBitmap* bitmap, TColor maskColor) {
  int count = bitmap->Width() / width_;
  if (count < 1) throw EInvalidOperation("Unable to insert an image");
  if (maskColor == clDefault) maskColor = bitmap->TransparentColor();
  bool masked = maskColor != clNone;
  TColor mask = masked ? ColorToRGB(maskColor) : 0;
  int rows = std::min(height_, bitmap->Height());
  std::vector<Image> added;
  added.resize(size_t(count));
  for (int i = 0; i < count; ++i) {
    Image& image = added[size_t(i)];
    image.pixels.assign(size_t(width_) * size_t(height_), 0);
    image.transparent.assign(size_t(width_) * size_t(height_), true);
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < width_; ++x) {
        size_t at = size_t(y) * size_t(width_) + size_t(x);
        image.pixels[at] = bitmap->Pixel32(i * width_ + x, y);
        image.transparent[at] = masked && PixelToColor(image.pixels[at]) == mask;
      }
  }
  int first = Count();
  for (Image& image : added) images_.push_back(std::move(image));
  return first;
}

const TCustomImageList::Image& TCustomImageList::Get(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation(Format("Invalid image index (%d)", {index}));
  return images_[size_t(index)];
}

TColor TCustomImageList::Pixels(int index, int x, int y) const {
  const Image& image = Get(index);
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  size_t at = size_t(y) * size_t(width_) + size_t(x);
  if (image.transparent[at]) return clNone;
  return PixelToColor(image.pixels[at]);
}

int TCustomImageList::AddIcon(TIcon* icon) {
  if (!icon || icon->Empty()) throw EInvalidOperation("Unable to insert an image");
  Image image;
  image.pixels.resize(size_t(width_) * size_t(height_));
  image.transparent.resize(image.pixels.size());
  int64_t iw = icon->Width(), ih = icon->Height();
  for (int y = 0; y < height_; ++y) {
    int sy = int((2 * int64_t(y) + 1) * ih / (2 * int64_t(height_)));
    for (int x = 0; x < width_; ++x) {
      int sx = int((2 * int64_t(x) + 1) * iw / (2 * int64_t(width_)));
      size_t at = size_t(y) * size_t(width_) + size_t(x);
      image.pixels[at] = icon->Pixel32(sx, sy);
      image.transparent[at] = icon->IsTransparent(sx, sy);
    }
  }
  images_.push_back(std::move(image));
  return Count() - 1;
}

void TCustomImageList::GetIcon(int index, TIcon* icon) const {
  const Image& image = Get(index);
  icon->SetSize(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      size_t at = size_t(y) * size_t(width_) + size_t(x);
      icon->SetPixel32(x, y, image.pixels[at], image.transparent[at]);
    }
}
