// The sample band as a library of its own: its start-up registers the band module and the class factory,
// and it exports the four entry points of an in-process server.
#include <cstdio>

#include "deskband/tests/sample/SampleBandForms.h"
#include "platform/components/comserver/ComServ.h"

namespace {

const bool g_started = [] {
  try {
    RegisterSampleBandClasses();
    RegisterDeskBandModuleClass(TDeskBandModuleClass::Of<TSampleBandModule>());
    CreateDeskBandFactory();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sample band: %s\n", e.what());
  }
  return true;
}();

}  // namespace

COM_SERVER_EXPORTS
