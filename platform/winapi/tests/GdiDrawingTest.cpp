#include <gtest/gtest.h>

#include <string>

#include "platform/winapi/Brushes.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Palettes.h"
#include "platform/winapi/Regions.h"
#include "platform/winapi/WindowSurfaces.h"
#include "platform/winapi/tests/GdiTestSupport.h"
#include "platform/winapi/tests/WindowTestSupport.h"

namespace {

using gditest::Dib;
using gditest::MemoryCanvas;

HPALETTE Palette(std::initializer_list<PALETTEENTRY> entries) {
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(entries.size());
  std::copy(entries.begin(), entries.end(), log->palPalEntry);
  return CreatePalette(log);
}

TEST(Palettes, EntriesSelectionAndRealisation) {
  HPALETTE p = Palette({{10, 20, 30, 0}, {40, 50, 60, PC_NOCOLLAPSE}, {250, 0, 0, 0}});
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 3u);
  PALETTEENTRY got[4] = {};
  EXPECT_EQ(GetPaletteEntries(p, 1, 4, got), 2u);
  EXPECT_EQ(got[0].peRed, 40);
  EXPECT_EQ(got[0].peFlags, PC_NOCOLLAPSE);
  EXPECT_EQ(got[1].peRed, 250);
  EXPECT_EQ(GetPaletteEntries(p, 3, 1, got), 0u);
  WORD count = 0;
  EXPECT_EQ(GetObject(p, sizeof count, &count), 2);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(GetNearestPaletteIndex(p, RGB(240, 10, 10)), 2u);

  MemoryCanvas canvas(Dib(1, 1, 24));
  HPALETTE first = SelectPalette(canvas.dc(), p, TRUE);
  EXPECT_EQ(AsGdiObject(first), GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(GetPaletteEntries(first, 0, 0, nullptr), 20u);
  EXPECT_EQ(RealizePalette(canvas.dc()), 0u);  // nothing to map on a true-colour screen
  // Palette indexes drawn in the context take the selected palette's entries.
  SetPixel(canvas.dc(), 0, 0, PALETTEINDEX(1));
  EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), RGB(40, 50, 60));
  EXPECT_EQ(SelectPalette(canvas.dc(), first, FALSE), p);
  EXPECT_TRUE(DeleteObject(p));
  EXPECT_TRUE(DeleteObject(first));  // a stock object stays
  EXPECT_EQ(GetPaletteEntries(first, 0, 0, nullptr), 20u);

  EXPECT_EQ(RealizePalette(nullptr), GDI_ERROR);
  EXPECT_EQ(Palette({}), nullptr);
  LOGPALETTE wrong{0x200, 1, {{0, 0, 0, 0}}};
  SetLastError(0);
  EXPECT_EQ(CreatePalette(&wrong), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

// The pixels of a 24-bit canvas as rows of '#' (the colour) and '.' (anything else).
std::string Picture(HDC dc, int width, int height, COLORREF colour) {
  std::string out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out += GetPixel(dc, x, y) == colour ? '#' : '.';
    out += '\n';
  }
  return out;
}

TEST(Brushes, FillRectFillRgnAndFrameRgn) {
  MemoryCanvas canvas(Dib(6, 5, 24));
  const COLORREF red = RGB(255, 0, 0);
  HBRUSH brush = CreateSolidBrush(red);
  LOGBRUSH lb{};
  EXPECT_EQ(GetObject(brush, sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbColor, red);
  RECT r{1, 1, 3, 4};
  EXPECT_TRUE(FillRect(canvas.dc(), &r, brush));
  EXPECT_EQ(Picture(canvas.dc(), 6, 5, red), "......\n.##...\n.##...\n.##...\n......\n");
  // A null brush paints nothing; the stock white brush paints white.
  RECT all{0, 0, 6, 5};
  EXPECT_TRUE(FillRect(canvas.dc(), &all, reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH))));
  EXPECT_EQ(GetPixel(canvas.dc(), 1, 1), red);
  EXPECT_TRUE(FillRect(canvas.dc(), &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
  EXPECT_EQ(GetPixel(canvas.dc(), 1, 1), RGB(255, 255, 255));

  HRGN region = CreateRectRgn(0, 0, 6, 5);
  EXPECT_TRUE(FrameRgn(canvas.dc(), region, brush, 2, 1));
  EXPECT_EQ(Picture(canvas.dc(), 6, 5, red), "######\n##..##\n##..##\n##..##\n######\n");
  FillRect(canvas.dc(), &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HRGN ell = CreateEllipticRgn(0, 0, 6, 5);
  EXPECT_TRUE(FillRgn(canvas.dc(), ell, brush));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPixel(canvas.dc(), x, y) == red, bool(PtInRegion(ell, x, y)));
  EXPECT_FALSE(FrameRgn(canvas.dc(), region, brush, 0, 1));
  EXPECT_FALSE(FillRgn(canvas.dc(), nullptr, brush));
  EXPECT_FALSE(FillRect(canvas.dc(), &r, nullptr));
  DeleteObject(ell);
  DeleteObject(region);
  DeleteObject(brush);
}

TEST(Brushes, TheCallHookFailsTheChosenRegionCallsAndLeavesTheirObjectsAsTheyWere) {
  std::vector<std::string> asked;
  std::string failing;
  vandrel::gdi_testing::SetCallHook([&](const std::string& function) -> DWORD {
    asked.push_back(function);
    return function == failing ? ERROR_NOT_ENOUGH_MEMORY : 0;
  });
  MemoryCanvas canvas(Dib(6, 5, 24));
  HBRUSH black = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  HRGN a = CreateRectRgn(0, 0, 6, 5), b = CreateRectRgn(2, 2, 4, 4);
  HWND w = wintest::MakeWindow("hooked", WS_POPUP, nullptr, 0, 0, 6, 5);

  failing = "CombineRgn";
  SetLastError(0);
  EXPECT_EQ(CombineRgn(a, a, b, RGN_DIFF), ERROR);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_TRUE(PtInRegion(a, 3, 3)) << "the destination is unchanged";
  failing = "SetWindowRgn";
  EXPECT_EQ(SetWindowRgn(w, b, TRUE), 0);
  EXPECT_EQ(GetWindowRgn(w, a), ERROR) << "the window has no region";
  RECT all{0, 0, 6, 5};
  FillRect(canvas.dc(), &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  failing = "FrameRgn";
  EXPECT_FALSE(FrameRgn(canvas.dc(), a, black, 1, 1));
  EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), RGB(255, 255, 255)) << "nothing painted";
  EXPECT_EQ(asked, (std::vector<std::string>{"CombineRgn", "SetWindowRgn", "FrameRgn"}));

  // Without a failure: FrameRgn is asked once, not for the combinations it makes; GetWindowRgn copies
  // through CombineRgn.
  failing.clear();
  asked.clear();
  EXPECT_TRUE(FrameRgn(canvas.dc(), a, black, 1, 1));
  EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(SetWindowRgn(w, b, TRUE), 1) << "the region the failed call left with its owner";
  EXPECT_EQ(GetWindowRgn(w, a), SIMPLEREGION);
  EXPECT_EQ(asked, (std::vector<std::string>{"FrameRgn", "SetWindowRgn", "CombineRgn"}));

  vandrel::gdi_testing::SetCallHook({});
  asked.clear();
  EXPECT_NE(CombineRgn(a, a, a, RGN_OR), ERROR);
  EXPECT_TRUE(asked.empty());
  DestroyWindow(w);
  DeleteObject(a);
}

TEST(WindowSurfaces, WindowsPaintIntoTheirTopLevelSurfaceAndTheLogRecordsEachCall) {
  wintest::RegisterRecorderClass();
  HWND top = wintest::MakeWindow("top", WS_POPUP, nullptr, 10, 20, 40, 30);
  HWND child = wintest::MakeWindow("child", WS_CHILD | WS_VISIBLE, top, 5, 6, 10, 8);
  ClearDrawingLog();
  HDC dc = GetDC(child);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT big{-5, -5, 100, 100};
  EXPECT_TRUE(FillRect(dc, &big, blue));  // clipped to the child's client area
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 10, 0), CLR_INVALID);
  ReleaseDC(child, dc);

  HDC whole = GetWindowDC(top);
  EXPECT_EQ(GetPixel(whole, 5, 6), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(whole, 14, 13), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(whole, 15, 6), RGB(255, 255, 255));  // never painted
  EXPECT_EQ(GetPixel(whole, 4, 6), RGB(255, 255, 255));
  // Read back through a blit into a bitmap.
  MemoryCanvas copy(Dib(40, 30, 32));
  EXPECT_TRUE(BitBlt(copy.dc(), 0, 0, 40, 30, whole, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(copy.dc(), 7, 7), RGB(0, 0, 255));
  SetPixel(whole, 39, 29, RGB(1, 2, 3));
  ReleaseDC(top, whole);
  HDC again = GetDC(top);
  EXPECT_TRUE(BitBlt(again, 0, 0, 2, 2, copy.dc(), 6, 6, SRCCOPY));
  EXPECT_EQ(GetPixel(again, 1, 1), RGB(0, 0, 255));
  ReleaseDC(top, again);

  std::vector<std::string> log = DrawingLog();
  // Reading a window's pixels draws nothing there, so the blit is not in the log.
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "FillRect Recorder -5,-5,100,100 #0000FF");
  EXPECT_EQ(log[1], "SetPixel Recorder 39,29 #010203");
  EXPECT_EQ(log[2], "BitBlt Recorder 0,0 2x2 <- 6,6 2x2 rop 00CC0020");
  EXPECT_EQ(WindowSurfaceCount(), 1u);
  DestroyWindow(top);
  EXPECT_EQ(WindowSurfaceCount(), 0u);
  DeleteObject(blue);
}

TEST(WindowSurfaces, TheLogKeepsTheLatestCalls) {
  wintest::RegisterRecorderClass();
  HWND top = wintest::MakeWindow("top", WS_POPUP, nullptr, 0, 0, 8, 8);
  ClearDrawingLog();
  HDC dc = GetDC(top);
  for (int i = 0; i < 5000; ++i) SetPixel(dc, i % 8, 0, RGB(BYTE(i), 0, 0));
  ReleaseDC(top, dc);
  std::vector<std::string> log = DrawingLog();
  ASSERT_EQ(log.size(), 4096u);
  EXPECT_EQ(log.back(), "SetPixel Recorder 7,0 #870000");   // 4999 & 255 = 0x87
  EXPECT_EQ(log.front(), "SetPixel Recorder 0,0 #880000");  // call 904
  DestroyWindow(top);
}

}  // namespace
