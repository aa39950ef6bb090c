// Reading: malformed input, the edge cases of the block loop and of the LZW data, extensions.
#include <gtest/gtest.h>

#include <memory>

#include "wizard-components/tests/CkTestSupport.h"
#include "wizard-components/tests/GifTestSupport.h"

namespace {

using namespace gif_test;

// Fixtures over the corpus module: `base` is an 8x6 picture with a 16-entry global table (its image
// separator at 61, the code size at 71); `raw(data, w, h)` a w x h picture with a 2-entry table around
// LZW data given as bytes.
const char* kFixtures = R"(
G = gifcorpus
import struct
pal = [(i * 16, 255 - i * 16, i * 7) for i in range(16)]
px = [i % 16 for i in range(48)]
def one(**kw): return G.gif(8, 6, [G.Frame(8, 6, px, **kw)], pal)
base = one()
def raw(data, w=2, h=2, sw=None, sh=None):
    sw = w if sw is None else sw
    sh = h if sh is None else sh
    return (b"GIF89a" + struct.pack("<2H3B", sw, sh, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff," +
            struct.pack("<4HB", 0, 0, w, h, 0) + data + b";")
plain = b"!\x01\x0c" + bytes(12) + b"\x02hi\x00"
)";

std::vector<std::string> Build(const std::vector<std::string>& expressions) {
  std::string program = kFixtures;
  for (const std::string& e : expressions) program += "print('=' + (" + e + ").hex())\n";
  std::vector<std::string> out;
  for (const std::string& line : ck_test::Lines(RunCorpusModule(program)))
    if (!line.empty() && line[0] == '=') out.push_back(ck_test::FromHex(line.substr(1)));
  EXPECT_EQ(out.size(), expressions.size());
  out.resize(expressions.size());
  return out;
}

struct Outcome {
  std::string error;  // class and message, empty when the read succeeds
  int frames = 0;
  bool corrupted = false;
};

Outcome Read(const std::string& bytes) {
  Outcome o;
  Image image(TGIFImage::Create());
  TStringStream stream(bytes);
  try {
    image->LoadFromStream(&stream);
  } catch (const Exception& e) {
    o.error = e.ClassName() + ": " + e.Message();
  }
  o.frames = image->FrameCount();
  for (int i = 0; i < o.frames; ++i) o.corrupted |= image->Frames(i)->Corrupted();
  return o;
}

TEST(GifRead, MalformedInput) {
  const std::string version = "EInvalidGraphicOperation: Unknown GIF version", read = "EReadError: Stream read error";
  struct Case {
    const char* what;
    std::string bytes;
    Outcome outcome;
  } cases[] = {
      {"nothing", "b''", {"", 0}},
      {"shorter than the signature", "b'GIF8'", {version}},
      {"version 90a", "b'GIF90a' + base[6:]", {version}},
      {"version in upper case", "b'gif89A' + base[6:]", {"", 1}},
      {"another signature", "b'JIF89a' + base[6:]", {version}},
      {"cut in the screen", "base[:10]", {"", 0}},
      {"cut in the global table", "base[:40]", {"", 0}},
      {"unknown extension",
       "base[:61] + b'!\\x42\\x00' + base[61:]",
       {"EInvalidGraphicOperation: Unrecognized extension block: 42"}},
      {"unknown extension, upper-case hex",
       "base[:61] + b'!\\xab\\x00' + base[61:]",
       {"EInvalidGraphicOperation: Unrecognized extension block: AB"}},
      {"cut in an extension", "base[:61] + G.comment(b'cut short')[:7]", {"", 0}},
      {"cut in the descriptor", "base[:66]", {read}},
      {"cut in the local table", "one(table=pal)[:80]", {read}},
      {"no code size", "base[:71]", {read}},
      {"stray byte after extensions", "base[:61] + G.gce() + b'X' + base[61:]", {read}},
      {"stray byte after a frame", "base[:-1] + b'X'", {"", 1}},
      {"zero bytes before the next frame", "base[:-1] + b'\\x00\\x00' + base[61:]", {"", 2}},
      {"no colour table",
       "base[:10] + bytes([base[10] & 0x7f]) + base[11:13] + base[61:]",
       {"EInvalidGraphicOperation: Wrong number of colors; must be a power of 2", 0}},
      {"code size 0", "base[:71] + b'\\x00' + base[72:]", {"", 1, true}},
      {"code size 1", "base[:71] + b'\\x01' + base[72:]", {"", 1, true}},
      {"code size 12", "base[:71] + b'\\x0c' + base[72:]", {"", 1, true}},
      {"a code beyond the table after a clear", "raw(b'\\x02\\x01\\x3c\\x00')", {"", 1, true}},
      {"the next code with no previous code", "raw(b'\\x02\\x01\\x34\\x00')", {"", 1, true}},
      {"data without an end code", "raw(b'\\x02\\x01\\x0c\\x00')", {"", 1, true}},
      {"the last sub-block cut short", "base[:80]", {"", 1, true}},
      {"a frame as large as the format allows",
       "raw(b'\\x02\\x01\\x2c\\x00', 65535, 65535)",
       {"EOutOfResources: Out of system resources", 0}},
  };
  std::vector<std::string> expressions;
  for (const Case& c : cases) expressions.push_back(c.bytes);
  std::vector<std::string> files = Build(expressions);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    Outcome o = Read(files[i]);
    EXPECT_EQ(o.error, c.outcome.error) << c.what;
    EXPECT_EQ(o.frames, c.outcome.frames) << c.what;
    EXPECT_EQ(o.corrupted, c.outcome.corrupted) << c.what;
  }
}

TEST(GifRead, AFirstFrameThatCannotBeDecodedIsRemovedAndNoFrameIsCurrent) {
  std::string bytes = Build({"base[:10] + bytes([base[10] & 0x7f]) + base[11:13] + base[61:-1] + base[61:]"})[0];
  Image image(TGIFImage::Create());
  TStringStream stream(bytes);
  EXPECT_THROW(image->LoadFromStream(&stream), EInvalidGraphicOperation);
  EXPECT_EQ(image->FrameCount(), 1);
  EXPECT_EQ(image->FrameIndex(), -1);
  EXPECT_EQ(image->Width(), 0);
}

TEST(GifRead, CodesThatAreNotYetInTheTableAndExpansionsPastTheLastRow) {
  // Codes 4 (clear), 1, 6 (the previous string and its first pixel: 1 1), 5 (end), 3 bits each.
  std::vector<std::string> files =
      Build({"raw(b'\\x02\\x02\\x8c\\x0b\\x00', 3, 1)", "raw(b'\\x02\\x02\\x8c\\x0b\\x00', 2, 1)",
             "raw(b'\\x02\\x02\\x8c\\x0b\\x00', 1, 1)"});
  const char* expected[] = {"\1\1\1", "\1\1", "\1"};
  for (size_t i = 0; i < files.size(); ++i) {
    Image image(LoadGif(files[i]));
    EXPECT_EQ(FrameIndices(*image->Frames(0)), expected[i]) << i;
    EXPECT_FALSE(image->Frames(0)->Corrupted()) << i;
  }
}

TEST(GifRead, InterlacedRowsFollowTheFourPasses) {
  // The same stored rows read as interlaced: 3 rows are stored as rows 0, 2, 1; 1 row as row 0.
  std::vector<std::string> files = Build(
      {"(lambda b: b[:70] + bytes([b[70] | 0x40]) + b[71:])(G.gif(1, 3, [G.Frame(1, 3, [5, 6, 7])], pal))",
       "(lambda b: b[:70] + bytes([b[70] | 0x40]) + b[71:])(G.gif(2, 1, [G.Frame(2, 1, [9, 4])], pal))",
       "(lambda b: b[:70] + bytes([b[70] | 0x40]) + b[71:])(G.gif(1, 10, [G.Frame(1, 10, list(range(10)))], pal))"});
  const std::string expected[] = {"\5\7\6", "\x09\x04", std::string("\0\5\3\6\2\7\4\x08\1\x09", 10)};
  for (size_t i = 0; i < files.size(); ++i) {
    Image image(LoadGif(files[i]));
    EXPECT_TRUE(image->Frames(0)->Interlaced());
    EXPECT_EQ(ck_test::Hex(FrameIndices(*image->Frames(0))), ck_test::Hex(expected[i])) << i;
  }
}

TEST(GifRead, LoopingComesFromAnElevenByteAnimationBlock) {
  struct Case {
    const char* what;
    std::string block;
    bool looping;
    int repeat;
  } cases[] = {
      {"NETSCAPE2.0", "G.loop(7)", true, 7},
      {"repeat count capped", "G.loop(65535)", true, 30000},
      {"ANIMEXTS1.0", "b'!\\xff\\x0bANIMEXTS1.0\\x03\\x01\\x02\\x01\\x00'", true, 258},
      {"a 2-byte sub-block", "b'!\\xff\\x0bNETSCAPE2.0\\x02\\x01\\x05\\x00'", false, 1},
      {"a first byte other than 1", "b'!\\xff\\x0bNETSCAPE2.0\\x03\\x02\\x05\\x00\\x00'", false, 1},
      {"no sub-block", "b'!\\xff\\x0bNETSCAPE2.0\\x00'", false, 1},
      {"a 10-byte identifier", "b'!\\xff\\x0aNETSCAPE2.\\x03\\x03\\x01\\x05\\x00\\x00'", false, 1},
      {"another application", "G.application(b'NETSCAPE2.1', b'\\x01\\x05\\x00')", false, 1},
  };
  std::vector<std::string> expressions;
  for (const Case& c : cases) expressions.push_back("base[:61] + " + c.block + " + base[61:]");
  std::vector<std::string> files = Build(expressions);
  for (size_t i = 0; i < std::size(cases); ++i) {
    Image image(LoadGif(files[i]));
    EXPECT_EQ(image->FrameCount(), 1) << cases[i].what;
    EXPECT_EQ(image->Looping(), cases[i].looping) << cases[i].what;
    EXPECT_EQ(image->RepeatCount(), cases[i].repeat) << cases[i].what;
  }
}

TEST(GifRead, GraphicControlBlocksBeforeAFrame) {
  struct Case {
    const char* what;
    std::string blocks;
    TColor transparent;
    uint32_t delay;
    int disposal;
  } cases[] = {
      {"one block", "G.gce(2, 25, 3)", TColor(0x15CF30), 250, 2},
      {"the larger delay wins, the last transparency and disposal", "G.gce(1, 30, 2) + G.gce(2, 10, None)", clNone, 300,
       2},
      {"the last transparency", "G.gce(1, 10, None) + G.gce(3, 30, 5)", TColor(0x23AF50), 300, 3},
      {"an index beyond the table keeps the earlier colour", "G.gce(0, 0, 3) + G.gce(0, 0, 200)", TColor(0x15CF30), 0,
       0},
      {"a plain text block drops what came before it", "G.gce(1, 50, 3) + plain", clNone, 0, 0},
      {"delays beyond 16 bits of milliseconds", "G.gce(0, 7000, None)", clNone, 70000, 0},
      {"the largest delay", "G.gce(0, 65535, None)", clNone, 655350, 0},
  };
  std::vector<std::string> expressions;
  for (const Case& c : cases) expressions.push_back("base[:61] + " + c.blocks + " + base[61:]");
  std::vector<std::string> files = Build(expressions);
  for (size_t i = 0; i < std::size(cases); ++i) {
    Image image(LoadGif(files[i]));
    TGIFFrame* frame = image->Frames(0);
    EXPECT_EQ(frame->TransparentColor(), cases[i].transparent) << cases[i].what;
    EXPECT_EQ(frame->Delay(), cases[i].delay) << cases[i].what;
    EXPECT_EQ(frame->DisposalMethod(), cases[i].disposal) << cases[i].what;
  }
}

TEST(GifRead, CommentsGoToTheirFrameOrToTheImage) {
  std::string bytes =
      Build({"base[:61] + G.comment(b'mine', b'too') + base[61:-1] + G.comment(b'last') + "
             "G.comment(b'more') + b';'"})[0];
  Image image(LoadGif(bytes));
  ASSERT_NE(image->Frames(0)->Comment(), nullptr);
  EXPECT_EQ(image->Frames(0)->Comment()->Text(), "mine\r\ntoo\r\n");
  EXPECT_EQ(image->Data()->comment->Text(), "last\r\n\r\n\r\n\r\nmore\r\n");
  // A frame without one gets an empty one on request.
  Image other(LoadGif(Build({"base"})[0]));
  EXPECT_EQ(other->Frames(0)->Comment(), nullptr);
  TStringList* made = other->Frames(0)->Comment(true);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Count(), 0);
  EXPECT_EQ(other->Frames(0)->Comment(), made);
}

TEST(GifRead, TheImageSizeIsTheCurrentFramesAndTheScreenStaysAsRead) {
  std::string bytes = Build({"G.gif(30, 20, [G.Frame(8, 6, px, left=3, top=4)], pal)"})[0];
  Image image(LoadGif(bytes));
  EXPECT_EQ(image->Width(), 8);
  EXPECT_EQ(image->Height(), 6);
  EXPECT_EQ(image->ScreenWidth(), 30);
  EXPECT_EQ(image->ScreenHeight(), 20);
  EXPECT_EQ(image->Frames(0)->Left(), 3);
  EXPECT_EQ(image->Frames(0)->Top(), 4);
  // A frame of no size (the screen's size, 0) decodes nothing.
  Image empty(LoadGif(Build({"raw(b'\\x02\\x01\\x2c\\x00', 0, 0)"})[0]));
  ASSERT_EQ(empty->FrameCount(), 1);
  EXPECT_EQ(empty->Width(), 0);
  EXPECT_TRUE(empty->Frames(0)->Bitmap()->Empty());
}

TEST(GifRead, DecodingReportsProgress) {
  Image image(TGIFImage::Create());
  std::vector<std::pair<int, int>> stages;
  image->OnProgress = [&](TObject* sender, TProgressStage stage, BYTE percent, bool redraw, const RECT& rect,
                          const std::string& message) {
    EXPECT_EQ(sender, image.get());
    EXPECT_FALSE(redraw);
    EXPECT_EQ(rect.right, 0);
    EXPECT_EQ(message, "");
    stages.push_back({stage, percent});
  };
  TStringStream stream(Build({"G.gif(300, 200, [G.Frame(300, 200, [i % 7 for i in range(60000)])], pal)"})[0]);
  image->LoadFromStream(&stream);
  ASSERT_GE(stages.size(), 10u);
  EXPECT_EQ(stages.front(), std::make_pair(int(psStarting), 0));
  EXPECT_EQ(stages.back(), std::make_pair(int(psEnding), 100));
  for (size_t i = 2; i + 1 < stages.size(); ++i) {
    EXPECT_EQ(stages[i].first, psRunning);
    EXPECT_GT(stages[i].second, stages[i - 1].second);
  }
}

}  // namespace
