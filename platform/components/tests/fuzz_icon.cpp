// Fuzz target: the icon reader must reject malformed files with EInvalidGraphic or EOutOfResources and
// nothing else; an icon it takes draws and saves back its bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/components/Icons.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  std::string bytes(reinterpret_cast<const char*>(data), size);
  TStringStream stream(bytes);
  try {
    icon->LoadFromStream(&stream);
  } catch (const EInvalidGraphic&) {
    return 0;
  } catch (const EOutOfResources&) {
    return 0;
  }
  TStringStream saved("");
  icon->SaveToStream(&saved);
  if (saved.DataString() != bytes) std::abort();
  if (int64_t(icon->Width()) * icon->Height() <= 4096) {
    std::unique_ptr<TBitmap> surface(TBitmap::Create());
    surface->SetSize(8, 8);
    surface->Canvas()->StretchDraw(RECT{-2, 1, 7, 9}, icon.get());
  }
  return 0;
}
