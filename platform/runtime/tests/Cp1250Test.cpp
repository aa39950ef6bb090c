#include "platform/runtime/Cp1250.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/testing/PythonOracle.h"

namespace {

TEST(Cp1250, TableEqualsPythonCodecBothWays) {
  // For every byte: the code point Python decodes it to (or - when undefined), and back.
  std::string out = testing_support::RunPython(
      "for b in range(256):\n"
      "    try: print(ord(bytes([b]).decode('cp1250')))\n"
      "    except UnicodeDecodeError: print('-')\n");
  std::istringstream lines(out);
  std::string line;
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    ASSERT_TRUE(std::getline(lines, line)) << b;
    if (line == "-") {
      ++undefined;
      EXPECT_EQ(cp1250::ToUnicode(b), char16_t(b)) << "undefined bytes keep their C1 value";
    } else {
      EXPECT_EQ(cp1250::ToUnicode(b), char16_t(std::stoi(line))) << b;
    }
    EXPECT_EQ(cp1250::FromUnicode(cp1250::ToUnicode(b)), b) << b;
  }
  EXPECT_EQ(undefined, 5);
}

TEST(Cp1250, CaseFoldingEqualsPython) {
  std::string out = testing_support::RunPython(
      "import sys\n"
      "for b in range(256):\n"
      "    try:\n"
      "        c = bytes([b]).decode('cp1250')\n"
      "    except UnicodeDecodeError:\n"
      "        print(b, b); continue\n"
      "    def one(u):\n"
      "        try: return u.encode('cp1250')[0] if len(u) == 1 else b\n"
      "        except UnicodeEncodeError: return b\n"
      "    print(one(c.upper()), one(c.lower()))\n");
  std::istringstream lines(out);
  for (int b = 0; b < 256; ++b) {
    int up = -1, low = -1;
    lines >> up >> low;
    EXPECT_EQ(cp1250::ToUpperByte(b), up) << b;
    EXPECT_EQ(cp1250::ToLowerByte(b), low) << b;
  }
}

TEST(Cp1250, LiteralIsConvertedAtCompileTime) {
  static_assert(cp1250::kLiteral<"ÁRVÍZTŰRŐ tükörfúrógép">.length == 22);
  static_assert(cp1250::kLiteral<"Ő">.bytes[0] == char(0xD5));
  std::string expected = "\xC1RV\xCDZT\xDBR\xD5 t\xFCk\xF6rf\xFAr\xF3g\xE9p";
  EXPECT_EQ("ÁRVÍZTŰRŐ tükörfúrógép"_cp, expected);
  EXPECT_EQ(cp1250::ToUtf8(expected), "ÁRVÍZTŰRŐ tükörfúrógép");
}

TEST(Cp1250, ConversionsReplaceWhatCannotBeHeld) {
  struct Case {
    std::string utf8, cp;
  } cases[] = {
      {"abc", "abc"},    {"€", "\x80"}, {"日本", "??"},  // outside the code page
      {"\xC3", "?"},                                     // truncated sequence
      {"a\x80z", "a?z"},                                 // stray continuation byte
      {"😀", "?"},                                        // four-byte sequence
  };
  for (const auto& c : cases) EXPECT_EQ(cp1250::FromUtf8(c.utf8), c.cp) << c.utf8;
  EXPECT_EQ(cp1250::FromUtf16(u"\u0150\U0001F600x"), "\xD5?x");
  EXPECT_EQ(cp1250::ToUtf16("\xD5"), u"\u0150");
}

TEST(Cp1250, AsciiAndCodePageCase) {
  EXPECT_EQ(cp1250::AsciiUpper("árvíz Tükör"_cp), "áRVíZ TüKöR"_cp);
  EXPECT_EQ(cp1250::Upper("árvíz tükör"_cp), "ÁRVÍZ TÜKÖR"_cp);
  EXPECT_EQ(cp1250::Lower("ŐSZ ŰR"_cp), "ősz űr"_cp);
}

}  // namespace
