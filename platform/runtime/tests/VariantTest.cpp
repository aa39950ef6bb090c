#include "platform/runtime/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Locale.h"

namespace {

// The result of a conversion, or nullopt when it raises EVariantError.
template <class T>
std::optional<T> Try(const std::function<T()>& f) {
  try {
    return f();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Invalid variant type conversion");
    return std::nullopt;
  }
}

TEST(Variant, KindsFollowTheValues) {
  struct {
    Variant v;
    TVarType type;
  } cases[] = {
      {Variant(), varEmpty},
      {Unassigned(), varEmpty},
      {Null(), varNull},
      {Variant(int8_t(-1)), varShortInt},
      {Variant(uint8_t(1)), varByte},
      {Variant(int16_t(1)), varSmallint},
      {Variant(uint16_t(1)), varWord},
      {Variant(1), varInteger},
      {Variant(1u), varLongWord},
      {Variant(int64_t(1)), varInt64},
      {Variant(1LL), varInt64},
      {Variant(size_t(1)), varInt64},
      {Variant(true), varBoolean},
      {Variant('c'), varString},
      {Variant(1.5), varDouble},
      {Variant(1.5f), varSingle},
      {Variant("text"), varString},
      {Variant(std::string("text")), varString},
      {Variant(std::string_view("text")), varString},
      {VarFromDateTime(1.5), varDate},
      {VarArrayOf({1, 2}), varArray | varVariant},
  };
  for (const auto& c : cases) EXPECT_EQ(VarType(c.v), c.type) << std::hex << c.type;
  EXPECT_TRUE(VarIsEmpty(Variant()));
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_FALSE(VarIsNull(Variant()));
  EXPECT_TRUE(VarIsStr(Variant("")));
  EXPECT_TRUE(VarIsArray(VarArrayOf({})));
  EXPECT_FALSE(VarIsArray(Variant(1)));
}

TEST(Variant, Conversions) {
  ResetFormatSettings();
  using I = std::optional<int32_t>;
  using D = std::optional<double>;
  using B = std::optional<bool>;
  using S = std::optional<std::string>;
  const auto no = std::nullopt;
  const TDateTime date = EncodeDateTime(2005, 3, 7, 14, 30, 15, 0);
  struct {
    const char* what;
    Variant v;
    I asInteger;
    D asDouble;
    B asBoolean;
    S asString;
  } cases[] = {
      {"empty", Variant(), 0, 0.0, false, ""},
      {"null", Null(), no, no, no, no},
      {"42", Variant(42), 42, 42.0, true, "42"},
      {"0", Variant(0), 0, 0.0, false, "0"},
      {"-7", Variant(-7), -7, -7.0, true, "-7"},
      {"int64 beyond 32 bits", Variant(int64_t(5000000000)), no, 5e9, true, "5000000000"},
      {"longword beyond int", Variant(4000000000u), no, 4e9, true, "4000000000"},
      {"byte", Variant(uint8_t(255)), 255, 255.0, true, "255"},
      {"smallint", Variant(int16_t(-300)), -300, -300.0, true, "-300"},
      {"true", Variant(true), -1, -1.0, true, "True"},
      {"false", Variant(false), 0, 0.0, false, "False"},
      {"2.5 rounds to even", Variant(2.5), 2, 2.5, true, "2,5"},
      {"3.5 rounds to even", Variant(3.5), 4, 3.5, true, "3,5"},
      {"-2.5", Variant(-2.5), -2, -2.5, true, "-2,5"},
      {"0.0", Variant(0.0), 0, 0.0, false, "0"},
      {"huge double", Variant(1e300), no, 1e300, true, "1E300"},
      {"2^31 as double", Variant(2147483648.0), no, 2147483648.0, true, "2147483648"},
      {"single", Variant(0.5f), 0, 0.5, true, "0,5"},
      {"date", VarFromDateTime(date), 38419, date, true, "2005.03.07. 14:30:15"},
      {"'42'", Variant("42"), 42, 42.0, true, "42"},
      {"' 16 '", Variant(" 16 "), 16, 16.0, true, " 16 "},
      {"'$1F'", Variant("$1F"), 31, 31.0, true, "$1F"},
      {"'1,5'", Variant("1,5"), 2, 1.5, true, "1,5"},
      {"'2,5'", Variant("2,5"), 2, 2.5, true, "2,5"},
      {"'0'", Variant("0"), 0, 0.0, false, "0"},
      {"'-1E3'", Variant("-1E3"), -1000, -1000.0, true, "-1E3"},
      {"'TRUE'", Variant("TRUE"), no, no, true, "TRUE"},
      {"'False'", Variant("False"), no, no, false, "False"},
      {"'abc'", Variant("abc"), no, no, no, "abc"},
      {"''", Variant(""), no, no, no, ""},
      {"'1.5' (not the locale's separator)", Variant("1.5"), no, no, no, "1.5"},
      {"'3000000000'", Variant("3000000000"), no, 3e9, true, "3000000000"},
      {"'12abc'", Variant("12abc"), no, no, no, "12abc"},
      {"char", Variant('7'), 7, 7.0, true, "7"},
      {"array", VarArrayOf({1}), no, no, no, no},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Try<int32_t>([&] { return c.v.AsInteger(); }), c.asInteger) << c.what;
    EXPECT_EQ(Try<double>([&] { return c.v.AsDouble(); }), c.asDouble) << c.what;
    EXPECT_EQ(Try<bool>([&] { return c.v.AsBoolean(); }), c.asBoolean) << c.what;
    EXPECT_EQ(Try<std::string>([&] { return c.v.AsString(); }), c.asString) << c.what;
    if (c.asInteger) {
      EXPECT_EQ(c.v.AsInt64(), *c.asInteger) << c.what;
    }
  }
  EXPECT_EQ(Variant(int64_t(5000000000)).AsInt64(), 5000000000);
  EXPECT_EQ(Variant("-9223372036854775808").AsInt64(), INT64_MIN);
  EXPECT_EQ(Try<int64_t>([] { return Variant(1e19).AsInt64(); }), std::nullopt);
  // VarToStr gives Null as the empty string; strings do not convert to dates
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStr(Variant()), "");
  EXPECT_EQ(VarToStr(Variant("Árvíz"_cp)), "Árvíz"_cp);
  EXPECT_EQ(VarFromDateTime(date).AsDateTime(), date);
  EXPECT_EQ(Variant(3).AsDateTime(), 3.0);
  EXPECT_EQ(Try<double>([] { return Variant("2005.03.07.").AsDateTime(); }), std::nullopt);
  // the text of numbers follows the locale
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(Variant(2.5).AsString(), "2.5");
  EXPECT_EQ(Variant("2.5").AsDouble(), 2.5);
  ResetFormatSettings();
}

TEST(Variant, ChangingKinds) {
  struct {
    const char* what;
    std::function<Variant()> change;
    std::optional<TVarType> type;  // nullopt: raises
    const char* text;
  } cases[] = {
      {"string to integer", [] { return VarAsType(Variant("12"), varInteger); }, varInteger, "12"},
      {"double to smallint", [] { return VarAsType(Variant(-3.5), varSmallint); }, varSmallint, "-4"},
      {"255 to byte", [] { return VarAsType(Variant(255), varByte); }, varByte, "255"},
      {"256 to byte", [] { return VarAsType(Variant(256), varByte); }, std::nullopt, ""},
      {"-1 to word", [] { return VarAsType(Variant(-1), varWord); }, std::nullopt, ""},
      {"-1 to longword", [] { return VarAsType(Variant(-1), varLongWord); }, std::nullopt, ""},
      {"-129 to shortint", [] { return VarAsType(Variant(-129), varShortInt); }, std::nullopt, ""},
      {"double to string", [] { return VarAsType(Variant(1.5), varString); }, varString, "1,5"},
      {"integer to date", [] { return VarAsType(Variant(1), varDate); }, varDate, "1899.12.31."},
      {"string to date", [] { return VarAsType(Variant("x"), varDate); }, std::nullopt, ""},
      {"'false' to boolean", [] { return VarAsType(Variant("false"), varBoolean); }, varBoolean, "False"},
      {"null to integer", [] { return VarAsType(Null(), varInteger); }, std::nullopt, ""},
      {"anything to null", [] { return VarAsType(Variant(5), varNull); }, varNull, ""},
      {"anything to empty", [] { return VarAsType(Variant("5"), varEmpty); }, varEmpty, ""},
      {"array to string", [] { return VarAsType(VarArrayOf({}), varString); }, std::nullopt, ""},
      {"to an unknown kind", [] { return VarAsType(Variant(1), 0x0999); }, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    std::optional<Variant> v = Try<Variant>(c.change);
    ASSERT_EQ(v.has_value(), c.type.has_value()) << c.what;
    if (v) {
      EXPECT_EQ(VarType(*v), *c.type) << c.what;
      EXPECT_EQ(VarToStr(*v), c.text) << c.what;
    }
  }
}

TEST(Variant, Comparisons) {
  const double nan = std::nan("");
  const int raises = -1;
  struct {
    const char* what;
    Variant a, b;
    int relation;  // a TVariantRelationship, or raises
  } cases[] = {
      {"null, null", Null(), Null(), vrEqual},
      {"null, 0", Null(), Variant(0), vrNotEqual},
      {"0, null", Variant(0), Null(), vrNotEqual},
      {"null, ''", Null(), Variant(""), vrNotEqual},
      {"null, empty", Null(), Variant(), vrNotEqual},
      {"empty, empty", Variant(), Variant(), vrEqual},
      {"empty, 0", Variant(), Variant(0), vrEqual},
      {"empty, ''", Variant(), Variant(""), vrEqual},
      {"empty, 'a'", Variant(), Variant("a"), vrLessThan},
      {"'a', empty", Variant("a"), Variant(), vrGreaterThan},
      {"empty, 5", Variant(), Variant(5), vrLessThan},
      {"1, 1.0", Variant(1), Variant(1.0), vrEqual},
      {"smallint 1, int64 1", Variant(int16_t(1)), Variant(int64_t(1)), vrEqual},
      {"1, 2", Variant(1), Variant(2), vrLessThan},
      {"2^53+1, 2^53 (exact)", Variant(int64_t(9007199254740993)), Variant(int64_t(9007199254740992)), vrGreaterThan},
      {"longword, -1", Variant(4294967295u), Variant(-1), vrGreaterThan},
      {"2.0, 2.5", Variant(2.0), Variant(2.5), vrLessThan},
      {"nan, nan", Variant(nan), Variant(nan), vrNotEqual},
      {"date, double", VarFromDateTime(1.5), Variant(1.5), vrEqual},
      {"'abc', 'abc'", Variant("abc"), Variant("abc"), vrEqual},
      {"'abc', 'abd'", Variant("abc"), Variant("abd"), vrLessThan},
      {"'a', 'A' (case counts)", Variant("a"), Variant("A"), vrGreaterThan},
      {"'ab', 'a'", Variant("ab"), Variant("a"), vrGreaterThan},
      {"high bytes order above ASCII", Variant("Á"_cp), Variant("B"), vrGreaterThan},
      {"'10', 10", Variant("10"), Variant(10), vrEqual},
      {"10, '9'", Variant(10), Variant("9"), vrGreaterThan},
      {"' 10 ', 10", Variant(" 10 "), Variant(10), vrEqual},
      {"'1,5', 1.5", Variant("1,5"), Variant(1.5), vrEqual},
      {"'1', 0 (a number flag)", Variant("1"), Variant(0), vrGreaterThan},
      {"'x', 1", Variant("x"), Variant(1), raises},
      {"true, -1", Variant(true), Variant(-1), vrEqual},
      {"true, 1", Variant(true), Variant(1), vrLessThan},
      {"false, true", Variant(false), Variant(true), vrLessThan},
      {"'true', true", Variant("true"), Variant(true), vrEqual},
      {"false, '0'", Variant(false), Variant("0"), vrEqual},
      {"true, 'maybe'", Variant(true), Variant("maybe"), raises},
      {"array, 1", VarArrayOf({1}), Variant(1), raises},
      {"array, array", VarArrayOf({1}), VarArrayOf({1}), raises},
  };
  for (const auto& c : cases) {
    try {
      const TVariantRelationship r = VarCompareValue(c.a, c.b);
      EXPECT_EQ(int(r), c.relation) << c.what;
      EXPECT_EQ(c.a == c.b, r == vrEqual) << c.what;
      EXPECT_EQ(c.a != c.b, r != vrEqual) << c.what;
    } catch (const EVariantError& e) {
      EXPECT_EQ(c.relation, raises) << c.what << ": " << e.Message();
    }
  }
  try {
    VarCompareValue(VarArrayOf({}), Variant());
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Invalid variant operation");
  }
}

TEST(Variant, ArraysAreValues) {
  Variant key = VarArrayOf({"Budapest", 1, Null()});
  EXPECT_EQ(key.ElementCount(), 3);
  EXPECT_EQ(VarArrayLowBound(key, 1), 0);
  EXPECT_EQ(VarArrayHighBound(key, 1), 2);
  EXPECT_EQ(VarType(key[0]), varString);
  EXPECT_TRUE(VarIsNull(key[2]));
  // a multi-field key compared element by element with field values of other kinds
  const Variant fields[] = {Variant(std::string("Budapest")), Variant(int16_t(1))};
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(fields[i] == key[i]) << i;

  // copies share nothing
  Variant copy = key;
  copy[0] = Variant("Szeged");
  copy[1] = VarArrayOf({2, 3});
  EXPECT_EQ(key[0].AsString(), "Budapest");
  EXPECT_EQ(key[1].AsInteger(), 1);
  EXPECT_EQ(copy[1][1].AsInteger(), 3);
  Variant moved = std::move(copy);
  EXPECT_EQ(moved[0].AsString(), "Szeged");

  struct {
    const char* what;
    std::function<void()> call;
    const char* message;
  } errors[] = {
      {"index -1", [&] { key[-1]; }, "Variant or safe array index out of bounds"},
      {"index 3", [&] { key[3]; }, "Variant or safe array index out of bounds"},
      {"dimension 2", [&] { VarArrayHighBound(key, 2); }, "Variant or safe array index out of bounds"},
      {"element of a number", [] { Variant(1)[0]; }, "Invalid variant operation"},
      {"bounds of a string", [] { VarArrayLowBound(Variant("a"), 1); }, "Invalid variant operation"},
      {"count of null", [] { Null().ElementCount(); }, "Invalid variant operation"},
  };
  for (const auto& e : errors) {
    try {
      e.call();
      ADD_FAILURE() << e.what << " did not raise";
    } catch (const EVariantError& error) {
      EXPECT_EQ(error.Message(), e.message) << e.what;
      EXPECT_EQ(error.ClassName(), "EVariantError");
    }
  }
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
}

}  // namespace
