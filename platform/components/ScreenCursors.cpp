// The screen's cursor table.
#include "platform/components/Forms.h"
#include "platform/winapi/Cursors.h"

namespace {

LPCSTR SystemCursorOf(TCursor index) {
  switch (index) {
    case crArrow: return IDC_ARROW;
    case crCross: return IDC_CROSS;
    case crIBeam: return IDC_IBEAM;
    case crHourGlass: return IDC_WAIT;
    case crHandPoint: return IDC_HAND;
    default: return nullptr;
  }
}

}  // namespace

HCURSOR TScreen::Cursors(int index) const {
  auto it = cursors_.find(index);
  if (it != cursors_.end()) return it->second;
  LPCSTR system = SystemCursorOf(index);
  return LoadCursorA(nullptr, system ? system : IDC_ARROW);
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
  if (cursor)
    cursors_[index] = cursor;
  else
    cursors_.erase(index);
}
