#include "wizard-components/tests/GifTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/testing/PythonOracle.h"
#include "wizard-components/tests/CkTestSupport.h"

namespace gif_test {

namespace {

const std::string kTests = VANDREL_SOURCE_DIR "/wizard-components/tests";

std::string Hex(const std::string& bytes) { return ck_test::Hex(bytes); }

std::string FreshFolder() {
  static int count = 0;
  std::string dir = ::testing::TempDir() + "gif" + std::to_string(getpid()) + "-" + std::to_string(++count);
  std::string command = "rm -rf " + dir + " && mkdir -p " + dir;
  EXPECT_EQ(std::system(command.c_str()), 0);
  return dir;
}

}  // namespace

std::string RunCorpusModule(const std::string& program) {
  return testing_support::RunPython("import sys\nsys.dont_write_bytecode = True\nsys.path.insert(0, '" + kTests +
                                    "')\nimport gifcorpus\n" + program);
}

std::string BuildGif(const std::string& expression) {
  return ck_test::FromHex(RunCorpusModule("print((" + expression + ").hex())\n"));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<CorpusFile> MakeCorpus(const std::string& mode) {
  std::string dir = FreshFolder();
  std::string arguments = mode.empty() ? "['" + dir + "']" : "['" + mode + "', '" + dir + "']";
  RunCorpusModule("sys.argv = ['gifcorpus'] + " + arguments +
                  "\nif sys.argv[1] == '--pillow': gifcorpus.write_pillow(sys.argv[2])\n"
                  "else: gifcorpus.write_corpus(sys.argv[-1], small=sys.argv[1] == '--small')\n");
  std::vector<CorpusFile> files;
  std::istringstream manifest(ReadFile(dir + "/manifest.txt"));
  for (std::string line; std::getline(manifest, line);) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "file") {
      files.emplace_back();
      words >> files.back().name;
      files.back().path = dir + "/" + files.back().name + ".gif";
    } else if (kind == "frame" && !files.empty()) {
      ExpectedFrame frame;
      int index;
      std::string pixels;
      words >> index >> frame.width >> frame.height >> frame.table >> pixels;
      frame.indices = ReadFile(dir + "/" + pixels);
      files.back().frames.push_back(frame);
    }
  }
  EXPECT_FALSE(files.empty()) << "no corpus in " << dir;
  return files;
}

std::string WalkBlocks(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& p : paths) list += "'" + p + "', ";
  return testing_support::RunPython("import sys\nsys.dont_write_bytecode = True\nsys.path.insert(0, '" + kTests +
                                    "')\nimport gifblocks\n"
                                    "for path in [" +
                                    list +
                                    "]:\n"
                                    "    print('file ' + path)\n"
                                    "    print('\\n'.join(gifblocks.walk(open(path, 'rb').read())))\n");
}

std::string Structure(const std::string& path, TGIFImage& image) {
  std::ostringstream out;
  TGIFData& data = *image.Data();
  out << "file " << path << "\nheader " << (image.Version() == 1 ? "87a" : "89a") << "\n";
  out << "screen " << image.ScreenWidth() << " " << image.ScreenHeight() << " " << int(data.colorResolution) << " "
      << int(data.aspectRatio) << " " << data.colorTable.count << "\n";
  if (image.Looping()) out << "loop " << image.RepeatCount() << "\n";
  auto comment = [&out](TStringList* lines) {
    out << "comment ";
    for (int i = 0; i < lines->Count(); ++i) out << (i ? "," : "") << Hex(lines->Strings(i));
    out << "\n";
  };
  for (int i = 0; i < image.FrameCount(); ++i) {
    TGIFFrame* frame = image.Frames(i);
    if (TObjectList* blocks = frame->Extensions())
      for (int j = 0; j < blocks->Count(); ++j) {
        auto* block = static_cast<TExtension*>(blocks->Items(j));
        if (block->type == etComment) comment(block->data);
        if (block->type == etGraphicControl)
          out << "control " << int(block->fixed[1]) << " " << (block->fixed[2] | block->fixed[3] << 8) << " "
              << int(block->fixed[4]) << "\n";
      }
    TGIFItem* item = frame->Item();
    const auto* bytes = static_cast<const uint8_t*>(item->imageData->Memory());
    out << "image " << frame->Left() << " " << frame->Top() << " " << item->width << " " << item->height << " "
        << int(item->packedFields) << " " << (frame->LocalColorTable() ? item->colorTable.count : 0) << " "
        << (item->imageData->Size() ? int(bytes[0]) : -1) << " " << item->imageData->Size() << "\n";
  }
  if (data.comment->Count() > 0) comment(data.comment);
  out << "trailer\n";
  return out.str();
}

std::string FrameIndices(const TGIFFrame& frame) {
  const TGIFItem& item = *frame.Item();
  int depth = GifBitmapDepth(item.bitsPerPixel);
  size_t stride = size_t((item.width * depth + 31) / 32 * 4);
  std::vector<uint8_t> pixels(stride * size_t(item.height));
  DecodeLzw(item, frame.Interlaced(), depth, pixels.data(), stride, nullptr);
  std::string out;
  out.reserve(size_t(item.width) * size_t(item.height));
  for (int y = 0; y < item.height; ++y) {
    const uint8_t* row = pixels.data() + size_t(item.height - 1 - y) * stride;
    for (int x = 0; x < item.width; ++x) {
      int v = depth == 8 ? row[x] : depth == 4 ? row[x >> 1] >> (x & 1 ? 0 : 4) & 15 : row[x >> 3] >> (7 - (x & 7)) & 1;
      out += char(v);
    }
  }
  return out;
}

std::string TableHex(const TGIFColorTable& table) {
  return Hex(std::string(reinterpret_cast<const char*>(table.colors), size_t(3 * table.count)));
}

TGIFImage* LoadGif(const std::string& bytes) {
  TGIFImage* image = TGIFImage::Create();
  TStringStream stream(bytes);
  try {
    image->LoadFromStream(&stream);
  } catch (...) {
    image->Free();
    throw;
  }
  return image;
}

}  // namespace gif_test
