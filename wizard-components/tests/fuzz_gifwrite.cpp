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
    // Writing decodes every frame for the screen size: large frames cost time, not coverage. A frame of no
    // width or height is written so, and a reader takes that side from the screen: it reads back otherwise.
    bool small = image->FrameCount() > 0, sized = true;
    for (int i = 0; i < image->FrameCount(); ++i) {
      const TGIFItem& item = *image->Frames(i)->Item();
      small = small && int64_t(item.width) * item.height <= (1 << 16);
      sized = sized && item.width > 0 && item.height > 0;
    }
    if (small) {
      const std::string first = Written(image);
      TStringStream again(first);
      back->ReadGif(int64_t(first.size()), &again, false);
      if (sized && (back->FrameCount() != image->FrameCount() || Written(back) != first)) __builtin_trap();
    }
  } catch (const Exception&) {
  }
  back->Free();
  image->Free();
  return 0;
}
