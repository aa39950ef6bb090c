// Image lists: images of one size, each with its mask, added by cutting bitmaps into pieces.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/components/Graphics.h"
#include "platform/runtime/Classes.h"

class TIcon;

class TCustomImageList : public TComponent {
  VCL_CLASS(TCustomImageList, TComponent)
  // Images of width x height pixels: a size below 1 raises ERangeError "Range check error", an image of
  // more than kMaxImagePixels pixels EOutOfResources "Out of system resources".
  TCustomImageList(TComponent* owner, int width, int height) : TComponent(owner), width_(width), height_(height) {}
  static TCustomImageList* CreateSize(int width, int height) {
    return NewObject<TCustomImageList>(nullptr, width, height);
  }

  void AfterConstruction() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(images_.size()); }

  // Cuts the bitmap into images of Width pixels from left to right (a rest narrower than Width is
  // dropped; rows below Height are dropped, missing rows are transparent) and appends them; pixels of the
  // mask colour become transparent (clNone: none, clDefault: the bitmap's TransparentColor). Returns the
  // index of the first new image; a bitmap narrower than one image raises EInvalidOperation "Unable to
  // insert an image".
  int AddMasked(TBitmap* bitmap, TColor maskColor);
  // Appends the icon as one image; an icon of another size is scaled to Width x Height by its nearest
  // pixels (each image pixel takes the icon pixel under its centre), transparency included. Returns the
  // new index; an empty icon raises EInvalidOperation "Unable to insert an image".
  int AddIcon(TIcon* icon);
  // Makes the icon a copy of an image: its size, pixels and transparency; EInvalidOperation "Invalid
  // image index (%d)" outside the list (the icon is then unchanged).
  void GetIcon(int index, TIcon* icon) const;
  // The colour (00BBGGRR) of a pixel of an image, clNone where it is transparent; EInvalidOperation
  // "Invalid image index (%d)" outside the list, -1 outside the image.
  TColor Pixels(int index, int x, int y) const;

 private:
  struct Image {
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
    std::vector<bool> transparent;
  };
  const Image& Get(int index) const;

  int width_, height_;
  std::vector<Image> images_;
};

class TImageList : public TCustomImageList {
  VCL_CLASS(TImageList, TCustomImageList)
  using TCustomImageList::TCustomImageList;
  static TImageList* CreateSize(int width, int height) { return NewObject<TImageList>(nullptr, width, height); }
};
