// The reduction methods of WkGraph, through BitmapToDibStream at 8 bits.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "WkGraphTestSupport.h"
#include "wizard-components/WkGraph.h"
#include "wizard-components/WkGraphReduce.h"

namespace {

using namespace wkgraph_test;

// The 14-byte file header and 40-byte information header of an 8-bit file of the size.
std::string Header8(int width, int height, uint32_t important) {
  uint32_t image = uint32_t((width + 3) / 4 * 4 * height);
  return "BM" + Le32(1078 + image) + Le32(0) + Le32(1078) + Le32(40) + Le32(uint32_t(width)) + Le32(uint32_t(height)) +
         Le16(1) + Le16(8) + Le32(0) + Le32(image) + Le32(0) + Le32(0) + Le32(0) + Le32(important);
}

// Four pixels a row, two rows, with channel values on both sides of the levels' midpoints and on the ties.
std::unique_ptr<TBitmap> LevelFixture() {
  const uint32_t top[] = {0x40122A, 0x955B2B, 0xEAED80, 0xFFFFFF}, bottom[] = {0x000000, 0x15367F, 0x1637D4, 0xC8A4D5};
  return Bitmap24(4, 2, [&](int x, int y) { return y == 0 ? top[x] : bottom[x]; });
}

std::vector<RGBQUAD> LevelTable(const std::vector<uint8_t>& red, const std::vector<uint8_t>& green,
                                const std::vector<uint8_t>& blue) {
  std::vector<RGBQUAD> table(256, RGBQUAD{128, 128, 128, 128});
  size_t i = 0;
  for (uint8_t r : red)
    for (uint8_t g : green)
      for (uint8_t b : blue) table[i++] = RGBQUAD{b, g, r, 0};
  return table;
}

TEST(WkGraph, TheFixedMethodsWriteTheHandComputedFiles) {
  const std::vector<uint8_t> levels4 = {0, 85, 170, 255}, levels6 = {0, 51, 102, 153, 204, 255},
                             levels7 = {0, 43, 85, 128, 170, 213, 255}, levels8 = {0, 36, 73, 109, 146, 182, 219, 255};
  std::vector<RGBQUAD> ramps(256, RGBQUAD{0, 0, 0, 0}), greys(256);
  for (int i = 0; i < 64; ++i) {
    ramps[size_t(i)].rgbRed = ramps[size_t(64 + i)].rgbGreen = ramps[size_t(128 + i)].rgbBlue = uint8_t(4 * i);
  }
  for (int i = 0; i < 256; ++i) greys[size_t(i)] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  struct Case {
    ReductionMethod method;
    uint32_t important;
    std::vector<RGBQUAD> table;
    std::vector<uint8_t> pixels;  // storage order: the bottom row first
  } cases[] = {
      {rmLevels784, 224, LevelTable(levels7, levels8, levels4), {0, 5, 42, 179, 32, 105, 186, 223}},
      {rmLevels666, 216, LevelTable(levels6, levels6, levels6), {0, 8, 10, 166, 37, 121, 213, 215}},
      {rmChannelCycle, 0, ramps, {0, 77, 181, 50, 68, 138, 58, 127}},
      {rmGrayscale, 0, greys, {0, 52, 62, 180, 34, 103, 223, 255}},
  };
  std::unique_ptr<TBitmap> bitmap = LevelFixture();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    std::string expected = Header8(4, 2, c.important) + Table(c.table) + std::string(c.pixels.begin(), c.pixels.end());
    EXPECT_EQ(Hex(Converted(*bitmap, 8, c.method)), Hex(expected));
  }
}

TEST(WkGraph, PaddingOf8BitRowsKeepsThe24BitBytesButMedianCutZeroFills) {
  // Two pixels a row: the 8-bit rows end where the first pixel's red and the second's blue were, then in
  // the first row's padding.
  std::unique_ptr<TBitmap> bitmap =
      Bitmap24(2, 2, [](int x, int y) { return y == 0 ? (x ? 0x28323Cu : 0x0A141Eu) : (x ? 0x646E78u : 0x46505Au); });
  TBmpFile grey = ParseBmp(Converted(*bitmap, 8, rmGrayscale));
  EXPECT_EQ(Hex(grey.pixels), "4e6c467812300000");
  TBmpFile cut = ParseBmp(Converted(*bitmap, 8, rmMedianCut));
  ASSERT_EQ(cut.pixels.size(), 8u);
  for (size_t i : {2, 3, 6, 7}) EXPECT_EQ(cut.pixels[i], 0) << i;
}

TEST(WkGraph, PopularityKeepsAPictureOf256ColoursOrFewerExactly) {
  // 200 colours over 256 pixels in storage order: the first 56 twice, so they come first.
  auto colour = [](int s) {
    int i = s % 200;
    return uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i * 37 & 255);
  };
  std::unique_ptr<TBitmap> bitmap = Bitmap24(16, 16, [&](int x, int y) { return colour((15 - y) * 16 + x); });
  TBmpFile f = ParseBmp(Converted(*bitmap, 8, rmPopularity));
  EXPECT_EQ(f.info.biClrImportant, 0u);
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD& q = f.table[size_t(i)];
    uint32_t got = uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    EXPECT_EQ(got, i < 200 ? colour(i) : 0x808080u) << i;
    EXPECT_EQ(q.rgbReserved, 0) << i;
  }
  for (int s = 0; s < 256; ++s) EXPECT_EQ(f.Index8(s % 16, s / 16), s % 200) << s;
}

TEST(WkGraph, PopularityNarrowsBlueThenRedThenGreenWhenTheTableFills) {
  // Colour k: its three low bits spread over red, green and blue, the rest of k above them; the colour of
  // k = 7 (all low bits set) is the most frequent.
  auto colour = [](int k) {
    int a = k & 7, m = k >> 3;
    int red = (m % 32) * 8 | (a >> 1 & 1), green = (m / 32) * 4 | a >> 2, blue = 20 | (a & 1);
    return uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
  };
  struct Case {
    int colours;
    uint8_t red, green, blue;  // the masks it ends with
  } cases[] = {{2049, 255, 255, 255}, {2050, 255, 255, 254}, {4400, 254, 255, 254}, {8800, 254, 254, 254}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colours);
    int width = 100, height = (c.colours + 10) / width + 1;
    std::unique_ptr<TBitmap> bitmap = Bitmap24(width, height, [&](int x, int y) {
      int s = (height - 1 - y) * width + x;
      return colour(s < c.colours ? s : 7);
    });
    TBmpFile f = ParseBmp(Converted(*bitmap, 8, rmPopularity));
    uint32_t masks = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
    EXPECT_EQ(f.Colour8(7, 0), colour(7) & masks);
    EXPECT_EQ(f.Index8(7, 0), 0);
    std::set<uint32_t> used;
    for (int s = 0; s < width * height; ++s) {
      uint32_t got = f.Colour8(s % width, s / width), wanted = colour(s < c.colours ? s : 7) & masks;
      used.insert(got);
      // Each pixel takes the nearest of the table's colours (the first on a tie).
      int nearest = 0;
      int64_t best = INT64_MAX;
      for (int i = 0; i < 256; ++i) {
        const RGBQUAD& q = f.table[size_t(i)];
        int dr = q.rgbRed - int(wanted >> 16), dg = q.rgbGreen - int(wanted >> 8 & 255),
            db = q.rgbBlue - int(wanted & 255);
        int64_t d = int64_t(dr) * dr + dg * dg + db * db;
        if (d < best) best = d, nearest = i;
      }
      ASSERT_EQ(f.Index8(s % width, s / width), nearest) << s;
    }
    EXPECT_EQ(used.size(), 256u);
    for (uint32_t u : used) EXPECT_EQ(u & masks, u);
  }
}

// The entry that the median cut gives a box of distinct 4-bit cells: black when every channel is 16 or less.
uint32_t BoxMean(const std::set<int>& cells) {
  int sum[3] = {0, 0, 0};
  for (int c : cells) sum[0] += c >> 8, sum[1] += c >> 4 & 15, sum[2] += c & 15;
  int n = int(cells.size()), r = (16 * sum[0] + 15) / n, g = (16 * sum[1] + 15) / n, b = (16 * sum[2] + 15) / n;
  if (r <= 16 && g <= 16 && b <= 16) return 0;
  return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

int Cell(uint32_t rgb) { return int(rgb >> 20 & 15) << 8 | int(rgb >> 12 & 15) << 4 | int(rgb >> 4 & 15); }

TEST(WkGraph, MedianCutGivesEachCellColourItsBoxAndDarkMeansBlack) {
  struct Case {
    const char* what;
    std::vector<uint32_t> colours;
    std::vector<uint32_t> entries;
  } cases[] = {
      {"one colour", {0xC86432}, {0xCF6F3F}},
      {"one dark colour: black", {0x0A0A0A}, {0x000000}},
      {"a red of cell 1 is not dark", {0x100000}, {0x1F0F0F}},
      {"two cells, never cut further", {0x050505, 0xC86432, 0xC86432}, {0x000000, 0xCF6F3F}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int n = int(c.colours.size());
    std::unique_ptr<TBitmap> bitmap = Bitmap24(n, 3, [&](int x, int) { return c.colours[size_t(x)]; });
    TBmpFile f = ParseBmp(Converted(*bitmap, 8, rmMedianCut));
    EXPECT_EQ(f.info.biClrImportant, c.entries.size());
    std::set<uint32_t> got;
    for (int x = 0; x < n; ++x) got.insert(f.Colour8(x, 0));
    EXPECT_EQ(got, std::set<uint32_t>(c.entries.begin(), c.entries.end()));
    for (size_t i = c.entries.size(); i < 256; ++i) EXPECT_EQ(Table({f.table[i]}), std::string(4, '\0')) << i;
  }
}

TEST(WkGraph, MedianCutCutsTheWidestBoxWhereItsSortedCellsReachHalfItsPixels) {
  // Reds of the cells 0, 2, 4 and 6 (green and blue 0) in 1, 1, 2 and 4 pixels. The first cut (red, all
  // extents 255) keeps cells up to half the pixels, 4, in the first box but leaves it the last cell: {0, 2, 4}
  // and {6}. The second cuts box 0, whose red extent is now 64, on green (255): equal greens sort in reverse,
  // 4, 2, 0, and cell 4 alone holds half its pixels: {4} and {2, 0}.
  const uint8_t reds[] = {0, 32, 64, 64, 96, 96, 96, 96};
  struct Case {
    int wanted;
    std::vector<uint32_t> entries;
    std::vector<uint8_t> indexes;
  } cases[] = {
      {2, {0x250505, 0x6F0F0F}, {0, 0, 0, 0, 1, 1, 1, 1}},
      {3, {0x4F0F0F, 0x6F0F0F, 0x170707}, {2, 2, 0, 0, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wanted);
    std::vector<uint8_t> bits(24, 0);
    for (int x = 0; x < 8; ++x) bits[size_t(3 * x + 2)] = reds[x];
    TDibPixels pixels{bits.data(), 8, 1};
    std::vector<RGBQUAD> table(256, RGBQUAD{1, 1, 1, 1});
    ASSERT_EQ(ReduceMedianCut(pixels, table.data(), c.wanted), c.wanted);
    for (size_t i = 0; i < 256; ++i) {
      const RGBQUAD& q = table[i];
      EXPECT_EQ(uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue | uint32_t(q.rgbReserved) << 24,
                i < c.entries.size() ? c.entries[i] : 0u)
          << i;
    }
    EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + 8), c.indexes);
  }
}

TEST(WkGraph, MedianCutOfGradientsMakesBoxesOfCellsWithTheirMeans) {
  struct Case {
    const char* what;
    int width, height;
    uint32_t (*rgb)(int x, int y);
    size_t cells;  // distinct 4-bit cells
  } cases[] = {
      {"fewer cells than colours: one box each", 16, 8,
       [](int x, int y) { return uint32_t(x * 16 << 16 | y * 20 << 8 | 3); }, 128},
      {"many cells", 64, 64, [](int x, int y) { return uint32_t(x * 4 << 16 | y * 4 << 8 | (255 - x - y)); }, 320},
      {"many pixels of few cells and many rare ones", 80, 40,
       [](int x, int y) {
         return x < 70 ? 0x203040u * uint32_t(x / 10) : uint32_t(x * 3 << 16 | y * 6 << 8 | (x * y & 255));
       },
       293},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TBitmap> bitmap = Bitmap24(c.width, c.height, c.rgb);
    std::set<int> cells;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) cells.insert(Cell(c.rgb(x, y)));
    EXPECT_EQ(cells.size(), c.cells);
    size_t colours = std::min<size_t>(cells.size(), 256);
    TBmpFile f = ParseBmp(Converted(*bitmap, 8, rmMedianCut));
    ASSERT_EQ(f.info.biClrImportant, colours);
    std::map<int, int> indexOfCell;
    std::map<int, std::set<int>> cellsOfIndex;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        int cell = Cell(c.rgb(x, c.height - 1 - y)), index = f.Index8(x, y);
        ASSERT_LT(size_t(index), colours);
        auto known = indexOfCell.emplace(cell, index);
        ASSERT_EQ(known.first->second, index) << "one cell, one index";
        cellsOfIndex[index].insert(cell);
      }
    ASSERT_EQ(cellsOfIndex.size(), colours) << "every box has cells";
    for (const auto& [index, cells] : cellsOfIndex) {
      const RGBQUAD& q = f.table[size_t(index)];
      EXPECT_EQ(uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue, BoxMean(cells)) << index;
    }
  }
}

}  // namespace
