#include "wizard-components/CkProc.h"

#include <gtest/gtest.h>

#include <random>

#include "wizard-components/CkString.h"
#include "wizard-components/tests/CkStreamSupport.h"
#include "wizard-components/tests/CkTestSupport.h"

using ck_test::Content;
using ck_test::Hex;
using ck_test::StreamOf;

namespace {

TCipherKey TestKey() {
  TCipherKey key;
  for (size_t i = 0; i < key.size(); ++i) key[i] = uint8_t(i * 37 + 5);
  return key;
}

TEST(CkProc, EnciphersAsTheReferenceAtTheStreamPositions) {
  std::mt19937 rng(9);
  const std::string plain = ck_test::RandomBytes(rng, 29);
  const TCipherKey key = TestKey();
  const std::string reference = ck_test::FromHex(
      ck_test::Lines(ck_test::RunReference("text, key = (bytes.fromhex(x) for x in sys.stdin.read().split())\n"
                                           "print(ckref.crypt_bytes(text, key, True).hex())\n",
                                           Hex(plain) + " " + Hex(key.data(), key.size())))[0]);
  ASSERT_EQ(reference.size(), 32u);

  // Written at the output's position, after what it held.
  auto in = StreamOf(plain);
  auto out = StreamOf("HEADER", 6);
  BlowfishCryptStream(*in, *out, key, true);
  EXPECT_EQ(Hex(Content(*out)), Hex("HEADER" + reference));
  EXPECT_EQ(in->Position(), 29);

  // And back, over the middle of an output.
  auto cipher = StreamOf(reference);
  auto restored = StreamOf(std::string(40, '.'), 3);
  BlowfishCryptStream(*cipher, *restored, key, false);
  EXPECT_EQ(Content(*restored), "..." + plain + std::string(8, '.'));
}

TEST(CkProc, ShortReadsAndDamagedBlocksRaiseAndKeepWhatWasWritten) {
  const TCipherKey key = TestKey();
  std::string cipher;
  {
    auto in = StreamOf(std::string(20, 'p'));
    auto out = StreamOf("");
    BlowfishCryptStream(*in, *out, key, true);
    cipher = Content(*out);  // 24 bytes: two whole blocks and the final one
  }
  std::string damaged = cipher;
  damaged[23] ^= 0x10;  // the final block's count byte deciphers to 16 + 4
  struct Case {
    std::string name, input;
    int64_t start;
    bool encrypt;
    size_t written;
    int64_t readTo;
  } cases[] = {
      {"enciphering from a later position runs short in the final block", std::string(20, 'p'), 3, true, 16, 20},
      {"deciphering fewer than 8 bytes", "1234567", 0, false, 0, 7},
      {"deciphering nothing", "", 0, false, 0, 0},
      {"a final count above 7", damaged, 0, false, 16, 24},
      {"deciphering from a later position runs short in the final block", cipher, 1, false, 16, 24},
  };
  for (const auto& c : cases) {
    auto in = StreamOf(c.input, c.start);
    auto out = StreamOf("");
    try {
      BlowfishCryptStream(*in, *out, key, c.encrypt);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.Message(), "Invalid file format") << c.name;
    }
    EXPECT_EQ(out->Size(), int64_t(c.written)) << c.name;
    EXPECT_EQ(in->Position(), c.readTo) << c.name;
  }
}

TEST(CkProc, DecipheringNeverReadsPastTheLastWholeBlock) {
  const TCipherKey key = TestKey();
  auto cipher = StreamOf("");
  auto plain = StreamOf(std::string(13, 'q'));
  BlowfishCryptStream(*plain, *cipher, key, true);
  const std::string text = Content(*cipher) + "tail";  // 16 bytes, then 4 that are no block
  auto input = StreamOf(text);
  auto out = StreamOf("");
  BlowfishCryptStream(*input, *out, key, false);
  EXPECT_EQ(Content(*out), std::string(13, 'q'));
  EXPECT_EQ(input->Position(), 16);
}

}  // namespace
