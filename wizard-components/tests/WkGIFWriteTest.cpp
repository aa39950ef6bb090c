// The GIF writer: LZW data against the Python reference encoder and pictures as Pillow and our reader read
// them back; the block structure it writes, by the block walker; read-write-read round trips; errors,
// progress, form data and the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GlobalMemory.h"
#include "wizard-components/PictureUnits.h"
#include "wizard-components/tests/CkTestSupport.h"
#include "wizard-components/tests/GifTestSupport.h"

namespace {

using namespace gif_test;

using Bitmap = std::unique_ptr<TBitmap, Freer<TBitmap>>;

std::string Written(TGIFImage& image) {
  TStringStream stream;
  image.SaveToStream(&stream);
  return stream.DataString();
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string DataOf(const TGIFItem& item) {
  return std::string(static_cast<const char*>(item.imageData->Memory()), size_t(item.imageData->Size()));
}

std::string DataOf(const TGIFFrame& frame) { return DataOf(*frame.Item()); }

// The block walker's lines for the bytes (the data byte count left out of image lines).
std::vector<std::string> Walk(const std::string& bytes) {
  std::istringstream lines(RunCorpusModule("import gifblocks\nprint('\\n'.join(gifblocks.walk(bytes.fromhex('" +
                                           ck_test::Hex(bytes) + "'))))\n"));
  std::vector<std::string> out;
  for (std::string line; std::getline(lines, line);)
    out.push_back(line.rfind("image ", 0) == 0 ? line.substr(0, line.rfind(' ')) : line);
  return out;
}

// A bitmap of the indices at 1, 4 or 8 bits with a table of 2^bits entries (entry i: i*40, 255-i, i*3).
Bitmap IndexBitmap(int bits, int width, int height, const std::vector<int>& indices) {
  const size_t stride = size_t((width * bits + 31) / 32 * 4), colours = size_t(1) << bits;
  std::string file(54 + 4 * colours + stride * size_t(height), '\0');
  auto put = [&file](size_t at, uint32_t value, int n) {
    for (int i = 0; i < n; ++i) file[at + size_t(i)] = char(value >> (8 * i));
  };
  file[0] = 'B', file[1] = 'M';
  put(2, uint32_t(file.size()), 4);
  put(10, uint32_t(54 + 4 * colours), 4);
  put(14, 40, 4);
  put(18, uint32_t(width), 4);
  put(22, uint32_t(height), 4);
  put(26, 1, 2);
  put(28, uint32_t(bits), 2);
  for (size_t i = 0; i < colours; ++i)
    put(54 + 4 * i, uint32_t(((i * 3) & 255) | (255 - i) << 8 | (i * 40 & 255) << 16), 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int v = indices[size_t(y * width + x) % indices.size()];
      const size_t row = 54 + 4 * colours + size_t(height - 1 - y) * stride;
      if (bits == 8) file[row + size_t(x)] = char(v);
      if (bits == 4) file[row + size_t(x / 2)] |= char(v << (x & 1 ? 0 : 4));
      if (bits == 1) file[row + size_t(x / 8)] |= char(v << (7 - x % 8));
    }
  Bitmap bitmap(TBitmap::Create());
  TStringStream stream(file);
  bitmap->LoadFromStream(&stream);
  return bitmap;
}

Image FromBitmaps(std::initializer_list<TBitmap*> bitmaps) {
  Image image(TGIFImage::Create());
  for (TBitmap* bitmap : bitmaps) image->AddFrame(bitmap);
  return image;
}

TEST(GifWriter, FramesMatchTheReferenceEncoderAndReadBackAsTheirSource) {
  const std::string dir = FreshFolder();
  RunCorpusModule("import gifwriteref\ngifwriteref.write_cases('" + dir + "')\n");
  std::istringstream manifest(ReadFile(dir + "/manifest.txt"));
  int cases = 0;
  std::string expectedPillow;
  for (std::string line; std::getline(manifest, line); ++cases) {
    std::istringstream words(line);
    std::string kind, name, table;
    int bits, width, height;
    words >> kind >> name >> bits >> width >> height >> table;
    SCOPED_TRACE(name);
    Bitmap bitmap(TBitmap::Create());
    TStringStream bmp(ReadFile(dir + "/" + name + ".bmp"));
    bitmap->LoadFromStream(&bmp);
    Image image = FromBitmaps({bitmap.get()});
    const std::string gif = Written(*image);
    WriteFile(dir + "/" + name + ".gif", gif);
    const std::string data = DataOf(*image->Frames(0));
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(int(data[0]), bits == 1 ? 2 : bits) << "minimum code size";
    EXPECT_TRUE(data == ReadFile(dir + "/" + name + ".lzw")) << "LZW data differs from the reference";
    Image back(LoadGif(gif));
    ASSERT_EQ(back->FrameCount(), 1);
    EXPECT_EQ(TableHex(back->Frames(0)->Item()->colorTable), table);
    EXPECT_TRUE(FrameIndices(*back->Frames(0)) == ReadFile(dir + "/" + name + ".idx")) << "indices differ";
    EXPECT_FALSE(back->Frames(0)->Corrupted());
    expectedPillow += name + " ok\n";
  }
  EXPECT_EQ(cases, 37);
  EXPECT_EQ(RunCorpusModule("import gifwriteref\ngifwriteref.check_pillow('" + dir + "')\n"), expectedPillow);
}

// EncodeLzw itself with the interlace flag: rows in the four-pass order, as the reference encodes them and
// as the decoder puts them back.
TEST(GifWriter, InterlacedEncodingTakesTheRowsInFourPasses) {
  for (int bits : {1, 4, 8}) {
    SCOPED_TRACE(bits);
    const int width = 7, height = 13;
    std::vector<int> indices;
    std::string hex;
    for (int i = 0; i < width * height; ++i) indices.push_back((i * 7 + i / width) % (1 << bits));
    for (int v : indices) hex += ck_test::Hex(std::string(1, char(v)));
    Bitmap bitmap = IndexBitmap(bits, width, height, indices);
    TMemoryStream* bmp = TMemoryStream::Create();
    bitmap->SaveToStream(bmp);
    const auto* bytes = static_cast<const uint8_t*>(bmp->Memory());
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes + 14, sizeof header);
    uint32_t offset;
    std::memcpy(&offset, bytes + 10, 4);
    TGIFItem* item = NewObject<TGIFItem>();
    item->Reference();
    EncodeLzw(item->imageData, header, true, nullptr, bytes + offset);
    EXPECT_EQ(
        ck_test::Hex(DataOf(*item)) + "\n",
        RunCorpusModule("import gifwriteref\np = bytes.fromhex('" + hex + "')\nprint(gifwriteref.lzw_data([p[y * " +
                        std::to_string(width) + " + x] for y in gifcorpus.interlace_order(" + std::to_string(height) +
                        ") for x in range(" + std::to_string(width) + ")], " + std::to_string(bits) + ").hex())\n"));
    item->width = width;
    item->height = height;
    item->bitsPerPixel = uint8_t(bits);
    const size_t stride = size_t((width * bits + 31) / 32 * 4);
    std::string pixels(stride * height, '\0');
    EXPECT_FALSE(DecodeLzw(*item, true, bits, reinterpret_cast<uint8_t*>(pixels.data()), stride, nullptr));
    EXPECT_EQ(ck_test::Hex(pixels),
              ck_test::Hex(std::string(reinterpret_cast<const char*>(bytes) + offset, pixels.size())));
    item->Release();
    bmp->Free();
  }
}

// A 4x2 picture whose entry 5 (transparent) has the colour of entry 3.
const char* kRepeatedColour =
    "gifcorpus.gif(4, 2, [gifcorpus.Frame(4, 2, [3, 5, 0, 3, 1, 3, 5, 2], extensions=[gifcorpus.gce(0, 0, 5)])], "
    "[(10, 20, 30), (40, 50, 60), (70, 80, 90), (200, 100, 50), (1, 2, 3), (200, 100, 50), (0, 0, 0), (9, 9, 9)])";

struct StructureCase {
  const char* what;
  std::function<Image()> make;
  std::vector<std::string> lines;  // the walker's lines, data byte counts left out
};

Image Read(const std::string& expression) { return Image(LoadGif(BuildGif(expression))); }

TEST(GifWriter, TheBlocksWrittenFollowTheImageAndItsFrames) {
  const std::vector<int> pattern = {0, 1, 1, 0, 1, 0, 0, 1, 1};
  Bitmap one = IndexBitmap(1, 3, 2, pattern), four = IndexBitmap(4, 3, 2, {3, 15, 0, 7}),
         eight = IndexBitmap(8, 3, 2, {200, 1, 77});
  const std::string comment300(300, 'c');
  const char* interlaced =
      "gifcorpus.gif(5, 9, [gifcorpus.Frame(5, 9, list(range(45)), interlaced=True, table=gifcorpus.palette("
      "gifcorpus.random.Random(1), 64))])";
  const char* looping87a =
      "gifcorpus.gif(2, 2, [gifcorpus.Frame(2, 2, [0, 1, 1, 0]), gifcorpus.Frame(2, 2, [1, 1, 0, 0])], "
      "[(0, 0, 0), (255, 255, 255)], version=b'87a', before=[gifcorpus.loop(7)])";
  const StructureCase cases[] = {
      {"one bitmap and nothing else: 87a without extensions",
       [&] { return FromBitmaps({eight.get()}); },
       {"header 87a", "screen 3 2 8 0 256", "image 0 0 3 2 0 0 8", "trailer"}},
      {"1-bit pixels: code size 2",
       [&] { return FromBitmaps({one.get()}); },
       {"header 87a", "screen 3 2 1 0 2", "image 0 0 3 2 0 0 2", "trailer"}},
      {"4-bit pixels: code size 4",
       [&] { return FromBitmaps({four.get()}); },
       {"header 87a", "screen 3 2 4 0 16", "image 0 0 3 2 0 0 4", "trailer"}},
      {"a looping image of one frame: no animation block",
       [&] {
         Image image = FromBitmaps({one.get()});
         image->SetLooping(true, 0);
         return image;
       },
       {"header 87a", "screen 3 2 1 0 2", "image 0 0 3 2 0 0 2", "trailer"}},
      {"two looping frames: the block with 1, 0, 0; the second frame has a table of its own",
       [&] {
         Image image = FromBitmaps({one.get(), four.get()});
         image->SetLooping(true, 0);
         return image;
       },
       {"header 89a", "screen 3 2 1 0 2", "loop 0", "image 0 0 3 2 0 0 2", "image 0 0 3 2 131 16 4", "trailer"}},
      {"155 ms is written as 15 hundredths",
       [&] {
         Image image = FromBitmaps({eight.get()});
         image->Frames(0)->SetDelay(155);
         return image;
       },
       {"header 89a", "screen 3 2 8 0 256", "control 0 15 0", "image 0 0 3 2 0 0 8", "trailer"}},
      {"a transparent colour not in the table clears the bit, the disposal is kept",
       [&] {
         Image image = Read(kRepeatedColour);
         image->Frames(0)->SetTransparentColor(TColor(0x123456));
         image->Frames(0)->SetDisposalMethod(2);
         return image;
       },
       {"header 89a", "screen 4 2 3 0 8", "control 8 0 5", "image 0 0 4 2 0 0 3", "trailer"}},
      {"a transparent colour found: its first entry; an empty comment is dropped",
       [&] {
         Image image = FromBitmaps({eight.get()});
         image->Frames(0)->SetTransparentColor(TColor(0x0FFAC8));  // entry 5, and no other
         image->Frames(0)->Comment(true);
         return image;
       },
       {"header 89a", "screen 3 2 8 0 256", "control 1 0 5", "image 0 0 3 2 0 0 8", "trailer"}},
      {"the transparent index read stays while its entry holds the colour",
       [&] { return Read(kRepeatedColour); },
       {"header 89a", "screen 4 2 3 0 8", "control 1 0 5", "image 0 0 4 2 0 0 3", "trailer"}},
      {"an interlaced file keeps its bit",
       [&] { return Read(interlaced); },
       {"header 89a", "screen 5 9 1 0 0", "image 0 0 5 9 197 64 6", "trailer"}},
      {"comments longer than 255 bytes go on in further sub-blocks",
       [&] {
         Image image = FromBitmaps({one.get()});
         image->Frames(0)->Comment(true)->Add(comment300);
         image->Data()->comment->Add("of the image");
         return image;
       },
       {"header 89a", "screen 3 2 1 0 2",
        "comment " + ck_test::Hex(comment300.substr(0, 255)) + "," + ck_test::Hex(comment300.substr(255)),
        "image 0 0 3 2 0 0 2", "comment " + ck_test::Hex("of the image"), "trailer"}},
      {"a looping 87a file becomes 89a",
       [&] { return Read(looping87a); },
       {"header 89a", "screen 2 2 1 0 2", "loop 7", "image 0 0 2 2 0 0 2", "image 0 0 2 2 0 0 2", "trailer"}},
  };
  for (const StructureCase& c : cases) {
    SCOPED_TRACE(c.what);
    Image image = c.make();
    EXPECT_EQ(Walk(Written(*image)), c.lines);
  }
  // The animation block's bytes, and the interlaced data as read.
  Image looping = FromBitmaps({one.get(), one.get()});
  looping->SetLooping(true, 0);
  EXPECT_NE(Written(*looping).find(std::string("NETSCAPE2.0\x03\x01\x00\x00\x00", 16)), std::string::npos);
  std::string file = BuildGif(interlaced);
  Image read(LoadGif(file)), again(LoadGif(Written(*read)));
  EXPECT_TRUE(again->Frames(0)->Interlaced());
  EXPECT_TRUE(DataOf(*again->Frames(0)) == DataOf(*read->Frames(0)));
  EXPECT_EQ(FrameIndices(*again->Frames(0)), FrameIndices(*read->Frames(0)));
  // A colour set in place of the one read is what drawing leaves out, too.
  Image repeated = Read(kRepeatedColour);
  TBitmap* target = TBitmap::Create();
  target->SetSize(4, 2);
  for (TColor colour : {TColor(0x3264C8), TColor(0x1E140A)}) {
    repeated->Frames(0)->SetTransparentColor(colour);
    target->Canvas()->Brush()->SetColor(clBlue);
    target->Canvas()->FillRect(RECT{0, 0, 4, 2});
    target->Canvas()->StretchDraw(RECT{0, 0, 4, 2}, repeated.get());
    EXPECT_EQ(target->Pixels(1, 0), colour == TColor(0x3264C8) ? clBlue : TColor(0x3264C8)) << "entry 5";
    EXPECT_EQ(target->Pixels(2, 0), colour == TColor(0x3264C8) ? TColor(0x1E140A) : clBlue) << "entry 0";
  }
  target->Free();
}

// What a reader sees of an image: per frame the table, indices, transparency, delay and disposal.
std::string Seen(TGIFImage& image) {
  std::ostringstream out;
  // Looping is written for animations only.
  out << image.FrameCount();
  if (image.FrameCount() > 1) out << " loop " << image.Looping() << " " << image.RepeatCount();
  out << "\n";
  for (int i = 0; i < image.FrameCount(); ++i) {
    TGIFFrame& frame = *image.Frames(i);
    out << frame.Left() << "," << frame.Top() << " " << TableHex(frame.Item()->colorTable) << " "
        << ck_test::Hex(FrameIndices(frame)) << " " << frame.TransparentColor() << " " << frame.Delay() << " "
        << int(frame.DisposalMethod()) << " " << frame.Interlaced() << "\n";
    if (TStringList* comment = frame.Comment()) out << comment->Text();
  }
  out << image.Data()->comment->Text();
  return out.str();
}

TEST(GifWriter, ReadWriteReadKeepsWhatTheFileHeld) {
  std::vector<std::string> files;
  for (const CorpusFile& file : MakeCorpus()) files.push_back(ReadFile(file.path));
  files.push_back(BuildGif(kRepeatedColour));
  for (const std::string& bytes : files) {
    Image first(LoadGif(bytes));
    const std::string written = Written(*first);
    Image second(LoadGif(written));
    EXPECT_EQ(Seen(*second), Seen(*first));
    EXPECT_TRUE(Written(*second) == written) << "a second write gives the same file";
  }
  // The repeated colour: the same pixels are transparent after the round trip.
  Image image(LoadGif(BuildGif(kRepeatedColour))), back(LoadGif(Written(*image)));
  TBitmap* target = TBitmap::Create();
  target->SetSize(4, 2);
  target->Canvas()->Brush()->SetColor(clBlue);
  target->Canvas()->FillRect(RECT{0, 0, 4, 2});
  target->Canvas()->StretchDraw(RECT{0, 0, 4, 2}, back.get());
  EXPECT_EQ(target->Pixels(0, 0), TColor(0x3264C8)) << "entry 3 shares the colour and stays";
  EXPECT_EQ(target->Pixels(1, 0), clBlue);
  EXPECT_EQ(target->Pixels(2, 1), clBlue);
  target->Free();
}

TEST(GifWriter, ADamagedFrameIsWrittenWithItsTerminator) {
  // Sub-blocks of 7 bytes; the cut leaves the last one short.
  std::string bytes = BuildGif(
      "gifcorpus.gif(17, 5, [gifcorpus.Frame(17, 5, list(range(85)), block=7)], "
      "gifcorpus.palette(gifcorpus.random.Random(2), 128))");
  Image cut(LoadGif(bytes.substr(0, bytes.size() - 5)));
  ASSERT_TRUE(cut->Frames(0)->Corrupted());
  std::string written = Written(*cut);
  std::vector<std::string> lines = Walk(written);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "trailer");
  Image back(LoadGif(written));
  EXPECT_EQ(FrameIndices(*back->Frames(0)), FrameIndices(*cut->Frames(0)));
  EXPECT_EQ(DataOf(*back->Frames(0)).size(), DataOf(*cut->Frames(0)).size() + 1);
  EXPECT_NE(FrameIndices(*back->Frames(0)).substr(0, 20), std::string(20, '\0')) << "the rows before the cut";
}

TEST(GifWriter, TrueColourFramesAreReducedToTheirColours) {
  Bitmap picture(TBitmap::Create());
  picture->SetSize(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) picture->SetPixels(x, y, TColor((x / 4) * 0x19 | (y / 3) * 0x1900 | 0x400000));
  Image image = FromBitmaps({picture.get(), picture.get()});
  Image back(LoadGif(Written(*image)));
  ASSERT_EQ(back->FrameCount(), 2);
  EXPECT_FALSE(back->Frames(0)->LocalColorTable());
  EXPECT_TRUE(back->Frames(1)->LocalColorTable()) << "the global table was taken by the first frame";
  for (int i = 0; i < 2; ++i)
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) ASSERT_EQ(back->Frames(i)->Bitmap()->Pixels(x, y), picture->Pixels(x, y));
}

TEST(GifWriter, ErrorsLeaveTheStreamUntouched) {
  auto expectError = [](TGIFImage& image, const std::string& message) {
    TStringStream stream;
    try {
      image.SaveToStream(&stream);
      ADD_FAILURE() << "written";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(stream.DataString(), "");
  };
  Image none(TGIFImage::Create());
  expectError(*none, "No GIF Data to write");
  Bitmap empty(TBitmap::Create());
  Image blank = FromBitmaps({empty.get()});
  expectError(*blank, "No GIF Data to write");
  Image odd = Read(kRepeatedColour);
  odd->Data()->colorTable.count = 3;
  expectError(*odd, "Wrong number of colors; must be a power of 2");

  // An abort from the progress event resets the frame; the event saw the error's message.
  Bitmap eight = IndexBitmap(8, 30, 20, {1, 2, 3, 4, 5});
  Image image = FromBitmaps({eight.get()});
  image->Frames(0)->SetTransparentColor(clRed);
  std::vector<std::string> seen;
  image->OnProgress = [&](TObject* sender, TProgressStage stage, BYTE percent, bool, const RECT&,
                          const std::string& message) {
    seen.push_back(std::to_string(stage) + ":" + std::to_string(percent) + ":" + message +
                   (sender == image.get() ? "" : "?"));
    if (stage == psRunning && percent >= 50) Abort();
  };
  TStringStream stream;
  EXPECT_THROW(image->SaveToStream(&stream), EAbort);
  EXPECT_EQ(stream.DataString(), "");
  ASSERT_EQ(seen.size(), 12u);
  EXPECT_EQ(seen.front(), "0:0:");
  EXPECT_EQ(seen[10], "1:50:");
  EXPECT_EQ(seen.back(), "2:0:" + EAbort("Operation aborted").Message());
  EXPECT_EQ(image->Frames(0)->Item()->imageData->Size(), 0);
  EXPECT_EQ(image->Frames(0)->TransparentColor(), clNone) << "the frame was reset";
  // Without the handler the frame encodes from its bitmap, which it kept: one event per row, then the end.
  seen.clear();
  image->OnProgress = [&](TObject*, TProgressStage stage, BYTE percent, bool, const RECT&, const std::string&) {
    seen.push_back(std::to_string(stage) + ":" + std::to_string(percent));
  };
  Image back(LoadGif(Written(*image)));
  EXPECT_EQ(seen.size(), 22u);
  EXPECT_EQ(seen[1], "1:5");
  EXPECT_EQ(seen.back(), "2:100");
  EXPECT_EQ(FrameIndices(*back->Frames(0)).substr(0, 6), std::string("\1\2\3\4\5\1", 6));
}

TEST(GifWriter, FormDataHoldsTheLengthThenTheFile) {
  Image image = Read(kRepeatedColour);
  TStringStream stream;
  image->WriteData(&stream);
  const std::string data = stream.DataString();
  ASSERT_GT(data.size(), 4u);
  int32_t length;
  std::memcpy(&length, data.data(), 4);
  EXPECT_EQ(size_t(length), data.size() - 4);
  EXPECT_TRUE(data.substr(4) == Written(*image));
  TStringStream in(data + "after");
  Image back(TGIFImage::Create());
  back->ReadData(&in);
  EXPECT_EQ(Seen(*back), Seen(*image));
  EXPECT_EQ(in.Position(), int64_t(data.size()));
}

TEST(GifWriter, TheClipboardGetsTheBitmapAndTheFileOnceFramesAreEncoded) {
  InitPictureUnits();
  Bitmap eight = IndexBitmap(8, 6, 4, {9, 8, 7});
  Image image = FromBitmaps({eight.get()});
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  UINT format;
  HANDLE data;
  HPALETTE palette;
  image->SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, UINT(CF_BITMAP));
  ASSERT_NE(data, nullptr);
  DeleteObject(reinterpret_cast<HBITMAP>(data));
  if (palette) DeleteObject(palette);
  EXPECT_FALSE(IsClipboardFormatAvailable(GifClipboardFormat())) << "the frame had no data yet";
  const std::string file = Written(*image);
  image->SaveToClipboardFormat(format, data, palette);
  DeleteObject(reinterpret_cast<HBITMAP>(data));
  if (palette) DeleteObject(palette);
  ASSERT_TRUE(IsClipboardFormatAvailable(GifClipboardFormat()));
  HANDLE block = GetClipboardData(GifClipboardFormat());
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  int32_t length;
  std::memcpy(&length, bytes, 4);
  EXPECT_TRUE(std::string(bytes + 4, size_t(length)) == file);
  GlobalUnlock(block);
  Image pasted(TGIFImage::Create());
  pasted->LoadFromClipboardFormat(GifClipboardFormat(), block, nullptr);
  EXPECT_EQ(Seen(*pasted), Seen(*image));
  EmptyClipboard();
  CloseClipboard();
  // With the clipboard closed the file cannot be placed: the error passes on and nothing is handed out.
  try {
    image->SaveToClipboardFormat(format, data, palette);
    ADD_FAILURE() << "placed";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot open clipboard");
  }
  EXPECT_EQ(data, nullptr);
  EXPECT_FALSE(IsClipboardFormatAvailable(GifClipboardFormat()));
}

}  // namespace
