// Fuzz target: any bytes read as a GIF file and written again. The file written reads back with as many
// frames and writes again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/runtime/Exceptions.h"
#include "wizard-components/WkGIF.h"

namespace {

std::string Written(TGIFImage* image) {
  TStringStream out;
  image->SaveToStream(&out);
  return out.DataString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TGIFImage* image = TGIFImage::Create();
  TGIFImage* back = TGIFImage::Create();
  TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
  try {
    image->ReadGif(int64_t(size), &stream, false);
    // Writing decodes every frame for the screen size: large frames cost time, not coverage.
    bool small = image->FrameCount() > 0;
    for (int i = 0; i < image->FrameCount(); ++i)
      small = small && int64_t(image->Frames(i)->Item()->width) * image->Frames(i)->Item()->height <= (1 << 20);
    if (small) {
      const std::string first = Written(image);
      TStringStream again(first);
      back->ReadGif(int64_t(first.size()), &again, false);
      if (back->FrameCount() != image->FrameCount() || Written(back) != first) __builtin_trap();
    }
  } catch (const Exception&) {
  }
  back->Free();
  image->Free();
  return 0;
}
