// Helpers of the GIF tests: the Python corpus and block walker, fixtures made by the corpus module,
// and the indices and structure the decoder gives.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "wizard-components/WkGIF.h"

namespace gif_test {

template <class T>
struct Freer {
  void operator()(T* object) const { object->Free(); }
};
using Image = std::unique_ptr<TGIFImage, Freer<TGIFImage>>;

// One file of a corpus: per frame its table (hex), its expected indices (rows top-down) and size.
struct ExpectedFrame {
  int width = 0, height = 0;
  std::string table, indices;
};
struct CorpusFile {
  std::string name, path;
  std::vector<ExpectedFrame> frames;
};

// An empty folder of its own under the test's temporary folder.
std::string FreshFolder();
// Writes a set of GIF files into a fresh folder and reads its manifest. Modes: "" the generated files,
// "--pillow" files that Pillow wrote, "--small" the fuzzer's starting inputs.
std::vector<CorpusFile> MakeCorpus(const std::string& mode = "");
// Runs Python with the corpus module imported as `gifcorpus`; returns what it printed.
std::string RunCorpusModule(const std::string& program);
// The bytes of a GIF built by a Python expression over the corpus module (e.g. "gifcorpus.gif(...)").
std::string BuildGif(const std::string& expression);
// What the block walker prints for the files.
std::string WalkBlocks(const std::vector<std::string>& paths);
// The same form made from what the image holds.
std::string Structure(const std::string& path, TGIFImage& image);

// The indices the decoder gives the frame, rows top-down, one byte a pixel.
std::string FrameIndices(const TGIFFrame& frame);
// The colour table of the frame's item, hex.
std::string TableHex(const TGIFColorTable& table);
std::string ReadFile(const std::string& path);
// A GIF image read from bytes (the first frame decoded).
TGIFImage* LoadGif(const std::string& bytes);

}  // namespace gif_test
