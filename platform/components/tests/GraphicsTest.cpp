#include "platform/components/Graphics.h"

#include <gtest/gtest.h>

#include "platform/components/ImgList.h"
#include "platform/testing/BmpWriter.h"
#include "platform/testing/Hex.h"
#include "platform/testing/PythonOracle.h"

namespace {

using testing_support::Bmp24;

using testing_support::Hex;
using testing_support::Unhex;

// Loads BMP bytes into a new bitmap.
std::unique_ptr<TBitmap> Load(const std::string& bytes) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  TStringStream stream(bytes);
  bitmap->LoadFromStream(&stream);
  return bitmap;
}

// The pixels as Pillow's RGBA bytes.
std::string Rgba(const TBitmap& bitmap) {
  std::string out;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      uint32_t p = bitmap.Pixel32(x, y);
      out += {char(p >> 16), char(p >> 8), char(p), char(p >> 24)};
    }
  return Hex(out);
}

void SetU32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (8 * i));
}

void SetU16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = char(value);
  bytes[at + 1] = char(value >> 8);
}

TEST(Bitmap, EveryLayoutLoadsPixelExactAsPillowDecodesIt) {
  const auto lines = testing_support::RunPythonFixture("platform/components/tests/bmp_fixtures.py");
  for (const std::vector<std::string>& field : lines) {
    ASSERT_EQ(field.size(), 5u) << (field.empty() ? "" : field[0]);
    SCOPED_TRACE(field[0]);
    std::unique_ptr<TBitmap> bitmap = Load(Unhex(field[3]));
    EXPECT_EQ(bitmap->Width(), std::stoi(field[1]));
    EXPECT_EQ(bitmap->Height(), std::stoi(field[2]));
    EXPECT_EQ(Rgba(*bitmap), field[4]);
  }
  EXPECT_EQ(lines.size(), 18u);
}

TEST(Bitmap, PixelFormatAndColoursOfAPixel) {
  std::unique_ptr<TBitmap> bitmap = Load(Bmp24(3, 2, [](int x, int y) { return uint32_t(0x102030 * (x + 1) + y); }));
  EXPECT_EQ(bitmap->PixelFormat(), pf24bit);
  EXPECT_EQ(bitmap->Pixels(0, 0), TColor(0x302010));  // 00BBGGRR of RGB 10 20 30
  EXPECT_EQ(bitmap->Pixels(2, 1), TColor(0x916030));
  EXPECT_EQ(bitmap->Pixels(3, 0), -1);
  EXPECT_EQ(bitmap->TransparentColor(), TColor(0x312010)) << "the bottom-left pixel";
}

// A 32-bit file with a V4 header and the given masks.
std::string Bmp32V4(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  std::string bytes = Bmp24(1, 1, [](int, int) { return 0u; });
  std::string header(108, '\0');
  SetU32(header, 0, 108);
  SetU32(header, 4, 1);
  SetU32(header, 8, 1);
  SetU16(header, 12, 1);
  SetU16(header, 14, 32);
  SetU32(header, 16, 3);
  SetU32(header, 40, red);
  SetU32(header, 44, green);
  SetU32(header, 48, blue);
  SetU32(header, 52, alpha);
  std::string file = bytes.substr(0, 14) + header + std::string("\x11\x22\x33\x44", 4);
  SetU32(file, 10, 14 + 108);
  return file;
}

TEST(Bitmap, MalformedFilesRaiseTheInvalidBitmapError) {
  const std::string base = Bmp24(3, 2, [](int x, int y) { return uint32_t(x * 50 + y); });
  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
  } cases[] = {
      {"not BM", [](std::string& b) { b[1] = 'A'; }},
      {"cut inside the file header", [](std::string& b) { b.resize(12); }},
      {"cut inside the info header", [](std::string& b) { b.resize(40); }},
      {"OS/2 header of 64 bytes", [](std::string& b) { SetU32(b, 14, 64); }},
      {"header size 0", [](std::string& b) { SetU32(b, 14, 0); }},
      {"run-length compression", [](std::string& b) { SetU16(b, 28, 8), SetU32(b, 30, 1); }},
      {"JPEG compression", [](std::string& b) { SetU32(b, 30, 4); }},
      {"bit fields at 24 bits", [](std::string& b) { SetU32(b, 30, 3); }},
      {"2 bits per pixel", [](std::string& b) { SetU16(b, 28, 2); }},
      {"0 bits per pixel", [](std::string& b) { SetU16(b, 28, 0); }},
      {"no planes", [](std::string& b) { SetU16(b, 26, 0); }},
      {"width 0", [](std::string& b) { SetU32(b, 18, 0); }},
      {"negative width", [](std::string& b) { SetU32(b, 18, uint32_t(-3)); }},
      {"height 0", [](std::string& b) { SetU32(b, 22, 0); }},
      {"lowest height", [](std::string& b) { SetU32(b, 22, 0x80000000u); }},
      {"huge width without its pixels", [](std::string& b) { SetU32(b, 18, 0x7FFFFFFF); }},
      {"huge height without its pixels", [](std::string& b) { SetU32(b, 22, 0x7FFFFFFF); }},
      {"last pixel byte missing", [](std::string& b) { b.pop_back(); }},
      {"pixels start past the end", [](std::string& b) { SetU32(b, 10, 1000); }},
      {"pixels start inside the header", [](std::string& b) { SetU32(b, 10, 30); }},
      {"8 bits without the palette", [](std::string& b) { SetU16(b, 28, 8); }},
      {"more colours used than 1 bit allows", [](std::string& b) { SetU16(b, 28, 1), SetU32(b, 46, 3); }},
      {"mask with a gap", [](std::string& b) { b = Bmp32V4(0xFF00FF, 0xFF00, 0xFF, 0); }},
  };
  for (const Case& c : cases) {
    std::string bytes = base;
    c.spoil(bytes);
    try {
      Load(bytes);
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid") << c.what;
    }
  }
  EXPECT_EQ(Load(Bmp32V4(0xFF0000, 0xFF00, 0xFF, 0xFF000000))->Pixel32(0, 0), 0x44332211u)
      << "the same file with contiguous masks loads";
  EXPECT_EQ(Load(Bmp32V4(0xFFFFFFFF, 0, 0, 0))->Pixel32(0, 0), 0xFF430000u)
      << "a 32-bit wide mask scales without overflow";
}

TEST(Bitmap, AnImageTooLargeToMakeFailsAndAFailedLoadKeepsThePreviousImage) {
  std::unique_ptr<TBitmap> bitmap = Load(Bmp24(2, 2, [](int, int) { return 0x123456u; }));
  // 8193 x 8192 pixels of 1 bit, with all their bytes: one row more than the limit allows.
  std::string big = Bmp24(1, 1, [](int, int) { return 0u; }).substr(0, 54);
  SetU32(big, 18, 8193);
  SetU32(big, 22, 8192);
  SetU16(big, 28, 1);
  SetU32(big, 46, 2);
  SetU32(big, 10, 62);
  big += std::string(8, '\0');
  big += std::string(size_t((8193 + 31) / 32 * 4) * 8192, '\0');
  TStringStream stream(big);
  EXPECT_THROW(bitmap->LoadFromStream(&stream), EOutOfResources);
  TStringStream junk("BMjunk");
  EXPECT_THROW(bitmap->LoadFromStream(&junk), EInvalidGraphic);
  EXPECT_EQ(bitmap->Width(), 2);
  EXPECT_EQ(bitmap->Pixels(1, 1), TColor(0x563412));
  EXPECT_THROW(bitmap->SetSize(-1, 4), ERangeError);
}

TEST(Colors, TextsOfColours) {
  struct Case {
    const char* text;
    TColor color;
  } cases[] = {
      {"clNone", clNone},
      {"CLNONE", clNone},
      {"clBtnFace", clBtnFace},
      {"clbtnshadow", clBtnShadow},
      {"clDefault", clDefault},
      {"clFuchsia", TColor(0xFF00FF)},
      {"$ff00ff", TColor(0xFF00FF)},
      {"$00000080", clMaroon},
      {"255", clRed},
      {"-1", TColor(-1)},
      {"$80000005", clWindow},
  };
  for (const Case& c : cases) EXPECT_EQ(StringToColor(c.text), c.color) << c.text;
  for (const char* bad : {"", "red", "clNotAColour", "$fg", "0x10"})
    EXPECT_THROW(StringToColor(bad), EConvertError) << bad;
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(TColor(0x123456)), "$00123456");
  EXPECT_EQ(ColorToRGB(clBtnShadow), 0x808080);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
}

// A 16 x 16 image list over a bitmap of `count` images, image i filled with colour i * 0x10 and a
// magenta pixel at its top-left corner.
std::unique_ptr<TBitmap> Strip(int width, int height) {
  return Load(Bmp24(width, height, [](int x, int y) {
    if (x % 16 == 0 && y == 0) return 0xFF00FFu;
    return uint32_t((x / 16 + 1) * 0x10);
  }));
}

TEST(ImageList, MaskedAddsCutABitmapIntoImagesFromLeftToRight) {
  std::unique_ptr<TImageList> list(TImageList::CreateSize(16, 16));
  EXPECT_EQ(list->ClassName(), "TImageList");
  std::unique_ptr<TBitmap> strip = Strip(56, 20);  // three images and a rest of 8 columns; 4 rows too many
  EXPECT_EQ(list->AddMasked(strip.get(), TColor(0xFF00FF)), 0);
  ASSERT_EQ(list->Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list->Pixels(i, 0, 0), clNone) << i;
    EXPECT_EQ(list->Pixels(i, 15, 15), TColor((i + 1) * 0x10) << 16) << i;
  }
  EXPECT_EQ(list->AddMasked(strip.get(), clNone), 3) << "the index of the first new image";
  EXPECT_EQ(list->Count(), 6);
  EXPECT_EQ(list->Pixels(3, 0, 0), TColor(0xFF00FF)) << "no mask colour: nothing transparent";
  EXPECT_THROW(list->Pixels(6, 0, 0), EInvalidOperation);
  EXPECT_EQ(list->Pixels(0, 16, 0), -1);

  std::unique_ptr<TBitmap> low = Strip(16, 10);
  EXPECT_EQ(list->AddMasked(low.get(), clDefault), 6);
  EXPECT_EQ(list->Pixels(6, 5, 9), clNone) << "clDefault: the bottom-left colour is transparent";
  EXPECT_EQ(list->Pixels(6, 0, 0), TColor(0xFF00FF));
  EXPECT_EQ(list->Pixels(6, 5, 10), clNone) << "rows below the bitmap are transparent";

  std::unique_ptr<TBitmap> narrow = Strip(15, 16);
  EXPECT_THROW(list->AddMasked(narrow.get(), clNone), EInvalidOperation);
  EXPECT_EQ(list->Count(), 7);
}

TEST(ImageList, SizesThatCannotBeMadeFail) {
  struct Case {
    int width, height;
    const char* error;
  } cases[] = {
      {0, 16, "ERangeError"},
      {16, 0, "ERangeError"},
      {-1, 16, "ERangeError"},
      {16, -5, "ERangeError"},
      {100000, 100000, "EOutOfResources"},
      {1 << 26, 2, "EOutOfResources"},
  };
  for (const Case& c : cases) {
    try {
      TImageList::CreateSize(c.width, c.height)->Free();
      ADD_FAILURE() << c.width << "x" << c.height << " made";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), c.error) << c.width << "x" << c.height;
    }
  }
  TImageList::CreateSize(8192, 8192)->Free();
}

}  // namespace
