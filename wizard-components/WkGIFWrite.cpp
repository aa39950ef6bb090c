// Writing a GIF file: each frame prepared (encoded when it has no LZW data, its extension blocks brought up
// to date), then the header, the logical screen, the animation block, the frames, the comment and the
// trailer, built in memory and written at once; form data and the clipboard.
#include <algorithm>
#include <cstring>

#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/GlobalMemory.h"
#include "wizard-components/WkGConst.h"
#include "wizard-components/WkGIF.h"

namespace {

// The least bits whose power of two holds the count.
int BitsFor(int count) {
  int bits = 1;
  while ((1 << bits) < count) ++bits;
  return bits;
}

int FindColor(const TGIFColorTable& table, TColor color) {
  for (int i = 0; i < table.count; ++i)
    if (table.Color(i) == color) return i;
  return -1;
}

}  // namespace

class TGIFWriter {
 public:
  explicit TGIFWriter(TGIFImage* image) : image_(image) {}
  // The whole file.
  std::string Write();

 private:
  void Byte(uint8_t b) { out_ += char(b); }
  void Word(uint32_t w) {
    Byte(uint8_t(w));
    Byte(uint8_t(w >> 8));
  }
  void Bytes(const void* p, size_t n) { out_.append(static_cast<const char*>(p), n); }
  // Each string in sub-blocks of up to 255 bytes, then the terminator.
  void SubBlocks(const TStringList* strings);
  void Screen();
  void Extension(const TExtension& block);
  void Frame(TGIFFrame& frame);
  // The LZW data as stored, ending with a terminator even when the file it came from was cut short.
  void FrameData(TMemoryStream& data);
  bool Extended() const;

  TGIFImage* image_;
  std::string out_;
};

void TGIFWriter::SubBlocks(const TStringList* strings) {
  for (int i = 0; strings && i < strings->Count(); ++i) {
    const std::string& s = strings->Strings(i);
    for (size_t at = 0; at < s.size(); at += 255) {
      const size_t n = std::min<size_t>(255, s.size() - at);
      Byte(uint8_t(n));
      Bytes(s.data() + at, n);
    }
  }
  Byte(0);
}

bool TGIFWriter::Extended() const {
  if (image_->data_->comment->Count() > 0) return true;
  if (image_->looping_ && image_->FrameCount() > 1) return true;
  for (int i = 0; i < image_->FrameCount(); ++i)
    if (TObjectList* blocks = image_->Frames(i)->extensions_; blocks && blocks->Count() > 0) return true;
  return false;
}

std::string TGIFWriter::Write() {
  if (image_->FrameCount() == 0) throw EInvalidGraphicOperation(SGIFNoData);
  for (int i = 0; i < image_->FrameCount(); ++i) {
    TGIFFrame* frame = image_->Frames(i);
    if (frame->item_->imageData->Size() == 0) frame->Encode();
    frame->UpdateExtensions();
  }
  if (Extended()) image_->version_ = 2;
  Bytes(image_->version_ == 2 ? "GIF89a" : "GIF87a", 6);
  Screen();
  if (image_->looping_ && image_->FrameCount() > 1) {
    Bytes("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
    Word(image_->repeatCount_);
    Byte(0);
  }
  for (int i = 0; i < image_->FrameCount(); ++i) Frame(*image_->Frames(i));
  if (image_->data_->comment->Count() > 0) {
    Bytes("\x21\xFE", 2);
    SubBlocks(image_->data_->comment);
  }
  Byte(';');
  return std::move(out_);
}

void TGIFWriter::Screen() {
  image_->UpdateScreenSize();
  const TGIFColorTable& table = image_->data_->colorTable;
  Word(image_->screenWidth_);
  Word(image_->screenHeight_);
  if (table.count == 0) {
    Bytes("\0\0", 2);
  } else {
    const int bits = GifTableBits(table.count);
    Byte(uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)));
    const int background = image_->backgroundColor_ == clNone ? -1 : FindColor(table, image_->backgroundColor_);
    Byte(uint8_t(std::max(background, 0)));
  }
  Byte(image_->data_->aspectRatio);
  Bytes(table.colors, size_t(3 * table.count));
}

void TGIFWriter::Extension(const TExtension& block) {
  static const uint8_t kLabels[4] = {0xF9, 0x01, 0xFF, 0xFE};
  Byte(0x21);
  Byte(kLabels[block.type]);
  switch (block.type) {
    case etGraphicControl: Bytes(block.fixed, 6); break;
    case etPlainText:
      Bytes(block.fixed, 13);
      SubBlocks(block.data);
      break;
    case etApplication:
      Bytes(block.fixed, 12);
      SubBlocks(block.data);
      break;
    case etComment: SubBlocks(block.data); break;
  }
}

void TGIFWriter::Frame(TGIFFrame& frame) {
  if (TObjectList* blocks = frame.extensions_)
    for (int i = 0; i < blocks->Count(); ++i) Extension(*static_cast<TExtension*>(blocks->Items(i)));
  const TGIFItem& item = *frame.item_;
  const bool local = frame.localColorTable_ && item.colorTable.count > 0;
  const int bits = BitsFor(item.colorTable.count);
  Byte(',');
  Word(uint32_t(frame.left_));
  Word(uint32_t(frame.top_));
  Word(uint32_t(item.width));
  Word(uint32_t(item.height));
  Byte(uint8_t((local ? 0x80 | (bits - 1) : 0) | (frame.interlaced_ ? 0x40 : 0)));
  if (local) Bytes(item.colorTable.colors, size_t(3) << bits);
  FrameData(*item.imageData);
}

void TGIFWriter::FrameData(TMemoryStream& data) {
  const auto* bytes = static_cast<const uint8_t*>(data.Memory());
  const size_t size = size_t(data.Size());
  size_t at = std::min<size_t>(1, size);
  while (at < size && bytes[at] != 0 && bytes[at] < size - at) at += 1 + bytes[at];
  Bytes(bytes, at);
  Byte(0);
}

void TGIFFrame::SetTransparentColor(TColor color) {
  const TGIFColorTable& table = item_->colorTable;
  if (transparentIndex_ >= 0 && (transparentIndex_ >= table.count || table.Color(transparentIndex_) != color)) {
    transparentIndex_ = -1;
    if (keyed_) keyed_->Free();
    keyed_ = nullptr;
  }
  transparentColor_ = color;
}

void TGIFFrame::UpdateExtensions() {
  TExtension* control = nullptr;
  for (int i = extensions_ ? extensions_->Count() - 1 : -1; i >= 0 && !control; --i)
    if (auto* block = static_cast<TExtension*>(extensions_->Items(i)); block->type == etGraphicControl) control = block;
  if (!control && (delay_ != 0 || transparentColor_ != clNone || disposal_ != 0)) {
    if (!extensions_) extensions_ = TObjectList::Create();
    control = NewObject<TExtension>();
    control->type = etGraphicControl;
    control->fixed[0] = 4;
    extensions_->Add(control);
  }
  if (control) {
    const uint32_t delay = std::min<uint32_t>(delay_ / 10, 0xFFFF);
    control->fixed[2] = uint8_t(delay);
    control->fixed[3] = uint8_t(delay >> 8);
    // The entry the file named keeps the transparency while it still holds the colour.
    const TGIFColorTable& table = item_->colorTable;
    const TColor color = transparentColor_ == clNone ? clNone : TColor(ColorToRGB(transparentColor_));
    int index = transparentIndex_;
    if (index < 0 || index >= table.count || table.Color(index) != color) index = FindColor(table, color);
    if (index >= 0) {
      control->fixed[4] = uint8_t(index);
      control->fixed[1] |= 1;
    } else {
      control->fixed[1] &= uint8_t(~1);
    }
    if (index != transparentIndex_ && keyed_) {
      keyed_->Free();
      keyed_ = nullptr;
    }
    transparentIndex_ = index;
    control->fixed[1] = uint8_t((control->fixed[1] & 0xE3) | (disposal_ & 7) << 2);
  }
  if (!extensions_) return;
  for (int i = extensions_->Count() - 1; i >= 0; --i) {
    auto* block = static_cast<TExtension*>(extensions_->Items(i));
    if (block->type == etComment && (!block->data || block->data->Count() == 0)) extensions_->Delete(i);
  }
}

void TGIFImage::WriteGif(TStream* stream, bool lengthPrefix) {
  const std::string file = TGIFWriter(this).Write();
  if (lengthPrefix) {
    const int32_t length = int32_t(file.size());
    stream->WriteBuffer(&length, 4);
  }
  stream->WriteBuffer(file.data(), int64_t(file.size()));
}

void TGIFImage::SaveToStream(TStream* stream) { WriteGif(stream, false); }

void TGIFImage::WriteData(TStream* stream) { WriteGif(stream, true); }

void TGIFImage::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = 0;
  data = nullptr;
  palette = nullptr;
  if (FrameCount() == 0) return;
  Frames(0)->Bitmap()->SaveToClipboardFormat(format, data, palette);
  for (int i = 0; i < FrameCount(); ++i)
    if (Frames(i)->item_->imageData->Size() == 0) return;
  TMemoryStream* file = TMemoryStream::Create();
  HGLOBAL block = nullptr;
  try {
    WriteGif(file, true);
    block = GlobalAlloc(GMEM_MOVEABLE, size_t(file->Size()));
    if (!block) throw EOutOfMemory("Out of memory");
    std::memcpy(GlobalLock(block), file->Memory(), size_t(file->Size()));
    GlobalUnlock(block);
    if (!SetClipboardData(GifClipboardFormat(), block)) throw Exception("Cannot open clipboard");
  } catch (...) {
    // The caller gets nothing: the bitmap's clipboard data goes too.
    if (block) GlobalFree(block);
    file->Free();
    DeleteObject(reinterpret_cast<HBITMAP>(data));
    if (palette) DeleteObject(palette);
    data = nullptr;
    palette = nullptr;
    throw;
  }
  file->Free();
}
