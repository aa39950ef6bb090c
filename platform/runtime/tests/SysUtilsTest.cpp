#include "platform/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Locale.h"
#include "platform/testing/PythonOracle.h"

namespace {

TEST(SysUtils, IntegersAsText) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  struct {
    std::string got, expected;
  } hex[] = {
      {IntToHex(255, 2), "FF"},
      {IntToHex(10, 4), "000A"},
      {IntToHex(0x12345, 2), "12345"},  // never cut
      {IntToHex(0, 0), "0"},
      {IntToHex(-1, 2), "FFFFFFFF"},
      {IntToHex(int64_t(-1), 2), "FFFFFFFFFFFFFFFF"},
      {IntToHex(uint8_t(0xAB), 2), "AB"},
      {IntToHex(int16_t(-2), 1), "FFFFFFFE"},
      {IntToHex(0xDEADBEEFu, 8), "DEADBEEF"},
  };
  for (const auto& c : hex) EXPECT_EQ(c.got, c.expected);
}

TEST(SysUtils, TextToInteger) {
  struct {
    const char* text;
    bool ok32;
    int32_t value32;
    bool ok64;
    int64_t value64;
  } cases[] = {
      {"0", true, 0, true, 0},
      {"42", true, 42, true, 42},
      {"-42", true, -42, true, -42},
      {"+42", true, 42, true, 42},
      {"   7", true, 7, true, 7},  // leading blanks are skipped
      {"007", true, 7, true, 7},
      {"$1F", true, 31, true, 31},
      {"$ff", true, 255, true, 255},
      {"-$10", true, -16, true, -16},
      {"$FFFFFFFF", true, -1, true, 4294967295LL},  // hexadecimal fills the bits
      {"$7FFFFFFF", true, INT32_MAX, true, INT32_MAX},
      {"$100000000", false, 0, true, 4294967296LL},
      {"$FFFFFFFFFFFFFFFF", false, 0, true, -1},
      {"$10000000000000000", false, 0, false, 0},
      {"2147483647", true, INT32_MAX, true, INT32_MAX},
      {"-2147483648", true, INT32_MIN, true, INT32_MIN},
      {"2147483648", false, 0, true, 2147483648LL},
      {"-2147483649", false, 0, true, -2147483649LL},
      {"9223372036854775807", false, 0, true, INT64_MAX},
      {"-9223372036854775808", false, 0, true, INT64_MIN},
      {"9223372036854775808", false, 0, false, 0},
      {"99999999999999999999999", false, 0, false, 0},
      {"", false, 0, false, 0},
      {" ", false, 0, false, 0},
      {"-", false, 0, false, 0},
      {"$", false, 0, false, 0},
      {"7 ", false, 0, false, 0},   // nothing may follow
      {"\t7", false, 0, false, 0},  // only blanks are skipped
      {"1.5", false, 0, false, 0},
      {"0x10", false, 0, false, 0},
      {"12a", false, 0, false, 0},
      {"- 1", false, 0, false, 0},
      {"$-1", false, 0, false, 0},
  };
  for (const auto& c : cases) {
    int32_t v32 = 123;
    int64_t v64 = 123;
    EXPECT_EQ(TryStrToInt(c.text, v32), c.ok32) << c.text;
    EXPECT_EQ(TryStrToInt64(c.text, v64), c.ok64) << c.text;
    if (c.ok32) {
      EXPECT_EQ(v32, c.value32) << c.text;
      EXPECT_EQ(StrToInt(c.text), c.value32);
    } else {
      EXPECT_EQ(v32, 123) << "a failed conversion leaves the target alone: " << c.text;
      EXPECT_EQ(StrToIntDef(c.text, -5), -5);
    }
    if (c.ok64) {
      EXPECT_EQ(v64, c.value64) << c.text;
      EXPECT_EQ(StrToInt64(c.text), c.value64);
    } else {
      EXPECT_EQ(StrToInt64Def(c.text, -5), -5);
    }
  }
}

TEST(SysUtils, FailedConversionsRaiseTheLibraryText) {
  try {
    StrToInt("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
  }
  try {
    StrToInt64("");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'' is not a valid integer value");
  }
  try {
    StrToFloat("1.5");  // the Hungarian separator is a comma
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1.5' is not a valid floating point value");
  }
}

TEST(SysUtils, FloatTextFollowsTheLocale) {
  ResetFormatSettings();
  struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {1, "1"},
      {-1.5, "-1,5"},
      {0.1, "0,1"},
      {100, "100"},
      {1234.5678, "1234,5678"},
      {1.0 / 3, "0,333333333333333"},
      {2.0 / 3, "0,666666666666667"},
      {0.0001, "0,0001"},
      {0.00001, "1E-5"},
      {1.5e-7, "1,5E-7"},
      {999999999999999.0, "999999999999999"},
      {1e15, "1E15"},
      {1.5e20, "1,5E20"},
      {-2.5e-300, "-2,5E-300"},
      {123456789012345678.0, "1,23456789012346E17"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToStr(c.value), c.text);
    double back = 0;
    EXPECT_TRUE(TryStrToFloat(c.text, back)) << c.text;
  }
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(FloatToStr(-1.5), "-1.5");
  EXPECT_EQ(StrToFloat("2.25"), 2.25);
  ResetFormatSettings();
}

TEST(SysUtils, TextToFloatGrammar) {
  ResetFormatSettings();
  struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"1,5", true, 1.5},  {" -2,25 ", true, -2.25}, {"+3", true, 3},     {",5", true, 0.5},  {"5,", true, 5},
      {"1E3", true, 1000}, {"1,5e-2", true, 0.015},  {"2E+2", true, 200}, {"", false, 0},     {",", false, 0},
      {"1E", false, 0},    {"E5", false, 0},         {"1.5", false, 0},   {"1,5x", false, 0}, {"1 5", false, 0},
      {"1E400", false, 0}, {"--1", false, 0},
  };
  for (const auto& c : cases) {
    double v = 0;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

TEST(SysUtils, FloatTextHasFifteenCorrectDigits) {
  // Python's own formatting (not the C library's) gives the 15 significant digits.
  std::mt19937_64 random(1123);
  std::ostringstream values;
  std::vector<double> numbers;
  for (int i = 0; i < 400; ++i) {
    double mantissa = std::uniform_real_distribution<double>(-10, 10)(random);
    int exponent = std::uniform_int_distribution<int>(-30, 30)(random);
    numbers.push_back(std::ldexp(mantissa, exponent * 3));
  }
  for (double v : numbers) values << std::hexfloat << v << "\n";
  std::string out = testing_support::RunPython(
      "import sys\n"
      "for line in sys.stdin:\n"
      "    print(repr(float('%.15g' % float.fromhex(line.strip()))))\n",
      values.str());
  std::istringstream lines(out);
  for (double v : numbers) {
    std::string expected;
    ASSERT_TRUE(std::getline(lines, expected));
    std::string text = FloatToStr(v);
    for (char& c : text)
      if (c == ',') c = '.';
    EXPECT_EQ(std::stod(text), std::stod(expected)) << FloatToStr(v);
  }
}

TEST(SysUtils, TrimRemovesBlanksAndControls) {
  std::string all;
  for (int c = 1; c <= 32; ++c) all += char(c);
  const std::string inner = "a \x01 \u00A0z"_cp;  // a no-break space (0xA0) is not trimmed
  EXPECT_EQ(Trim(all + inner + all), inner);
  EXPECT_EQ(TrimLeft(all + inner + all), inner + all);
  EXPECT_EQ(TrimRight(all + inner + all), all + inner);
  EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x");
  EXPECT_EQ(Trim(all), "");
  EXPECT_EQ(TrimLeft(""), "");
  EXPECT_EQ(Trim("\xA0"), "\xA0");
}

TEST(SysUtils, CaseConversions) {
  EXPECT_EQ(UpperCase("árvíz Tükör 1"_cp), "áRVíZ TüKöR 1"_cp);
  EXPECT_EQ(LowerCase("ÁRVÍZ tükör"_cp), "ÁrvÍz tükör"_cp);
  EXPECT_EQ(AnsiUpperCase("árvíztűrő tükörfúrógép"_cp), "ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"_cp);
  EXPECT_EQ(AnsiLowerCase("ŐSZI ŠÍŽ"_cp), "őszi šíž"_cp);
}

TEST(SysUtils, StringReplaceFlags) {
  struct {
    const char* s;
    const char* from;
    const char* to;
    TReplaceFlags flags;
    const char* expected;
  } cases[] = {
      {"a.b.c", ".", "\\", rfNone, "a\\b.c"},
      {"a.b.c", ".", "\\", rfReplaceAll, "a\\b\\c"},
      {"C:\\x\\y", "\\", "/", rfReplaceAll, "C:/x/y"},
      {"aXbxc", "x", "-", rfReplaceAll, "aXb-c"},
      {"aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase, "a-b-c"},
      {"aXbxc", "x", "-", rfIgnoreCase, "a-bxc"},
      {"aaaa", "aa", "a", rfReplaceAll, "aa"},  // replaced text is not searched again
      {"abc", "", "x", rfReplaceAll, "abc"},
      {"abc", "abc", "", rfReplaceAll, ""},
      {"", "a", "b", rfReplaceAll, ""},
      {"x<cr>y<cr>", "<cr>", "\r", rfReplaceAll, "x\ry\r"},
  };
  for (const auto& c : cases) EXPECT_EQ(StringReplace(c.s, c.from, c.to, c.flags), c.expected) << c.s;
  // ignoring case folds accented letters too
  EXPECT_EQ(StringReplace("tükör TÜKÖR"_cp, "ü"_cp, "u", rfReplaceAll | rfIgnoreCase), "tukör TuKÖR"_cp);
}

TEST(SysUtils, PositionsCopyAndQuotes) {
  EXPECT_EQ(Pos("b", "abcb"), 2u);
  EXPECT_EQ(Pos("cb", "abcb"), 3u);
  EXPECT_EQ(Pos("x", "abc"), 0u);
  EXPECT_EQ(Pos("", "abc"), 0u);
  EXPECT_EQ(Pos("abcd", "abc"), 0u);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 5, 255), "ef");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", -5, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
  EXPECT_EQ(Copy("Content-Length: 42", 17, 255), "42");
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(LastDelimiter("\\:", "C:\\a\\b"), 5u);
  EXPECT_EQ(LastDelimiter(".", "abc"), 0u);
}

TEST(SysUtils, WindowsFileNames) {
  struct {
    const char* name;
    const char* path;
    const char* file;
    const char* ext;
    const char* changed;  // ChangeFileExt(name, ".kzf")
  } cases[] = {
      {"C:\\Program Files\\Vandrel\\Selvaring.exe", "C:\\Program Files\\Vandrel\\", "Selvaring.exe", ".exe",
       "C:\\Program Files\\Vandrel\\Selvaring.kzf"},
      {"C:\\dir.d\\file", "C:\\dir.d\\", "file", "", "C:\\dir.d\\file.kzf"},
      {"C:file.txt", "C:", "file.txt", ".txt", "C:file.kzf"},
      {"C:\\", "C:\\", "", "", "C:\\.kzf"},
      {"archive.tar.gz", "", "archive.tar.gz", ".gz", "archive.tar.kzf"},
      {".files", "", ".files", ".files", ".kzf"},
      {"name.", "", "name.", ".", "name.kzf"},
      {"", "", "", "", ".kzf"},
      // "/" is an ordinary character of a Windows file name
      {"http://host/tb/toolbar.xml", "http:", "//host/tb/toolbar.xml", ".xml", "http://host/tb/toolbar.kzf"},
      {"http://host/a.b/c", "http:", "//host/a.b/c", ".b/c", "http://host/a.kzf"},
      {"\\\\server\\share\\x.y", "\\\\server\\share\\", "x.y", ".y", "\\\\server\\share\\x.kzf"},
      {"C:\\a.b\\c:d", "C:\\a.b\\c:", "d", "", "C:\\a.b\\c:d.kzf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
    EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
    EXPECT_EQ(ChangeFileExt(c.name, ".kzf"), c.changed) << c.name;
    EXPECT_EQ(ExtractFilePath(c.name) + ExtractFileName(c.name), c.name);
  }
  EXPECT_EQ(ChangeFileExt("a.txt", ""), "a");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:/x/"), "C:/x/\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\x\\"), "C:\\x");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\x\\\\"), "C:\\x\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\x"), "C:\\x");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(""), "");
}

}  // namespace
