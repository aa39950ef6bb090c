#include "platform/components/Icons.h"

#include <algorithm>
#include <string>

#include "platform/components/Forms.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/GlobalMemory.h"
#include "platform/winapi/Resources.h"

TIcon::TIcon() { SetTransparent(true); }

void TIcon::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
  stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
  LoadFromBytes(std::move(bytes));
}

void TIcon::LoadFromBytes(std::string bytes) {
  TIconImage decoded = DecodeIconFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  width_ = decoded.width;
  height_ = decoded.height;
  pixels_ = std::move(decoded.pixels);
  mask_ = std::move(decoded.mask);
  blended_ = decoded.blended;
  file_ = std::move(bytes);
  Changed(this);
}

void TIcon::SaveToStream(TStream* stream) {
  if (Empty()) return;
  if (file_.empty()) file_ = EncodeIconFile(TIconImage{width_, height_, pixels_, mask_, blended_});
  stream->WriteBuffer(file_.data(), int64_t(file_.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  HRSRC resource = FindResourceA(instance, name.c_str(), RT_ICON);
  if (!resource) throw EResNotFound(Format("Resource %s not found", {name}));
  const char* data = static_cast<const char*>(LockResource(LoadResource(instance, resource)));
  LoadFromBytes(std::string(data, SizeofResource(instance, resource)));
}

void TIcon::LoadFromClipboardFormat(UINT, HANDLE data, HPALETTE) {
  auto block = reinterpret_cast<HGLOBAL>(data);
  const char* bytes = static_cast<const char*>(GlobalLock(block));
  if (!bytes) throw EInvalidGraphic("Icon image is not valid");
  std::string copy(bytes, GlobalSize(block));
  GlobalUnlock(block);
  LoadFromBytes(std::move(copy));
}

void TIcon::Assign(TPersistent* source) {
  if (!source) {
    SetSize(0, 0);
    return;
  }
  if (auto* icon = DynamicAs<TIcon>(source)) {
    width_ = icon->width_;
    height_ = icon->height_;
    pixels_ = icon->pixels_;
    mask_ = icon->mask_;
    blended_ = icon->blended_;
    file_ = icon->file_;
    Changed(this);
    return;
  }
  inherited::Assign(source);
}

void TIcon::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw ERangeError("Range check error");
  if (int64_t(width) * height > kMaxImagePixels) throw EOutOfResources("Out of system resources");
  width_ = width;
  height_ = height;
  pixels_.assign(size_t(width) * size_t(height), 0);
  mask_.assign(pixels_.size(), true);
  blended_ = false;
  file_.clear();
  Changed(this);
}

TColor TIcon::Pixels(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  return mask_[Index(x, y)] ? clNone : PixelToColor(pixels_[Index(x, y)]);
}

void TIcon::SetPixels(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (color == clNone) {
    SetPixel32(x, y, 0, true);
    return;
  }
  TColor rgb = ColorToRGB(color);
  SetPixel32(x, y, 0xFF000000u | uint32_t(rgb & 0xFF) << 16 | uint32_t(rgb & 0xFF00) | uint32_t(rgb >> 16 & 0xFF),
             false);
}

void TIcon::SetPixel32(int x, int y, uint32_t pixel, bool transparent) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[Index(x, y)] = pixel;
  mask_[Index(x, y)] = transparent;
  file_.clear();
}
