// The toolbar library: the unit initialisations and the start-up run when the shell loads it; it exports
// the four entry points of an in-process server.
#include "platform/components/Application.h"
#include "platform/components/comserver/ComServ.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uLibrary.h"

namespace {

const bool g_started = [] {
  try {
    InitializeLibraryUnits();
    Startup();
  } catch (...) {
    // A library whose start-up failed still loads, without a band to offer.
    Application->HandleException(nullptr);
  }
  return true;
}();

}  // namespace

COM_SERVER_EXPORTS
