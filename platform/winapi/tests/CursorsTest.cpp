#include "platform/winapi/Cursors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Resources.h"
#include "platform/winapi/tests/GdiTestSupport.h"

namespace {

std::string SampleFile(const std::string& name) {
  std::ifstream in(std::string(VANDREL_SOURCE_DIR) + "/platform/winapi/tests/sample/" + name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(Resources, NamedResourcesOfTheProgramByTypeAndName) {
  HRSRC found = FindResourceA(HInstance(), "greeting", "text");  // any letter case
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found, FindResourceA(nullptr, "GREETING", "TEXT")) << "none: the program";
  const char* data = static_cast<const char*>(LockResource(LoadResource(HInstance(), found)));
  EXPECT_EQ(std::string(data, SizeofResource(HInstance(), found)), SampleFile("Greeting.txt"));
  EXPECT_NE(FindResourceA(HInstance(), "COLOUR", RT_CURSOR), nullptr);
  SetLastError(0);
  EXPECT_EQ(FindResourceA(HInstance(), "GREETING", RT_CURSOR), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
  // The platform library has no resources.
  HMODULE platform = vandrel::ModuleOfAddress(reinterpret_cast<const void*>(&FindResourceA));
  ASSERT_NE(platform, HInstance());
  EXPECT_EQ(FindResourceA(platform, "GREETING", "TEXT"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

TEST(Cursors, ACursorResourceGivesItsHotSpotImageAndMask) {
  HCURSOR cursor = LoadCursorA(HInstance(), "Colour");
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(LoadCursorA(HInstance(), "COLOUR"), cursor) << "loaded once";
  EXPECT_TRUE(DestroyCursor(cursor));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info)) << "a shared cursor outlives DestroyCursor";
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 3u);
  EXPECT_EQ(info.yHotspot, 9u);
  ASSERT_NE(info.hbmColor, nullptr);
  gditest::MemoryCanvas colour(info.hbmColor), mask(info.hbmMask);
  // Index (x / 4) + 4 (y / 8) of the file's table; the left column is transparent in the mask.
  EXPECT_EQ(GetPixel(colour.dc(), 5, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(colour.dc(), 8, 3), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(colour.dc(), 13, 12), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(colour.dc(), 1, 15), RGB(255, 255, 0));
  EXPECT_EQ(GetPixel(mask.dc(), 0, 7), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(mask.dc(), 1, 7), 0u);
  BITMAP bm{};
  GetObject(info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmHeight, 16);

  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(LoadCursorA(nullptr, "COLOUR"), nullptr);
  EXPECT_EQ(LoadCursorA(HInstance(), "NOSUCH"), nullptr);
  EXPECT_EQ(SetCursor(cursor), nullptr);
  EXPECT_EQ(GetCursor(), cursor);
}

TEST(Cursors, DamagedCursorFilesAreRefused) {
  const std::string good = SampleFile("Colour.cur");
  HCURSOR made = CreateCursorFromFile(good.data(), DWORD(good.size()));
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(DestroyCursor(made));
  EXPECT_FALSE(DestroyCursor(made));
  auto set32 = [](std::string& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); };
  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
  } cases[] = {
      {"an icon, not a cursor", [](std::string& b) { b[2] = 1; }},
      {"no entries", [](std::string& b) { b[4] = 0; }},
      {"cut short", [](std::string& b) { b.resize(b.size() - 1); }},
      {"image past the end", [&](std::string& b) { set32(b, 18, 4000); }},
      {"image size past the end", [&](std::string& b) { set32(b, 14, 0x7FFFFFFF); }},
      {"odd doubled height", [&](std::string& b) { set32(b, 22 + 8, 31); }},
      {"huge width", [&](std::string& b) { set32(b, 22 + 4, 1 << 20); }},
      {"compressed", [&](std::string& b) { set32(b, 22 + 16, 1); }},
      {"only a header", [](std::string& b) { b.resize(10); }},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    c.spoil(bytes);
    SetLastError(0);
    EXPECT_EQ(CreateCursorFromFile(bytes.data(), DWORD(bytes.size())), nullptr) << c.what;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA)) << c.what;
  }
}

}  // namespace
