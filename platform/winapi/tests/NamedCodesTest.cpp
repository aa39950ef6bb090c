// The values of the Windows constants the stand-in names, as the platform defines them: a renamed or
// mistyped constant shows here.
#include <gtest/gtest.h>

#include "platform/com/ComTypes.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Messages.h"

namespace {

TEST(NamedCodes, HoldTheValuesOfThePlatform) {
  struct Case {
    const char* name;
    int64_t value, expected;
  } cases[] = {
      {"ERROR_NOT_LOCKED", ERROR_NOT_LOCKED, 158},
      {"ERROR_INVALID_WINDOW_HANDLE", ERROR_INVALID_WINDOW_HANDLE, 1400},
      {"ERROR_INVALID_HOOK_HANDLE", ERROR_INVALID_HOOK_HANDLE, 1404},
      {"ERROR_TLW_WITH_WSCHILD", ERROR_TLW_WITH_WSCHILD, 1406},
      {"ERROR_CANNOT_FIND_WND_CLASS", ERROR_CANNOT_FIND_WND_CLASS, 1407},
      {"ERROR_CLASS_ALREADY_EXISTS", ERROR_CLASS_ALREADY_EXISTS, 1410},
      {"ERROR_CLASS_DOES_NOT_EXIST", ERROR_CLASS_DOES_NOT_EXIST, 1411},
      {"ERROR_CLASS_HAS_WINDOWS", ERROR_CLASS_HAS_WINDOWS, 1412},
      {"ERROR_INVALID_INDEX", ERROR_INVALID_INDEX, 1413},
      {"ERROR_CLIPBOARD_NOT_OPEN", ERROR_CLIPBOARD_NOT_OPEN, 1418},
      {"ERROR_INVALID_HOOK_FILTER", ERROR_INVALID_HOOK_FILTER, 1426},
      {"ERROR_TIMEOUT", ERROR_TIMEOUT, 1460},
      {"DLGC_WANTARROWS", DLGC_WANTARROWS, 0x0001},
      {"DLGC_WANTTAB", DLGC_WANTTAB, 0x0002},
      {"DLGC_WANTALLKEYS", DLGC_WANTALLKEYS, 0x0004},
      {"DLGC_DEFPUSHBUTTON", DLGC_DEFPUSHBUTTON, 0x0010},
      {"DLGC_UNDEFPUSHBUTTON", DLGC_UNDEFPUSHBUTTON, 0x0020},
      {"DLGC_WANTCHARS", DLGC_WANTCHARS, 0x0080},
      {"E_INVALIDARG", uint32_t(E_INVALIDARG), 0x80070057},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.expected) << c.name;
}

}  // namespace
