#include "platform/runtime/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Exceptions.h"

namespace {

struct Case {
  std::string got;
  const char* expected;
};

TEST(Format, Conversions) {
  const std::string name = "Árvíz"_cp;
  const Case cases[] = {
      // the messages of the system
      {Format("Server returned error code %d for document \"%s\"", {404, "http://h/x"}),
       "Server returned error code 404 for document \"http://h/x\""},
      {Format("%s=%s", {name, std::string("v=1")}), "\xC1rv\xEDz=v=1"},
      {Format("Unrecognized extension block: %.2x", {uint8_t(0x0A)}), "Unrecognized extension block: 0A"},
      {Format("Definition file downloaded (%d bytes).", {int64_t(5000000000)}),
       "Definition file downloaded (5000000000 bytes)."},
      {Format(" (win error code: %d)", {2}), " (win error code: 2)"},
      {Format("COM%d", {16}), "COM16"},
      // decimal
      {Format("%d|%d|%d", {0, -7, INT32_MIN}), "0|-7|-2147483648"},
      {Format("%d", {INT64_MIN}), "-9223372036854775808"},
      {Format("%.5d|%.1d|%.0d", {-12, 345, 0}), "-00012|345|0"},
      {Format("%u|%u", {-1, 7u}), "4294967295|7"},
      {Format("%d", {4294967295u}), "4294967295"},  // unsigned 32-bit values are not wrapped
      {Format("%u", {int64_t(-1)}), "18446744073709551615"},
      // hexadecimal: upper case, two's complement of the argument's width
      {Format("%x|%X|%x", {255, 0xABCDEF, 0}), "FF|ABCDEF|0"},
      {Format("%x|%x", {-1, int64_t(-1)}), "FFFFFFFF|FFFFFFFFFFFFFFFF"},
      {Format("%.2x|%.2x|%.8x", {5, 0x1FF, 0xBEEF}), "05|1FF|0000BEEF"},
      {Format("%x", {int16_t(-1)}), "FFFFFFFF"},
      // strings and characters
      {Format("%s|%s|%s", {"", static_cast<const char*>(nullptr), 'c'}), "||c"},
      {Format("%.3s|%.0s|%.9s", {"abcdef", "xyz", "ab"}), "abc||ab"},
      // widths, left justification, "*", the type letter in either case
      {Format("[%5d][%-5d][%2d]", {42, 42, 12345}), "[   42][42   ][12345]"},
      {Format("[%6.3d][%-6.2x]", {7, 10}), "[   007][0A    ]"},
      {Format("[%8.3s][%-4s]", {"abcdef", "ab"}), "[     abc][ab  ]"},
      {Format("[%05d]", {3}), "[    3]"},  // a leading 0 is part of the width, not a flag
      {Format("[%*d][%-*s][%.*x]", {4, 1, 3, "a", 4, 0xAB}), "[   1][a  ][00AB]"},
      {Format("%D %S %U", {1, "s", 2}), "1 s 2"},
      // index specifiers select an argument; later conversions go on from there
      {Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b"},
      {Format("%2:s-%0:s%s%s", {"x", "y", "z"}), "z-xyz"},
      // percent signs and plain text
      {Format("100%% of %s%%", {"it"}), "100% of it%"},
      {Format("no conversions", {}), "no conversions"},
      {Format("%s", {"%d"}), "%d"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
  // embedded NUL bytes are text like any other
  EXPECT_EQ(Format("[%s]", {std::string("a\0b", 3)}), std::string("[a\0b]", 5));
}

TEST(Format, PointerIsFullWidthHex) {
  int x = 0;
  std::string text = Format("%p", {&x});
  EXPECT_EQ(text.size(), 2 * sizeof(void*));
  EXPECT_EQ(std::stoull(text, nullptr, 16), reinterpret_cast<uintptr_t>(&x));
  EXPECT_EQ(Format("%p", {nullptr}), std::string(2 * sizeof(void*), '0'));
}

TEST(Format, BadFormatsAndArgumentsRaise) {
  struct Bad {
    const char* format;
    std::function<std::string()> call;
    const char* message;
  };
  const char* invalid = "invalid or incompatible with argument";
  const char* missing = "No argument for format";
  const Bad cases[] = {
      {"%d", [] { return Format("%d", {"text"}); }, invalid},
      {"%d", [] { return Format("%d", {1.5}); }, invalid},
      {"%d", [] { return Format("%d", {true}); }, invalid},
      {"%x", [] { return Format("%x", {'c'}); }, invalid},
      {"%s", [] { return Format("%s", {12}); }, invalid},
      {"%s", [] { return Format("%s", {nullptr}); }, invalid},
      {"%p", [] { return Format("%p", {12}); }, invalid},
      {"%f", [] { return Format("%f", {1.5}); }, invalid},
      {"%q", [] { return Format("%q", {1}); }, invalid},
      {"100%", [] { return Format("100%", {}); }, invalid},
      {"%5", [] { return Format("%5", {1}); }, invalid},
      {"%-", [] { return Format("%-", {1}); }, invalid},
      {"%*d",
       [] {
         return Format("%*d", {"w", 1});
       },
       invalid},
      {"%:d", [] { return Format("%:d", {1}); }, invalid},
      {"%99999999999d", [] { return Format("%99999999999d", {1}); }, invalid},
      {"%2000000d", [] { return Format("%2000000d", {1}); }, invalid},
      {"%.2000000x", [] { return Format("%.2000000x", {1}); }, invalid},
      {"%*d",
       [] {
         return Format("%*d", {2000000, 1});
       },
       invalid},
      {"%d %d", [] { return Format("%d %d", {1}); }, missing},
      {"%s", [] { return Format("%s", {}); }, missing},
      {"%*d", [] { return Format("%*d", {5}); }, missing},
      {"%3:s",
       [] {
         return Format("%3:s", {"a", "b"});
       },
       missing},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.format << " did not raise";
    } catch (const EConvertError& e) {
      std::string expected = std::string(c.message) == missing ? std::string(missing) + " '" + c.format + "'"
                                                               : std::string("Format '") + c.format + "' " + invalid;
      EXPECT_EQ(e.Message(), expected);
      EXPECT_EQ(e.ClassName(), "EConvertError");
    }
  }
}

}  // namespace
