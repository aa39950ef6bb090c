// Fuzz target: any bytes through the animated cursor reader, which may raise EReadError and nothing else;
// the frames it keeps then go to an icon list and a strip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wizard-components/AniFile.h"
#include "wizard-components/PictureUnits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = (InitPictureUnits(), true);
  (void)started;
  TObjectPtr<TAnimatedCursorImage> image(TAnimatedCursorImage::Create());
  TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
  try {
    image->LoadFromStream(&stream);
  } catch (const EReadError&) {
    return 0;
  }
  TObjectPtr<TIconList> list(TIconList::Create());
  list->Assign(image.get());
  if (image->FrameCount() <= 16) {
    std::unique_ptr<TBitmap> strip(TBitmap::Create());
    image->AssignToBitmap(strip.get(), clWhite, size % 2 == 0, true);
  }
  return 0;
}
