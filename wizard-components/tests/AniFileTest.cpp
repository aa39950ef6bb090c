#include "wizard-components/AniFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "CkTestSupport.h"
#include "IconTestSupport.h"
#include "platform/components/Forms.h"
#include "platform/runtime/Strings.h"
#include "wizard-components/PictureUnits.h"
#include "wizard-components/WkGIF.h"

namespace {

using namespace icon_test;

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream parts(text);
  for (std::string f; std::getline(parts, f, ',');) out.push_back(f);
  return out;
}

void Load(TAnimatedCursorImage& image, const std::string& bytes) {
  TStringStream stream(bytes);
  image.LoadFromStream(&stream);
}

TEST(AniFile, CursorsMadeByIcotoolReadAsGdkPixbufReadsThemWithIcotoolsHotSpots) {
  auto cases = FixtureLines("ani_fixtures.py");
  ASSERT_EQ(cases.size(), 2u);
  for (const auto& field : cases) {
    ASSERT_EQ(field.size(), 8u);
    SCOPED_TRACE(field[0]);
    TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
    Load(*image, ck_test::FromHex(field[1]));
    std::vector<std::string> delays = Split(field[3]), order = Split(field[4]), icons = Split(field[6]),
                             hotSpots = Split(field[7]);
    ASSERT_EQ(image->FrameCount(), std::stoi(field[2]));
    EXPECT_EQ(image->Header().stepCount, uint32_t(image->FrameCount()));
    EXPECT_EQ(Rgba(*image->FrameIcon(0)), field[5]);
    EXPECT_EQ(image->Title(), "Spinner");
    EXPECT_EQ(image->Artist(), "Vandrel");
    for (int i = 0; i < image->FrameCount(); ++i) {
      SCOPED_TRACE(i);
      TIconFrame* frame = image->FrameAt(i);
      EXPECT_EQ(std::to_string(frame->DisplayRate() * 1000 / 60), delays[size_t(i)]);
      size_t source = size_t(std::stoi(order[size_t(i)]));
      EXPECT_EQ(Rgba(*frame->Icon()), icons[source]);
      EXPECT_EQ(std::string(frame->Tag().id, 4), "icon");
      POINT hot = frame->HotSpot();
      if (hotSpots[source] == "-") {
        EXPECT_TRUE(frame->IsIcon());
        EXPECT_EQ(hot.x, frame->Icon()->Width() / 2);
        EXPECT_EQ(hot.y, frame->Icon()->Height() / 2);
      } else {
        EXPECT_FALSE(frame->IsIcon());
        EXPECT_EQ(std::to_string(hot.x) + ":" + std::to_string(hot.y), hotSpots[source]);
      }
    }
    for (int i = 0; i < image->FrameCount(); ++i)
      for (int j = i + 1; j < image->FrameCount(); ++j) EXPECT_NE(image->FrameIcon(i), image->FrameIcon(j));
  }
}

// Three icons of distinct pixels.
std::vector<std::string> ThreeIcons() {
  return {IconFile(*PatternIcon(4, 4, 0)), IconFile(*PatternIcon(4, 4, 1)), IconFile(*PatternIcon(4, 4, 2))};
}

TEST(AniFile, FramesTakeTheirIconsBySequenceNumberAndTheRatesAndNumbersValueByValue) {
  std::vector<std::string> icons = ThreeIcons();
  std::vector<std::string> rgba;
  for (const std::string& file : icons) rgba.push_back(Rgba(*LoadedIcon(file)));
  struct Frame {
    int icon;
    int32_t sequence;
    uint32_t rate;
  };
  struct Case {
    const char* what;
    std::string file;
    std::vector<Frame> frames;
  } cases[] = {
      {"a frame per step when the steps are more",
       Riff(AniHeader(2, 3, 7, 1) + FrameList(icons)),
       {{0, 0, 7}, {1, 1, 7}, {2, 2, 7}}},
      {"one frame per icon at the header's rate",
       Riff(AniHeader(3, 3, 7, 1) + FrameList(icons)),
       {{0, 0, 7}, {1, 1, 7}, {2, 2, 7}}},
      {"more icons than frames: extra frames",
       Riff(AniHeader(1, 1, 7, 1) + FrameList(icons)),
       {{0, 0, 7}, {1, -1, 7}, {2, -1, 7}}},
      {"more frames than icons: the surplus goes",
       Riff(AniHeader(5, 5, 7, 1) + FrameList({icons[0], icons[1]})),
       {{0, 0, 7}, {1, 1, 7}}},
      {"one value per chunk",
       Riff(AniHeader(3, 3, 7, 3) + Chunk("rate", Values({4})) + Chunk("rate", Values({5})) +
            Chunk("seq ", Values({2})) + Chunk("seq ", Values({0})) + FrameList(icons)),
       {{2, 2, 4}, {0, 0, 5}, {2, 2, 7}, {1, -1, 7}}},
      {"several values per chunk",
       Riff(AniHeader(4, 4, 7, 3) + Chunk("rate", Values({1, 2, 3, 4, 99})) + Chunk("seq ", Values({1, 1, 0, 2})) +
            FrameList(icons)),
       {{1, 1, 1}, {1, 1, 2}, {0, 0, 3}, {2, 2, 4}}},
      {"values before the header fill nothing",
       Riff(Chunk("rate", Values({4})) + AniHeader(1, 1, 7, 1) + FrameList({icons[0]})),
       {{0, 0, 7}}},
      {"an icon that does not decode ends the list",
       Riff(AniHeader(3, 3, 7, 1) + FrameList({icons[0], "junk", icons[2]})),
       {{0, 0, 7}}},
      {"a longer header, unknown chunks and lists skipped",
       Riff(Chunk("anih", Values({44, 2, 2, 0, 0, 0, 0, 8, 1, 5, 6})) + Chunk("odd ", "abc") +
            Chunk("LIST", "xtra" + Chunk("icon", icons[2])) + FrameList({icons[0], icons[1]})),
       {{0, 0, 8}, {1, 1, 8}}},
      {"a frame count far beyond the file", Riff(AniHeader(0xFFFFFFFF, 1, 7, 1) + FrameList({icons[1]})), {{1, 0, 7}}},
      {"the last pad byte missing",
       [&] {
         std::string file = Riff(AniHeader(1, 1, 7, 1) + FrameList({icons[0] + "x"}));
         return file.substr(0, file.size() - 1);
       }(),
       {{0, 0, 7}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
    Load(*image, c.file);
    ASSERT_EQ(image->FrameCount(), int(c.frames.size()));
    EXPECT_EQ(image->Header().stepCount, c.frames.size());
    for (size_t i = 0; i < c.frames.size(); ++i) {
      TIconFrame* frame = image->FrameAt(int(i));
      EXPECT_EQ(Rgba(*frame->Icon()), rgba[size_t(c.frames[i].icon)]) << i;
      EXPECT_EQ(frame->Sequence(), c.frames[i].sequence) << i;
      EXPECT_EQ(frame->DisplayRate(), c.frames[i].rate) << i;
    }
  }
}

TEST(AniFile, BadSignaturesAndHeadersAndFilesWithoutIconsRaiseTheReadError) {
  std::vector<std::string> icons = ThreeIcons();
  std::string good = Riff(AniHeader(1, 1, 7, 1) + FrameList({icons[0]}));
  std::string broken = good;
  broken.replace(8, 4, "AVI ");
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"short", "RIFF"},
      {"not RIFF", "RIFX" + good.substr(4)},
      {"not ACON", broken},
      {"frames not icons", Riff(AniHeader(1, 1, 7, 0) + FrameList({icons[0]}))},
      {"no steps", Riff(AniHeader(1, 0, 7, 1) + FrameList({icons[0]}))},
      {"no icons", Riff(AniHeader(1, 1, 7, 1))},
      {"only an undecodable icon", Riff(AniHeader(1, 1, 7, 1) + FrameList({"\0\0\1\0\xFF\xFF"}))},
      {"a list cut short", good.substr(0, good.size() - 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
    try {
      Load(*image, c.file);
      ADD_FAILURE() << "loaded";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Stream read error");
    }
  }
  TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
  Load(*image, "");
  EXPECT_EQ(image->FrameCount(), 0) << "nothing to read";
  EXPECT_THROW(image->FrameAt(0), EListError);
}

TEST(AniFile, TitlesAreCutTo255BytesAndColoursCountPaletteImagesOnly) {
  std::string longTitle(300, 'T');
  std::unique_ptr<TIcon> icon = PatternIcon(4, 4, 0);
  // A 1 x 1 icon of 4 bits: directory, entry, bitmap header, 16 colours, one row, one mask row.
  std::string palette = ck_test::FromHex(
                            "000001000100"
                            "010110000100040070000000"
                            "16000000") +
                        Le32(40) + Le32(1) + Le32(2) + ck_test::FromHex("01000400") + std::string(24, '\0') +
                        std::string(64, '\x7F') + std::string(8, '\0');
  std::string info = Chunk("INAM", longTitle + std::string(1, '\0')) + Chunk("IART", "Me" + std::string(1, '\0'));
  std::string file = Riff(AniHeader(2, 2, 7, 1) + Chunk("LIST", "INFO" + info) + FrameList({palette, IconFile(*icon)}));
  TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
  Load(*image, file);
  ASSERT_EQ(image->FrameCount(), 2);
  EXPECT_EQ(image->Title(), std::string(255, 'T'));
  EXPECT_EQ(image->Artist(), "Me");
  EXPECT_EQ(image->MaxIconColors(), 16);
  Load(*image, Riff(AniHeader(1, 1, 7, 1) + FrameList({IconFile(*icon)})));
  EXPECT_EQ(image->MaxIconColors(), 0) << "24 bits";
  EXPECT_EQ(image->Title(), "") << "cleared by the load";
}

TEST(AniFile, LoadingAFileClearsWhenItFailsAndSavingIsNotImplemented) {
  InitPictureUnits();
  std::string dir = testing::TempDir();
  std::string good = dir + "good.ani", bad = dir + "bad.ani";
  {
    TObjectPtr<TFileStream> out(TFileStream::Create(good, fmCreate));
    std::string file = Riff(AniHeader(1, 1, 7, 1) + FrameList({ThreeIcons()[0]}));
    out->WriteBuffer(file.data(), int64_t(file.size()));
    TObjectPtr<TFileStream> junk(TFileStream::Create(bad, fmCreate));
    junk->WriteBuffer("RIFF\4\0\0\0ACOX", 12);
  }
  TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
  image->LoadFromFile(good);
  EXPECT_EQ(image->FrameCount(), 1);
  EXPECT_THROW(image->LoadFromFile(bad), EReadError);
  EXPECT_EQ(image->FrameCount(), 0);
  image->LoadFromFile(good);
  EXPECT_THROW(image->LoadFromFile(dir + "missing.ani"), Exception);
  EXPECT_EQ(image->FrameCount(), 0);
  TStringStream out("");
  EXPECT_THROW(image->SaveToStream(&out), EAbort);
}

TEST(AniFile, FramesGoToAnIconAStripAnIconListOrAnotherCursor) {
  std::vector<std::string> icons = ThreeIcons();
  TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
  Load(*image, Riff(AniHeader(3, 3, 7, 1) + FrameList(icons)));

  std::unique_ptr<TIcon> icon(TIcon::Create());
  icon->Assign(image.get());
  EXPECT_EQ(Rgba(*icon), Rgba(*image->FrameIcon(0)));

  TObjectPtr<TIconList> list(TIconList::Create());
  int changes = 0;
  list->OnChange = [&](TObject*) { ++changes; };
  list->Add(nullptr);
  changes = 0;
  list->Assign(image.get());
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(list->Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Rgba(*list->IconAt(i)), Rgba(*image->FrameIcon(i)));
    EXPECT_NE(list->IconAt(i), image->FrameIcon(i));
  }

  TObjectPtr<TAnimatedCursorImage> copy(TAnimatedCursorImage::Create());
  copy->Assign(image.get());
  ASSERT_EQ(copy->FrameCount(), 3);
  EXPECT_EQ(Rgba(*copy->FrameIcon(2)), Rgba(*image->FrameIcon(2)));
  EXPECT_NE(copy->FrameIcon(2), image->FrameIcon(2));
  EXPECT_EQ(copy->Header().frameCount, 3u);
  copy->Assign(nullptr);
  EXPECT_EQ(copy->FrameCount(), 0);
  icon->Assign(copy.get());
  EXPECT_TRUE(icon->Empty()) << "no frames: emptied";

  TStringList strings;
  EXPECT_THROW(image->Assign(&strings), EConvertError);
  EXPECT_THROW(strings.Assign(image.get()), EConvertError);
}

TEST(AniFile, AStripDrawsEachFrameOverTheBackgroundSideBySideOrStacked) {
  InitPictureUnits();
  std::vector<std::string> icons = ThreeIcons();
  TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
  Load(*image, Riff(AniHeader(3, 3, 7, 1) + FrameList(icons)));
  const TColor background = 0x204060;
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "stacked" : "side by side");
    std::unique_ptr<TBitmap> strip(TBitmap::Create());
    image->AssignToBitmap(strip.get(), background, vertical, false);
    ASSERT_EQ(strip->Width(), vertical ? 4 : 12);
    ASSERT_EQ(strip->Height(), vertical ? 12 : 4);
    for (int i = 0; i < 3; ++i)
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
          TColor want = image->FrameIcon(i)->Pixels(x, y);
          if (want == clNone) want = background;
          EXPECT_EQ(strip->Pixels(vertical ? x : 4 * i + x, vertical ? 4 * i + y : y), want)
              << i << ' ' << x << ' ' << y;
        }
  }
  // Assigned, the strip takes the bitmap's brush colour and is reduced to 16 colours.
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->Canvas()->Brush()->SetColor(clWhite);
  bitmap->Assign(image.get());
  EXPECT_EQ(bitmap->Width(), 12);
  EXPECT_EQ(bitmap->PixelFormat(), pf4bit);
  EXPECT_EQ(bitmap->Pixels(0, 0), clWhite) << "transparent in frame 0";
  TObjectPtr<TAnimatedCursorImage> empty(TAnimatedCursorImage::Create());
  bitmap->Assign(empty.get());
  EXPECT_TRUE(bitmap->Empty());
}

TEST(AniFile, AGifImageTakesTheFramesWithDelaysOfTheRateTimes100Div6) {
  InitPictureUnits();
  std::vector<std::string> icons = ThreeIcons();
  TObjectPtr<TAnimatedCursorImage> cursor(TAnimatedCursorImage::Create());
  Load(*cursor, Riff(AniHeader(3, 3, 7, 1) + Chunk("rate", Values({5, 10, 61})) + FrameList(icons)));
  TObjectPtr<TGIFImage> gif(TGIFImage::Create());
  int changes = 0;
  gif->OnChange = [&](TObject*) { ++changes; };
  gif->Assign(cursor.get());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(gif->BackgroundColor(), ColorToRGB(clWindow));
  ASSERT_EQ(gif->FrameCount(), 3);
  const uint32_t delays[] = {83, 166, 1016};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    TGIFFrame* frame = gif->Frames(i);
    EXPECT_EQ(frame->Delay(), delays[i]);
    TIcon* icon = cursor->FrameIcon(i);
    TBitmap* bitmap = frame->Bitmap();
    ASSERT_EQ(bitmap->Width(), icon->Width());
    ASSERT_EQ(bitmap->Height(), icon->Height());
    EXPECT_EQ(frame->TransparentColor(), clFuchsia);
    for (int y = 0; y < icon->Height(); ++y)
      for (int x = 0; x < icon->Width(); ++x) {
        TColor want = icon->Pixels(x, y);
        EXPECT_EQ(bitmap->Pixels(x, y), want == clNone ? clFuchsia : want) << x << ',' << y;
      }
  }
  TObjectPtr<TAnimatedCursorImage> empty(TAnimatedCursorImage::Create());
  gif->Assign(empty.get());
  EXPECT_EQ(gif->FrameCount(), 0);
  EXPECT_EQ(changes, 2);
}

}  // namespace
