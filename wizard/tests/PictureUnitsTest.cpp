#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "platform/winapi/Cursors.h"
#include "platform/winapi/Resources.h"

namespace {

// The program carries the picture units' two cursors as resources, which its body registers at start-up
// (WKConst's test shows the registration through the same call).
TEST(PictureUnits, TheProgramCarriesTheHandAndDragCursors) {
  std::string section;
  DWORD error = 0;
  ASSERT_TRUE(vandrel::ReadModuleResource(SELVARING_PATH, vandrel::kResourceSection, section, error)) << error;
  std::map<std::string, std::string> cursors;
  for (size_t at = 0; at + 80 <= section.size(); at += 8) {
    if (section.compare(at, 8, vandrel::kResourceTag) != 0) continue;
    uint32_t size;
    std::memcpy(&size, section.data() + at + 72, 4);
    ASSERT_LE(size, section.size() - at - 80);
    if (std::string(section.data() + at + 8) == "#1") cursors[section.data() + at + 24] = section.substr(at + 80, size);
    at += (80 + size + 7) / 8 * 8 - 8;
  }
  ASSERT_EQ(cursors.size(), 2u);
  for (const char* name : {"WK_HANDCUR", "WK_DRAGCUR"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(cursors.count(name), 1u);
    HCURSOR cursor = CreateCursorFromFile(cursors[name].data(), DWORD(cursors[name].size()));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(cursor, &info));
    BITMAP bm{};
    GetObject(info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    DeleteObject(info.hbmMask);
    DestroyCursor(cursor);
  }
}

}  // namespace
