// Icons: an image whose pixels are drawn through an AND mask and an XOR image (a set mask bit keeps the
// surface, which the XOR colour then inverts where it is not black), or blended by their alpha, as icon
// files hold them, image lists hand them out and take them and pictures hold them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/components/Graphics.h"

class TIcon : public TGraphic {
  VCL_CLASS(TIcon, TGraphic)
  TIcon();
  static TIcon* Create() { return NewObject<TIcon>(); }

  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Reads an icon file (.ico: reserved 0, type 1, at least one image) from the stream's position to its end
  // and takes the image nearest 32 x 32 (the least sum of the width's and the height's distance), among
  // those the one of most bits per pixel, as its bitmap header tells them: a device independent bitmap of
  // 1, 4 or 8 bits with a palette, or of 24 or 32 bits, without compression, followed by its mask (a 32-bit
  // image may leave the mask out, and one with any alpha is blended by it, 0 being transparent). Anything
  // else (images stored as PNG included) raises EInvalidGraphic "Icon image is not valid"; more than
  // kMaxImagePixels pixels EOutOfResources "Out of system resources". A failing load keeps the previous
  // image; a good one signals the change.
  void LoadFromStream(TStream* stream) override;
  // The bytes it was loaded from, unchanged; an icon made or edited here as one image of 24 bits (32 when
  // it blends by alpha) with its mask. An empty icon writes nothing.
  void SaveToStream(TStream* stream) override;
  // The icon file of the module's RT_ICON resource; EResNotFound "Resource %s not found" when it has none.
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);
  // Clipboard data: a global block that holds an icon file.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  // Stretched by the nearest pixel: the mask ANDed and then the image XORed onto the canvas, or the image
  // blended by its alpha.
  void Draw(TCanvas* canvas, const RECT& rect) override;
  // Copies another icon; nil empties this one. Signals the change.
  void Assign(TPersistent* source) override;

  // A transparent image of that size (signals the change); sizes below 0 raise ERangeError, too many
  // pixels EOutOfResources.
  void SetSize(int width, int height);
  // The colour (00BBGGRR) of a pixel, clNone where the mask is set, -1 outside the image.
  TColor Pixels(int x, int y) const;
  // Makes a pixel opaque in that colour, or transparent for clNone; nothing happens outside the image.
  // Pixel edits do not signal the change.
  void SetPixels(int x, int y, TColor color);
  // The pixel 0xAARRGGBB (the XOR image) and whether its mask bit is set.
  uint32_t Pixel32(int x, int y) const { return pixels_[Index(x, y)]; }
  bool IsTransparent(int x, int y) const { return mask_[Index(x, y)]; }
  // Sets a pixel with its mask bit.
  void SetPixel32(int x, int y, uint32_t pixel, bool transparent);
  // Whether the pixels are blended by their alpha instead of drawn through the mask.
  bool Blended() const { return blended_; }

 private:
  size_t Index(int x, int y) const { return size_t(y) * size_t(width_) + size_t(x); }
  void LoadFromBytes(std::string bytes);
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;  // 0xAARRGGBB, top row first
  std::vector<bool> mask_;        // true: the AND bit is set
  bool blended_ = false;
  std::string file_;  // the icon file it was loaded from, until an edit
};

// An icon file's image as TIcon takes it.
struct TIconImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  std::vector<bool> mask;
  bool blended = false;
};
// Decodes the image of an icon file that TIcon::LoadFromStream chooses (same errors).
TIconImage DecodeIconFile(const uint8_t* data, size_t size);
// An icon file of one image: 24 bits, or 32 with the alpha when blended, and the mask.
std::string EncodeIconFile(const TIconImage& image);
