// The decoder against independent truth: the corpus written from the format by our Python generator
// (every code size, interlace, frames, table states) and 8-bit files written and read back by Pillow; the
// block structure against the Python block walker; truncated frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "wizard-components/tests/GifTestSupport.h"

namespace {

using namespace gif_test;

void ExpectDecodesToTheTruth(const std::vector<CorpusFile>& files) {
  for (const CorpusFile& file : files) {
    SCOPED_TRACE(file.name);
    Image image(LoadGif(ReadFile(file.path)));
    ASSERT_EQ(image->FrameCount(), int(file.frames.size()));
    for (int i = 0; i < image->FrameCount(); ++i) {
      SCOPED_TRACE(i);
      TGIFFrame* frame = image->Frames(i);
      const ExpectedFrame& expected = file.frames[size_t(i)];
      EXPECT_EQ(frame->Item()->width, expected.width);
      EXPECT_EQ(frame->Item()->height, expected.height);
      EXPECT_EQ(TableHex(frame->Item()->colorTable), expected.table);
      EXPECT_TRUE(FrameIndices(*frame) == expected.indices) << "indices differ";
      // The bitmap is the decoded frame: its size, and a pixel's colour from the table.
      EXPECT_EQ(frame->Width(), expected.width);
      EXPECT_EQ(frame->Height(), expected.height);
      int x = expected.width / 2, y = expected.height / 2;
      uint8_t index = uint8_t(expected.indices[size_t(y * expected.width + x)]);
      EXPECT_EQ(frame->Bitmap()->Pixels(x, y), frame->Item()->colorTable.Color(index));
      EXPECT_FALSE(frame->Corrupted());
    }
  }
}

TEST(GifCorpus, GeneratedFilesDecodeToTheirIndicesAndTables) { ExpectDecodesToTheTruth(MakeCorpus()); }

TEST(GifCorpus, PillowFilesDecodeToTheIndicesPillowReads) { ExpectDecodesToTheTruth(MakeCorpus("--pillow")); }

TEST(GifCorpus, TheBlockStructureAgreesWithTheBlockWalker) {
  for (const char* mode : {"", "--pillow"}) {
    std::vector<CorpusFile> files = MakeCorpus(mode);
    std::vector<std::string> paths;
    std::string ours;
    for (const CorpusFile& file : files) {
      paths.push_back(file.path);
      Image image(LoadGif(ReadFile(file.path)));
      ours += Structure(file.path, *image);
    }
    std::string walked = WalkBlocks(paths);
    ASSERT_FALSE(walked.empty());
    EXPECT_TRUE(ours == walked) << "first difference at "
                                << std::mismatch(ours.begin(), ours.end(), walked.begin(), walked.end()).first -
                                       ours.begin()
                                << "\n"
                                << ours.substr(0, 2000);
  }
}

// Cut inside the frame data (inside a sub-block and right after one): nothing raises, the frame is marked
// corrupted, and the pixels decoded before the cut are the full image's, the rest index 0.
TEST(GifCorpus, ATruncatedFrameKeepsWhatWasDecodedBeforeTheCut) {
  std::vector<CorpusFile> files = MakeCorpus();
  int checked = 0;
  for (const CorpusFile& file : files) {
    if (file.name != "large-runs" && file.name != "b8-random-133x71" && file.name != "b4-stripes-133x71" &&
        file.name != "b1-random-64x48" && file.name != "blocks-7")
      continue;
    std::string bytes = ReadFile(file.path);
    Image whole(LoadGif(bytes));
    const int64_t start = int64_t(bytes.size()) - whole->Frames(0)->Item()->imageData->Size() - 1;
    const int64_t data = whole->Frames(0)->Item()->imageData->Size();
    const std::string& truth = file.frames[0].indices;
    size_t previous = 0;
    std::vector<int64_t> cuts = {start + 2,        start + 3,        start + 1 + 256, start + data / 3,
                                 start + data / 2, start + data - 9, start + data - 2};
    std::sort(cuts.begin(), cuts.end());
    for (int64_t cut : cuts) {
      SCOPED_TRACE(file.name + " cut at " + std::to_string(cut));
      Image image;
      ASSERT_NO_THROW(image.reset(LoadGif(bytes.substr(0, size_t(cut)))));
      ASSERT_EQ(image->FrameCount(), 1);
      TGIFFrame* frame = image->Frames(0);
      std::string indices = FrameIndices(*frame);
      EXPECT_TRUE(frame->Corrupted());
      size_t same = size_t(std::mismatch(indices.begin(), indices.end(), truth.begin()).first - indices.begin());
      EXPECT_EQ(indices.find_first_not_of('\0', same), std::string::npos) << "pixels after the cut";
      EXPECT_LT(same, truth.size());
      EXPECT_GE(same + 1, previous) << "a longer piece decodes no less";
      previous = same;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 5 * 7);
}

}  // namespace
