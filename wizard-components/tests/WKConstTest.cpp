#include "wizard-components/WKConst.h"

#include <gtest/gtest.h>

#include "platform/components/Forms.h"
#include "platform/winapi/Cursors.h"
#include "wizard-components/PictureUnits.h"

namespace {

TEST(WKConst, TheInitialisationRegistersTheHandAndDragCursors) {
  HCURSOR before = Screen->Cursors(crWkHand);
  EXPECT_EQ(before, Screen->Cursors(crDefault)) << "unknown numbers give the default cursor";
  InitPictureUnits();
  InitPictureUnits();  // once only
  struct Case {
    int number;
    const char* resource;
    DWORD hotX, hotY;
  } cases[] = {{14000, "WK_HANDCUR", 6, 1}, {14001, "WK_DRAGCUR", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resource);
    HCURSOR cursor = Screen->Cursors(c.number);
    EXPECT_NE(cursor, Screen->Cursors(crDefault));
    EXPECT_EQ(cursor, LoadCursorA(HInstance(), c.resource)) << "the program's own resource";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_EQ(info.xHotspot, c.hotX);
    EXPECT_EQ(info.yHotspot, c.hotY);
    BITMAP bm{};
    GetObject(info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 64) << "a monochrome cursor: mask above image";
    EXPECT_EQ(info.hbmColor, nullptr);
    DeleteObject(info.hbmMask);
  }
}

}  // namespace
