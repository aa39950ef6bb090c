#include "toolbar/uLibrary.h"

#include <mutex>

#include "deskband/vekXML.h"
#include "platform/components/ModuleTeardown.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uBrowserExportObj_TLB.h"
#include "toolbar/uHints.h"
#include "toolbar/uInstance.h"
#include "toolbar/uSignals.h"
#include "toolbar/uStorageFolders.h"

void InitializeLibraryUnits() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Unload runs the finalisations newest first, after the module (made later, by Startup) is gone.
    InitializeStorageFolders();
    AtModuleUnload(TUnloadStage::Objects, FinalizeStorageFolders);
    InitializeXMLUnit();
    InitializeInstanceUnit();
    AtModuleUnload(TUnloadStage::Objects, FinalizeInstanceUnit);
    BandActCtxLock();
    InitializeBandLock();
    AtModuleUnload(TUnloadStage::Objects, FinalizeBandLock);
    InitializeSignalUnit();
    InitializeHintUnit();
    AtModuleUnload(TUnloadStage::Objects, FinalizeHintUnit);
    InitializeTypeLibraryUnit();
  });
}
