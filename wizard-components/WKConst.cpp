#include "wizard-components/WKConst.h"

#include "platform/components/Forms.h"
#include "platform/winapi/Cursors.h"

void RegisterLibraryCursors() {
  HINSTANCE program = HInstance();
  if (HCURSOR hand = LoadCursorA(program, "WK_HANDCUR")) Screen->SetCursors(crWkHand, hand);
  if (HCURSOR drag = LoadCursorA(program, "WK_DRAGCUR")) Screen->SetCursors(crWkDrag, drag);
}
