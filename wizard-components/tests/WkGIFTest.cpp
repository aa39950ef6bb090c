// The GIF image as a graphic: registration, drawing with and without transparency, assignment, form data
// and the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GlobalMemory.h"
#include "wizard-components/PictureUnits.h"
#include "wizard-components/tests/CkTestSupport.h"
#include "wizard-components/tests/GifTestSupport.h"

namespace {

using namespace gif_test;

using Bitmap = std::unique_ptr<TBitmap, Freer<TBitmap>>;

// A 4x2 picture whose entry 3 (transparent) has the colour of entry 5.
const char* kRepeatedColour =
    "gifcorpus.gif(4, 2, [gifcorpus.Frame(4, 2, [3, 5, 0, 3, 1, 3, 5, 2], extensions=[gifcorpus.gce(0, 0, 3)])], "
    "[(10, 20, 30), (40, 50, 60), (70, 80, 90), (200, 100, 50), (1, 2, 3), (200, 100, 50), (0, 0, 0), (9, 9, 9)])";

Bitmap Canvas(int width, int height, TColor fill) {
  Bitmap target(TBitmap::Create());
  target->SetSize(width, height);
  target->Canvas()->Brush()->SetColor(fill);
  target->Canvas()->FillRect(RECT{0, 0, width, height});
  return target;
}

std::string Row(TBitmap& bitmap, int y) {
  std::string out;
  for (int x = 0; x < bitmap.Width(); ++x) out += ColorToString(bitmap.Pixels(x, y)) + " ";
  return out;
}

TEST(GifImage, TheUnitRegistersTheFormatForPicturesAndTheClipboard) {
  InitPictureUnits();
  std::string description;
  TGraphicClass make;
  ASSERT_TRUE(FindFileFormat("GIF", &description, &make));
  EXPECT_EQ(description, "CompuServe GIF Image");
  char name[32] = {};
  ASSERT_NE(GifClipboardFormat(), 0u);
  EXPECT_EQ(GetClipboardFormatNameA(GifClipboardFormat(), name, sizeof name), 9);
  EXPECT_STREQ(name, "GIF Image");
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(GifClipboardFormat()));
  // A picture given a .gif file loads it through the class.
  std::string path = ::testing::TempDir() + "picture" + std::to_string(getpid()) + ".gif";
  TFileStream* file = TFileStream::Create(path, fmCreate);
  std::string bytes = BuildGif("gifcorpus.gif(30, 20, [gifcorpus.Frame(7, 5, [1] * 35)], [(0, 0, 0), (255, 0, 0)])");
  file->WriteBuffer(bytes.data(), int64_t(bytes.size()));
  file->Free();
  TPicture picture;
  picture.LoadFromFile(path);
  ASSERT_NE(DynamicAs<TGIFImage>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 7);
  EXPECT_EQ(picture.Height(), 5);
  std::remove(path.c_str());
  UnregisterGifFormat();
  EXPECT_FALSE(FindFileFormat("gif", nullptr, nullptr));
  EXPECT_FALSE(TPicture::SupportsClipboardFormat(GifClipboardFormat()));
}

TEST(GifImage, TransparentDrawingKeepsPixelsThatShareTheTransparentColour) {
  Image image(LoadGif(BuildGif(kRepeatedColour)));
  ASSERT_TRUE(image->Transparent());
  EXPECT_EQ(image->Frames(0)->TransparentColor(), TColor(0x3264C8));
  Bitmap target = Canvas(4, 2, clBlue);
  target->Canvas()->StretchDraw(RECT{0, 0, 4, 2}, image.get());
  EXPECT_EQ(Row(*target, 0), "clBlue $003264C8 $001E140A clBlue ");
  EXPECT_EQ(Row(*target, 1), "$003C3228 clBlue $003264C8 $005A5046 ");
  // The frame's table is as read.
  EXPECT_EQ(image->Frames(0)->Item()->colorTable.Color(3), TColor(0x3264C8));
  // Stretched: every pixel doubled.
  Bitmap large = Canvas(8, 4, clLime);
  large->Canvas()->StretchDraw(RECT{0, 0, 8, 4}, image.get());
  EXPECT_EQ(Row(*large, 1), "clLime clLime $003264C8 $003264C8 $001E140A $001E140A clLime clLime ");
  // Without the Transparent flag the transparent entry is drawn in its colour.
  image->SetTransparent(false);
  EXPECT_FALSE(image->Transparent());
  Bitmap opaque = Canvas(4, 2, clBlue);
  opaque->Canvas()->StretchDraw(RECT{0, 0, 4, 2}, image.get());
  EXPECT_EQ(Row(*opaque, 0), "$003264C8 $003264C8 $001E140A $003264C8 ");
}

TEST(GifImage, SizeChangesAreRefusedAndEqualityMeansSharedData) {
  std::string bytes = BuildGif(kRepeatedColour);
  Image image(LoadGif(bytes)), same(LoadGif(bytes)), copy(TGIFImage::Create());
  try {
    image->SetWidth(9);
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(e.Message(), "Cannot change the Size of a GIF image");
  }
  EXPECT_THROW(image->SetHeight(9), EInvalidGraphicOperation);
  EXPECT_FALSE(image->Equals(same.get()));
  copy->Assign(image.get());
  EXPECT_TRUE(copy->Equals(image.get()));
  EXPECT_EQ(copy->Frames(0)->Item(), image->Frames(0)->Item());
  EXPECT_EQ(copy->FrameIndex(), 0);
  EXPECT_EQ(copy->ScreenWidth(), 4);
  Bitmap bitmap(TBitmap::Create());
  EXPECT_FALSE(image->Equals(bitmap.get()));
}

TEST(GifImage, AssigningBitmapsFramesAndImages) {
  // A bitmap becomes the one frame of a GIF87a image of its size.
  Bitmap bitmap = Canvas(5, 3, clRed);
  Image image(TGIFImage::Create());
  image->Assign(bitmap.get());
  ASSERT_EQ(image->FrameCount(), 1);
  EXPECT_EQ(image->Version(), 1);
  EXPECT_EQ(image->FrameIndex(), 0);
  EXPECT_EQ(image->ScreenWidth(), 5);
  EXPECT_EQ(image->Width(), 5);
  EXPECT_EQ(image->CurrentBitmap()->Pixels(4, 2), clRed);
  // A second frame makes it GIF89a.
  Bitmap small = Canvas(2, 9, clLime);
  EXPECT_EQ(image->AddFrame(small.get()), 1);
  EXPECT_EQ(image->Version(), 2);
  EXPECT_EQ(image->ScreenHeight(), 9);
  // A frame of another image: its table and data come along.
  Image read(LoadGif(BuildGif(kRepeatedColour)));
  Image fromFrame(TGIFImage::Create());
  fromFrame->Assign(read->Frames(0));
  ASSERT_EQ(fromFrame->FrameCount(), 1);
  EXPECT_EQ(fromFrame->Frames(0)->Item(), read->Frames(0)->Item());
  EXPECT_TRUE(fromFrame->Frames(0)->LocalColorTable());
  EXPECT_EQ(fromFrame->Data()->colorTable.count, 8);
  EXPECT_EQ(fromFrame->Frames(0)->TransparentColor(), TColor(0x3264C8));
  // Into a bitmap: the current frame's pixels and its transparent colour.
  Bitmap target(TBitmap::Create());
  target->Assign(read.get());
  EXPECT_EQ(target->Width(), 4);
  EXPECT_EQ(target->Pixels(2, 0), TColor(0x1E140A));
  EXPECT_TRUE(target->Transparent());
  EXPECT_EQ(target->TransparentColor(), TColor(0x3264C8));
  // An empty image empties the target; nil empties the image.
  Image empty(TGIFImage::Create());
  target->Assign(empty.get());
  EXPECT_TRUE(target->Empty());
  image->Assign(nullptr);
  EXPECT_EQ(image->FrameCount(), 0);
  EXPECT_TRUE(image->Empty());
  // An image without frames hands out an empty bitmap of a new frame.
  EXPECT_TRUE(image->CurrentBitmap()->Empty());
  EXPECT_EQ(image->FrameCount(), 1);
  EXPECT_EQ(image->FrameIndex(), 0);
  // Anything else is refused.
  TStringList* list = TStringList::Create();
  EXPECT_THROW(image->Assign(list), EConvertError);
  list->Free();
}

TEST(GifImage, FormDataHoldsALengthAndTheFile) {
  std::string gif = BuildGif(kRepeatedColour);
  struct Case {
    const char* what;
    int32_t length;
    bool loads;
  } cases[] = {{"the file", int32_t(gif.size()), true},
               {"a negative length", -5, false},
               {"a length beyond the data", int32_t(gif.size()) + 1, false},
               {"the largest length", 0x7FFFFFFF, false}};
  for (const Case& c : cases) {
    std::string data(reinterpret_cast<const char*>(&c.length), 4);
    TStringStream stream(data + gif);
    Image image(TGIFImage::Create());
    if (c.loads) {
      image->ReadData(&stream);
      EXPECT_EQ(image->Width(), 4) << c.what;
      EXPECT_TRUE(image->Frames(0)->HasBitmap()) << "the first frame is decoded at once";
    } else {
      EXPECT_THROW(image->ReadData(&stream), EReadError) << c.what;
    }
  }
}

TEST(GifImage, TheClipboardFormatHoldsALengthAndTheFile) {
  InitPictureUnits();
  std::string gif = BuildGif(kRepeatedColour);
  auto block = [](int32_t length, const std::string& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4 + bytes.size());
    auto* p = static_cast<char*>(GlobalLock(h));
    std::memcpy(p, &length, 4);
    std::memcpy(p + 4, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
  };
  Image image(TGIFImage::Create());
  HGLOBAL good = block(int32_t(gif.size()), gif);
  image->LoadFromClipboardFormat(GifClipboardFormat(), good, nullptr);
  ASSERT_EQ(image->FrameCount(), 1);
  EXPECT_FALSE(image->Frames(0)->HasBitmap()) << "decoded only when asked for";
  EXPECT_EQ(image->Width(), 4);
  GlobalFree(good);
  for (int32_t length : {-1, int32_t(gif.size()) + 1}) {
    HGLOBAL bad = block(length, gif);
    EXPECT_THROW(image->LoadFromClipboardFormat(GifClipboardFormat(), bad, nullptr), EReadError) << length;
    GlobalFree(bad);
  }
  // A bitmap on the clipboard beside the GIF data is frame 0's bitmap.
  Bitmap red = Canvas(6, 6, clRed);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, red->ReleaseHandle());
  good = block(int32_t(gif.size()), gif);
  image->LoadFromClipboardFormat(GifClipboardFormat(), good, nullptr);
  EXPECT_EQ(image->Width(), 6);
  EXPECT_EQ(image->CurrentBitmap()->Pixels(0, 0), clRed);
  // Without GIF data, a bitmap format loads a bitmap.
  Image fromBitmap(TGIFImage::Create());
  fromBitmap->LoadFromClipboardFormat(CF_BITMAP, GetClipboardData(CF_BITMAP), nullptr);
  EXPECT_EQ(fromBitmap->Width(), 6);
  EmptyClipboard();
  CloseClipboard();
  GlobalFree(good);
}

}  // namespace
