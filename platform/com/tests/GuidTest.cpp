#include "platform/com/Guid.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>

#include "platform/runtime/Exceptions.h"
#include "platform/testing/PythonOracle.h"

namespace {

std::string Hex(const void* data, size_t size) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    unsigned char b = static_cast<const unsigned char*>(data)[i];
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

TEST(Guid, NewGuidsMatchPythonUuidInTextAndMemoryLayout) {
  std::string input;
  std::vector<GUID> guids(32);
  for (GUID& g : guids) {
    ASSERT_EQ(CoCreateGuid(&g), S_OK);
    input += GUIDToString(g) + "\n";
  }
  // uuid parses the braced form; bytes_le is the Windows memory layout of the structure.
  std::string out = testing_support::RunPython(
      "import sys, uuid\n"
      "for line in sys.stdin:\n"
      "    u = uuid.UUID(line.strip())\n"
      "    print(u.version, u.variant == uuid.RFC_4122, u.bytes_le.hex(), '{' + str(u).upper() + '}')\n",
      input);
  std::istringstream lines(out);
  std::set<std::string> distinct;
  for (const GUID& g : guids) {
    int version = 0;
    std::string rfc, layout, text;
    lines >> version >> rfc >> layout >> text;
    EXPECT_EQ(version, 4);
    EXPECT_EQ(rfc, "True");
    EXPECT_EQ(layout, Hex(&g, sizeof g));
    EXPECT_EQ(text, GUIDToString(g));
    distinct.insert(text);
  }
  EXPECT_EQ(distinct.size(), guids.size());
}

TEST(Guid, ParsesEitherCaseAndFormatsUpperCase) {
  constexpr GUID expected = "{2933BF81-7B36-11D2-B20E-00C04F983E60}"_guid;
  static_assert(expected.Data1 == 0x2933BF81 && expected.Data2 == 0x7B36 && expected.Data3 == 0x11D2);
  static_assert(expected.Data4[0] == 0xB2 && expected.Data4[7] == 0x60);
  for (const char* text : {"{2933BF81-7B36-11D2-B20E-00C04F983E60}", "{2933bf81-7b36-11d2-b20e-00c04f983e60}",
                           "{2933Bf81-7b36-11D2-b20E-00c04F983e60}"}) {
    EXPECT_EQ(StringToGUID(text), expected) << text;
  }
  EXPECT_EQ(GUIDToString(expected), "{2933BF81-7B36-11D2-B20E-00C04F983E60}");
  EXPECT_EQ(GUIDToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, IllFormedTextRaisesTheConversionError) {
  const char* bad[] = {
      "",
      "2933BF81-7B36-11D2-B20E-00C04F983E60",     // no braces
      "{2933BF81-7B36-11D2-B20E-00C04F983E6}",    // one digit short
      "{2933BF81-7B36-11D2-B20E-00C04F983E600}",  // one digit long
      "{2933BF81-7B36-11D2-B20E-00C04F983E6G}",   // not hexadecimal
      "{2933BF817-B36-11D2-B20E-00C04F983E60}",   // dash misplaced
      "{2933BF81 7B36 11D2 B20E 00C04F983E60}",
      "{2933BF81-7B36-11D2-B20E-00C04F983E60} ",
      "(2933BF81-7B36-11D2-B20E-00C04F983E60)",
      "{+933BF81-7B36-11D2-B20E-00C04F983E60}",
  };
  for (const char* text : bad) {
    EXPECT_FALSE(TryStringToGUID(text).has_value()) << text;
    try {
      StringToGUID(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(text) + "' is not a valid GUID value");
    }
  }
}

}  // namespace
