// Parses any bytes as a feed and reads every field and identity of what it finds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "deskband/vekRSS.h"
#include "platform/com/ClassTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialized = (CoInitialize(nullptr), true);
  (void)initialized;
  try {
    std::unique_ptr<TRSSFeed> feed(TRSSFeed::Create(std::string_view(reinterpret_cast<const char*>(data), size)));
    for (int i = 0; i < feed->Items().Count(); ++i) {
      TRSSItem* item = feed->Items().Items(i);
      (void)item->GetID();
      (void)item->Date();
      if (item->Channel()) (void)item->Channel()->Title();
    }
  } catch (const Exception&) {
  }
  return 0;
}
