#include "platform/winapi/Bitmaps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/winapi/Brushes.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/tests/GdiTestSupport.h"

namespace {

using gditest::Dib;
using gditest::MemoryCanvas;
using gditest::Mono;

constexpr RGBQUAD kBlack{0, 0, 0, 0}, kWhite{255, 255, 255, 0};

// The four combinations of a source and a destination bit, as columns 0..3: source 0011, destination 0101.
std::string RopOnMono(DWORD rop, COLORREF brush) {
  MemoryCanvas src(Mono(4, 1)), dst(Mono(4, 1));
  for (int x = 0; x < 4; ++x) {
    SetPixel(src.dc(), x, 0, x >= 2 ? RGB(255, 255, 255) : 0);
    SetPixel(dst.dc(), x, 0, x & 1 ? RGB(255, 255, 255) : 0);
  }
  HBRUSH b = CreateSolidBrush(brush);
  HGDIOBJ old = SelectObject(dst.dc(), AsGdiObject(b));
  EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, rop));
  SelectObject(dst.dc(), old);
  DeleteObject(b);
  std::string out;
  for (int x = 0; x < 4; ++x) out += GetPixel(dst.dc(), x, 0) ? '1' : '0';
  return out;
}

TEST(Bitmaps, RasterOperationsFollowTheirTruthTables) {
  struct Case {
    DWORD rop;
    const char* black;  // with a black pattern
    const char* white;  // with a white pattern
  } cases[] = {
      {SRCCOPY, "0011", "0011"},    {SRCAND, "0001", "0001"},    {SRCPAINT, "0111", "0111"},
      {NOTSRCCOPY, "1100", "1100"}, {SRCINVERT, "0110", "0110"}, {SRCERASE, "0010", "0010"},
      {MERGEPAINT, "1101", "1101"}, {PATCOPY, "0000", "1111"},   {MERGECOPY, "0000", "0011"},
      {PATINVERT, "0101", "1010"},  {DSTINVERT, "1010", "1010"}, {BLACKNESS, "0000", "0000"},
      {WHITENESS, "1111", "1111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rop);
    EXPECT_EQ(RopOnMono(c.rop, 0), c.black);
    EXPECT_EQ(RopOnMono(c.rop, RGB(255, 255, 255)), c.white);
  }
}

TEST(Bitmaps, RasterOperationsOnColourWorkOnTheRgbValue) {
  struct Case {
    DWORD rop;
    COLORREF expected;
  } cases[] = {
      {SRCCOPY, 0x563412}, {SRCAND, 0x060402}, {SRCPAINT, 0x5F3F1F}, {NOTSRCCOPY, 0xA9CBED}, {SRCINVERT, 0x593B1D},
  };
  for (int bits : {24, 32}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << bits << " bits, rop " << std::hex << c.rop);
      MemoryCanvas src(Dib(1, 1, bits)), dst(Dib(1, 1, bits));
      SetPixel(src.dc(), 0, 0, 0x563412);
      SetPixel(dst.dc(), 0, 0, 0x0F0F0F);
      ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, c.rop));
      EXPECT_EQ(GetPixel(dst.dc(), 0, 0), c.expected);
    }
  }
  // On an indexed destination the operation works on the indexes: 2 OR 1 is index 3.
  std::vector<RGBQUAD> table{kBlack, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  MemoryCanvas src(Dib(1, 1, 4, table)), dst(Dib(1, 1, 4, table));
  SetPixel(src.dc(), 0, 0, RGB(0, 255, 0));
  SetPixel(dst.dc(), 0, 0, RGB(255, 0, 0));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCPAINT));
  EXPECT_EQ(GetPixel(dst.dc(), 0, 0), RGB(0, 0, 255));
}

TEST(Bitmaps, ColourToMonochromeMarksTheSourceBackgroundColour) {
  struct Case {
    COLORREF background, pixel;
    bool white;
  } cases[] = {
      {RGB(255, 255, 255), RGB(255, 255, 255), true},  {RGB(255, 255, 255), RGB(254, 255, 255), false},
      {RGB(12, 34, 56), RGB(12, 34, 56), true},        {RGB(12, 34, 56), RGB(255, 255, 255), false},
      {PALETTERGB(12, 34, 56), RGB(12, 34, 56), true}, {RGB(0, 0, 0), RGB(0, 0, 0), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.background << " " << c.pixel);
    MemoryCanvas src(Dib(1, 1, 24)), dst(Mono(1, 1));
    SetPixel(src.dc(), 0, 0, c.pixel);
    SetBkColor(src.dc(), c.background);
    // The destination's colours play no part.
    SetBkColor(dst.dc(), RGB(1, 2, 3));
    SetTextColor(dst.dc(), RGB(4, 5, 6));
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.dc(), 0, 0), c.white ? RGB(255, 255, 255) : 0u);
  }
}

TEST(Bitmaps, MonochromeToColourTakesTheDestinationTextAndBackgroundColours) {
  MemoryCanvas src(Mono(2, 1));
  SetPixel(src.dc(), 1, 0, RGB(255, 255, 255));
  SetBkColor(src.dc(), RGB(9, 9, 9));  // the source's colours play no part
  SetTextColor(src.dc(), RGB(8, 8, 8));
  for (int bits : {8, 24, 32}) {
    SCOPED_TRACE(bits);
    std::vector<RGBQUAD> table{kBlack, {0, 0, 200, 0}, {200, 0, 0, 0}};
    MemoryCanvas dst(Dib(2, 1, bits, table));
    SetTextColor(dst.dc(), RGB(200, 0, 0));
    SetBkColor(dst.dc(), RGB(0, 0, 200));
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 2, 1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.dc(), 0, 0), RGB(200, 0, 0));  // 0: text colour
    EXPECT_EQ(GetPixel(dst.dc(), 1, 0), RGB(0, 0, 200));  // 1: background colour
  }
  // A 1-bit DIB section is no monochrome device bitmap: its own colour table gives its colours.
  MemoryCanvas dib(Dib(2, 1, 1, {{0, 255, 0, 0}, {255, 0, 0, 0}}));
  SetPixel(dib.dc(), 1, 0, RGB(0, 0, 255));
  MemoryCanvas dst(Dib(2, 1, 24));
  SetTextColor(dst.dc(), RGB(200, 0, 0));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 2, 1, dib.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc(), 0, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dst.dc(), 1, 0), RGB(0, 0, 255));
}

// The source columns that StretchBlt samples for each destination column.
std::string Columns(int destWidth, int sourceWidth, int sx = 0) {
  int width = std::abs(sourceWidth) + std::abs(sx);
  MemoryCanvas dst(Dib(std::abs(destWidth), 1, 32));
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i) table[size_t(i)] = RGBQUAD{BYTE(i), 0, 0, 0};
  MemoryCanvas indexed(Dib(width, 1, 8, table));
  for (int x = 0; x < width; ++x) SetPixel(indexed.dc(), x, 0, RGB(0, 0, BYTE(x)));
  int x0 = destWidth < 0 ? -destWidth : 0;
  EXPECT_TRUE(StretchBlt(dst.dc(), x0, 0, destWidth, 1, indexed.dc(), sx, 0, sourceWidth, 1, SRCCOPY));
  std::string out;
  for (int x = 0; x < std::abs(destWidth); ++x) out += std::to_string(GetBValue(GetPixel(dst.dc(), x, 0)));
  return out;
}

TEST(Bitmaps, StretchingSamplesTheNearestSourcePixelByTheCentreFormula) {
  EXPECT_EQ(Columns(7, 3), "0011122");
  EXPECT_EQ(Columns(3, 7), "135");
  EXPECT_EQ(Columns(6, 3), "001122");
  EXPECT_EQ(Columns(4, 4), "0123");
  EXPECT_EQ(Columns(-4, 4), "3210");     // mirrored by a negative destination width
  EXPECT_EQ(Columns(4, -4, 4), "3210");  // or a negative source width
  EXPECT_EQ(Columns(5, 2, 1), "11222");  // from a source origin
}

TEST(Bitmaps, PixelsOutsideTheSourceOrDestinationAreNotDrawn) {
  MemoryCanvas src(Dib(2, 2, 24)), dst(Dib(3, 3, 24));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT all{0, 0, 3, 3};
  FillRect(dst.dc(), &all, red);
  DeleteObject(red);
  ASSERT_TRUE(BitBlt(dst.dc(), 1, 1, 5, 5, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc(), 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dst.dc(), 1, 1), 0u);
  EXPECT_EQ(GetPixel(dst.dc(), 2, 2), 0u);
  EXPECT_EQ(GetPixel(dst.dc(), 2, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dst.dc(), 3, 3), CLR_INVALID);
  // A blit that needs a source fails without one; one that needs none draws from nothing.
  SetLastError(0);
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(GetPixel(dst.dc(), 0, 0), RGB(255, 255, 255));
}

TEST(Bitmaps, DeviceContextAttributesAnswerTheirPreviousValues) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), 0u);
  EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
  EXPECT_EQ(GetStretchBltMode(dc), COLORONCOLOR);
  EXPECT_EQ(SetStretchBltMode(dc, 9), 0);
  EXPECT_EQ(GetMapMode(dc), MM_TEXT);
  EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
  SetLastError(0);
  EXPECT_EQ(SetMapMode(dc, 2), 0);  // MM_LOMETRIC
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetMapMode(dc), MM_TEXT);
  DeleteDC(dc);
  EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
  EXPECT_EQ(GetStretchBltMode(dc), 0);
}

TEST(Bitmaps, CompatibleBitmapsFollowTheirContext) {
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(memory, 3, 2);  // the context still holds its 1 x 1 monochrome bitmap
  BITMAP bm{};
  ASSERT_EQ(GetObject(mono, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  EXPECT_EQ(bm.bmBits, nullptr);
  HBITMAP colour = Dib(2, 2, 8);
  HGDIOBJ old = SelectObject(memory, AsGdiObject(colour));
  EXPECT_EQ(GetObjectType(old), OBJ_BITMAP);
  HBITMAP deep = CreateCompatibleBitmap(memory, 5, 4);
  ASSERT_EQ(GetObject(deep, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmWidth, 5);
  EXPECT_EQ(bm.bmHeight, 4);
  EXPECT_EQ(bm.bmWidthBytes, 20);
  EXPECT_EQ(SelectObject(memory, old), AsGdiObject(colour));
  DeleteDC(memory);
  for (HBITMAP b : {mono, colour, deep}) EXPECT_TRUE(DeleteObject(b));
  EXPECT_EQ(CreateBitmap(2, 2, 2, 1, nullptr), nullptr);
}

TEST(Bitmaps, GetObjectDescribesADibSection) {
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 12);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *h = BITMAPINFOHEADER{40, 5, -3, 1, 16, BI_BITFIELDS, 0, 2835, 2835, 0, 0};
  const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
  std::memcpy(info.data() + 40, masks, 12);
  void* bits = nullptr;
  HBITMAP dib =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  DIBSECTION ds{};
  ASSERT_EQ(GetObject(dib, sizeof ds, &ds), int(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidth, 5);
  EXPECT_EQ(ds.dsBm.bmHeight, 3);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 16);
  EXPECT_EQ(ds.dsBm.bmBits, bits);
  EXPECT_EQ(ds.dsBmih.biHeight, -3);
  EXPECT_EQ(ds.dsBmih.biXPelsPerMeter, 2835);
  EXPECT_EQ(ds.dsBmih.biSizeImage, 36u);
  EXPECT_EQ(ds.dsBitfields[0], 0xF800u);
  // Top-down: row 0 is the first in memory; 5-6-5 stores pure green as 0x07E0.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, AsGdiObject(dib));
  SetPixel(dc, 0, 0, RGB(0, 255, 0));
  EXPECT_EQ(static_cast<uint16_t*>(bits)[0], 0x07E0);
  SelectObject(dc, old);
  DeleteDC(dc);
  BITMAP bm{};
  EXPECT_EQ(GetObject(dib, sizeof bm, &bm), int(sizeof bm));  // a BITMAP when the buffer holds no more
  DeleteObject(dib);
  EXPECT_EQ(GetObject(dib, sizeof bm, &bm), 0);
  // Bad headers.
  h->biBitCount = 12;
  EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0),
            nullptr);
  EXPECT_EQ(bits, nullptr);
}

// The index GetDIBits gives a colour at a depth, through a 1 x 1 24-bit source.
int IndexAt(COLORREF colour, int depth) {
  MemoryCanvas src(Dib(1, 1, 24));
  SetPixel(src.dc(), 0, 0, colour);
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * 4);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *h = BITMAPINFOHEADER{40, 1, 1, 1, WORD(depth), BI_RGB, 0, 0, 0, 0, 0};
  uint8_t bits[4] = {0, 0, 0, 0};
  EXPECT_EQ(GetDIBits(src.dc(), src.bitmap(), 0, 1, bits, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
            1);
  return depth == 1 ? bits[0] >> 7 : depth == 4 ? bits[0] >> 4 : bits[0];
}

TEST(Bitmaps, GetDibitsMapsColoursToTheFixedTablesOfOneAndFourBits) {
  struct Case {
    COLORREF colour;
    int mono, vga;
  } cases[] =
      {
          {RGB(0, 0, 0), 0, 0},        {RGB(255, 255, 255), 1, 15}, {RGB(128, 0, 0), 0, 1},
          {RGB(0, 128, 0), 0, 2},      {RGB(128, 128, 0), 0, 3},    {RGB(0, 0, 128), 0, 4},
          {RGB(128, 0, 128), 0, 5},    {RGB(0, 128, 128), 0, 6},    {RGB(192, 192, 192), 1, 7},
          {RGB(128, 128, 128), 1, 8},  {RGB(255, 0, 0), 0, 9},      {RGB(0, 255, 0), 0, 10},
          {RGB(255, 255, 0), 1, 11},   {RGB(0, 0, 255), 0, 12},     {RGB(255, 0, 255), 1, 13},
          {RGB(0, 255, 255), 1, 14},   {RGB(127, 127, 127), 0, 8},  {RGB(200, 30, 40), 0, 9},
          {RGB(64, 0, 0), 0, 0},       // a tie between black and maroon: the lower index
          {RGB(160, 160, 160), 1, 7},  // a tie between silver (7) and grey (8)
          {RGB(250, 250, 200), 1, 15}, {RGB(20, 40, 230), 0, 12},
      };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.colour);
    EXPECT_EQ(IndexAt(c.colour, 1), c.mono);
    EXPECT_EQ(IndexAt(c.colour, 4), c.vga);
  }
  EXPECT_EQ(IndexAt(RGB(255, 0, 0), 8), 5 * 36);
  EXPECT_EQ(IndexAt(RGB(50, 105, 255), 8), 1 * 36 + 2 * 6 + 5);
}

TEST(Bitmaps, GetDibitsKeepsIndexesAtTheSourceDepthAndReadsRowsBottomUp) {
  std::vector<RGBQUAD> table{kBlack, {10, 20, 30, 0}, {40, 50, 60, 0}, kWhite};
  MemoryCanvas src(Dib(3, 2, 4, table));
  SetPixel(src.dc(), 0, 0, RGB(30, 20, 10));  // index 1, top row
  SetPixel(src.dc(), 2, 1, RGB(60, 50, 40));  // index 2, bottom row
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * 4, 0xEE);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *h = BITMAPINFOHEADER{40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_NE(
      GetDIBits(src.dc(), src.bitmap(), 0, 2, nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS), 0);
  EXPECT_EQ(h->biWidth, 3);
  EXPECT_EQ(h->biHeight, 2);
  EXPECT_EQ(h->biBitCount, 4);
  EXPECT_EQ(h->biSizeImage, 8u);
  uint8_t bits[8];
  std::memset(bits, 0xEE, sizeof bits);
  ASSERT_EQ(GetDIBits(src.dc(), src.bitmap(), 0, 2, bits, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
            2);
  EXPECT_EQ(bits[0], 0x00);  // bottom row first: indexes 0 0 2
  EXPECT_EQ(bits[1], 0x20);
  EXPECT_EQ(bits[4], 0x10);  // then the top row: 1 0 0
  EXPECT_EQ(std::memcmp(info.data() + 40, table.data(), 16), 0);
  EXPECT_EQ(info[40 + 16 * 4], 0xEE);  // 16 entries written, not more
  // At 24 bits, one row from the second: the top row.
  *h = BITMAPINFOHEADER{40, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  uint8_t row[12];
  ASSERT_EQ(GetDIBits(src.dc(), src.bitmap(), 1, 5, row, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
            1);
  EXPECT_EQ(row[0], 10);
  EXPECT_EQ(row[2], 30);
  // Bad depth or usage.
  h->biBitCount = 2;
  EXPECT_EQ(GetDIBits(src.dc(), src.bitmap(), 0, 2, bits, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
            0);
  h->biBitCount = 8;
  EXPECT_EQ(GetDIBits(src.dc(), src.bitmap(), 0, 2, bits, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_PAL_COLORS),
            0);
}

}  // namespace
