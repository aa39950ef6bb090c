#include "wizard-components/CkString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "wizard-components/CkProc.h"
#include "wizard-components/tests/CkTestSupport.h"

using ck_test::Hex;

namespace {

TCipherKey PassPhraseKey() {
  TCipherKey key;
  DigestString(key.data(), 16, "morvane cordaLIN");
  return key;
}

std::string Encipher(const std::string& text, const TCipherKey& key) {
  std::string out;
  BlowfishCryptString(text, key, true, out);
  return out;
}

std::string Decipher(const std::string& text, const TCipherKey& key) {
  std::string out;
  BlowfishCryptString(text, key, false, out);
  return out;
}

TEST(CkString, EnciphersAsTheReferenceAndRoundTrips) {
  // Lengths 0..40 cover every count byte and several whole blocks; longer ones span base64 chunks.
  std::mt19937 rng(42);
  std::vector<std::pair<std::string, TCipherKey>> cases;
  TCipherKey random;
  for (auto& b : random) b = uint8_t(rng());
  for (size_t length = 0; length <= 40; ++length) cases.push_back({ck_test::RandomBytes(rng, length), PassPhraseKey()});
  for (size_t length : {41u, 44u, 45u, 46u, 66u, 67u, 200u, 1000u}) cases.push_back({ck_test::RandomBytes(rng, length), random});
  std::string input;
  for (const auto& [text, key] : cases) input += Hex(text) + " " + Hex(key.data(), key.size()) + "\n";
  std::vector<std::string> reference = ck_test::Lines(ck_test::RunReference(
      "for line in sys.stdin:\n"
      "    text, key = (bytes.fromhex(x) for x in line.split(' '))\n"
      "    print(ckref.encipher_line(text, key).decode())\n",
      input));
  ASSERT_EQ(reference.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [text, key] = cases[i];
    const std::string line = Encipher(text, key);
    EXPECT_EQ(line, reference[i]) << "length " << text.size();
    const size_t cipherBytes = (text.size() / 8 + 1) * 8;
    EXPECT_EQ(line.size(), 4 * ((cipherBytes + 2) / 3));
    EXPECT_EQ(Decipher(line, key), text) << "length " << text.size();
  }
}

TEST(CkString, EncipheredLengthsAndPadding) {
  const TCipherKey key = PassPhraseKey();
  struct Case { size_t length, chars, padding; } cases[] = {{0, 12, 1}, {7, 12, 1}, {8, 24, 2}, {15, 24, 2}, {16, 32, 0}};
  for (const auto& c : cases) {
    const std::string line = Encipher(std::string(c.length, 'x'), key);
    EXPECT_EQ(line.size(), c.chars) << c.length;
    EXPECT_EQ(line.size() - line.find_last_not_of('=') - 1, c.padding) << c.length;
  }
}

// A base64 line whose single block deciphers to the given 8 bytes.
std::string LineDecipheringTo(const std::string& block, const TCipherKey& key) {
  BlowfishContext context;
  BlowfishInitKey(key, context);
  std::string cipher = block;
  BlowfishCryptBlock(context, reinterpret_cast<uint8_t*>(cipher.data()), true);
  return ck_test::RunReference("import base64\nprint(base64.b64encode(bytes.fromhex(sys.stdin.read())).decode())\n",
                               Hex(cipher))
      .substr(0, 12);
}

TEST(CkString, DamagedLinesRaiseAndLeaveTheResult) {
  const TCipherKey key = PassPhraseKey();
  const std::string good = Encipher("<settings>", key);
  struct Case { std::string line; const char* className; const char* message; } cases[] = {
      {"", "ECipherException", "Invalid file format"},
      {"QUJD", "ECipherException", "Invalid file format"},  // three bytes: no whole block
      {"====", "ECipherException", "Invalid file format"},  // "=" in front is no digit but raises nothing
      {LineDecipheringTo(std::string("abcdefg\x08", 8), key), "ECipherException", "Invalid file format"},
      {LineDecipheringTo(std::string("abcdefg\xFF", 8), key), "ECipherException", "Invalid file format"},
      {good.substr(0, good.size() - 1), "Exception", "Invalid Base64 Character"},  // partial last group
      {good + "Q", "Exception", "Invalid Base64 Character"},
      {good + "\r\n", "Exception", "Invalid Base64 Character"},
      {good.substr(0, 4) + " " + good.substr(5), "Exception", "Invalid Base64 Character"},
      {good.substr(0, 4) + "{" + good.substr(5), "Exception", "Invalid Base64 Character"},
      {good.substr(0, 4) + "\xE1" + good.substr(5), "Exception", "Invalid Base64 Character"},
      {good.substr(0, 4) + "*" + good.substr(5), "Exception", "Invalid Base64 Character"},
  };
  for (const auto& c : cases) {
    std::string result = "kept";
    try {
      BlowfishCryptString(c.line, key, false, result);
      ADD_FAILURE() << "no error for \"" << c.line << '"';
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), c.className) << '"' << c.line << '"';
      EXPECT_EQ(e.Message(), c.message) << '"' << c.line << '"';
    }
    EXPECT_EQ(result, "kept");
  }
  EXPECT_EQ(Decipher(good, key), "<settings>");
}

TEST(CkProgress, ReportsAtIntervalsAndAfterTheFinalBlock) {
  const TCipherKey key = PassPhraseKey();
  struct Case { int32_t interval; bool encrypt; std::vector<int32_t> positions; int32_t size; } cases[] = {
      {64, true, {64, 128, 192, 200}, 200},  // 25 whole blocks, then the final block of the count
      {64, false, {64, 128, 192, 208}, 208},  // the final block is the last whole one
      {100, true, {200, 200}, 200},
      {0, true, {200}, 200},
      {-8, false, {208}, 208},
      {8, true, {8, 16, 24, 24}, 24},
  };
  for (const auto& c : cases) {
    const std::string plain(size_t(c.encrypt ? c.size : 200), 'p');
    const std::string input = c.encrypt ? plain : Encipher(plain, key);
    std::vector<int32_t> seen;
    CipherProgressInterval = c.interval;
    CipherProgress = [&](int32_t position, int32_t size) {
      seen.push_back(position);
      EXPECT_EQ(size, c.size);
    };
    std::string out;
    BlowfishCryptString(input, key, c.encrypt, out);
    CipherProgress = nullptr;
    EXPECT_EQ(seen, c.positions) << "interval " << c.interval << (c.encrypt ? " enciphering" : " deciphering");
  }
  CipherProgressInterval = 64;
}

}  // namespace
