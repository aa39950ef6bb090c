// Reads any bytes as a toolbar definition through a storage holding an included document, a bitmap and a
// sound, and walks everything it builds.
#include <sys/stat.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/com/ClassTable.h"
#include "platform/testing/FuzzMachineFolder.h"
#include "toolbar/uFileStorage.h"
#include "toolbar/uParser.h"

namespace {

// A machine folder of its own with a storage holding the files a definition may name.
struct FuzzMachine {
  testing_support::FuzzMachineFolder folder;
  TFileStorage* storage = nullptr;

  FuzzMachine() {
    CoInitialize(nullptr);
    storage = TDynamicFileStorage::Create("C:\\Fuzz");
    Put("inc.xml",
        "<TOOLBAR><IMAGELIST id=\"inner\" src=\"a.bmp\" width=\"2\" height=\"2\"/>"
        "<BUTTON action=\"none\" imagelist=\"outer\"/><INCLUDE src=\"leaf.xml\"/></TOOLBAR>");
    Put("leaf.xml", "<TOOLBAR><spacer width=\"1\"/></TOOLBAR>");
    // A 4 x 2 bitmap of 24 bits.
    Put("a.bmp", std::string("BM\x56\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x04\0\0\0\x02\0\0\0\x01\0\x18\0", 30) +
                     std::string(24, '\0') + std::string(24, '\xFF'));
    Put("s.wav", "RIFF....WAVE");
  }
  ~FuzzMachine() { storage->Free(); }
  void Put(const std::string& name, const std::string& bytes) {
    TStringStream content(bytes);
    storage->StoreFile("http://fuzz/" + name, content, 0, "");
  }
};

void Walk(TToolBarMenuItems* items) {
  for (int i = 0; i < items->Count(); ++i) {
    TToolbarMenuItem* item = items->Items(i);
    (void)item->Action()->Href();
    Walk(item->SubItems());
  }
}

void Walk(TCustomToolbarDefinition* definition) {
  for (int i = 0; i < definition->Controls()->Count(); ++i) {
    TToolBarControl* control = definition->Controls()->Items(i);
    if (auto* button = DynamicAs<TToolbarButtonControl>(control)) Walk(button->Menu()->Items());
    if (auto* include = DynamicAs<TToolbarIncludeControl>(control)) Walk(include->IncludeDefinition());
    if (auto* image = DynamicAs<TToolbarImageControl>(control)) (void)image->Bitmap()->Pixels(0, 0);
  }
  for (int i = 0; i < definition->ImageLists()->Count(); ++i)
    (void)definition->ImageLists()->Items(i)->Images()->Count();
  for (int i = 0; i < definition->Feeds()->Count(); ++i) (void)definition->Feeds()->Items(i)->Sound()->Size();
  for (int i = 0; i < definition->Actions()->Count(); ++i) (void)definition->Actions()->Items(i)->Kind();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzMachine machine;
  machine.storage->SetBaseURL("http://fuzz/root.xml");
  TToolbarDefinition* definition = TToolbarDefinition::Create();
  try {
    definition->ParseXML(std::string(reinterpret_cast<const char*>(data), size), machine.storage);
    Walk(definition);
  } catch (const Exception&) {
  }
  definition->Free();
  return 0;
}
