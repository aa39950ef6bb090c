// Fuzz target: any text through the XML parser, its error text and the writer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/runtime/Exceptions.h"
#include "wizard-components/moxXMLParser2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TmoxXMLParser2* parser = TmoxXMLParser2::Create();
  try {
    parser->SetXml(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    // A malformed declaration raises to the caller, as it should.
    return 0;
  }
  // What the writer makes of the tree reads again (not always alike: values and texts are not escaped).
  const std::string xml = parser->GetXml();
  try {
    parser->SetXml(xml);
  } catch (const Exception&) {
  }
  return 0;
}
