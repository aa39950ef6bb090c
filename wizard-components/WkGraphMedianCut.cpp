// The median-cut method: boxes of a 4-bit-per-channel histogram cut at their median until there are enough.
#include <algorithm>
#include <cstring>

#include "wizard-components/WkGraphReduce.h"

namespace {

constexpr int kCells = 4096;
constexpr int kMaxBoxes = 256;
constexpr int32_t kNone = -1;

struct TCell {
  uint8_t component[3];  // red, green, blue (4 bits each)
  uint8_t index;
  uint32_t count;
  int32_t next;  // the next cell of the same box
};

// Bounds on the 0 to 255 scale (component x 16), per axis red, green, blue.
struct TBox {
  uint8_t low[3], extent[3];
  uint32_t cells, pixels;
  int32_t first;
};

struct TMedianCut {
  TCell cells[kCells];
  TBox boxes[kMaxBoxes];
  int32_t order[kCells];  // a box's cells while they are sorted
};
static_assert(sizeof(TMedianCut) == 70656, "the work block is 70656 bytes");

int CellNumber(uint8_t blue, uint8_t green, uint8_t red) { return (red >> 4) << 8 | (green >> 4) << 4 | blue >> 4; }

// Ascending by the component on the axis: insertion below 8 cells (each before every earlier one that is
// equal or greater), else partitioned around the middle cell, the smaller part first.
void SortCells(int32_t* a, int n, const TCell* cells, int axis) {
  auto key = [&](int i) { return cells[a[i]].component[axis]; };
  while (n >= 8) {
    uint8_t pivot = key(n / 2);
    int i = -1, j = n;
    for (;;) {
      do ++i;
      while (key(i) < pivot);
      do --j;
      while (key(j) > pivot);
      if (i >= j) break;
      std::swap(a[i], a[j]);
    }
    int lower = j + 1, upper = n - lower;
    if (lower <= upper) {
      SortCells(a, lower, cells, axis);
      a += lower;
      n = upper;
    } else {
      SortCells(a + lower, upper, cells, axis);
      n = lower;
    }
  }
  for (int i = 1; i < n; ++i) {
    int32_t cell = a[i];
    int j = i;
    for (; j > 0 && cells[a[j - 1]].component[axis] >= cells[cell].component[axis]; --j) a[j] = a[j - 1];
    a[j] = cell;
  }
}

// The box with more than one cell and the largest extent on any axis (the first box and axis on a tie);
// false when every box holds one cell or none.
bool WidestBox(const TMedianCut& w, int boxes, int& box, int& axis) {
  int widest = -1;
  for (int b = 0; b < boxes; ++b) {
    if (w.boxes[b].cells <= 1) continue;
    for (int a = 0; a < 3; ++a)
      if (w.boxes[b].extent[a] > widest) widest = w.boxes[b].extent[a], box = b, axis = a;
  }
  return widest >= 0;
}

// Cuts a box on an axis where its sorted cells reach half its pixels; the second part becomes box `added`.
void Cut(TMedianCut& w, int box, int axis, int added) {
  TBox& old = w.boxes[box];
  int n = 0;
  for (int32_t c = old.first; c != kNone; c = w.cells[c].next) w.order[n++] = c;
  SortCells(w.order, n, w.cells, axis);
  for (int i = 0; i + 1 < n; ++i) w.cells[w.order[i]].next = w.order[i + 1];
  w.cells[w.order[n - 1]].next = kNone;
  old.first = w.order[0];

  uint32_t half = old.pixels / 2, taken = w.cells[w.order[0]].count;
  int last = 0;  // the last cell of the first part
  while (last + 2 < n && taken + w.cells[w.order[last + 1]].count <= half) taken += w.cells[w.order[++last]].count;

  TBox& cut = w.boxes[added];
  cut = old;
  cut.first = w.order[last + 1];
  cut.cells = uint32_t(n - last - 1);
  cut.pixels = old.pixels - taken;
  uint8_t from = uint8_t(w.cells[cut.first].component[axis] * 16);
  cut.low[axis] = from;
  cut.extent[axis] = uint8_t(old.low[axis] + old.extent[axis] - from);
  w.cells[w.order[last]].next = kNone;
  old.cells = uint32_t(last + 1);
  old.pixels = taken;
  old.extent[axis] = uint8_t(w.cells[w.order[last]].component[axis] * 16 - old.low[axis]);
}

// The mean of a box's distinct cells, black when every channel is 16 or less; its cells take index k.
RGBQUAD BoxColour(TMedianCut& w, const TBox& box, int k) {
  uint32_t sum[3] = {0, 0, 0};
  for (int32_t c = box.first; c != kNone; c = w.cells[c].next) {
    for (int a = 0; a < 3; ++a) sum[a] += w.cells[c].component[a];
    w.cells[c].index = uint8_t(k);
  }
  uint8_t mean[3];
  for (int a = 0; a < 3; ++a) mean[a] = uint8_t((16 * sum[a] + 15) / box.cells);
  if (mean[0] <= 16 && mean[1] <= 16 && mean[2] <= 16) return RGBQUAD{0, 0, 0, 0};
  return RGBQUAD{mean[2], mean[1], mean[0], 0};
}

}  // namespace

int ReduceMedianCut(TDibPixels& pixels, RGBQUAD* table, int wanted) {
  wanted = std::clamp(wanted, 1, kMaxBoxes);
  TWorkBlock block(sizeof(TMedianCut)), cellsOfPixels(2 * pixels.Count());
  TMedianCut& w = *block.As<TMedianCut>();
  uint16_t* cellOf = cellsOfPixels.As<uint16_t>();
  for (int c = 0; c < kCells; ++c)
    w.cells[c] = TCell{{uint8_t(c >> 8), uint8_t(c >> 4 & 15), uint8_t(c & 15)}, 0, 0, kNone};
  size_t p = 0;
  EachPixel24(pixels, [&](uint8_t blue, uint8_t green, uint8_t red) {
    int c = CellNumber(blue, green, red);
    ++w.cells[c].count;
    cellOf[p++] = uint16_t(c);
    return true;
  });

  for (TBox& box : w.boxes) box = TBox{{0, 0, 0}, {255, 255, 255}, 0, 0, kNone};
  int32_t* tail = &w.boxes[0].first;
  for (int c = 0; c < kCells; ++c) {
    if (!w.cells[c].count) continue;
    *tail = c;
    tail = &w.cells[c].next;
    ++w.boxes[0].cells;
  }
  w.boxes[0].pixels = uint32_t(pixels.Count());
  int boxes = 1, box = 0, axis = 0;
  while (boxes < wanted && WidestBox(w, boxes, box, axis)) Cut(w, box, axis, boxes++);
  if (!w.boxes[0].cells) boxes = 0;  // no pixels

  std::memset(table, 0, 256 * sizeof(RGBQUAD));
  for (int k = 0; k < boxes; ++k) table[k] = BoxColour(w, w.boxes[k], k);
  std::memset(pixels.bits, 0, pixels.Stride8() * size_t(pixels.height));
  p = 0;
  for (int y = 0; y < pixels.height; ++y) {
    uint8_t* row = pixels.bits + size_t(y) * pixels.Stride8();
    for (int x = 0; x < pixels.width; ++x) row[x] = w.cells[cellOf[p++]].index;
  }
  return boxes;
}
