#include "platform/components/Masks.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/PythonOracle.h"

namespace {

TEST(Masks, WildcardsSetsRangesAndLetterCase) {
  struct Case {
    const char* mask;
    const char* text;
    bool matches;
  } cases[] = {
      {"*", "", true},
      {"*", "bármi", true},
      {"", "", true},
      {"", "a", false},
      {"a*b", "ab", true},
      {"a*b", "axxb", true},
      {"a*b", "axxbx", false},
      {"*b*b*", "abcb", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"?", "", false},
      {"[abc]x", "bx", true},
      {"[abc]x", "dx", false},
      {"[!abc]x", "dx", true},
      {"[!abc]x", "ax", false},
      {"[a-c]", "b", true},
      {"[a-c]", "d", false},
      {"[!a-c]", "d", true},
      {"[-a]", "-", true},
      {"[a-]", "-", true},
      {"[z-a]", "m", false},
      {"[a!]", "!", true},
      {"[*?]", "*", true},
      {"[*?]", "x", false},
      {"a]", "a]", true},
      {"HTTP://X/*", "http://x/y", true},
      {"http://x/*", "HTTP://X/Y", true},
      {"[A-Z]", "q", true},
      {"[A-z]", "_", false},  // lower case first: the range is "a-z"
      {"?:\\*", "c:\\windows\\x.htm", true},
      {"?:\\*", "http://c:\\", false},
      {"ÁRVÍZ*", "árvíztűrő", true},
      {"[á-é]", "É", true},
      {"**a", "a", true},
      {"a*", "a", true},
  };
  for (const Case& c : cases) {
    std::string mask = cp1250::FromUtf8(c.mask), text = cp1250::FromUtf8(c.text);
    EXPECT_EQ(MatchesMask(text, mask), c.matches) << c.mask << " / " << c.text;
    EXPECT_FALSE(TMask(mask).Malformed()) << c.mask;
  }
}

TEST(Masks, AMalformedSetMatchesNothingAndRaisesNothing) {
  for (const char* mask : {"[", "a[", "[abc", "*[a-", "[]", "[!]", "x*[!"}) {
    SCOPED_TRACE(mask);
    TMask compiled(mask);
    EXPECT_TRUE(compiled.Malformed());
    for (std::string_view text : {std::string_view(), std::string_view("a"), std::string_view("["),
                                  std::string_view("[abc"), std::string_view(mask)})
      EXPECT_FALSE(compiled.Matches(text)) << text;
    EXPECT_NO_THROW(MatchesMask("abc", mask));
  }
}

// Long texts against many stars: no backtracking blow-up.
TEST(Masks, ManyStarsOnALongTextFinishQuickly) {
  std::string text(20000, 'a');
  std::string mask;
  for (int i = 0; i < 30; ++i) mask += "*a";
  mask += "b";
  EXPECT_FALSE(MatchesMask(text, mask));
  EXPECT_TRUE(MatchesMask(text + "b", mask));
}

// Generated well-formed masks against Python's fnmatchcase over the lower-case forms.
TEST(Masks, AgreesWithFnmatchOnGeneratedMasks) {
  std::mt19937 random(20240611);
  const std::string textChars = "aAbBcCxyz09:/\\.-_!*?[]^";
  const std::string setChars = "abcxyzAB09:/.\\_!^*?";
  auto pick = [&random](const std::string& from) { return from[random() % from.size()]; };
  std::ostringstream lines;
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int n = 0; n < 3000; ++n) {
    std::string mask;
    int tokens = 1 + int(random() % 6);
    for (int t = 0; t < tokens; ++t) {
      switch (random() % 6) {
        case 0: mask += '*'; break;
        case 1: mask += '?'; break;
        case 2: {
          mask += '[';
          if (random() % 3 == 0) mask += '!';
          int items = 1 + int(random() % 3);
          for (int i = 0; i < items; ++i) {
            char a = pick(setChars);
            // A literal "!" right after "[" would negate, "^" there differs in meaning elsewhere.
            if (i == 0 && (a == '!' || a == '^') && mask.back() == '[') a = 'q';
            if (random() % 3 == 0) {
              char b = pick(setChars);
              if (b < a) std::swap(a, b);
              mask += std::string{a, '-', b};
            } else {
              mask += a;
            }
          }
          mask += ']';
          break;
        }
        default: {
          char c = pick(textChars);
          mask += (c == '*' || c == '?' || c == '[') ? 'b' : c;
        }
      }
    }
    std::string text;
    int length = int(random() % 8);
    for (int i = 0; i < length; ++i) text += pick(textChars);
    // Texts made from the mask hit the interesting cases more often.
    if (random() % 2 == 0) {
      text.clear();
      for (char c : mask)
        if (c != '[' && c != ']' && c != '!' && c != '*') text += c == '?' ? pick(textChars) : c;
    }
    pairs.push_back({mask, text});
    lines << mask << '\t' << text << '\n';
  }
  std::string oracle = testing_support::RunPython(
      "import sys, fnmatch\n"
      "for line in sys.stdin.read().split('\\n')[:-1]:\n"
      "    mask, text = line.split('\\t')\n"
      "    print(1 if fnmatch.fnmatchcase(text.lower(), mask.lower()) else 0)\n",
      lines.str());
  std::istringstream answers(oracle);
  int mismatches = 0;
  for (const auto& [mask, text] : pairs) {
    int expected = -1;
    answers >> expected;
    ASSERT_NE(expected, -1) << "the oracle answered too few lines";
    EXPECT_FALSE(TMask(mask).Malformed()) << mask;
    if (MatchesMask(text, mask) != (expected == 1) && ++mismatches <= 10)
      ADD_FAILURE() << "mask " << mask << " text " << text << " fnmatch " << expected;
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
