#include "platform/runtime/Collation.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/runtime/Cp1250.h"

namespace {

// The accented upper-case letters of the code page, after their base letter, in collation order.
struct LetterFamily {
  char base;
  const char* variants;
};
constexpr LetterFamily kFamilies[] = {
    {'A', "\xC1\xC2\xC3\xC4\xA5"},  // Á Â Ă Ä Ą
    {'C', "\xC7\xC6\xC8"},          // Ç Ć Č
    {'D', "\xCF\xD0"},              // Ď Đ
    {'E', "\xC9\xCB\xCA\xCC"},      // É Ë Ę Ě
    {'I', "\xCD\xCE"},              // Í Î
    {'L', "\xC5\xBC\xA3"},          // Ĺ Ľ Ł
    {'N', "\xD1\xD2"},              // Ń Ň
    {'O', "\xD3\xD6\xD5\xD4"},      // Ó Ö Ő Ô
    {'R', "\xC0\xD8"},              // Ŕ Ř
    {'S', "\x8C\xAA\x8A\xDF"},      // Ś Ş Š ß
    {'T', "\xDE\x8D"},              // Ţ Ť
    {'U', "\xDA\xDC\xDB\xD9"},      // Ú Ü Ű Ů
    {'Y', "\xDD"},                  // Ý
    {'Z', "\x8F\xAF\x8E"},          // Ź Ż Ž
};

constexpr uint16_t kDigitBase = 0x100;
constexpr uint16_t kLetterBase = 0x200;

// Case-insensitive weight of every byte: distinct for bytes that differ after case folding.
constexpr std::array<uint16_t, 256> MakeWeights() {
  std::array<uint16_t, 256> w{};
  for (int b = 0; b < 256; ++b) w[b] = uint16_t(b);
  for (int d = 0; d < 10; ++d) w['0' + d] = uint16_t(kDigitBase + d);
  for (int l = 0; l < 26; ++l) w['A' + l] = uint16_t(kLetterBase + l * 16);
  for (const auto& f : kFamilies)
    for (int v = 0; f.variants[v]; ++v)
      w[static_cast<unsigned char>(f.variants[v])] = uint16_t(kLetterBase + (f.base - 'A') * 16 + v + 1);
  std::array<uint16_t, 256> folded{};
  for (int b = 0; b < 256; ++b) folded[b] = w[cp1250::ToUpperByte(static_cast<unsigned char>(b))];
  return folded;
}

constexpr std::array<uint16_t, 256> kWeight = MakeWeights();

constexpr std::array<unsigned char, 256> MakeAsciiFold() {
  std::array<unsigned char, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = (b >= 'a' && b <= 'z') ? b - 0x20 : b;
  return t;
}

constexpr std::array<unsigned char, 256> kAsciiFold = MakeAsciiFold();

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareLengths(std::size_t a, std::size_t b) { return a < b ? -1 : a > b ? 1 : 0; }

template <class Key>
int CompareBy(std::string_view a, std::string_view b, const Key& key) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    int ka = key(static_cast<unsigned char>(a[i]));
    int kb = key(static_cast<unsigned char>(b[i]));
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  return CompareLengths(a.size(), b.size());
}

bool IsLower(unsigned char c) { return cp1250::ToUpperByte(c) != c; }

}  // namespace

int CompareStr(std::string_view a, std::string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  return c ? Sign(c) : CompareLengths(a.size(), b.size());
}

int CompareText(std::string_view a, std::string_view b) {
  return CompareBy(a, b, [](unsigned char c) { return kAsciiFold[c]; });
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  return CompareBy(a, b, [](unsigned char c) { return kWeight[c]; });
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  int c = AnsiCompareText(a, b);
  if (c != 0) return c;
  // Same length, same letters: the first difference is one of case.
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca == cb) continue;
    bool la = IsLower(ca), lb = IsLower(cb);
    if (la != lb) return la ? -1 : 1;
    return ca < cb ? -1 : 1;
  }
  return 0;
}

bool AnsiSameText(std::string_view a, std::string_view b) { return a.size() == b.size() && AnsiCompareText(a, b) == 0; }
