#include "wizard-components/WkUtils.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/components/Forms.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/SysUtils.h"
#include "platform/testing/PythonOracle.h"
#include "platform/winapi/GlobalMemory.h"
#include "platform/winapi/MessageBox.h"
#include "wizard-components/MaxMin.h"
#include "wizard-components/WKConst.h"

namespace {

constexpr TColor kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kKey = 0xFF00FF;

// A 24-bit bitmap drawn from rows of letters (R, G, B, K magenta, W white, # black).
std::unique_ptr<TBitmap> Drawn(const std::vector<std::string>& rows) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetSize(int(rows[0].size()), int(rows.size()));
  bitmap->SetPixelFormat(pf24bit);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) {
      char c = rows[y][x];
      TColor colour = c == 'R' ? kRed : c == 'G' ? kGreen : c == 'B' ? kBlue : c == 'K' ? kKey : c == 'W' ? clWhite : 0;
      bitmap->SetPixels(int(x), int(y), colour);
    }
  return bitmap;
}

// The pixels as letters (also C cyan and Y yellow, the inverses of red and blue; ? anything else).
std::string Letters(TBitmap& bitmap) {
  std::string out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      switch (bitmap.Pixels(x, y)) {
        case kRed: out += 'R'; break;
        case kGreen: out += 'G'; break;
        case kBlue: out += 'B'; break;
        case kKey: out += 'K'; break;
        case clWhite: out += 'W'; break;
        case clBlack: out += '#'; break;
        case 0xFFFF00: out += 'C'; break;
        case 0x00FFFF: out += 'Y'; break;
        default: out += '?'; break;
      }
    }
    out += y + 1 < bitmap.Height() ? "/" : "";
  }
  return out;
}

std::unique_ptr<TBitmap> Background(int width, int height, TColor colour) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(colour);
  bitmap->Canvas()->FillRect(RECT{0, 0, width, height});
  return bitmap;
}

TEST(MaxMin, LargerAndSmaller) {
  struct Case {
    int32_t a, b, max, min;
  } cases[] = {
      {1, 2, 2, 1}, {2, 1, 2, 1}, {-5, -5, -5, -5}, {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}, {0, -1, 0, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(MaxOf(c.a, c.b), c.max) << c.a << " " << c.b;
    EXPECT_EQ(MinOf(c.a, c.b), c.min) << c.a << " " << c.b;
  }
}

TEST(WkUtils, StretchBitmapKeyedCases) {
  const std::vector<std::string> source = {"RGB", "KRK"};
  struct Case {
    const char* what;
    TColor key;
    int x, y, w, h, sx, sy, sw, sh;
    TCopyMode copyMode;
    const char* expected;
  } cases[] = {
      {"colour none: an opaque copy", clNone, 0, 0, 3, 2, 0, 0, 0, 0, cmSrcCopy, "RGBWWW/KRKWWW/WWWWWW/WWWWWW"},
      {"colour none in the canvas's copy mode", clNone, 0, 0, 3, 2, 0, 0, 0, 0, cmNotSrcCopy,
       "CKYWWW/GCGWWW/WWWWWW/WWWWWW"},
      {"default: the bottom-left colour keyed", clDefault, 1, 1, 3, 2, 0, 0, 0, 0, cmSrcCopy,
       "WWWWWW/WRGBWW/WWRWWW/WWWWWW"},
      {"a given colour keyed, stretched twice", kRed, 0, 0, 6, 4, 0, 0, 3, 2, cmSrcCopy, "WWGGBB/WWGGBB/KKWWKK/KKWWKK"},
      {"zero width and height: the bitmap's size", kKey, 0, 0, 0, 0, 1, 0, 1, 1, cmSrcCopy,
       "GGGWWW/GGGWWW/WWWWWW/WWWWWW"},
      {"an empty source: the whole bitmap", kKey, 3, 2, 3, 2, 2, 1, 0, 0, cmSrcCopy, "WWWWWW/WWWWWW/WWWRGB/WWWWRW"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TBitmap> bitmap = Drawn(source), dest = Background(6, 4, clWhite);
    dest->Canvas()->SetCopyMode(c.copyMode);
    StretchBitmapKeyed(dest->Canvas(), bitmap.get(), c.key, c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh);
    EXPECT_EQ(Letters(*dest), c.expected);
    EXPECT_EQ(GetStretchBltMode(dest->Canvas()->Handle()), STRETCH_DELETESCANS);
  }
  // The rectangle form, with an empty source rectangle.
  std::unique_ptr<TBitmap> bitmap = Drawn(source), dest = Background(6, 4, clWhite);
  StretchBitmapRectTransparent(dest->Canvas(), 0, 0, 3, 2, RECT{0, 0, 0, 0}, bitmap.get(), clDefault);
  EXPECT_EQ(Letters(*dest), "RGBWWW/WRWWWW/WWWWWW/WWWWWW");
  StretchBitmapRectTransparent(dest->Canvas(), 3, 2, 3, 2, RECT{1, 0, 3, 2}, bitmap.get(), kKey);
  EXPECT_EQ(Letters(*dest), "RGBWWW/WRWWWW/WWWGBB/WWWRWW");
}

TEST(WkUtils, AMonochromeBitmapAlwaysKeysWhite) {
  std::unique_ptr<TBitmap> bitmap = Drawn({"#W#", "W#W"});
  bitmap->SetMonochrome(true);
  ASSERT_TRUE(bitmap->Monochrome());
  for (TColor key : {kRed, clDefault, clBlack}) {
    std::unique_ptr<TBitmap> dest = Background(3, 2, kBlue);
    SetStretchBltMode(dest->Canvas()->Handle(), HALFTONE);
    StretchBitmapKeyed(dest->Canvas(), bitmap.get(), key, 0, 0, 3, 2, 0, 0, 0, 0);
    EXPECT_EQ(Letters(*dest), "#B#/B#B") << key;
    EXPECT_EQ(GetStretchBltMode(dest->Canvas()->Handle()), HALFTONE) << "left alone for a monochrome bitmap";
  }
  std::unique_ptr<TBitmap> dest = Background(3, 2, kBlue);
  StretchBitmapKeyed(dest->Canvas(), bitmap.get(), clNone, 0, 0, 3, 2, 0, 0, 0, 0);
  EXPECT_EQ(Letters(*dest), "#W#/W#W");
}

// A canvas whose context cannot be made.
class TBrokenCanvas : public TCanvas {
  VCL_CLASS(TBrokenCanvas, TCanvas)

 protected:
  void CreateHandle() override { throw EInvalidOperation("no context"); }
};

TEST(WkUtils, TheChangeHandlerAndTheLockComeBackWhenDrawingThrows) {
  for (bool mono : {true, false}) {
    SCOPED_TRACE(mono);
    std::unique_ptr<TBitmap> bitmap = Drawn({"#W", "W#"});
    if (mono) bitmap->SetMonochrome(true);
    int changes = 0;
    bitmap->OnChange = [&](TObject*) { ++changes; };
    TBrokenCanvas broken;
    for (TColor key : {clNone, clDefault})
      EXPECT_THROW(StretchBitmapKeyed(&broken, bitmap.get(), key, 0, 0, 2, 2, 0, 0, 0, 0), EInvalidOperation);
    EXPECT_EQ(bitmap->Canvas()->LockCount(), 0);
    ASSERT_TRUE(bitmap->OnChange);
    bitmap->SetPixels(0, 0, clWhite);
    EXPECT_EQ(changes, 1);
  }
}

TEST(WkUtils, TheKeyedStretchAtScaleTwoEqualsPillowsNearestResizeOverTheSameBackground) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create()), dest(TBitmap::Create());
  bitmap->SetSize(7, 5);
  bitmap->SetPixelFormat(pf8bit);  // drawn through its palette
  dest->SetSize(19, 13);
  auto rgb = [](TColor c) { return LowerCase(Format("%.2x%.2x%.2x", {c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF})); };
  std::string src, back;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      bool keyed = (x * 3 + y * 5) % 4 == 0;
      bitmap->SetPixels(x, y, keyed ? TColor(0xFF00FF) : TColor(((x * 51) & 255) | ((y * 51) & 255) << 8 | 0x660000));
      src += rgb(bitmap->Pixels(x, y));
    }
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 19; ++x) {
      dest->SetPixels(x, y, TColor(((x * 13) & 255) | ((y * 19) & 255) << 16));
      back += rgb(dest->Pixels(x, y));
    }
  StretchBitmapKeyed(dest->Canvas(), bitmap.get(), TColor(0xFF00FF), 3, 2, 14, 10, 0, 0, 0, 0);
  std::string ours;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 19; ++x) ours += rgb(dest->Pixels(x, y));
  std::string pillow = testing_support::RunPython(R"(
import sys
from PIL import Image
src, back = sys.stdin.read().split()
image = Image.frombytes("RGB", (7, 5), bytes.fromhex(src))
background = Image.frombytes("RGB", (19, 13), bytes.fromhex(back))
big = image.resize((14, 10), Image.NEAREST)
mask = Image.frombytes("L", big.size, bytes(0 if p == (255, 0, 255) else 255 for p in big.getdata()))
background.paste(big, (3, 2), mask)
print(background.tobytes().hex())
)",
                                                  src + "\n" + back + "\n");
  EXPECT_EQ(ours + "\n", pillow);
}

TEST(WkUtils, RaiseNotImplementedShowsItsBoxAndAbortsSilently) {
  ClearMessageBoxRecords();
  Screen->SetCursor(crHourGlass);
  EXPECT_THROW(RaiseNotImplemented(), EAbort);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  std::vector<TMessageBoxRecord> boxes = MessageBoxRecords();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Function not yet implemented");
  EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(boxes[0].answer, IDOK);
  std::string text;
  AssignResString(SWkNotImplemented, text);
  EXPECT_EQ(text, "Function not yet implemented");
}

TEST(WkUtils, ByteHelpers) {
  const char a[] = "abcdefghij", b[] = "abcdefghiX";
  struct Case {
    int n;
    bool same;
  } cases[] = {{0, true}, {-3, true}, {4, true}, {8, true}, {9, true}, {10, false}, {11, false}};
  for (const Case& c : cases) EXPECT_EQ(SameBytes(a, b, c.n), c.same) << c.n;
  // A difference in the last word and in the tail, unaligned.
  EXPECT_FALSE(SameBytes(a + 1, b + 1, 9));
  EXPECT_TRUE(SameBytes(a + 1, b + 1, 8));
  char buffer[] = "0123456789";
  EXPECT_EQ(OffsetPointer(buffer, 3), static_cast<void*>(buffer + 3));
  CopyBytes(buffer + 2, buffer, 6);  // overlapping forwards
  EXPECT_STREQ(buffer, "0101234589");
  CopyBytes(buffer, buffer + 2, 6);  // and backwards
  EXPECT_STREQ(buffer, "0123454589");
  CopyBytes(buffer, "zz", 0);
  EXPECT_EQ(buffer[0], '0');
}

TEST(WkUtils, GlobalBlocksAreZeroFilledAndFreedOnce) {
  EXPECT_EQ(AllocGlobalBlock(0), nullptr);
  EXPECT_EQ(AllocGlobalBlock(-8), nullptr);
  size_t before = GlobalBlockCount();
  void* block = AllocGlobalBlock(4096);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalBlockCount(), before + 1);
  std::string zeros(4096, '\0');
  EXPECT_TRUE(SameBytes(block, zeros.data(), 4096));
  std::memset(block, 0xAB, 4096);  // writable all through
  FreeGlobalBlock(block);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(GlobalBlockCount(), before);
  FreeGlobalBlock(block);  // none: nothing to do
  EXPECT_EQ(GlobalBlockCount(), before);
}

TEST(WkUtils, AFailedGlobalAllocationRaisesOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizers reserve address space beyond any limit";
#else
  // The test runs in its own process: limit its address space to what it uses and 256 MiB more, so that
  // 1 GiB cannot be had.
  long pages = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  ASSERT_NE(statm, nullptr);
  ASSERT_EQ(std::fscanf(statm, "%ld", &pages), 1);
  std::fclose(statm);
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  rlimit lower = limit;
  lower.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
  size_t before = GlobalBlockCount();
  std::string message = "allocated";
  ASSERT_EQ(setrlimit(RLIMIT_AS, &lower), 0);
  try {
    void* block = AllocGlobalBlock(1 << 30);
    FreeGlobalBlock(block);
  } catch (const EOutOfMemory& e) {
    message = e.Message();
  }
  setrlimit(RLIMIT_AS, &limit);
  EXPECT_EQ(message, "Out of memory");
  EXPECT_EQ(GlobalBlockCount(), before);
#endif
}

}  // namespace
