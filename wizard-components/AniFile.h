// Animated cursors: a reader of RIFF "ACON" files that turns them into frames, each an icon with its hot
// spot, display rate (sixtieths of a second) and sequence number, and hands them to an icon, a bitmap strip
// or an icon list.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/components/Icons.h"
#include "wizard-components/IcoList.h"

// The "anih" chunk's data.
struct TAniHeader {
  uint32_t headerSize = 0, frameCount = 0, stepCount = 0, width = 0, height = 0, bitCount = 0, planes = 0,
           displayRate = 0, flags = 0;
};
// Flag bit 0: the frames are icon or cursor files.
constexpr uint32_t kAniIconFrames = 1;

// The ID and size of a RIFF chunk.
struct TChunkTag {
  char id[4] = {0, 0, 0, 0};
  uint32_t size = 0;
};

class TIconFrame : public TPersistent {
  VCL_CLASS(TIconFrame, TPersistent)
  TIconFrame(int32_t sequence, uint32_t displayRate) : sequence_(sequence), displayRate_(displayRate) {}
  static TIconFrame* Create(int32_t sequence, uint32_t displayRate) {
    return NewObject<TIconFrame>(sequence, displayRate);
  }
  // From another frame: a copy of its icon and every other field.
  void Assign(TPersistent* source) override;

  TIcon* Icon() const { return icon_.get(); }
  // Takes a copy of the icon (none frees its own).
  void SetIcon(TIcon* icon);
  // True when the frame's data was an icon file, false for a cursor file.
  bool IsIcon() const { return isIcon_; }
  const TChunkTag& Tag() const { return tag_; }
  POINT HotSpot() const { return hotSpot_; }
  uint32_t DisplayRate() const { return displayRate_; }
  int32_t Sequence() const { return sequence_; }

 private:
  friend class TAnimatedCursorImage;
  std::unique_ptr<TIcon> icon_;
  bool isIcon_ = false;
  TChunkTag tag_;
  POINT hotSpot_{0, 0};
  int32_t sequence_;
  uint32_t displayRate_;
};

class TAnimatedCursorImage : public TPersistent {
  VCL_CLASS(TAnimatedCursorImage, TPersistent)
  TAnimatedCursorImage() = default;
  ~TAnimatedCursorImage() override;
  static TAnimatedCursorImage* Create() { return NewObject<TAnimatedCursorImage>(); }

  // Reads an animated cursor from the stream's position to its end. A bad signature or header, or no frame
  // with an icon, raise EReadError "Stream read error" (what was read stays until the next Clear); damaged
  // chunks end the walk quietly and icons that do not decode are dropped.
  virtual void LoadFromStream(TStream* stream);
  // Not supported: stops through RaiseNotImplemented.
  virtual void SaveToStream(TStream* stream);
  // LoadFromStream of the file; clears the image when it fails.
  virtual void LoadFromFile(const std::string& fileName);
  void Clear();
  // None clears; another animated cursor is copied (cleared when that fails); anything else is the
  // assignment error.
  void Assign(TPersistent* source) override;
  // A strip of the frames over the background colour, side by side or one below the other, reduced to the
  // larger of MaxIconColors and 16 colours when asked; an empty bitmap without frames.
  void AssignToBitmap(TBitmap* bitmap, TColor background, bool vertical, bool reduceColors);

  int FrameCount() const { return int(frames_.size()); }
  // Indexes out of range raise EListError "List index out of bounds (%d)".
  TIconFrame* FrameAt(int i) const;
  TIcon* FrameIcon(int i) const { return FrameAt(i)->Icon(); }
  const TAniHeader& Header() const { return header_; }
  const std::string& Title() const { return title_; }
  const std::string& Artist() const { return artist_; }
  // The most colours (2, 16 or 256) of the frames' palette images; 0 when none has a palette.
  uint16_t MaxIconColors() const { return maxIconColors_; }

 protected:
  // A TIcon takes the first frame's icon, a TBitmap a reduced strip over its brush colour, a TIconList every
  // frame's icon; anything else is the assignment error.
  void AssignTo(TPersistent* dest) override;

 private:
  class TReader;
  TAniHeader header_;
  std::string title_, artist_;  // at most 255 bytes each
  std::vector<std::unique_ptr<TIconFrame>> frames_;
  uint16_t maxIconColors_ = 0;
};
