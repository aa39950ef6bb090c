#include "wizard-components/WkGraph.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "WkGraphTestSupport.h"
#include "platform/testing/PythonOracle.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/GlobalMemory.h"
#include "platform/winapi/MessageBox.h"
#include "wizard-components/PictureUnits.h"

namespace {

using namespace wkgraph_test;

uint32_t Pattern(int x, int y) {
  return uint32_t((x * 37 + y * 11) & 255) << 16 | uint32_t((x * 13 + y * 71) & 255) << 8 |
         uint32_t((x * 5 + y * 90) & 255);
}

std::unique_ptr<TBitmap> PatternBitmap(int width, int height, TPixelFormat format) {
  std::unique_ptr<TBitmap> bitmap = Bitmap24(width, height, Pattern);
  bitmap->SetPixelFormat(format);
  return bitmap;
}

// The pixels as 0xRRGGBB values, row by row from the top.
std::vector<uint32_t> Colours(const TBitmap& bitmap) {
  std::vector<uint32_t> out;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      TColor c = bitmap.Pixels(x, y);
      out.push_back(uint32_t(c & 0xFF) << 16 | uint32_t(c & 0xFF00) | uint32_t(c >> 16 & 0xFF));
    }
  return out;
}

std::unique_ptr<TBitmap> Loaded(const std::string& bytes) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  TStringStream stream(bytes);
  bitmap->LoadFromStream(&stream);
  return bitmap;
}

uint32_t Grey(uint32_t rgb) {
  uint32_t v = (77 * (rgb >> 16) + 150 * (rgb >> 8 & 255) + 29 * (rgb & 255)) / 256;
  return v << 16 | v << 8 | v;
}

TEST(WkGraph, ABitmapAtTheTargetDepthSavesUnchangedExceptWithGrayscale) {
  struct Case {
    TPixelFormat format;
    int depth;
  } cases[] = {{pf1bit, 1}, {pf4bit, 4}, {pf8bit, 8}, {pf24bit, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    std::unique_ptr<TBitmap> bitmap = PatternBitmap(9, 5, c.format);
    for (ReductionMethod method : {rmPopularity, rmMedianCut, rmLevels784, rmChannelCycle})
      EXPECT_EQ(Hex(Converted(*bitmap, c.depth, method)), Hex(Saved(*bitmap))) << method;
    // At 1 and 4 bits the method plays no part: the bitmap is read out again.
    std::string grey = Converted(*bitmap, c.depth, rmGrayscale);
    if (c.depth <= 4) {
      EXPECT_EQ(grey, Saved(*bitmap));
      continue;
    }
    EXPECT_NE(grey, Saved(*bitmap));
    std::vector<uint32_t> expected = Colours(*bitmap);
    for (uint32_t& rgb : expected) rgb = Grey(rgb);
    EXPECT_EQ(Colours(*Loaded(grey)), expected);
  }
}

TEST(WkGraph, ReadOutHeadersAreThoseOfTheDepthWritten) {
  // An 8-bit top-down DIB section with 16 colours used and important, and a resolution: its header is the
  // start of every read-out's, whose image size at 24 bits is three times as large.
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
  BITMAPINFOHEADER h{40, 6, -3, 1, 8, BI_RGB, 0, 2835, 2835, 16, 16};
  std::memcpy(info.data(), &h, sizeof h);
  auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof h);
  for (int i = 0; i < 16; ++i) table[i] = RGBQUAD{uint8_t(i * 16), uint8_t(255 - i * 8), uint8_t(i * 5), 0};
  void* bits = nullptr;
  HBITMAP section =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_TRUE(section);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) static_cast<uint8_t*>(bits)[y * 8 + x] = uint8_t(x + 5 * y);
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetHandle(section);
  std::vector<uint32_t> colours = Colours(*bitmap);
  ASSERT_EQ(colours[7], uint32_t(30) << 16 | uint32_t(255 - 48) << 8 | 96) << "pixel (1, 1) has index 6";
  struct Case {
    int depth;
    ReductionMethod method;
    uint32_t image, important;
  } cases[] = {{24, rmPopularity, 3 * 20, 0},
               {8, rmGrayscale, 3 * 8, 0},
               {4, rmPopularity, 3 * 4, 0},
               {1, rmPopularity, 3 * 4, 0}};
  Converted(*bitmap, 24, rmPopularity);  // makes the bitmap's palette, which it keeps
  size_t blocks = GlobalBlockCount(), objects = GdiObjectCount();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    std::string bytes = Converted(*bitmap, c.depth, c.method);
    TBmpFile f = ParseBmp(bytes);
    EXPECT_EQ(f.fileSize, bytes.size());
    EXPECT_EQ(f.offBits, 54 + (c.depth <= 8 ? 4u << c.depth : 0u));
    EXPECT_EQ(f.info.biSize, 40u);
    EXPECT_EQ(f.info.biHeight, 3) << "rows bottom-up";
    EXPECT_EQ(f.info.biBitCount, c.depth);
    EXPECT_EQ(f.info.biCompression, BI_RGB);
    EXPECT_EQ(f.info.biSizeImage, c.image);
    EXPECT_EQ(f.pixels.size(), c.image);
    EXPECT_EQ(f.info.biXPelsPerMeter, 2835);
    EXPECT_EQ(f.info.biClrUsed, 0u);
    EXPECT_EQ(f.info.biClrImportant, c.important);
    std::vector<uint32_t> got = Colours(*Loaded(bytes));
    if (c.depth == 24) {
      EXPECT_EQ(got, colours);
    }
    for (size_t i = 0; c.method == rmGrayscale && i < got.size(); ++i) EXPECT_EQ(got[i], Grey(colours[i])) << i;
  }
  EXPECT_EQ(GlobalBlockCount(), blocks) << "work blocks freed";
  EXPECT_EQ(GdiObjectCount(), objects) << "contexts freed";
}

TEST(WkGraph, BadBitmapsAndDepthsRaiseAndFreeTheirWork) {
  size_t blocks = GlobalBlockCount();
  std::unique_ptr<TBitmap> empty(TBitmap::Create());
  for (TBitmap* bitmap : {empty.get(), static_cast<TBitmap*>(nullptr)}) {
    try {
      BitmapToDibStream(bitmap, 8, rmPopularity);
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
  }
  std::unique_ptr<TBitmap> bitmap = PatternBitmap(4, 4, pf24bit);
  for (int depth : {0, 2, 16, 32}) {
    SCOPED_TRACE(depth);
    ClearMessageBoxRecords();
    EXPECT_THROW(BitmapToDibStream(bitmap.get(), depth, rmMedianCut), EAbort);
    std::vector<TMessageBoxRecord> boxes = MessageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Function not yet implemented");
  }
  // A bitmap at the depth asked for saves itself, whatever the depth.
  std::unique_ptr<TBitmap> deep = PatternBitmap(4, 4, pf32bit);
  EXPECT_EQ(Converted(*deep, 32, rmPopularity), Saved(*deep));
  ClearMessageBoxRecords();
  EXPECT_THROW(BitmapToDibStream(bitmap.get(), 8, ReductionMethod(6)), EAbort);
  EXPECT_EQ(MessageBoxRecords().size(), 1u);
  EXPECT_EQ(GlobalBlockCount(), blocks);
}

TEST(WkGraph, ForColorsTakesTheLeastDepthThatHoldsThem) {
  struct Case {
    int colours, depth;
  } cases[] = {{0, 1}, {2, 1}, {3, 4}, {16, 4}, {17, 8}, {256, 8}, {257, 24}, {1 << 24, 24}};
  std::unique_ptr<TBitmap> bitmap = PatternBitmap(5, 3, pf32bit);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colours);
    std::unique_ptr<TMemoryStream> stream = BitmapToDibStreamForColors(bitmap.get(), c.colours);
    EXPECT_EQ(stream->Position(), 0);
    std::string bytes(static_cast<const char*>(stream->Memory()), size_t(stream->Size()));
    EXPECT_EQ(ParseBmp(bytes).info.biBitCount, c.depth);
    EXPECT_EQ(bytes, Converted(*bitmap, c.depth, DefaultReductionMethod));
  }
  EXPECT_EQ(BitmapPixelFormat(bitmap.get()), pf32bit);
}

TEST(WkGraph, EveryMethodAndDepthWritesFilesThatPillowAndImageMagickOpen) {
  InitPictureUnits();
  std::string dir = ::testing::TempDir() + "wkgraph" + std::to_string(getpid());
  ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
  struct File {
    std::string path, bytes;
  };
  std::vector<File> files;
  // Odd widths pad the rows; the sources are true colour, 15-bit and indexed.
  for (TPixelFormat format : {pf32bit, pf24bit, pf15bit, pf8bit})
    for (int depth : {1, 4, 8, 24})
      for (ReductionMethod method :
           {rmPopularity, rmMedianCut, rmLevels784, rmLevels666, rmChannelCycle, rmGrayscale}) {
        if (depth != 8 && method != rmPopularity && method != rmGrayscale) continue;
        std::unique_ptr<TBitmap> bitmap = PatternBitmap(13, 7, format);
        std::string path = dir + "/" + std::to_string(files.size()) + ".bmp";
        std::string bytes = Converted(*bitmap, depth, method);
        std::ofstream(path, std::ios::binary) << bytes;
        files.push_back(File{path, bytes});
      }
  std::vector<std::string> paths;
  for (const File& f : files) paths.push_back(f.path);
  std::istringstream lines(testing_support::PillowAndImageMagickRead(paths));
  for (const File& f : files) {
    SCOPED_TRACE(f.path);
    std::string width, height, compression, pixels;
    ASSERT_TRUE(lines >> width >> height >> compression >> pixels);
    EXPECT_EQ(compression, "0");
    EXPECT_EQ(width + "x" + height, "13x7");
    std::string expected;
    for (uint32_t rgb : Colours(*Loaded(f.bytes))) expected += {char(rgb >> 16), char(rgb >> 8), char(rgb)};
    EXPECT_EQ(pixels, Hex(expected));
  }
  ASSERT_EQ(std::system(("rm -rf " + dir).c_str()), 0);
}

}  // namespace
