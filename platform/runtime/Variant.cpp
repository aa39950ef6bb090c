#include "platform/runtime/Variant.h"

#include <cmath>
#include <limits>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/SysUtils.h"

namespace {

[[noreturn]] void InvalidCast() { throw EVariantError("Invalid variant type conversion"); }
[[noreturn]] void InvalidOperation() { throw EVariantError("Invalid variant operation"); }

// A floating-point value as a whole number, halves to even; out of the 64-bit range is no number.
int64_t RoundToInt64(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) InvalidCast();
  return static_cast<int64_t>(rounded);
}

int64_t StringToInt64(const std::string& text) {
  const std::string trimmed = Trim(text);
  int64_t value;
  if (TryStrToInt64(trimmed, value)) return value;
  double number;
  if (TryStrToFloat(trimmed, number)) return RoundToInt64(number);
  InvalidCast();
}

double StringToDouble(const std::string& text) {
  const std::string trimmed = Trim(text);
  double number;
  if (TryStrToFloat(trimmed, number)) return number;
  int64_t value;
  if (TryStrToInt64(trimmed, value)) return double(value);
  InvalidCast();
}

bool StringToBoolean(const std::string& text) {
  const std::string trimmed = Trim(text);
  const std::string folded = cp1250::AsciiLower(trimmed);
  if (folded == "true") return true;
  if (folded == "false") return false;
  return StringToDouble(trimmed) != 0;
}

template <class T>
T InRange(int64_t value) {
  if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) InvalidCast();
  return static_cast<T>(value);
}

template <class T>
int Sign(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

TVariantRelationship Relation(int sign) { return sign < 0 ? vrLessThan : sign > 0 ? vrGreaterThan : vrEqual; }

}  // namespace

bool Variant::IsIntegral() const {
  switch (type_) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varBoolean: return true;
    default: return false;
  }
}

bool Variant::IsFloat() const { return type_ == varSingle || type_ == varDouble || type_ == varDate; }

int64_t Variant::AsInt64() const {
  if (type_ == varEmpty) return 0;
  if (type_ == varBoolean) return int_ ? -1 : 0;
  if (IsIntegral()) return int_;
  if (IsFloat()) return RoundToInt64(double_);
  if (type_ == varString) return StringToInt64(string_);
  InvalidCast();
}

int32_t Variant::AsInteger() const { return InRange<int32_t>(AsInt64()); }

double Variant::AsDouble() const {
  if (type_ == varEmpty) return 0;
  if (type_ == varBoolean) return int_ ? -1 : 0;
  if (IsIntegral()) return double(int_);
  if (IsFloat()) return double_;
  if (type_ == varString) return StringToDouble(string_);
  InvalidCast();
}

bool Variant::AsBoolean() const {
  if (type_ == varEmpty) return false;
  if (IsIntegral()) return int_ != 0;
  if (IsFloat()) return double_ != 0;
  if (type_ == varString) return StringToBoolean(string_);
  InvalidCast();
}

std::string Variant::AsString() const {
  switch (type_) {
    case varEmpty: return "";
    case varBoolean: return int_ ? "True" : "False";
    case varString: return string_;
    case varDate: return DateTimeToStr(double_);
    case varSingle:
    case varDouble: return FloatToStr(double_);
    default:
      if (IsIntegral()) return IntToStr(int_);
      InvalidCast();
  }
}

TDateTime Variant::AsDateTime() const {
  if (type_ == varString) InvalidCast();
  return AsDouble();
}

void Variant::CheckArray(int index) const {
  if (!IsArray()) InvalidOperation();
  if (index < 0 || index >= int(elements_.size())) throw EVariantError("Variant or safe array index out of bounds");
}

int Variant::ElementCount() const {
  if (!IsArray()) InvalidOperation();
  return int(elements_.size());
}

const Variant& Variant::operator[](int index) const {
  CheckArray(index);
  return elements_[index];
}

Variant& Variant::operator[](int index) {
  CheckArray(index);
  return elements_[index];
}

Variant Null() {
  Variant v;
  v.type_ = varNull;
  return v;
}

Variant VarFromDateTime(TDateTime value) {
  Variant v(value);
  v.type_ = varDate;
  return v;
}

Variant VarArrayOf(std::vector<Variant> values) {
  Variant v;
  v.type_ = varArray | varVariant;
  v.elements_ = std::move(values);
  return v;
}

int VarArrayLowBound(const Variant& value, int dimension) {
  if (!value.IsArray()) InvalidOperation();
  if (dimension != 1) throw EVariantError("Variant or safe array index out of bounds");
  return 0;
}

int VarArrayHighBound(const Variant& value, int dimension) {
  VarArrayLowBound(value, dimension);
  return value.ElementCount() - 1;
}

std::string VarToStr(const Variant& value) { return value.IsNull() ? std::string() : value.AsString(); }

Variant VarAsType(const Variant& value, TVarType type) {
  if (value.Type() == type && !value.IsArray()) return value;
  switch (type) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varShortInt: return Variant(InRange<int8_t>(value.AsInt64()));
    case varByte: return Variant(InRange<uint8_t>(value.AsInt64()));
    case varSmallint: return Variant(InRange<int16_t>(value.AsInt64()));
    case varWord: return Variant(InRange<uint16_t>(value.AsInt64()));
    case varInteger: return Variant(value.AsInteger());
    case varLongWord: return Variant(InRange<uint32_t>(value.AsInt64()));
    case varInt64: return Variant(value.AsInt64());
    case varSingle: return Variant(float(value.AsDouble()));
    case varDouble: return Variant(value.AsDouble());
    case varDate: return VarFromDateTime(value.AsDateTime());
    case varBoolean: return Variant(value.AsBoolean());
    case varString: return Variant(value.AsString());
    default: InvalidCast();
  }
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  if (a.IsArray() || b.IsArray()) InvalidOperation();
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull() ? vrEqual : vrNotEqual;
  if (a.IsEmpty() && b.IsEmpty()) return vrEqual;
  const TVarType ta = a.Type(), tb = b.Type();
  if (ta == varString && tb == varString) return Relation(a.AsString().compare(b.AsString()));
  // Empty takes the neutral value of the other side's kind.
  if (a.IsEmpty()) return tb == varString ? Relation(b.AsString().empty() ? 0 : -1) : VarCompareValue(Variant(0), b);
  if (b.IsEmpty()) return ta == varString ? Relation(a.AsString().empty() ? 0 : 1) : VarCompareValue(a, Variant(0));
  if (ta == varBoolean && (tb == varBoolean || tb == varString)) return Relation(Sign(a.AsBoolean(), b.AsBoolean()));
  if (tb == varBoolean && ta == varString) return Relation(Sign(a.AsBoolean(), b.AsBoolean()));
  // Numbers, or a number and a string: whole numbers exactly, others as floating point.
  const auto whole = [](TVarType t) { return t != varString && t != varSingle && t != varDouble && t != varDate; };
  if (whole(ta) && whole(tb)) return Relation(Sign(a.AsInt64(), b.AsInt64()));
  const double x = a.AsDouble(), y = b.AsDouble();
  if (std::isnan(x) || std::isnan(y)) return vrNotEqual;
  return Relation(Sign(x, y));
}

bool operator==(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }
