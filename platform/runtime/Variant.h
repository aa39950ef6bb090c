// Variants of the component library: one value of a kind below, copied as a value (arrays too).
// Conversions that cannot be made raise EVariantError "Invalid variant type conversion".
#pragma once
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/DateTime.h"

// Kinds, valued as the component library's variant type codes.
using TVarType = uint16_t;
constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varString = 0x0100;  // a CP1250 string
constexpr TVarType varArray = 0x2000;   // with varVariant: an array of variants
constexpr TVarType varTypeMask = 0x0FFF;

class Variant {
 public:
  // Empty (Unassigned).
  Variant() = default;
  // Integers take the kind of their width and signedness (int: varInteger, uint8_t: varByte, ...);
  // 64-bit unsigned values become varInt64. A char is a one-character string.
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) Variant(T value)
      : type_(KindOf<T>()), int_(static_cast<int64_t>(value)) {}
  Variant(bool value) : type_(varBoolean), int_(value) {}
  Variant(char value) : type_(varString), string_(1, value) {}
  Variant(double value) : type_(varDouble), double_(value) {}
  Variant(float value) : type_(varSingle), double_(value) {}
  Variant(const char* value) : type_(varString), string_(value ? value : "") {}
  Variant(std::string_view value) : type_(varString), string_(value) {}
  Variant(std::string value) : type_(varString), string_(std::move(value)) {}

  TVarType Type() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsArray() const { return (type_ & varArray) != 0; }

  // Conversions. Empty converts to 0, false and the empty string; Null and arrays convert to nothing.
  // Numbers: integers are range-checked, floating-point values rounded to the nearest integer (halves
  // to even); true is -1. Strings: integer text (decimal or "$" hex), floating-point text with the
  // locale's decimal separator, and for booleans "true" or "false" in any case or a number; blanks
  // around are ignored. Text as numbers: IntToStr, FloatToStr, DateTimeToStr, "True" and "False".
  // Strings do not convert to dates.
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  std::string AsString() const;
  TDateTime AsDateTime() const;

  // The elements of an array (0-based; EVariantError "Variant or safe array index out of bounds"
  // outside, "Invalid variant operation" on a value that is no array).
  int ElementCount() const;
  const Variant& operator[](int index) const;
  Variant& operator[](int index);

  // Equality of values, as VarCompareValue answers it (may raise, as it does).
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  friend Variant Null();
  friend Variant VarFromDateTime(TDateTime value);
  friend Variant VarArrayOf(std::vector<Variant> values);
  friend Variant VarAsType(const Variant& value, TVarType type);

  template <class T>
  static constexpr TVarType KindOf() {
    if constexpr (sizeof(T) == 1)
      return std::signed_integral<T> ? varShortInt : varByte;
    else if constexpr (sizeof(T) == 2)
      return std::signed_integral<T> ? varSmallint : varWord;
    else if constexpr (sizeof(T) == 4)
      return std::signed_integral<T> ? varInteger : varLongWord;
    else
      return varInt64;
  }
  bool IsIntegral() const;  // the integer kinds and booleans
  bool IsFloat() const;     // single, double and date
  void CheckArray(int index) const;

  TVarType type_ = varEmpty;
  int64_t int_ = 0;
  double double_ = 0;
  std::string string_;
  std::vector<Variant> elements_;
};

// The values of no kind, and of a date-time.
inline Variant Unassigned() { return Variant(); }
Variant Null();
Variant VarFromDateTime(TDateTime value);

// An array of variants (varArray | varVariant) with bounds 0 .. count - 1.
Variant VarArrayOf(std::vector<Variant> values);
int VarArrayLowBound(const Variant& value, int dimension);
int VarArrayHighBound(const Variant& value, int dimension);

inline TVarType VarType(const Variant& value) { return value.Type(); }
inline bool VarIsEmpty(const Variant& value) { return value.IsEmpty(); }
inline bool VarIsNull(const Variant& value) { return value.IsNull(); }
inline bool VarIsArray(const Variant& value) { return value.IsArray(); }
inline bool VarIsStr(const Variant& value) { return value.Type() == varString; }
// The value as text; Null and Empty give the empty string.
std::string VarToStr(const Variant& value);
// The value converted to another kind (the kinds above without varArray).
Variant VarAsType(const Variant& value, TVarType type);

// Comparing two values: Null equals only Null and is otherwise not equal (no order); Empty equals Empty
// and otherwise compares as 0 or the empty string; strings compare by bytes; a string and a number
// compare as numbers (the string converted, which may raise); booleans order false before true. Arrays
// raise EVariantError "Invalid variant operation".
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
