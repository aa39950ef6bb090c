#include "platform/components/Icons.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/components/ImgList.h"
#include "platform/runtime/Streams.h"
#include "platform/testing/BmpWriter.h"
#include "platform/testing/Hex.h"
#include "platform/testing/PythonOracle.h"
#include "platform/winapi/Module.h"

namespace {

using testing_support::Hex;
using testing_support::Unhex;

void LoadInto(TIcon* icon, const std::string& bytes) {
  TStringStream stream(bytes);
  icon->LoadFromStream(&stream);
}

// The pixels as RGBA bytes, transparent ones as zeros.
std::string Rgba(const TIcon& icon) {
  std::string out;
  for (int y = 0; y < icon.Height(); ++y)
    for (int x = 0; x < icon.Width(); ++x) {
      uint32_t p = icon.Pixel32(x, y);
      if (icon.IsTransparent(x, y))
        out += std::string(4, '\0');
      else
        out += {char(p >> 16), char(p >> 8), char(p), char(p >> 24)};
    }
  return Hex(out);
}

// An icon of distinct colours, every seventh pixel transparent.
std::unique_ptr<TIcon> Pattern(int width, int height) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  icon->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      icon->SetPixels(x, y, (x * 3 + y) % 7 == 0 ? clNone : TColor(x * 10 | y * 10 << 8 | 0x40 << 16));
  return icon;
}

TEST(Icon, EveryLayoutLoadsPixelExactAsPillowDecodesIt) {
  const auto lines = testing_support::RunPythonFixture("platform/components/tests/ico_fixtures.py");
  for (const std::vector<std::string>& field : lines) {
    ASSERT_EQ(field.size(), 5u) << (field.empty() ? "" : field[0]);
    SCOPED_TRACE(field[0]);
    std::unique_ptr<TIcon> icon(TIcon::Create());
    LoadInto(icon.get(), Unhex(field[3]));
    EXPECT_EQ(icon->Width(), std::stoi(field[1]));
    EXPECT_EQ(icon->Height(), std::stoi(field[2]));
    EXPECT_EQ(Rgba(*icon), field[4]);
  }
  EXPECT_EQ(lines.size(), 9u);
}

// A 2 x 2 icon of 24 bits: the directory, its entry, the bitmap header, two rows of pixels, the mask.
std::string SmallIcon() {
  std::string bytes = Unhex(
      "000001000100"  // reserved, type 1, one image
      "020200000100180040000000"
      "16000000"  // 2 x 2, 1 plane, 24 bits, 64 bytes at 22
      "28000000020000000400000001001800000000000000000000000000000000000000000000000000"
      "0000ff00ff000000"
      "ff0000ffffff0000"  // rows bottom-up, each padded to 8 bytes
      "00000000"
      "40000000");  // mask rows: the top right pixel is transparent
  return bytes;
}

TEST(Icon, MalformedFilesRaiseTheInvalidIconErrorAndKeepThePreviousImage) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  LoadInto(icon.get(), SmallIcon());
  ASSERT_EQ(icon->Width(), 2);
  EXPECT_EQ(icon->Pixels(0, 0), clBlue);
  EXPECT_EQ(icon->Pixels(1, 0), clNone);
  EXPECT_EQ(icon->Pixels(0, 1), clRed);
  EXPECT_EQ(icon->Pixels(1, 1), clLime);
  EXPECT_EQ(icon->Pixels(2, 0), -1);

  auto set = [](std::string bytes, size_t at, std::string value) { return bytes.replace(at, value.size(), value); };
  std::string good = SmallIcon();
  struct Case {
    const char* what;
    std::string bytes;
    const char* error;
  } cases[] = {
      {"empty", "", "EInvalidGraphic"},
      {"reserved word", set(good, 0, "\1"), "EInvalidGraphic"},
      {"cursor", set(good, 2, "\2"), "EInvalidGraphic"},
      {"no image", set(good, 4, std::string("\0", 1)), "EInvalidGraphic"},
      {"offset past the end", set(good, 18, "\xF0"), "EInvalidGraphic"},
      {"length past the end", set(good, 14, "\x39"), "EInvalidGraphic"},
      {"core header", set(good, 22, "\x0C"), "EInvalidGraphic"},
      {"two planes", set(good, 34, "\2"), "EInvalidGraphic"},
      {"16 bits", set(good, 36, "\x10"), "EInvalidGraphic"},
      {"compressed", set(good, 38, "\1"), "EInvalidGraphic"},
      {"no width", set(good, 26, std::string("\0", 1)), "EInvalidGraphic"},
      {"odd doubled height", set(good, 30, "\3"), "EInvalidGraphic"},
      {"negative height", set(good, 30, "\xFC\xFF\xFF\xFF"), "EInvalidGraphic"},
      {"mask cut short", good.substr(0, good.size() - 1), "EInvalidGraphic"},
      {"stored as PNG", set(good, 22, "\x89PNG\r\n\x1A\n"), "EInvalidGraphic"},
      {"too many pixels", set(good, 26, std::string("\0\0\0\x40", 4)), "EOutOfResources"},
  };
  for (const Case& c : cases) {
    try {
      LoadInto(icon.get(), c.bytes);
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), c.error) << c.what;
      if (std::string(c.error) == "EInvalidGraphic") {
        EXPECT_EQ(e.Message(), "Icon image is not valid") << c.what;
      }
    }
    EXPECT_EQ(icon->Width(), 2) << c.what;
    EXPECT_EQ(icon->Pixels(1, 1), clLime) << c.what;
  }

  // A palette index beyond the colours the file has.
  std::string palette = Unhex(
      "000001000100"
      "010100000100040038000000"
      "16000000"
      "28000000010000000200000001000400000000000000000000000000000000000200000000000000"
      "00000000"
      "ffffff00"  // two colours
      "20000000"
      "00000000");  // the one pixel is index 2
  EXPECT_THROW(LoadInto(icon.get(), palette), EInvalidGraphic);
}

TEST(Icon, APictureHoldsAnIconAndIconsCopy) {
  std::unique_ptr<TIcon> icon = Pattern(5, 3);
  EXPECT_TRUE(icon->Transparent());
  TPicture picture;
  auto* copy = TIcon::Create();
  copy->Assign(icon.get());
  picture.SetGraphic(copy);
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(picture.Height(), 3);
  EXPECT_EQ(Rgba(*copy), Rgba(*icon));
  copy->Assign(nullptr);
  EXPECT_TRUE(copy->Empty());
  EXPECT_THROW(copy->SetSize(-1, 2), ERangeError);
  EXPECT_THROW(copy->SetSize(1 << 14, 1 << 13), EOutOfResources);
}

std::vector<std::vector<std::string>> FixtureLines(const std::string& script, size_t fields) {
  auto lines = testing_support::RunPythonFixture("platform/components/tests/" + script);
  for (const auto& line : lines) EXPECT_EQ(line.size(), fields);
  return lines;
}

// A 24-bit bitmap of one colour.
std::unique_ptr<TBitmap> Surface(int width, int height, TColor colour) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(colour);
  bitmap->Canvas()->FillRect(RECT{0, 0, width, height});
  return bitmap;
}

// What drawing RGBA pixels over a colour gives, as 00BBGGRR colours.
std::vector<TColor> Composited(const std::string& rgba, TColor under) {
  std::vector<TColor> out;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
    unsigned a = uint8_t(rgba[i + 3]);
    TColor c = 0;
    for (int k = 0; k < 3; ++k) {
      unsigned s = uint8_t(rgba[i + k]), d = unsigned(under) >> (8 * k) & 0xFF;
      c |= TColor((s * a + d * (255 - a) + 127) / 255) << (8 * k);
    }
    out.push_back(c);
  }
  return out;
}

TEST(Icon, IcotoolIconsOfEveryDepthDrawAsPillowAndGdkPixbufDecodeThemAndSaveBackUnchanged) {
  const TColor under = 0x306090;
  auto cases = FixtureLines("icotool_fixtures.py", 6);
  EXPECT_EQ(cases.size(), 6u);
  for (const auto& field : cases) {
    SCOPED_TRACE(field[0]);
    EXPECT_EQ(field[4], field[5]) << "Pillow and gdk-pixbuf disagree";
    std::string file = Unhex(field[3]);
    std::unique_ptr<TIcon> icon(TIcon::Create());
    LoadInto(icon.get(), file);
    int width = std::stoi(field[1]), height = std::stoi(field[2]);
    ASSERT_EQ(icon->Width(), width);
    ASSERT_EQ(icon->Height(), height);
    TStringStream saved("");
    icon->SaveToStream(&saved);
    EXPECT_TRUE(saved.DataString() == file) << "saved bytes differ";

    std::unique_ptr<TBitmap> surface = Surface(width + 3, height + 2, under);
    surface->Canvas()->Draw(2, 1, icon.get());
    std::vector<TColor> expected = Composited(Unhex(field[4]), under);
    int wrong = 0;
    for (int y = 0; y < height + 2; ++y)
      for (int x = 0; x < width + 3; ++x) {
        bool inside = x >= 2 && y >= 1 && x < width + 2 && y < height + 1;
        TColor want = inside ? expected[size_t(y - 1) * size_t(width) + size_t(x - 2)] : under;
        if (surface->Pixels(x, y) != want && wrong++ < 5) ADD_FAILURE() << x << ',' << y;
      }
    EXPECT_EQ(wrong, 0);
  }
}

// A 2 x 2 icon of 24 bits whose top row is masked: black over the surface, white that inverts it.
std::string InvertingIcon() {
  return Unhex(
      "000001000100"
      "020200000100180040000000"
      "16000000"
      "28000000020000000400000001001800000000000000000000000000000000000000000000000000"
      "0000ff00ff000000"  // bottom row: red, lime
      "000000ffffff0000"  // top row: black, white
      "00000000"
      "c0000000");  // mask rows bottom-up: the top row is masked
}

TEST(Icon, MaskedPixelsOfColourInvertTheSurfaceAndStretchingTakesTheNearestPixel) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  LoadInto(icon.get(), InvertingIcon());
  EXPECT_EQ(icon->Pixels(0, 0), clNone);
  EXPECT_EQ(icon->Pixels(1, 0), clNone);
  EXPECT_FALSE(icon->Blended());
  const TColor under = 0x306090;
  std::unique_ptr<TBitmap> surface = Surface(5, 4, under);
  surface->Canvas()->StretchDraw(RECT{1, 0, 5, 4}, icon.get());
  const TColor inverted = 0xCF9F6F;
  const TColor rows[4][5] = {{under, under, under, inverted, inverted},
                             {under, under, under, inverted, inverted},
                             {under, clRed, clRed, clLime, clLime},
                             {under, clRed, clRed, clLime, clLime}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(surface->Pixels(x, y), rows[y][x]) << x << ',' << y;
  // An empty icon or rectangle draws nothing.
  std::unique_ptr<TIcon> empty(TIcon::Create());
  surface->Canvas()->Draw(0, 0, empty.get());
  surface->Canvas()->StretchDraw(RECT{0, 0, 0, 4}, icon.get());
  EXPECT_EQ(surface->Pixels(0, 0), under);
}

TEST(Icon, MadeAndEditedIconsSaveAsOneImageThatPillowReadsAndThatLoadsBack) {
  std::unique_ptr<TIcon> made = Pattern(7, 3);
  made->SetPixel32(1, 1, 0xFFFFFFFF, true);  // inverts
  std::unique_ptr<TIcon> blended(TIcon::Create());
  auto fixtures = FixtureLines("icotool_fixtures.py", 6);
  ASSERT_GE(fixtures.size(), 5u);
  LoadInto(blended.get(), Unhex(fixtures[4][3]));  // 32 bits
  ASSERT_TRUE(blended->Blended());
  blended->SetPixel32(0, 0, 0x80102030, false);
  for (TIcon* icon : {made.get(), blended.get()}) {
    SCOPED_TRACE(icon->Blended() ? "blended" : "masked");
    TStringStream saved("");
    icon->SaveToStream(&saved);
    std::unique_ptr<TIcon> back(TIcon::Create());
    LoadInto(back.get(), saved.DataString());
    EXPECT_EQ(back->Blended(), icon->Blended());
    EXPECT_EQ(Rgba(*back), Rgba(*icon));
    for (int y = 0; y < icon->Height(); ++y)
      for (int x = 0; x < icon->Width(); ++x) {
        uint32_t a = icon->Pixel32(x, y), b = back->Pixel32(x, y);
        EXPECT_EQ(a & 0xFFFFFF, b & 0xFFFFFF) << x << ',' << y;
        if (icon->Blended()) {
          EXPECT_EQ(a >> 24, b >> 24) << x << ',' << y;
        }
      }
    std::string program = "import io, sys\nfrom PIL import Image\nim = Image.open(io.BytesIO(bytes.fromhex('" +
                          Hex(saved.DataString()) + "')))\nprint(im.size, im.info.get('sizes'))\n";
    EXPECT_EQ(testing_support::RunPython(program),
              "(" + std::to_string(icon->Width()) + ", " + std::to_string(icon->Height()) + ") {(" +
                  std::to_string(icon->Width()) + ", " + std::to_string(icon->Height()) + ")}\n");
  }
  TStringStream nothing("");
  std::unique_ptr<TIcon> empty(TIcon::Create());
  empty->SaveToStream(&nothing);
  EXPECT_EQ(nothing.DataString(), "");
}

TEST(Icon, LoadingAssigningAndResizingSignalTheChangeAndNamedResourcesLoad) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  int changes = 0;
  icon->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, icon.get());
    ++changes;
  };
  LoadInto(icon.get(), SmallIcon());
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(LoadInto(icon.get(), "junk"), EInvalidGraphic);
  EXPECT_EQ(changes, 1);
  icon->SetPixels(0, 0, clRed);
  EXPECT_EQ(changes, 1) << "pixel edits do not signal";
  std::unique_ptr<TIcon> other = Pattern(3, 3);
  icon->Assign(other.get());
  icon->SetSize(4, 4);
  icon->Assign(nullptr);
  EXPECT_EQ(changes, 4);

  icon->LoadFromResourceName(HInstance(), "smallicon");
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(Rgba(*icon), [] {
    std::unique_ptr<TIcon> expected(TIcon::Create());
    LoadInto(expected.get(), SmallIcon());
    return Rgba(*expected);
  }());
  try {
    icon->LoadFromResourceName(HInstance(), "NOICON");
    ADD_FAILURE() << "loaded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "EResNotFound");
    EXPECT_EQ(e.Message(), "Resource NOICON not found");
  }
  EXPECT_EQ(icon->Width(), 2);
}

TEST(ImageList, IconsRoundTripPixelExactBetweenListsOfOneSize) {
  std::unique_ptr<TImageList> source(TImageList::CreateSize(16, 16));
  std::unique_ptr<TBitmap> strip(TBitmap::Create());
  TStringStream bmp(testing_support::Bmp24(
      48, 16, [](int x, int y) { return (x + y) % 5 == 0 ? 0xFF00FFu : uint32_t(x << 16 | y << 8 | (x / 16) * 60); }));
  strip->LoadFromStream(&bmp);
  source->AddMasked(strip.get(), TColor(0xFF00FF));
  std::unique_ptr<TImageList> target(TImageList::CreateSize(16, 16));
  std::unique_ptr<TIcon> icon(TIcon::Create());
  for (int i = 0; i < source->Count(); ++i) {
    source->GetIcon(i, icon.get());
    ASSERT_EQ(icon->Width(), 16);
    EXPECT_EQ(target->AddIcon(icon.get()), i);
  }
  for (int i = 0; i < source->Count(); ++i)
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(target->Pixels(i, x, y), source->Pixels(i, x, y)) << i << ' ' << x << ' ' << y;
  EXPECT_EQ(target->Pixels(0, 5, 0), clNone);

  EXPECT_THROW(source->GetIcon(3, icon.get()), EInvalidOperation);
  EXPECT_EQ(icon->Width(), 16) << "unchanged";
  std::unique_ptr<TIcon> empty(TIcon::Create());
  EXPECT_THROW(target->AddIcon(empty.get()), EInvalidOperation);
  EXPECT_EQ(target->Count(), 3);
}

TEST(ImageList, IconsOfAnotherSizeAreScaledByTheirNearestPixelsAsPillowDoes) {
  // Sizes whose pixel centres never fall on a boundary between two icon pixels.
  for (auto [width, height] : {std::pair{24, 24}, std::pair{8, 8}, std::pair{20, 10}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    std::unique_ptr<TIcon> icon = Pattern(width, height);
    std::unique_ptr<TImageList> list(TImageList::CreateSize(16, 16));
    list->AddIcon(icon.get());
    std::string program =
        "from PIL import Image\n"
        "w, h = " +
        std::to_string(width) + ", " + std::to_string(height) +
        "\n"
        "im = Image.new('RGBA', (w, h))\n"
        "im.putdata([(0, 0, 0, 0) if (x * 3 + y) % 7 == 0 else (x * 10, y * 10, 0x40, 255)"
        " for y in range(h) for x in range(w)])\n"
        "print(im.resize((16, 16), Image.NEAREST).tobytes().hex())\n";
    std::string got;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        TColor c = list->Pixels(0, x, y);
        got += c == clNone ? std::string(4, '\0')
                           : std::string{char(c & 0xFF), char(c >> 8 & 0xFF), char(c >> 16 & 0xFF), char(0xFF)};
      }
    EXPECT_EQ(Hex(got) + "\n", testing_support::RunPython(program));
  }
}

}  // namespace
