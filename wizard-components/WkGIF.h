// Multi-frame GIF pictures (GIF87a and GIF89a) for the picture framework: reading, decoding each frame's
// LZW data into a bitmap on first use, and drawing the current frame with its transparent colour.
// Damaged frame data never raises: the frame is decoded as far as it goes and marked corrupted.
#pragma once
#include <cstdint>
#include <string>

#include "platform/components/Graphics.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Strings.h"

// An entry count (0 to 256) and room for 256 entries of red, green and blue.
struct TGIFColorTable {
  int32_t count = 0;
  uint8_t colors[256][3] = {};
  TColor Color(int index) const { return TColor(colors[index][0] | colors[index][1] << 8 | colors[index][2] << 16); }
};

// The logical screen's data, shared by images assigned from each other.
class TGIFData : public TSharedImage {
  VCL_CLASS(TGIFData, TSharedImage)
  TGIFData();
  ~TGIFData() override;

  TStringList* comment;  // one line per data sub-block of the image's comment blocks
  uint8_t aspectRatio = 0;
  uint8_t bitsPerPixel = 0;  // of the global table, 1 to 8
  uint8_t colorResolution = 0;
  TGIFColorTable colorTable;  // count 0: no global table

 protected:
  void FreeHandle() override;
};

// One frame's data, shared by frames assigned from each other.
class TGIFItem : public TSharedImage {
  VCL_CLASS(TGIFItem, TSharedImage)
  TGIFItem();
  ~TGIFItem() override;

  // The LZW data as stored: the minimum code size byte, the sub-blocks with their length bytes and the
  // terminator when there is one.
  TMemoryStream* imageData;
  int32_t width = 0, height = 0;
  uint8_t packedFields = 0;
  uint8_t bitsPerPixel = 0;   // of the frame's table
  TGIFColorTable colorTable;  // the local table, or a copy of the global one

 protected:
  void FreeHandle() override;
};

enum TGIFExtensionType : uint8_t { etGraphicControl, etPlainText, etApplication, etComment };

// One extension block: its type, its data sub-blocks (may be absent) and its fixed part (the block-size
// byte and up to 12 bytes; for a graphic control block the packed byte, the delay in hundredths, the
// transparent index and the terminator).
class TExtension : public TPersistent {
  VCL_CLASS(TExtension, TPersistent)
  TExtension() = default;
  ~TExtension() override;
  void Assign(TPersistent* source) override;

  TGIFExtensionType type = etGraphicControl;
  TStringList* data = nullptr;
  uint8_t fixed[13] = {};
};

class TGIFImage;

class TGIFFrame : public TPersistent {
  VCL_CLASS(TGIFFrame, TPersistent)
  explicit TGIFFrame(TGIFImage* owner);
  ~TGIFFrame() override;
  static TGIFFrame* Create(TGIFImage* owner) { return NewObject<TGIFFrame>(owner); }
  // From nil (a reset), another frame (sharing its item), a GIF image (its current frame) or any other
  // graphic (copied into the frame's bitmap); the owner then updates its screen size.
  void Assign(TPersistent* source) override;

  TGIFImage* Owner() const { return owner_; }
  TGIFItem* Item() const { return item_; }
  // The graphic control and comment blocks that preceded the frame (none when there were none).
  TObjectList* Extensions() const { return extensions_; }
  // 0 without a bitmap and without image data; otherwise the bitmap's (decoded if needed).
  int Width();
  int Height();
  // The decoded frame, made on first demand. Decoding raises for a table that is not a power of two and
  // for a frame of more than kMaxImagePixels pixels; damaged data marks the frame corrupted.
  TBitmap* Bitmap();
  bool HasBitmap() const { return bitmap_ != nullptr; }
  // The data of the last comment block; with `create`, an empty comment block is added when there is none.
  TStringList* Comment(bool create = false);
  // Draws the bitmap stretched into the rectangle; with `transparent` and a transparent colour, the pixels
  // of the transparent entry show the canvas through.
  void Draw(TCanvas* canvas, const RECT& rect, bool transparent);

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  bool Interlaced() const { return interlaced_; }
  bool Corrupted() const { return corrupted_; }
  bool GrayScale() const { return grayScale_; }
  TColor TransparentColor() const { return transparentColor_; }
  // Milliseconds.
  uint32_t Delay() const { return delay_; }
  uint8_t DisposalMethod() const { return disposal_; }
  bool LocalColorTable() const { return localColorTable_; }

 protected:
  void AssignTo(TPersistent* dest) override;

 private:
  friend class TGIFReader;
  friend class TGIFImage;
  void Reset();
  void TakeItem(TGIFItem* item);
  void AssignFrame(TGIFFrame* source);
  void AssignGraphic(TGraphic* graphic);
  void Decode();
  // Decodes the item with that table into the bitmap (left empty for a frame of no pixels).
  void LoadDecoded(TBitmap* target, const TGIFColorTable& table);
  // The bitmap for transparent drawing: the transparent entry in a colour no other entry has.
  TBitmap* KeyedBitmap(TColor& key);

  TGIFImage* owner_;
  TBitmap* bitmap_ = nullptr;
  TBitmap* keyed_ = nullptr;
  TColor keyedColor_ = clNone;
  TGIFItem* item_ = nullptr;
  TObjectList* extensions_ = nullptr;
  int32_t left_ = 0, top_ = 0;
  bool interlaced_ = false, corrupted_ = false, grayScale_ = false;
  TColor transparentColor_ = clNone;
  int transparentIndex_ = -1;  // the entry of the transparent colour, when the file named it
  uint32_t delay_ = 0;
  uint8_t disposal_ = 0;
  bool localColorTable_ = false;
};

class TGIFImage : public TGraphic {
  VCL_CLASS(TGIFImage, TGraphic)
  TGIFImage();
  ~TGIFImage() override;
  static TGIFImage* Create() { return NewObject<TGIFImage>(); }

  void Assign(TPersistent* source) override;
  void Draw(TCanvas* canvas, const RECT& rect) override;
  // Only another GIF image sharing the same logical-screen data.
  bool Equals(TGraphic* other) override;
  bool Empty() const override;
  // The current frame's size (not the logical screen's); 0 when empty.
  int Width() const override;
  int Height() const override;
  HPALETTE Palette() const override;
  // The Transparent flag set and a frame with a transparent colour.
  bool Transparent() const override;
  // The size cannot change: EInvalidGraphicOperation "Cannot change the Size of a GIF image".
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // A GIF file from the stream's position to its end.
  void LoadFromStream(TStream* stream) override;
  // Form data: a signed 32-bit length, then the file.
  void ReadData(TStream* stream) override;
  // The registered GIF format (a 32-bit length, then the file, in global memory), then a bitmap on the
  // clipboard as frame 0's bitmap; any other format loads a bitmap.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;

  // Reads `length` bytes of the stream as a GIF file. Errors pass out; the frames read before stay.
  void ReadGif(int64_t length, TStream* stream, bool decodeFirstFrame);
  // Appends a frame made from the graphic and makes it current; returns its index.
  int AddFrame(TGraphic* graphic);
  int FrameCount() const { return frames_->Count(); }
  TGIFFrame* Frames(int index) const { return static_cast<TGIFFrame*>(frames_->Items(index)); }
  int FrameIndex() const { return frameIndex_; }
  // The bitmap of the current frame (frame 0 when the index is outside the list); an image without frames
  // first takes a frame of an empty bitmap.
  TBitmap* CurrentBitmap();
  TGIFData* Data() const { return data_; }
  // 0 none, 1 "87a", 2 "89a".
  uint8_t Version() const { return version_; }
  uint16_t ScreenWidth() const { return screenWidth_; }
  uint16_t ScreenHeight() const { return screenHeight_; }
  TColor BackgroundColor() const { return backgroundColor_; }
  bool Looping() const { return looping_; }
  uint16_t RepeatCount() const { return repeatCount_; }
  // The largest bitmap extent plus origin over all frames.
  void UpdateScreenSize();

 protected:
  void AssignTo(TPersistent* dest) override;

 private:
  friend class TGIFReader;
  friend class TGIFFrame;
  void Reset();
  void ClearFrames();
  TGIFFrame* Current() const;
  void AssignFromImage(TGIFImage* source);
  void AssignFromFrame(TGIFFrame* source);

  TGIFData* data_ = nullptr;
  uint8_t version_ = 0;
  TList* frames_;
  int32_t frameIndex_ = -1;
  uint16_t screenWidth_ = 0, screenHeight_ = 0;
  TColor backgroundColor_ = clNone;
  bool looping_ = false;
  uint16_t repeatCount_ = 1;
};

// The bitmap depth of a table of 2^bits entries: 1, 4 or 8; EInvalidGraphicOperation "Wrong number of
// colors; must be a power of 2" for 0 or more than 8.
int GifBitmapDepth(int bitsPerPixel);
// The bits per pixel of a table of `count` entries (2 to 256 in powers of two); the same error otherwise.
int GifTableBits(int count);

// Decodes the item's LZW data into `pixels`: height rows of `stride` bytes at `depth` bits per pixel
// (1, 4 or 8), bottom-up, zero-filled beforehand by the caller. Progress goes to `image` when given.
// Returns whether the data was damaged (a bad code size, an impossible code, data that ends before the
// end code while rows remain).
bool DecodeLzw(const TGIFItem& item, bool interlaced, int depth, uint8_t* pixels, size_t stride, TGIFImage* image);

// The clipboard format "GIF Image" (0 until registered).
UINT GifClipboardFormat();
// Registers the clipboard format and the class for the extension "gif" and that format; unregisters it.
void RegisterGifFormat();
void UnregisterGifFormat();
