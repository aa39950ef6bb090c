// Fuzz target: any bytes as a GIF file, every frame decoded and drawn with its transparency.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/runtime/Exceptions.h"
#include "wizard-components/WkGIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TGIFImage* image = TGIFImage::Create();
  TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
  try {
    image->ReadGif(int64_t(size), &stream, false);
  } catch (const Exception&) {
  }
  TBitmap* canvas = TBitmap::Create();
  canvas->SetSize(16, 16);
  for (int i = 0; i < image->FrameCount(); ++i) {
    TGIFFrame* frame = image->Frames(i);
    // Large frames cost time, not coverage.
    if (int64_t(frame->Item()->width) * frame->Item()->height > (1 << 20)) continue;
    try {
      frame->Draw(canvas->Canvas(), RECT{0, 0, 16, 16}, true);
      frame->Draw(canvas->Canvas(), RECT{0, 0, 7, 5}, false);
    } catch (const Exception&) {
    }
  }
  canvas->Free();
  image->Free();
  return 0;
}
