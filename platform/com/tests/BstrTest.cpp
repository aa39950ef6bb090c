#include "platform/com/Bstr.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/PythonOracle.h"

namespace {

TEST(Bstr, LengthPrefixEmbeddedNullsAndNull) {
  const char16_t text[] = u"a\0b";
  BSTR b = SysAllocStringLen(text, 3);
  ASSERT_NE(b, nullptr);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(b) - 4, 4);
  EXPECT_EQ(prefix, 6u);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(SysStringByteLen(b), 6u);
  EXPECT_EQ(b[3], u'\0') << "terminated after the length";
  EXPECT_EQ(BstrToU16(b), std::u16string(text, 3));
  SysFreeString(b);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
  EXPECT_EQ(OleStrToString(nullptr), "");
}

TEST(Bstr, Cp1250ConversionEqualsPythonUtf16) {
  std::string text = "Árvíztűrő tükörfúrógép ŐŰ €„"_cp;
  WideString wide = WideString::FromString(text);
  std::string hex;
  for (char16_t c : wide.ToU16()) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02x%02x", c & 0xFF, c >> 8);
    hex += buffer;
  }
  std::string expected = testing_support::RunPython(
      "import sys\nprint(sys.stdin.buffer.read().decode('cp1250').encode('utf-16-le').hex())\n", text);
  EXPECT_EQ(hex + "\n", expected);
  EXPECT_EQ(wide.ToString(), text);
  EXPECT_EQ(OleStrToString(wide.Get()), text);
}

TEST(Bstr, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  WideString wide(u"x\u4E2Dy\U0001F600z");
  EXPECT_EQ(wide.ToString(), "x?y?z");
  // Every code point up to past the last one of the code page, and lone surrogates, as the runtime's
  // conversion gives them.
  std::u16string all;
  for (char32_t c = 1; c < 0x2200; ++c) all += char16_t(c);
  for (char16_t c : {char16_t(0xD800), u'a', char16_t(0xDC00), u'b', char16_t(0xDBFF)}) all += c;
  EXPECT_EQ(WideString(all).ToString(), cp1250::FromUtf16(all));
  EXPECT_EQ(OleStrToString(WideString(all).Get()), cp1250::FromUtf16(all));
}

TEST(Bstr, WideStringOwnsOneCopy) {
  WideString a = WideString::FromString("alpha");
  WideString b = a;
  EXPECT_NE(a.Get(), b.Get());
  EXPECT_EQ(a, b);
  WideString c = std::move(a);
  EXPECT_EQ(a.Get(), nullptr);
  EXPECT_TRUE(a.Empty());
  EXPECT_EQ(c.ToString(), "alpha");
  *c.Put() = SysAllocString(u"beta");  // the old text is freed, the new one owned
  EXPECT_EQ(c.ToString(), "beta");
  BSTR raw = c.Detach();
  EXPECT_EQ(c.Get(), nullptr);
  WideString adopted = WideString::Attach(raw);
  EXPECT_EQ(adopted.Length(), 4u);
  WideString copyOfNull = WideString();
  EXPECT_EQ(WideString(copyOfNull).Get(), nullptr);
}

}  // namespace
