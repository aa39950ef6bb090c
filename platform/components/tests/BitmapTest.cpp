#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/components/Graphics.h"
#include "platform/testing/Hex.h"
#include "platform/testing/PythonOracle.h"
#include "platform/winapi/Brushes.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/Palettes.h"

namespace {

std::unique_ptr<TBitmap> Load(const std::string& bytes) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  TStringStream stream(bytes);
  bitmap->LoadFromStream(&stream);
  return bitmap;
}

std::string Saved(TGraphic& graphic) {
  TStringStream stream;
  graphic.SaveToStream(&stream);
  return stream.DataString();
}

using testing_support::Hex;

// The pixels as RGB hex, row by row from the top.
std::string RgbHex(const TBitmap& bitmap) {
  std::string out;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      TColor c = bitmap.Pixels(x, y);
      out += {char(c & 0xFF), char(c >> 8 & 0xFF), char(c >> 16 & 0xFF)};
    }
  return Hex(out);
}

// A 32-bit bitmap of a pattern that has many colours, converted to a format.
std::unique_ptr<TBitmap> Pattern(int width, int height, TPixelFormat format) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bitmap->SetPixels(
          x, y, TColor(((x * 37 + y * 11) & 255) | ((x * 13 + y * 71) & 255) << 8 | ((x * 5 + y * 90) & 255) << 16));
  bitmap->SetPixelFormat(format);
  return bitmap;
}

std::string TempDir() {
  std::string dir = ::testing::TempDir() + "bitmaps" + std::to_string(getpid());
  std::string command = "mkdir -p " + dir;
  EXPECT_EQ(std::system(command.c_str()), 0);
  return dir;
}

TEST(Bitmap, FilesAtEveryDepthOpenInPillowAndImageMagickAndLoadBackEqual) {
  struct Case {
    TPixelFormat format;
    int bits;
  } cases[] = {{pf1bit, 1}, {pf4bit, 4}, {pf8bit, 8}, {pf15bit, 16}, {pf16bit, 16}, {pf24bit, 24}, {pf32bit, 32}};
  std::string dir = TempDir();
  std::vector<std::string> paths;
  std::vector<std::unique_ptr<TBitmap>> bitmaps;
  for (const Case& c : cases) {
    bitmaps.push_back(Pattern(13, 7, c.format));
    ASSERT_EQ(bitmaps.back()->PixelFormat(), c.format);
    paths.push_back(dir + "/" + std::to_string(bitmaps.size()) + ".bmp");
    bitmaps.back()->SaveToFile(paths.back());
  }
  std::istringstream lines(testing_support::PillowAndImageMagickRead(paths));
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    SCOPED_TRACE(cases[i].bits);
    std::string width, height, compression, pixels;
    ASSERT_TRUE(lines >> width >> height >> compression >> pixels);
    EXPECT_EQ(width + "x" + height, "13x7");
    EXPECT_EQ(compression, cases[i].format == pf16bit ? "3" : "0");
    EXPECT_EQ(pixels, RgbHex(*bitmaps[i]));
    // Loaded back: the same format, pixels and bytes.
    std::unique_ptr<TBitmap> back(TBitmap::Create());
    back->LoadFromFile(dir + "/" + std::to_string(i + 1) + ".bmp");
    EXPECT_EQ(back->PixelFormat(), cases[i].format);
    EXPECT_EQ(RgbHex(*back), RgbHex(*bitmaps[i]));
    EXPECT_EQ(Saved(*back), Saved(*bitmaps[i]));
  }
  std::string command = "rm -rf " + dir;
  EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(Bitmap, FilesInTheWrittenFormSaveBackByteForByte) {
  // Pillow writes the canonical layout (with its resolution and colour counts) at 1, 8 and 24 bits.
  std::istringstream lines(testing_support::RunPython(R"(
import io
from PIL import Image
image = Image.new("RGB", (11, 5))
image.putdata([((x * 40) & 255, (y * 50) & 255, (x * y * 9) & 255) for y in range(5) for x in range(11)])
for mode in ("1", "L", "P", "RGB"):
    out = io.BytesIO()
    converted = image.convert(mode) if mode != "P" else image.convert("P", palette=Image.ADAPTIVE, colors=256)
    converted.save(out, format="BMP", dpi=(72, 72))
    print(out.getvalue().hex())
)"));
  int files = 0;
  for (std::string hex; lines >> hex; ++files) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
    SCOPED_TRACE(files);
    EXPECT_EQ(Hex(Saved(*Load(bytes))), hex);
  }
  EXPECT_EQ(files, 4);
  // A 16-bit 5-6-5 file and a 4-bit one of our own, top-down rows written bottom-up.
  for (TPixelFormat format : {pf16bit, pf4bit}) {
    std::string bytes = Saved(*Pattern(5, 3, format));
    EXPECT_EQ(Saved(*Load(bytes)), bytes);
  }
}

TEST(Bitmap, HandleTypesMonochromeAndPalettes) {
  std::unique_ptr<TBitmap> bitmap = Pattern(6, 4, pf8bit);
  EXPECT_EQ(bitmap->HandleType(), bmDIB);
  EXPECT_FALSE(bitmap->Monochrome());
  HPALETTE palette = bitmap->Palette();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 256u);
  std::string colours = RgbHex(*bitmap);
  bitmap->SetHandleType(bmDDB);
  EXPECT_EQ(bitmap->HandleType(), bmDDB);
  EXPECT_EQ(bitmap->PixelFormat(), pfDevice);
  EXPECT_EQ(RgbHex(*bitmap), colours);
  EXPECT_EQ(bitmap->Palette(), nullptr) << "a device bitmap has no table";
  bitmap->SetHandleType(bmDIB);
  EXPECT_EQ(bitmap->PixelFormat(), pf32bit);
  EXPECT_EQ(RgbHex(*bitmap), colours);

  bitmap->SetPixels(1, 1, clWhite);
  bitmap->SetMonochrome(true);
  EXPECT_TRUE(bitmap->Monochrome());
  EXPECT_EQ(bitmap->HandleType(), bmDDB);
  EXPECT_EQ(bitmap->PixelFormat(), pf1bit);
  EXPECT_EQ(bitmap->Pixels(1, 1), clWhite);
  EXPECT_EQ(bitmap->Pixels(0, 0), clBlack);
  // Saved as a 1-bit file with a black and white table; loaded back it is a monochrome DIB section.
  std::unique_ptr<TBitmap> back = Load(Saved(*bitmap));
  EXPECT_EQ(back->HandleType(), bmDIB);
  EXPECT_TRUE(back->Monochrome());
  EXPECT_EQ(back->Pixels(1, 1), clWhite);
  // A 1-bit bitmap of other colours is no monochrome one.
  std::unique_ptr<TBitmap> two = Pattern(3, 3, pf1bit);
  EXPECT_TRUE(two->Monochrome());  // the fixed 1-bit table is black and white
  HPALETTE reds = [] {
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = 2;
    log->palPalEntry[0] = {100, 0, 0, 0};
    log->palPalEntry[1] = {200, 0, 0, 0};
    return CreatePalette(log);
  }();
  two->SetPalette(reds);
  EXPECT_FALSE(two->Monochrome());
  EXPECT_EQ(two->Palette(), reds);
  EXPECT_EQ(two->Pixels(0, 0), TColor(100));
}

// A graphic of another class for assignments.
class TOtherGraphic : public TGraphic {
  VCL_CLASS(TOtherGraphic, TGraphic)
  bool Empty() const override { return false; }
  int Width() const override { return 1; }
  int Height() const override { return 1; }
  void LoadFromStream(TStream*) override {}
};

TEST(Bitmap, AssignCopiesBitmapsAndRefusesOtherGraphics) {
  std::unique_ptr<TBitmap> source = Pattern(4, 3, pf4bit);
  std::unique_ptr<TBitmap> copy(TBitmap::Create());
  copy->Assign(source.get());
  EXPECT_EQ(copy->PixelFormat(), pf4bit);
  EXPECT_EQ(Saved(*copy), Saved(*source));
  EXPECT_NE(copy->Handle(), source->Handle());
  EXPECT_TRUE(copy->Equals(source.get()));
  copy->SetPixels(0, 0, clWhite);
  EXPECT_NE(source->Pixels(0, 0), clWhite);
  EXPECT_FALSE(copy->Equals(source.get()));

  std::unique_ptr<TOtherGraphic> other(NewObject<TOtherGraphic>());
  try {
    copy->Assign(other.get());
    ADD_FAILURE() << "assigned";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TOtherGraphic to a TBitmap");
  }
  EXPECT_EQ(copy->Width(), 4) << "a refused assignment keeps the image";
  EXPECT_FALSE(copy->Equals(other.get()));
  copy->Assign(nullptr);
  EXPECT_TRUE(copy->Empty());
  EXPECT_EQ(copy->Handle(), nullptr);
  // What the other class does not offer.
  EXPECT_THROW(other->SetWidth(3), EInvalidGraphicOperation);
  TStringStream sink;
  EXPECT_THROW(other->SaveToStream(&sink), EInvalidGraphicOperation);
}

TEST(Bitmap, SizeSettersKeepTheFormatAndWhatOverlaps) {
  std::unique_ptr<TBitmap> bitmap = Pattern(4, 3, pf8bit);
  TColor kept = bitmap->Pixels(1, 2);
  int changes = 0;
  bitmap->OnChange = [&](TObject*) { ++changes; };
  bitmap->SetWidth(6);
  bitmap->SetHeight(5);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(bitmap->Width(), 6);
  EXPECT_EQ(bitmap->Height(), 5);
  EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
  EXPECT_EQ(bitmap->Pixels(1, 2), kept);
  EXPECT_TRUE(bitmap->Modified());
  EXPECT_THROW(bitmap->SetSize(-1, 2), ERangeError);
  EXPECT_THROW(bitmap->SetSize(1 << 14, 1 << 14), EOutOfResources);
  EXPECT_EQ(bitmap->Width(), 6);
  bitmap->SetSize(0, 0);
  EXPECT_TRUE(bitmap->Empty());
}

TEST(Canvas, DrawingThroughTheBitmapsContext) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetSize(8, 6);
  TCanvas* canvas = bitmap->Canvas();
  HDC dc = canvas->Handle();
  EXPECT_EQ(GetObjectType(AsGdiObject(dc)), OBJ_MEMDC);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), AsGdiObject(bitmap->Handle()));
  int changes = 0;
  bitmap->OnChange = [&](TObject*) { ++changes; };
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(RECT{1, 1, 3, 3});
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(canvas->Pixels(2, 2), clRed);
  EXPECT_EQ(canvas->Pixels(3, 3), clBlack);
  EXPECT_EQ(canvas->Pixels(8, 0), -1);

  // Draw at its size, stretch and copy with the copy mode into another bitmap.
  std::unique_ptr<TBitmap> target(TBitmap::Create());
  target->SetSize(16, 12);
  target->Canvas()->Draw(4, 0, bitmap.get());
  EXPECT_EQ(target->Pixels(6, 2), clRed);
  EXPECT_EQ(target->Pixels(7, 3), clBlack);
  target->Canvas()->StretchDraw(RECT{0, 0, 16, 12}, bitmap.get());
  EXPECT_EQ(target->Pixels(2, 2), clRed);
  EXPECT_EQ(target->Pixels(5, 5), clRed);
  EXPECT_EQ(target->Pixels(6, 6), clBlack);
  target->Canvas()->SetCopyMode(cmNotSrcCopy);
  target->Canvas()->CopyRect(RECT{0, 0, 2, 2}, canvas, RECT{2, 2, 4, 4});
  EXPECT_EQ(target->Pixels(0, 0), TColor(0xFFFF00));  // NOT red
  EXPECT_EQ(target->Pixels(1, 1), clWhite);           // NOT black

  // A new handle frees the old context; the canvas makes a new one with the new bitmap.
  bitmap->SetSize(2, 2);
  EXPECT_EQ(GetCurrentObject(canvas->Handle(), OBJ_BITMAP), AsGdiObject(bitmap->Handle()));
  TCanvas plain;
  EXPECT_THROW(plain.FillRect(RECT{0, 0, 1, 1}), EInvalidOperation);
  plain.SetHandle(canvas->Handle());
  EXPECT_EQ(plain.Pixels(1, 1), clRed);
  plain.SetHandle(nullptr);
}

TEST(Graphic, SharedImagesAndProgress) {
  struct TCountedImage : TSharedImage {
    int* freed;
    explicit TCountedImage(int* f) : freed(f) {}
    void FreeHandle() override { ++*freed; }
  };
  int freed = 0;
  auto* image = new TCountedImage(&freed);
  image->Reference();
  image->Reference();
  EXPECT_EQ(image->RefCount(), 2);
  image->Release();
  EXPECT_EQ(freed, 0);
  image->Release();  // frees the image too (ASan would report a leak otherwise)
  EXPECT_EQ(freed, 1);

  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  std::vector<std::string> seen;
  bitmap->OnProgress = [&](TObject* sender, TProgressStage stage, BYTE percent, bool, const RECT&,
                           const std::string& message) {
    seen.push_back(std::to_string(stage) + ":" + std::to_string(percent) + ":" + message +
                   (sender == bitmap.get() ? "" : "?"));
  };
  bitmap->Progress(bitmap.get(), psRunning, 40, false, RECT{0, 0, 0, 0}, "");
  bitmap->Progress(bitmap.get(), psEnding, 0, false, RECT{0, 0, 0, 0}, "broken");
  EXPECT_EQ(seen, (std::vector<std::string>{"1:40:", "2:0:broken"}));
}

TEST(Picture, ClipboardFormatsMakeTheirRegisteredGraphics) {
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
  std::unique_ptr<TBitmap> source = Pattern(3, 2, pf24bit);
  UINT format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  source->SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, CF_BITMAP);
  EXPECT_EQ(palette, nullptr);
  EXPECT_EQ(GetObjectType(AsGdiObject(reinterpret_cast<HBITMAP>(data))), OBJ_BITMAP);

  std::unique_ptr<TPicture> picture(NewObject<TPicture>());
  picture->LoadFromClipboardFormat(CF_BITMAP, data, nullptr);
  auto* loaded = DynamicAs<TBitmap>(picture->Graphic());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(RgbHex(*loaded), RgbHex(*source));
  DeleteObject(reinterpret_cast<HBITMAP>(data));

  UINT own = RegisterClipboardFormatA("Other Pictures");
  EXPECT_FALSE(TPicture::SupportsClipboardFormat(own));
  try {
    picture->LoadFromClipboardFormat(own, nullptr, nullptr);
    ADD_FAILURE() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unsupported clipboard format");
  }
  EXPECT_EQ(picture->Graphic(), loaded) << "a failed load keeps the graphic";
  TPicture::RegisterClipboardFormat(own, [] { return NewObject<TOtherGraphic>(); });
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(own));
  EXPECT_THROW(picture->LoadFromClipboardFormat(own, nullptr, nullptr), EInvalidGraphicOperation);
  TPicture::UnregisterClipboardFormat(own);
  EXPECT_FALSE(TPicture::SupportsClipboardFormat(own));
}

}  // namespace
