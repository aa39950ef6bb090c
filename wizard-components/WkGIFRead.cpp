// Reading a GIF file into the image: the signature, the logical screen, the block loop, extension runs
// and frames. The descriptor, a local table and the code size must be there whole; the screen, the
// global table and extensions read what there is, the missing bytes zero.
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/runtime/Format.h"
#include "wizard-components/WkGConst.h"
#include "wizard-components/WkGIF.h"

namespace {

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool SameText(const uint8_t* bytes, const char* text) {
  for (int i = 0; i < 3; ++i)
    if (std::toupper(bytes[i]) != std::toupper(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

// An application block that sets looping: an 11-byte identifier of one of the two animation extensions and
// a first sub-block of at least 3 bytes that begins with 1.
bool LoopBlock(const TExtension& block) {
  if (block.fixed[0] != 11) return false;
  if (std::memcmp(block.fixed + 1, "NETSCAPE2.0", 11) != 0 && std::memcmp(block.fixed + 1, "ANIMEXTS1.0", 11) != 0)
    return false;
  if (!block.data || block.data->Count() == 0) return false;
  const std::string first = block.data->Strings(0);
  return first.size() >= 3 && first[0] == 1;
}

}  // namespace

class TGIFReader {
 public:
  TGIFReader(TGIFImage* image, const std::string& bytes)
      : image_(image), data_(reinterpret_cast<const uint8_t*>(bytes.data())), size_(bytes.size()) {}
  void Run();

 private:
  bool Exhausted() const { return pos_ >= size_; }
  // Exactly n bytes, or EReadError "Stream read error".
  void Read(void* out, size_t n);
  // What there is of n bytes; the rest of `out` is zero.
  void ReadSome(void* out, size_t n);
  uint8_t Byte();
  void ReadScreen();
  void ReadBlocks();
  TStringList* ReadSubBlocks();
  // The run of extensions from an "!" introducer; leaves the next introducer. None when it kept nothing.
  TObjectList* ReadExtensionRun(uint8_t& introducer);
  TExtension* ReadExtension();
  void ReadFrame(TGIFFrame* frame);
  void ReadFrameData(TGIFFrame* frame);
  void ApplyGraphicControl(TGIFFrame* frame);
  void KeepComment(TObjectList* run);

  TGIFImage* image_;
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

void TGIFReader::Read(void* out, size_t n) {
  if (n > size_ - pos_) throw EReadError("Stream read error");
  std::memcpy(out, data_ + pos_, n);
  pos_ += n;
}

void TGIFReader::ReadSome(void* out, size_t n) {
  size_t have = std::min(n, size_ - pos_);
  std::memcpy(out, data_ + pos_, have);
  std::memset(static_cast<uint8_t*>(out) + have, 0, n - have);
  pos_ += have;
}

uint8_t TGIFReader::Byte() {
  uint8_t b;
  ReadSome(&b, 1);
  return b;
}

void TGIFReader::Run() {
  uint8_t signature[6];
  ReadSome(signature, 6);
  if (!SameText(signature, "GIF")) throw EInvalidGraphicOperation(SGIFUnknownVersion);
  if (SameText(signature + 3, "87a"))
    image_->version_ = 1;
  else if (SameText(signature + 3, "89a"))
    image_->version_ = 2;
  else
    throw EInvalidGraphicOperation(SGIFUnknownVersion);
  ReadScreen();
  ReadBlocks();
}

void TGIFReader::ReadScreen() {
  uint8_t screen[7];
  ReadSome(screen, 7);
  TGIFData* data = image_->data_;
  image_->screenWidth_ = Word(screen);
  image_->screenHeight_ = Word(screen + 2);
  data->bitsPerPixel = uint8_t((screen[4] & 7) + 1);
  data->colorResolution = uint8_t((screen[4] >> 4 & 7) + 1);
  data->aspectRatio = screen[6];
  if (!(screen[4] & 0x80)) return;
  data->colorTable.count = 1 << data->bitsPerPixel;
  ReadSome(data->colorTable.colors, size_t(3 * data->colorTable.count));
  if (screen[5] < data->colorTable.count) image_->backgroundColor_ = data->colorTable.Color(screen[5]);
}

void TGIFReader::ReadBlocks() {
  uint8_t introducer = Byte();
  while (introducer != 0 && introducer != ';' && !Exhausted()) {
    std::unique_ptr<TObjectList, void (*)(TObjectList*)> run(nullptr, [](TObjectList* l) { l->Free(); });
    if (introducer == '!') run.reset(ReadExtensionRun(introducer));
    if (introducer == ',') {
      TGIFFrame* frame = TGIFFrame::Create(image_);
      try {
        if (image_->data_->colorTable.count > 0)
          frame->item_->bitsPerPixel = uint8_t(GifTableBits(image_->data_->colorTable.count));
        frame->extensions_ = run.release();
        ReadFrame(frame);
      } catch (...) {
        frame->Free();
        throw;
      }
      image_->frames_->Add(frame);
      if (Exhausted()) {
        introducer = ';';
      } else {
        do introducer = Byte();
        while (introducer == 0 && !Exhausted());
      }
      if (introducer != '!' && introducer != ',' && introducer != ';') introducer = 0;
    } else if (image_->data_->comment->Count() == 0 && run) {
      KeepComment(run.get());
    } else if (introducer != 0 && introducer != ';') {
      throw EReadError("Stream read error");
    }
  }
}

void TGIFReader::KeepComment(TObjectList* run) {
  TStringList* comment = image_->data_->comment;
  for (int i = 0; i < run->Count(); ++i) {
    auto* block = static_cast<TExtension*>(run->Items(i));
    if (block->type != etComment || !block->data) continue;
    if (comment->Count() > 0) comment->Add("\r\n\r\n");
    for (int j = 0; j < block->data->Count(); ++j) comment->Add(block->data->Strings(j));
  }
}

TStringList* TGIFReader::ReadSubBlocks() {
  TStringList* blocks = TStringList::Create();
  while (!Exhausted()) {
    uint8_t length = Byte();
    if (length == 0) break;
    std::string block(length, '\0');
    ReadSome(block.data(), length);
    blocks->Add(block);
  }
  return blocks;
}

TObjectList* TGIFReader::ReadExtensionRun(uint8_t& introducer) {
  std::unique_ptr<TObjectList, void (*)(TObjectList*)> run(TObjectList::Create(), [](TObjectList* l) { l->Free(); });
  while (introducer == '!') {
    TExtension* block = ReadExtension();
    if (block->type == etPlainText) {
      run->Clear();
      block->Free();
    } else if (block->type == etApplication) {
      if (LoopBlock(*block)) {
        const std::string first = block->data->Strings(0);
        image_->looping_ = true;
        image_->repeatCount_ = std::min<uint16_t>(Word(reinterpret_cast<const uint8_t*>(first.data()) + 1), 30000);
      }
      block->Free();
    } else {
      run->Add(block);
    }
    introducer = Exhausted() ? uint8_t(';') : Byte();
  }
  if (run->Count() == 0) return nullptr;
  return run.release();
}

TExtension* TGIFReader::ReadExtension() {
  uint8_t label = Byte();
  auto* block = NewObject<TExtension>();
  try {
    switch (label) {
      case 0xF9:
        block->type = etGraphicControl;
        ReadSome(block->fixed, 6);
        break;
      case 0xFE:
        block->type = etComment;
        block->data = ReadSubBlocks();
        break;
      case 0x01:
        block->type = etPlainText;
        ReadSome(block->fixed, 13);
        block->data = ReadSubBlocks();
        break;
      case 0xFF:
        block->type = etApplication;
        ReadSome(block->fixed, 12);
        block->data = ReadSubBlocks();
        break;
      default: throw EInvalidGraphicOperation(Format(SGIFUnknownExtension, {int64_t(label)}));
    }
  } catch (...) {
    block->Free();
    throw;
  }
  return block;
}

void TGIFReader::ReadFrame(TGIFFrame* frame) {
  TGIFItem* item = frame->item_;
  try {
    uint8_t descriptor[9];
    Read(descriptor, 9);
    uint8_t packed = descriptor[8];
    frame->interlaced_ = packed & 0x40;
    if (packed & 0x80) {
      item->bitsPerPixel = uint8_t((packed & 7) + 1);
      item->colorTable.count = 1 << item->bitsPerPixel;
      Read(item->colorTable.colors, size_t(3 * item->colorTable.count));
      frame->localColorTable_ = true;
    } else {
      item->colorTable.count = 0;
      frame->localColorTable_ = false;
    }
    ReadFrameData(frame);
    int32_t width = Word(descriptor + 4), height = Word(descriptor + 6);
    frame->left_ = Word(descriptor);
    frame->top_ = Word(descriptor + 2);
    item->width = width ? width : image_->screenWidth_;
    item->height = height ? height : image_->screenHeight_;
    item->packedFields = packed;
    if (!frame->localColorTable_) item->colorTable = image_->data_->colorTable;
    ApplyGraphicControl(frame);
  } catch (...) {
    item->imageData->Clear();
    throw;
  }
}

void TGIFReader::ReadFrameData(TGIFFrame* frame) {
  uint8_t codeSize;
  Read(&codeSize, 1);
  TMemoryStream* out = frame->item_->imageData;
  out->Write(&codeSize, 1);
  size_t start = pos_;
  while (!Exhausted()) {
    size_t length = data_[pos_];
    if (length == 0) {
      ++pos_;
      break;
    }
    if (length > size_ - pos_ - 1) {
      // The last sub-block is cut short: it is left out and the data ends here.
      out->Write(data_ + start, int64_t(pos_ - start));
      frame->corrupted_ = true;
      pos_ = size_;
      return;
    }
    pos_ += 1 + length;
  }
  out->Write(data_ + start, int64_t(pos_ - start));
}

void TGIFReader::ApplyGraphicControl(TGIFFrame* frame) {
  frame->delay_ = 0;
  if (!frame->extensions_) return;
  const TGIFColorTable& table = frame->item_->colorTable;
  for (int i = 0; i < frame->extensions_->Count(); ++i) {
    auto* block = static_cast<TExtension*>(frame->extensions_->Items(i));
    if (block->type != etGraphicControl) continue;
    uint8_t packed = block->fixed[1];
    int index = block->fixed[4];
    if (!(packed & 1)) {
      frame->transparentColor_ = clNone;
      frame->transparentIndex_ = -1;
    } else if (index < table.count) {
      frame->transparentColor_ = table.Color(index);
      frame->transparentIndex_ = index;
    }
    frame->delay_ = std::max<uint32_t>(frame->delay_, 10u * Word(block->fixed + 2));
    frame->disposal_ = uint8_t(packed >> 2 & 7);
  }
}

void TGIFImage::ReadGif(int64_t length, TStream* stream, bool decodeFirstFrame) {
  Reset();
  if (length < 0 || length > stream->Size() - stream->Position()) throw EReadError("Stream read error");
  if (length == 0) return;
  std::string bytes(size_t(length), '\0');
  stream->ReadBuffer(bytes.data(), length);
  TGIFReader(this, bytes).Run();
  if (FrameCount() > 0) {
    frameIndex_ = 0;
    if (decodeFirstFrame) {
      try {
        Frames(0)->Bitmap();
      } catch (...) {
        Frames(0)->Free();
        frames_->Delete(0);
        frameIndex_ = -1;
        throw;
      }
    }
  }
  SetPaletteModified(true);
  Changed(this);
}
