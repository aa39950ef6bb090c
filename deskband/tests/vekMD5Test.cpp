#include "deskband/vekMD5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/testing/PythonOracle.h"

namespace {

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string Hex(const TMD5Digest& digest) {
  return Hex(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

// Digests of the whole text fed in pieces of the given sizes (the rest in one piece).
std::string PieceWise(const std::string& text, const std::vector<size_t>& pieces) {
  TMD5Context context;
  MD5Init(context);
  size_t at = 0;
  for (size_t n : pieces) {
    n = std::min(n, text.size() - at);
    MD5Update(context, text.data() + at, n);
    at += n;
  }
  MD5Update(context, text.data() + at, text.size() - at);
  TMD5Digest digest;
  MD5Final(context, digest);
  return Hex(digest);
}

TEST(MD5, RfcTestSuite) {
  struct {
    const char* text;
    const char* digest;
  } cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& c : cases) {
    const std::string raw = MD5Hash(c.text);
    EXPECT_EQ(raw.size(), 16u);
    EXPECT_EQ(Hex(raw), c.digest) << c.text;
    TMD5Digest digest;
    MD5String(c.text, digest);
    EXPECT_EQ(Hex(digest), c.digest);
    EXPECT_EQ(PieceWise(c.text, {1, 2, 3, 5, 8, 13, 21}), c.digest) << c.text;
  }
}

TEST(MD5, RandomBytesEqualPythonHashlib) {
  // Every length 0..300, bytes of the whole range (NUL and bytes above 127), fed whole and in random pieces.
  std::mt19937 random(1321);
  std::vector<std::string> texts;
  std::ostringstream input;
  for (size_t length = 0; length <= 300; ++length) {
    std::string text(length, '\0');
    for (char& c : text) c = char(random() & 0xFF);
    if (length % 7 == 0 && length) text[length / 2] = '\0';
    texts.push_back(text);
    input << Hex(text) << '\n';
  }
  texts.push_back(std::string(1 << 20, '\xE9') + "tail");  // many blocks in one update
  input << Hex(texts.back()) << '\n';
  std::string out = testing_support::RunPython(
      "import sys, hashlib\n"
      "for line in sys.stdin:\n"
      "    print(hashlib.md5(bytes.fromhex(line.strip())).hexdigest().upper())\n",
      input.str());
  std::istringstream lines(out);
  for (const std::string& text : texts) {
    std::string expected;
    ASSERT_TRUE(std::getline(lines, expected));
    EXPECT_EQ(Hex(MD5Hash(text)), expected) << "length " << text.size();
    std::vector<size_t> pieces;
    for (int i = 0; i < 6; ++i) pieces.push_back(random() % 80);
    EXPECT_EQ(PieceWise(text, pieces), expected) << "length " << text.size() << " in pieces";
  }
}

TEST(MD5, FinalClearsTheContextAndTheCountCarries) {
  TMD5Context context;
  MD5Init(context);
  MD5Update(context, "abc", 3);
  TMD5Digest digest;
  MD5Final(context, digest);
  const TMD5Context zero{};
  EXPECT_EQ(std::memcmp(&context, &zero, sizeof context), 0);
  EXPECT_EQ(Hex(digest), "900150983CD24FB0D6963F7D28E17F72");

  // the bit count is two words, low first; the low word carries into the high one
  MD5Init(context);
  context.Count[0] = 0xFFFFFE00;  // 2^32 - 512 bits: a whole number of blocks
  MD5Update(context, std::string(100, 'x').data(), 100);
  EXPECT_EQ(context.Count[0], 800u - 512u);
  EXPECT_EQ(context.Count[1], 1u);
}

TEST(MD5, HighBytesAreHashedAsTheyAre) {
  // the CP1250 bytes of "Árvíz", not their UTF-8 form
  EXPECT_NE(MD5Hash("\xC1rv\xEDz"), MD5Hash("\xC3\x81rv\xC3\xADz"));
  std::string out = testing_support::RunPython(
      "import hashlib\nprint(hashlib.md5('\\u00c1rv\\u00edz'.encode('cp1250')).hexdigest().upper())\n");
  EXPECT_EQ(Hex(MD5Hash("\xC1rv\xEDz")) + "\n", out);
}

}  // namespace
