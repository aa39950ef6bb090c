// Icons: an image whose pixels are opaque or transparent, as image lists hand them out and take them and
// as pictures hold them.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/components/Graphics.h"

class TIcon : public TGraphic {
  VCL_CLASS(TIcon, TGraphic)
  TIcon();
  static TIcon* Create() { return NewObject<TIcon>(); }

  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Reads an icon file (.ico) from the stream's position to its end and takes its first image: a device
  // independent bitmap of 1, 4 or 8 bits with a palette, or of 24 or 32 bits, without compression,
  // followed by its mask (a set bit is a transparent pixel; a 32-bit image may leave the mask out, and
  // one with any alpha uses its alpha instead, 0 being transparent). Anything else (images stored as PNG included)
  // raises EInvalidGraphic "Icon image is not valid"; more than kMaxImagePixels pixels EOutOfResources "Out of system
  // resources". A failing load keeps the previous image.
  void LoadFromStream(TStream* stream) override;
  // Copies another icon; nil empties this one.
  void Assign(TPersistent* source) override;

  // A transparent image of that size; sizes below 0 raise ERangeError, too many pixels EOutOfResources.
  void SetSize(int width, int height);
  // The colour (00BBGGRR) of a pixel, clNone where it is transparent, -1 outside the image.
  TColor Pixels(int x, int y) const;
  // Makes a pixel opaque in that colour, or transparent for clNone; nothing happens outside the image.
  void SetPixels(int x, int y, TColor color);
  // The pixel 0xAARRGGBB and whether it is transparent.
  uint32_t Pixel32(int x, int y) const { return pixels_[Index(x, y)]; }
  bool IsTransparent(int x, int y) const { return mask_[Index(x, y)]; }
  // Sets a pixel with its transparency.
  void SetPixel32(int x, int y, uint32_t pixel, bool transparent);

 private:
  size_t Index(int x, int y) const { return size_t(y) * size_t(width_) + size_t(x); }
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;  // 0xAARRGGBB, top row first
  std::vector<bool> mask_;        // true: transparent
};
