#include "platform/winapi/Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/winapi/GlobalMemory.h"
#include "platform/winapi/MessageQueue.h"

namespace {

HGLOBAL Text(const char* s) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, std::strlen(s) + 1);
  std::memcpy(GlobalLock(h), s, std::strlen(s) + 1);
  GlobalUnlock(h);
  return h;
}

TEST(Clipboard, TextAndRegisteredFormatsRoundTrip) {
  UINT gif = RegisterClipboardFormatA("GIF Image");
  EXPECT_EQ(gif, RegisterWindowMessageA("gif image"));  // one table of names
  char name[32];
  EXPECT_EQ(GetClipboardFormatNameA(gif, name, sizeof name), 9);
  EXPECT_STREQ(name, "GIF Image");
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  HGLOBAL text = Text("12ab34");
  EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
  EXPECT_TRUE(SetClipboardData(gif, Text("GIF89a")));
  EXPECT_EQ(EnumClipboardFormats(0), CF_TEXT);
  EXPECT_EQ(EnumClipboardFormats(CF_TEXT), gif);
  EXPECT_EQ(EnumClipboardFormats(gif), 0u);
  EXPECT_EQ(GetClipboardData(CF_TEXT), text);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(ClipboardText(), "12ab34");
  EXPECT_TRUE(IsClipboardFormatAvailable(gif));
  EXPECT_EQ(CountClipboardFormats(), 2);
  // The clipboard owns its data: replacing it frees the old blocks.
  size_t blocks = GlobalBlockCount();
  EXPECT_TRUE(SetClipboardText("\xE1rv\xEDz"));
  EXPECT_EQ(ClipboardText(), "\xE1rv\xEDz");
  EXPECT_EQ(GlobalBlockCount(), blocks - 1);
  EXPECT_FALSE(IsClipboardFormatAvailable(gif));
}

TEST(Clipboard, CallsNeedTheClipboardOpenByThisThread) {
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(CF_TEXT, Text("x")), nullptr);
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
  EXPECT_FALSE(CloseClipboard());
  ASSERT_TRUE(OpenClipboard(nullptr));
  bool otherOpened = true;
  std::thread([&] { otherOpened = OpenClipboard(nullptr); }).join();
  EXPECT_FALSE(otherOpened);
  CloseClipboard();
  std::thread([&] {
    otherOpened = OpenClipboard(nullptr);
    CloseClipboard();
  }).join();
  EXPECT_TRUE(otherOpened);
}

TEST(Clipboard, GlobalMemoryBlocks) {
  HGLOBAL fixed = GlobalAlloc(GPTR, 16);
  EXPECT_EQ(GlobalLock(fixed), fixed);
  EXPECT_EQ(static_cast<char*>(fixed)[15], 0);
  HGLOBAL moveable = GlobalAlloc(GHND, 4);
  auto* p = static_cast<char*>(GlobalLock(moveable));
  std::memcpy(p, "abcd", 4);
  EXPECT_FALSE(GlobalUnlock(moveable));  // no lock left
  EXPECT_FALSE(GlobalUnlock(moveable));  // not locked at all
  EXPECT_EQ(GlobalReAlloc(moveable, 8, GMEM_ZEROINIT), moveable);
  EXPECT_EQ(GlobalSize(moveable), 8u);
  p = static_cast<char*>(GlobalLock(moveable));
  EXPECT_EQ(std::string(p, 8), std::string("abcd\0\0\0\0", 8));
  GlobalUnlock(moveable);
  EXPECT_EQ(GlobalFree(moveable), nullptr);
  EXPECT_EQ(GlobalFree(moveable), moveable);
  EXPECT_EQ(GlobalFree(fixed), nullptr);
}

}  // namespace
