// Reading an animated cursor: the RIFF chunks walked over a copy of the stream's remaining bytes.
#include <algorithm>
#include <cstring>

#include "wizard-components/AniFile.h"

namespace {

uint32_t U32(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
uint16_t U16(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return uint16_t(b[0] | b[1] << 8);
}
int64_t Even(int64_t n) { return n + (n & 1); }

[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }

// An icon or cursor file of an "icon" sub-chunk, with what the frame takes from its directory.
struct TFrameIcon {
  std::unique_ptr<TIcon> icon;
  bool isIcon = false;
  POINT hotSpot{0, 0};
  uint16_t colors = 0;  // the most of its palette images
};

// None when the data is not an icon or cursor file or does not decode.
TFrameIcon LoadFrameIcon(std::string data) {
  TFrameIcon frame;
  if (data.size() < 6) return frame;
  unsigned type = U16(data.data() + 2);
  if (type != 1 && type != 2) return frame;
  frame.isIcon = type == 1;
  data[2] = 1;
  size_t count = U16(data.data() + 4);
  if (count > (data.size() - 6) / 16) return frame;
  for (size_t i = 0; i < count; ++i) {
    const char* entry = data.data() + 6 + 16 * i;
    uint64_t offset = U32(entry + 12);
    if (offset <= data.size() && data.size() - offset >= 16) {
      unsigned bits = U16(data.data() + offset + 14);
      uint16_t colors = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
      frame.colors = std::max(frame.colors, colors);
    }
    frame.hotSpot = POINT{U16(entry + 4), U16(entry + 6)};
  }
  try {
    frame.icon.reset(TIcon::Create());
    TStringStream stream(std::move(data));
    frame.icon->LoadFromStream(&stream);
  } catch (const Exception&) {
    frame.icon.reset();
    return frame;
  }
  if (frame.isIcon) frame.hotSpot = POINT{frame.icon->Width() / 2, frame.icon->Height() / 2};
  return frame;
}

}  // namespace

class TAnimatedCursorImage::TReader {
 public:
  TReader(TAnimatedCursorImage& image, std::string bytes) : image_(image), bytes_(std::move(bytes)) {}

  void Read() {
    TChunkTag riff;
    char form[4];
    if (!Tag(riff) || std::memcmp(riff.id, "RIFF", 4) != 0 || !Take(form, 4) || std::memcmp(form, "ACON", 4) != 0)
      ReadError();
    image_.Clear();
    for (TChunkTag chunk; Tag(chunk);)
      if (!Chunk(chunk)) break;
    auto& frames = image_.frames_;
    frames.erase(std::remove_if(frames.begin(), frames.end(), [](const auto& f) { return !f->Icon(); }), frames.end());
    image_.header_.stepCount = uint32_t(frames.size());
    if (frames.empty()) ReadError();
  }

 private:
  int64_t Left() const { return int64_t(bytes_.size() - at_); }
  bool Take(void* out, int64_t n) {
    if (n < 0 || n > Left()) return false;
    std::memcpy(out, bytes_.data() + at_, size_t(n));
    at_ += size_t(n);
    return true;
  }
  bool Skip(int64_t n) {
    if (n < 0 || n > Left()) return false;
    at_ += size_t(n);
    return true;
  }
  bool Tag(TChunkTag& tag) {
    char raw[8];
    if (!Take(raw, 8)) return false;
    std::memcpy(tag.id, raw, 4);
    tag.size = U32(raw + 4);
    return true;
  }
  static bool Is(const TChunkTag& tag, const char* id) { return std::memcmp(tag.id, id, 4) == 0; }

  // False ends the walk.
  bool Chunk(const TChunkTag& chunk) {
    if (Is(chunk, "anih")) return Header(chunk.size);
    if (Is(chunk, "rate")) return Values(chunk.size, rates_, [](TIconFrame& f, uint32_t v) { f.displayRate_ = v; });
    if (Is(chunk, "seq "))
      return Values(chunk.size, sequences_, [](TIconFrame& f, uint32_t v) { f.sequence_ = int32_t(v); });
    if (Is(chunk, "LIST")) return List(chunk.size);
    return Skip(Even(chunk.size));
  }

  bool Header(uint32_t size) {
    char raw[36] = {};
    int64_t kept = std::min<int64_t>(size, 36);
    if (!Take(raw, kept) || !Skip(Even(size) - kept)) return false;
    TAniHeader& h = image_.header_;
    uint32_t* fields[] = {&h.headerSize, &h.frameCount, &h.stepCount,   &h.width, &h.height,
                          &h.bitCount,   &h.planes,     &h.displayRate, &h.flags};
    for (size_t i = 0; i < 9; ++i) *fields[i] = U32(raw + 4 * i);
    if (!(h.flags & kAniIconFrames) || h.stepCount == 0) ReadError();
    // A frame per step when the steps are more (their rates and sequence numbers pick the icons), bounded by
    // the bytes left: a frame beyond one per 4 of them could get neither a sequence number nor an icon.
    int64_t count = std::min<int64_t>(std::max(h.frameCount, h.stepCount), Left() / 4);
    for (int64_t i = 0; i < count; ++i) image_.frames_.emplace_back(TIconFrame::Create(int32_t(i), h.displayRate));
    return true;
  }

  // The chunk's 32-bit values fill the frames from the one after the last value of earlier such chunks.
  template <class Set>
  bool Values(uint32_t size, size_t& next, Set set) {
    if (int64_t(Even(size)) > Left()) return false;
    size_t count = (size_t(size) + 3) / 4;
    for (size_t i = 0; i < count; ++i, ++next) {
      char raw[4] = {};
      std::memcpy(raw, bytes_.data() + at_ + 4 * i, std::min<size_t>(4, size - 4 * i));
      if (next < image_.frames_.size()) set(*image_.frames_[next], U32(raw));
    }
    return Skip(Even(size));
  }

  bool List(uint32_t size) {
    int64_t remaining = Even(size);
    char type[4];
    if (!Take(type, 4)) return false;
    remaining -= 4;
    if (std::memcmp(type, "fram", 4) == 0) {
      Frames(remaining);
      return true;
    }
    if (std::memcmp(type, "INFO", 4) == 0) {
      Info(remaining);
      return true;
    }
    return Skip(Even(remaining));
  }

  void Frames(int64_t remaining) {
    while (remaining >= 8) {
      TChunkTag sub;
      if (!Tag(sub)) return;
      remaining -= 8;
      if (Is(sub, "icon")) {
        if (sub.size > Left()) return;
        TFrameIcon icon = LoadFrameIcon(bytes_.substr(at_, sub.size));
        if (!Skip(Even(sub.size))) Skip(sub.size);  // the last pad byte may be missing
        if (!icon.icon) return;
        Distribute(icon, sub);
      } else if (!Skip(Even(sub.size))) {
        return;
      }
      remaining -= Even(sub.size);
    }
  }

  void Distribute(const TFrameIcon& icon, const TChunkTag& sub) {
    image_.maxIconColors_ = std::max(image_.maxIconColors_, icon.colors);
    bool matched = false;
    for (auto& frame : image_.frames_)
      if (frame->sequence_ == int32_t(iconsSeen_)) {
        Give(*frame, icon, sub);
        matched = true;
      }
    if (!matched) {
      image_.frames_.emplace_back(TIconFrame::Create(-1, image_.header_.displayRate));
      Give(*image_.frames_.back(), icon, sub);
    }
    ++iconsSeen_;
  }

  // Each frame owns a copy of the icon.
  static void Give(TIconFrame& frame, const TFrameIcon& icon, const TChunkTag& sub) {
    frame.SetIcon(icon.icon.get());
    frame.tag_ = sub;
    frame.hotSpot_ = icon.hotSpot;
    frame.isIcon_ = icon.isIcon;
  }

  void Info(int64_t remaining) {
    while (remaining >= 8) {
      TChunkTag sub;
      if (!Tag(sub)) return;
      remaining -= 8;
      bool title = Is(sub, "INAM"), artist = Is(sub, "IART");
      if (title || artist) {
        if (remaining < int64_t(sub.size) || sub.size > Left()) return;
        std::string text = bytes_.substr(at_, std::min<size_t>(sub.size, 255));
        text = text.substr(0, text.find('\0'));
        (title ? image_.title_ : image_.artist_) = text;
      }
      if (!Skip(Even(sub.size)) && !Skip(sub.size)) return;
      remaining -= Even(sub.size);
    }
  }

  TAnimatedCursorImage& image_;
  std::string bytes_;
  size_t at_ = 0;
  size_t iconsSeen_ = 0, rates_ = 0, sequences_ = 0;
};

void TAnimatedCursorImage::LoadFromStream(TStream* stream) {
  int64_t size = std::max<int64_t>(stream->Size() - stream->Position(), 0);
  std::string bytes(size_t(size), '\0');
  stream->ReadBuffer(bytes.data(), size);
  if (bytes.empty()) return;
  TReader(*this, std::move(bytes)).Read();
}
