#include "platform/runtime/Collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/runtime/Cp1250.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

// Strictly ascending under the case-insensitive collation.
std::vector<std::string> AscendingWords() {
  return {"",     " x", "-",    "1",    "9",    "a", "ab",   "az",   "á"_cp, "áa"_cp, "b",    "c",
          "č"_cp, "d",  "e",    "ez",   "é"_cp, "o", "oz",   "ó"_cp, "ö"_cp, "ő"_cp,  "ô"_cp, "p",
          "s",    "sz", "š"_cp, "ß"_cp, "t",    "u", "ú"_cp, "ü"_cp, "ű"_cp, "z",     "ź"_cp, "ž"_cp};
}

TEST(Collation, AccentedLettersFollowTheirBaseLetter) {
  std::vector<std::string> words = AscendingWords();
  for (std::size_t i = 0; i < words.size(); ++i)
    for (std::size_t j = 0; j < words.size(); ++j) {
      SCOPED_TRACE(cp1250::ToUtf8(words[i]) + " / " + cp1250::ToUtf8(words[j]));
      int expected = i < j ? -1 : i > j ? 1 : 0;
      EXPECT_EQ(Sign(AnsiCompareText(words[i], words[j])), expected);
      EXPECT_EQ(Sign(AnsiCompareText(cp1250::Upper(words[i]), words[j])), expected);
    }
}

TEST(Collation, ComparisonTable) {
  struct Case {
    std::string a, b;
    int ansiText, ansiStr, text, str;
  };
  const Case cases[] = {
      {"a", "A", 0, -1, 0, 1},
      {"A", "b", -1, -1, -1, -1},
      {"ab", "Ab", 0, -1, 0, 1},
      {"aB", "Ab", 0, -1, 0, 1},
      {"Ab", "aB", 0, 1, 0, -1},
      {"á"_cp, "Á"_cp, 0, -1, 1, 1},
      {"Árvíztűrő"_cp, "árvíztŰrő"_cp, 0, 1, -1, -1},
      {"abc", "abc", 0, 0, 0, 0},
      {"ab", "abc", -1, -1, -1, -1},
      {"á"_cp, "b", -1, -1, 1, 1},
      {"z", "á"_cp, 1, 1, -1, -1},
      {"a1", "a-", 1, 1, 1, 1},
      {std::string("a\0b", 3), std::string("a\0c", 3), -1, -1, -1, -1},
      {"_", "a", -1, -1, 1, -1},  // ASCII folding is to upper case
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(cp1250::ToUtf8(c.a) + " / " + cp1250::ToUtf8(c.b));
    EXPECT_EQ(Sign(AnsiCompareText(c.a, c.b)), c.ansiText);
    EXPECT_EQ(Sign(AnsiCompareStr(c.a, c.b)), c.ansiStr);
    EXPECT_EQ(Sign(CompareText(c.a, c.b)), c.text);
    EXPECT_EQ(Sign(CompareStr(c.a, c.b)), c.str);
    EXPECT_EQ(AnsiSameText(c.a, c.b), c.ansiText == 0);
    EXPECT_EQ(SameText(c.a, c.b), c.text == 0);
  }
}

// Over random texts of every byte: both locale orders are total orders (sorting gives a sequence in which
// every earlier text compares below or equal to every later one), and the case-insensitive one says equal
// exactly when the texts fold to the same upper case.
TEST(Collation, LocaleOrdersAreTotalOnRandomTexts) {
  std::mt19937 random(1250);
  std::vector<std::string> texts;
  const std::string alphabet = "aAáÁbBoOöÖőŐ0 -zZ"_cp + std::string("\x80\xFF\0", 3);
  for (int i = 0; i < 300; ++i) {
    std::string s;
    for (int n = random() % 5; n > 0; --n) {
      bool anyByte = random() % 4 == 0;
      s += anyByte ? char(random() % 256) : alphabet[random() % alphabet.size()];
    }
    texts.push_back(s);
  }
  for (auto compare : {AnsiCompareText, AnsiCompareStr}) {
    std::vector<std::string> sorted = texts;
    std::sort(sorted.begin(), sorted.end(),
              [&](const std::string& a, const std::string& b) { return compare(a, b) < 0; });
    for (std::size_t i = 0; i < sorted.size(); ++i)
      for (std::size_t j = i; j < sorted.size(); ++j) {
        ASSERT_LE(compare(sorted[i], sorted[j]), 0) << i << " " << j;
        ASSERT_EQ(Sign(compare(sorted[i], sorted[j])), -Sign(compare(sorted[j], sorted[i])));
      }
  }
  for (const std::string& a : texts)
    for (const std::string& b : texts) {
      ASSERT_EQ(AnsiCompareText(a, b) == 0, cp1250::Upper(a) == cp1250::Upper(b));
      ASSERT_EQ(AnsiCompareStr(a, b) == 0, a == b);
    }
}

}  // namespace
