#include "wizard-components/CkString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "platform/testing/PythonOracle.h"
#include "wizard-components/CkProc.h"
#include "wizard-components/tests/CkStreamSupport.h"
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
  for (size_t length : {41u, 44u, 45u, 46u, 66u, 67u, 200u, 1000u})
    cases.push_back({ck_test::RandomBytes(rng, length), random});
  std::string input;
  for (const auto& [text, key] : cases) input += Hex(text) + " " + Hex(key.data(), key.size()) + "\n";
  std::vector<std::string> reference =
      ck_test::Lines(ck_test::RunReference("for line in sys.stdin:\n"
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
  struct Case {
    size_t length, chars, padding;
  } cases[] = {{0, 12, 1}, {7, 12, 1}, {8, 24, 2}, {15, 24, 2}, {16, 32, 0}};
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
  struct Case {
    std::string line;
    const char* className;
    const char* message;
  } cases[] = {
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

TEST(CkBase64, StreamsAgreeWithPythonBase64) {
  std::mt19937 rng(300);
  std::vector<std::string> inputs;
  std::string hex;
  for (size_t length = 0; length <= 300; ++length)
    inputs.push_back(ck_test::RandomBytes(rng, length)), hex += Hex(inputs.back()) + "\n";
  const std::vector<std::string> reference =
      ck_test::Lines(testing_support::RunPython("import sys, base64\n"
                                                "for line in sys.stdin:\n"
                                                "    print(base64.b64encode(bytes.fromhex(line.strip())).decode())\n",
                                                hex));
  ASSERT_EQ(reference.size(), inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    auto in = ck_test::StreamOf(inputs[i]);
    auto out = ck_test::StreamOf("");
    Base64EncodeStream(*in, *out);
    ASSERT_EQ(ck_test::Content(*out), reference[i]) << "length " << i;
    auto text = ck_test::StreamOf(reference[i]);
    auto bytes = ck_test::StreamOf("");
    Base64DecodeStream(*text, *bytes);
    ASSERT_EQ(Hex(ck_test::Content(*bytes)), Hex(inputs[i])) << "length " << i;
  }
}

TEST(CkBase64, ReadsInChunks) {
  struct Case {
    bool encode;
    size_t length;
    std::vector<int64_t> reads;
  } cases[] = {
      {true, 0, {0}},  {true, 45, {45, 0}},  {true, 50, {45, 5}},  {true, 90, {45, 45, 0}},
      {false, 0, {0}}, {false, 88, {88, 0}}, {false, 92, {88, 4}}, {false, 176, {88, 88, 0}},
  };
  for (const auto& c : cases) {
    auto in = ck_test::StreamOf(c.encode ? std::string(c.length, 'b') : std::string(c.length, 'Q'));
    auto out = ck_test::StreamOf("");
    in->reads.clear();
    c.encode ? Base64EncodeStream(*in, *out) : Base64DecodeStream(*in, *out);
    EXPECT_EQ(in->reads, c.reads) << (c.encode ? "encoding " : "decoding ") << c.length;
  }
}

TEST(CkBase64, DecodingErrorsKeepEarlierChunks) {
  struct Case {
    std::string text;
    int64_t written;
  } cases[] = {
      {std::string(89, 'Q'), 66},            // the 89th character is a partial group
      {std::string(88, 'Q') + "QQ\nQ", 66},  // a line break in the second chunk
      {std::string(40, 'Q') + "\r\n" + std::string(46, 'Q'), 0},
      {std::string(87, 'Q') + "~", 0},
      {std::string(3, 'Q'), 0},
  };
  for (const auto& c : cases) {
    auto in = ck_test::StreamOf(c.text);
    auto out = ck_test::StreamOf("");
    try {
      Base64DecodeStream(*in, *out);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), "Exception");
      EXPECT_EQ(e.Message(), "Invalid Base64 Character");
    }
    EXPECT_EQ(out->Size(), c.written) << c.text;
  }
}

TEST(CkProgress, ReportsAtIntervalsAndAfterTheFinalBlock) {
  const TCipherKey key = PassPhraseKey();
  struct Case {
    int32_t interval;
    bool encrypt;
    std::vector<int32_t> positions;
    int32_t size;
  } cases[] = {
      {64, true, {64, 128, 192, 200}, 200},   // 25 whole blocks, then the final block of the count
      {64, false, {64, 128, 192, 208}, 208},  // the final block is the last whole one
      {100, true, {200, 200}, 200},          {0, true, {200}, 200}, {-8, false, {208}, 208},
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
