#include "wizard-components/PictureUnits.h"

#include <mutex>

#include "wizard-components/WKConst.h"
#include "wizard-components/WkGraph.h"

void InitPictureUnits() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterLibraryCursors();
    InitColorReduction();
  });
}
