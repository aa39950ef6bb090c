// The popularity method: the most frequent colours of a hash table that drops low channel bits whenever it
// fills up.
#include <algorithm>
#include <cstring>

#include "wizard-components/WkGraphReduce.h"

namespace {

constexpr int kMaxEntries = 2049;
constexpr int kSlots = 5191;
constexpr uint16_t kEmpty = 0xFFFF;

struct TPopularityEntry {
  uint8_t blue, green, red;
  uint32_t count;
  uint8_t index;
};

struct TPopularityTable {
  int32_t count;
  uint8_t redMask, greenMask, blueMask;
  TPopularityEntry entries[kMaxEntries];
  uint16_t slots[kSlots];
};
static_assert(sizeof(TPopularityTable) == 34980, "the table is one block of 34980 bytes");

struct TMasked {
  uint8_t blue, green, red;
};

TMasked Mask(const TPopularityTable& t, uint8_t blue, uint8_t green, uint8_t red) {
  return TMasked{uint8_t(blue & t.blueMask), uint8_t(green & t.greenMask), uint8_t(red & t.redMask)};
}

// The slot that holds the colour's entry, or the empty one where it goes.
uint16_t& SlotOf(TPopularityTable& t, const TMasked& c) {
  int slot = (c.red + c.green) * (c.green + c.blue) * (c.blue + c.red) % kSlots;
  for (;; slot = slot + 1 == kSlots ? 0 : slot + 1) {
    uint16_t e = t.slots[slot];
    if (e == kEmpty) return t.slots[slot];
    const TPopularityEntry& entry = t.entries[e];
    if (entry.blue == c.blue && entry.green == c.green && entry.red == c.red) return t.slots[slot];
  }
}

void Clear(TPopularityTable& t) {
  t.count = 0;
  std::fill(std::begin(t.slots), std::end(t.slots), kEmpty);
}

// Drops one more low bit of one channel: green when red < green, else red when red > blue, else blue.
void Narrow(TPopularityTable& t) {
  uint8_t& mask = t.redMask < t.greenMask ? t.greenMask : t.redMask > t.blueMask ? t.redMask : t.blueMask;
  mask = uint8_t(mask << 1);
}

// Counts the masked colours, starting afresh with narrower masks whenever a new colour finds the table full.
void Count(TPopularityTable& t, const TDibPixels& pixels) {
  for (;;) {
    Clear(t);
    bool counted = EachPixel24(pixels, [&t](uint8_t blue, uint8_t green, uint8_t red) {
      TMasked c = Mask(t, blue, green, red);
      uint16_t& slot = SlotOf(t, c);
      if (slot != kEmpty) {
        ++t.entries[slot].count;
        return true;
      }
      if (t.count == kMaxEntries) return false;
      t.entries[t.count] = TPopularityEntry{c.blue, c.green, c.red, 1, 0};
      slot = uint16_t(t.count++);
      return true;
    });
    if (counted) return;
    Narrow(t);
  }
}

int64_t Distance(const TPopularityEntry& e, const RGBQUAD& q) {
  int db = e.blue - q.rgbBlue, dg = e.green - q.rgbGreen, dr = e.red - q.rgbRed;
  return int64_t(db) * db + int64_t(dg) * dg + int64_t(dr) * dr;
}

// The most frequent entries become the table; every other entry takes its nearest table colour.
void MakeTable(TPopularityTable& t, RGBQUAD* table, int wanted) {
  int used = std::min(wanted, int(t.count));
  for (int i = 0; i < used; ++i) {
    TPopularityEntry* best = &t.entries[0];
    for (int e = 1; e < t.count; ++e)
      if (t.entries[e].count > best->count) best = &t.entries[e];
    table[i] = RGBQUAD{best->blue, best->green, best->red, 0};
    best->index = uint8_t(i);
    best->count = 0;
  }
  for (int i = used; i < 256; ++i) table[i] = RGBQUAD{128, 128, 128, 0};
  for (int e = 0; e < t.count; ++e) {
    TPopularityEntry& entry = t.entries[e];
    if (!entry.count) continue;
    int nearest = 0;
    int64_t nearestDistance = Distance(entry, table[0]);
    for (int i = 1; i < used; ++i) {
      int64_t d = Distance(entry, table[i]);
      if (d < nearestDistance) nearest = i, nearestDistance = d;
    }
    entry.index = uint8_t(nearest);
  }
}

}  // namespace

void ReducePopularity(TDibPixels& pixels, RGBQUAD* table, int wanted) {
  TWorkBlock block(sizeof(TPopularityTable));
  TPopularityTable& t = *block.As<TPopularityTable>();
  t.redMask = t.greenMask = t.blueMask = 255;
  Count(t, pixels);
  MakeTable(t, table, wanted);
  MapPixels(pixels, [&t](uint8_t blue, uint8_t green, uint8_t red, int, int) {
    return t.entries[SlotOf(t, Mask(t, blue, green, red))].index;
  });
}
