// BMP files on any bytes: a load either raises the graphics errors and keeps the previous image, or gives
// an image whose every pixel can be read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/components/Graphics.h"
#include "platform/runtime/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap* bitmap = TBitmap::Create();
  bitmap->SetSize(3, 2);
  bitmap->SetPixels(2, 1, 0x123456);
  TMemoryStream stream;
  stream.WriteBuffer(data, int64_t(size));
  stream.SetPosition(0);
  try {
    bitmap->LoadFromStream(&stream);
    uint64_t sum = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
      for (int x = 0; x < bitmap->Width(); ++x) sum += uint32_t(bitmap->Pixels(x, y));
    if (bitmap->Pixels(bitmap->Width(), 0) != -1 || sum == uint64_t(-1)) std::abort();
  } catch (const EInvalidGraphic&) {
    if (bitmap->Width() != 3 || bitmap->Height() != 2 || bitmap->Pixels(2, 1) != 0x123456) std::abort();
  } catch (const EOutOfResources&) {
    if (bitmap->Width() != 3 || bitmap->Height() != 2) std::abort();
  }
  bitmap->Free();
  return 0;
}
