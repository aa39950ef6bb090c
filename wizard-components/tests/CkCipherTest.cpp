#include "wizard-components/CkCipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <memory>
#include <random>
#include <sstream>

#include "wizard-components/CkCipherTables.h"
#include "wizard-components/CkUtils.h"
#include "wizard-components/tests/CkTestSupport.h"

using ck_test::FromHex;
using ck_test::Hex;

namespace {

TCipherKey KeyOf(const std::string& bytes) {
  TCipherKey key{};
  std::memcpy(key.data(), bytes.data(), key.size());
  return key;
}

TEST(CkUtils, SignedMinAndMax) {
  struct Case {
    int32_t a, b, min, max;
  } cases[] = {{1, 2, 1, 2}, {2, 1, 1, 2}, {-5, 3, -5, 3}, {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX}, {7, 7, 7, 7}};
  for (const auto& c : cases) {
    EXPECT_EQ(IntMin(c.a, c.b), c.min) << c.a << " " << c.b;
    EXPECT_EQ(IntMax(c.a, c.b), c.max) << c.a << " " << c.b;
  }
}

TEST(CkTables, AreTheHexDigitsOfPi) {
  // The reference computes pi in integer arithmetic and prints the words in table order.
  std::vector<std::string> words = ck_test::Lines(ck_test::RunReference("for w in ckref.TABLE: print('%08x' % w)\n"));
  ASSERT_EQ(words.size(), 18u + 4 * 256);
  const uint32_t* boxes[4] = {ck_tables::kInitS0, ck_tables::kInitS1, ck_tables::kInitS2, ck_tables::kInitS3};
  for (int i = 0; i < 18 + 4 * 256; ++i) {
    uint32_t mine = i < 18 ? ck_tables::kInitP[i] : boxes[(i - 18) / 256][(i - 18) % 256];
    ASSERT_EQ(mine, std::stoul(words[i], nullptr, 16)) << "word " << i;
  }
  EXPECT_EQ(ck_tables::kInitP[0], 0x243F6A88u);
  EXPECT_EQ(ck_tables::kInitP[17], 0x8979FB1Bu);
  EXPECT_EQ(ck_tables::kInitS0[0], 0xD1310BA6u);
}

TEST(CkDigest, KnownVectors) {
  struct Case {
    const char* text;
    const char* digest;
  } cases[] = {
      {"abc", "2aa17baa76a4c4cd4b73a5f934b4cc1a"},
      {"", "0bd132aa831c56ac1f92e61084a342d2"},
  };
  for (const auto& c : cases) {
    uint8_t digest[16];
    DigestString(digest, 16, c.text);
    EXPECT_EQ(Hex(digest, 16), c.digest) << '"' << c.text << '"';
  }
}

TEST(CkDigest, EqualsReferenceOverLengthsAndSizes) {
  // Lengths around the 8-byte state mix (a full pad block when the length is a multiple of 8) and the
  // 256-byte buffer wrap; sizes below, at and above the 256 bytes a digest has.
  const size_t lengths[] = {0, 1, 7, 8, 9, 15, 16, 17, 63, 64, 255, 256, 257, 300, 511, 512, 1000};
  const int32_t sizes[] = {16, 1, 0, -3, 100, 256, 300};
  std::mt19937 rng(11);
  std::string input, expectedSizes;
  std::vector<std::string> texts;
  for (size_t length : lengths) texts.push_back(ck_test::RandomBytes(rng, length)), input += Hex(texts.back()) + "\n";
  std::vector<std::string> reference =
      ck_test::Lines(ck_test::RunReference("for line in sys.stdin:\n"
                                           "    data = bytes.fromhex(line.strip())\n"
                                           "    print(ckref.digest(data, 256).hex())\n",
                                           input));
  ASSERT_EQ(reference.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    for (int32_t size : sizes) {
      uint8_t digest[300 + 8];
      std::memset(digest, 0xEE, sizeof digest);
      DigestBuffer(digest, size, texts[i].data(), texts[i].size());
      const size_t written = size_t(std::clamp(size, 0, 256));
      EXPECT_EQ(Hex(digest, written), reference[i].substr(0, 2 * written))
          << "length " << lengths[i] << " size " << size;
      for (size_t k = written; k < sizeof digest; ++k) ASSERT_EQ(digest[k], 0xEE) << "wrote past " << written;
    }
  }
}

TEST(CkDigest, UpdatesInPiecesEqualOneUpdate) {
  std::mt19937 rng(5);
  const std::string data = ck_test::RandomBytes(rng, 700);
  uint8_t whole[256], pieces[256];
  DigestBuffer(whole, 256, data.data(), data.size());
  DigestContext context;
  DigestInit(context);
  for (size_t at = 0, step = 1; at < data.size(); at += step, step = step * 3 % 17 + 1)
    DigestUpdate(context, data.data() + at, std::min(step, data.size() - at));
  DigestFinal(context, pieces, 256);
  EXPECT_EQ(Hex(pieces, 256), Hex(whole, 256));
}

TEST(CkBlock128, RoundCountIsClampedAndKeysReverseForDeciphering) {
  const TCipherKey key = KeyOf("0123456789abcdef");
  struct Case {
    int32_t requested, used;
  } cases[] = {{2, 4}, {-1, 4}, {4, 4}, {8, 8}, {16, 16}, {20, 16}};
  for (const auto& c : cases) {
    Block128Context enc, dec;
    Block128InitKey(key, enc, c.requested, true);
    Block128InitKey(key, dec, c.requested, false);
    EXPECT_EQ(enc.Rounds, c.used) << c.requested;
    EXPECT_TRUE(enc.Encrypt);
    EXPECT_FALSE(dec.Encrypt);
    for (int i = 0; i < 16; ++i) {
      const int mirrored = i < c.used ? c.used - 1 - i : i;
      EXPECT_EQ(dec.Keys[i][0], enc.Keys[mirrored][0]) << c.requested << " pair " << i;
      EXPECT_EQ(dec.Keys[i][1], enc.Keys[mirrored][1]) << c.requested << " pair " << i;
    }
  }
}

TEST(CkBlock128, EqualsReferenceAndInverts) {
  std::mt19937 rng(3);
  const int32_t rounds[] = {2, 4, 8, 16, 20};
  std::string input;
  struct Item {
    std::string key, block;
    int32_t rounds;
  };
  std::vector<Item> items;
  for (int i = 0; i < 10; ++i)
    for (int32_t r : rounds) {
      items.push_back({ck_test::RandomBytes(rng, 16), ck_test::RandomBytes(rng, 16), r});
      input += Hex(items.back().key) + " " + Hex(items.back().block) + " " + std::to_string(r) + "\n";
    }
  std::vector<std::string> reference =
      ck_test::Lines(ck_test::RunReference("for line in sys.stdin:\n"
                                           "    key, block, rounds = line.split()\n"
                                           "    ctx = ckref.block128_init(bytes.fromhex(key), int(rounds), True)\n"
                                           "    print(ckref.block128_crypt(ctx, bytes.fromhex(block)).hex())\n",
                                           input));
  ASSERT_EQ(reference.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    Block128Context enc, dec;
    Block128InitKey(KeyOf(items[i].key), enc, items[i].rounds, true);
    Block128InitKey(KeyOf(items[i].key), dec, items[i].rounds, false);
    std::string block = items[i].block;
    Block128Crypt(enc, reinterpret_cast<uint8_t*>(block.data()));
    EXPECT_EQ(Hex(block), reference[i]) << "rounds " << items[i].rounds;
    Block128Crypt(dec, reinterpret_cast<uint8_t*>(block.data()));
    EXPECT_EQ(Hex(block), Hex(items[i].block)) << "rounds " << items[i].rounds;
  }
}

TEST(CkBlowfish, ScheduleAndBlockFunctionEqualReference) {
  std::mt19937 rng(8);
  std::vector<std::string> keys = {std::string(16, '\0'), "morvane cordaLIN", ck_test::RandomBytes(rng, 16)};
  std::vector<std::string> blocks;
  std::string input;
  for (const auto& key : keys) {
    blocks.push_back(ck_test::RandomBytes(rng, 8));
    input += Hex(key) + " " + Hex(blocks.back()) + "\n";
  }
  std::vector<std::string> reference = ck_test::Lines(ck_test::RunReference(
      "for line in sys.stdin:\n"
      "    key, block = (bytes.fromhex(x) for x in line.split())\n"
      "    p, s = ckref.blowfish_init(key)\n"
      "    print(''.join('%08x' % w for w in p + s[0] + s[1] + s[2] + s[3]))\n"
      "    print(ckref.blowfish_block((p, s), block, True).hex(), ckref.blowfish_block((p, s), block, False).hex())\n",
      input));
  ASSERT_EQ(reference.size(), 2 * keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    auto context = std::make_unique<BlowfishContext>();
    BlowfishInitKey(KeyOf(keys[i]), *context);
    std::ostringstream words;
    for (uint32_t w : context->P) words << std::hex << std::setw(8) << std::setfill('0') << w;
    for (const auto& box : context->S)
      for (uint32_t w : box) words << std::hex << std::setw(8) << std::setfill('0') << w;
    EXPECT_EQ(words.str(), reference[2 * i]) << "key " << i;

    std::string enc = blocks[i], dec = blocks[i];
    BlowfishCryptBlock(*context, reinterpret_cast<uint8_t*>(enc.data()), true);
    BlowfishCryptBlock(*context, reinterpret_cast<uint8_t*>(dec.data()), false);
    EXPECT_EQ(Hex(enc) + " " + Hex(dec), reference[2 * i + 1]) << "key " << i;
    BlowfishCryptBlock(*context, reinterpret_cast<uint8_t*>(enc.data()), false);
    EXPECT_EQ(enc, blocks[i]) << "deciphering restores the block";

    const ck_detail::BlowfishMasks fast = ck_detail::MasksForKey(KeyOf(keys[i])), full = ck_detail::MasksOf(*context);
    EXPECT_EQ(fast.X0, full.X0);
    EXPECT_EQ(fast.X1, full.X1);
  }
}

TEST(CkBlowfish, ParityMasksOfTheKeyEqualThoseOfTheFullSchedule) {
  std::mt19937 rng(21);
  auto context = std::make_unique<BlowfishContext>();
  for (int i = 0; i < 200; ++i) {
    const TCipherKey key = KeyOf(ck_test::RandomBytes(rng, 16));
    BlowfishInitKey(key, *context);
    const ck_detail::BlowfishMasks fast = ck_detail::MasksForKey(key), full = ck_detail::MasksOf(*context);
    ASSERT_EQ(fast.X0, full.X0) << i;
    ASSERT_EQ(fast.X1, full.X1) << i;
    std::string block = ck_test::RandomBytes(rng, 8), viaMasks = block;
    BlowfishCryptBlock(*context, reinterpret_cast<uint8_t*>(block.data()), true);
    uint32_t x0, x1;
    std::memcpy(&x0, viaMasks.data(), 4), std::memcpy(&x1, viaMasks.data() + 4, 4);
    x0 ^= fast.X0, x1 ^= fast.X1;
    std::memcpy(viaMasks.data(), &x0, 4), std::memcpy(viaMasks.data() + 4, &x1, 4);
    ASSERT_EQ(Hex(block), Hex(viaMasks)) << i;
  }
}

}  // namespace
