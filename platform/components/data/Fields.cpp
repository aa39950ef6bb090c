#include "platform/components/data/Fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/components/data/DataSet.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/SysUtils.h"

// ---- field definitions

TFieldDef::TFieldDef(TFieldDefs* collection, std::string name, TFieldType type, int size, bool required)
    : collection_(collection), name_(std::move(name)), dataType_(type), size_(size), required_(required) {}

TFieldDef::~TFieldDef() = default;

void TFieldDef::SetDataType(TFieldType type) {
  dataType_ = type;
  collection_->Changed();
}

void TFieldDef::SetSize(int size) {
  size_ = size;
  collection_->Changed();
}

TFieldDef* TFieldDef::ParentDef() const { return collection_->ParentDef(); }

std::string TFieldDef::FullName() const {
  const TFieldDef* parent = ParentDef();
  return parent ? parent->FullName() + "." + name_ : name_;
}

TFieldDefs& TFieldDef::ChildDefs() {
  if (!childDefs_) childDefs_ = std::make_unique<TFieldDefs>(collection_->DataSet(), this);
  return *childDefs_;
}

bool TFieldDef::HasChildDefs() const { return childDefs_ && childDefs_->Count() > 0; }

TField* TFieldDef::CreateField(TComponent* owner, TObjectField* parentField, const std::string& fieldName,
                               bool createChildren) {
  TDataSet* dataSet = parentField ? nullptr : collection_->DataSet();
  TField* field = CreateFieldOfType(owner, nullptr, fieldName.empty() ? name_ : fieldName, dataType_, size_);
  try {
    field->SetRequired(required_);
    if (parentField)
      field->SetParentField(parentField);
    else
      field->SetDataSet(dataSet);
    if (createChildren && childDefs_)
      if (auto* object = DynamicAs<TObjectField>(field))
        for (int i = 0; i < childDefs_->Count(); ++i) childDefs_->Items(i)->CreateField(owner, object);
  } catch (...) {
    field->Free();
    throw;
  }
  return field;
}

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
  if (IndexOf(name) >= 0) DatabaseErrorFmt(DBMessages::DuplicateFieldName, {name}, dataSet_);
  items_.push_back(std::make_unique<TFieldDef>(this, name, type, size, required));
  Changed();
  return items_.back().get();
}

TFieldDef* TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count()) RaiseListError("List index out of bounds (%d)", index);
  return items_[std::size_t(index)].get();
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(items_[std::size_t(i)]->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  int i = IndexOf(name);
  if (i < 0) DatabaseErrorFmt(DBMessages::FieldNotFound, {name}, dataSet_);
  return items_[std::size_t(i)].get();
}

void TFieldDefs::Clear() {
  items_.clear();
  Changed();
}

void TFieldDefs::Changed() {
  if (dataSet_) dataSet_->FieldDefsChanged();
}

// ---- fields

void TField::BeforeDestruction() {
  if (auto* object = DynamicAs<TObjectField>(this))
    while (!object->children_.empty()) object->children_.back()->Free();
  SetParentField(nullptr);
  if (dataSet_) {
    dataSet_->fields_.Remove(this);
    dataSet_ = nullptr;
  }
  inherited::BeforeDestruction();
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_ && !parentField_) return;
  if (dataSet_) dataSet_->CheckInactive();
  if (dataSet) {
    dataSet->CheckInactive();
    if (dataSet->FindField(FullName())) DatabaseErrorFmt(DBMessages::DuplicateFieldName, {DisplayName()}, dataSet);
  }
  SetParentField(nullptr);
  if (dataSet_) dataSet_->fields_.Remove(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->fields_.Add(this);
}

void TField::SetParentField(TObjectField* parent) {
  if (parent == parentField_) return;
  if (parentField_) {
    auto& siblings = parentField_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    if (dataSet_) dataSet_->FieldsChanged();
    parentField_ = nullptr;
    dataSet_ = nullptr;
  }
  if (!parent) return;
  if (dataSet_) {
    dataSet_->fields_.Remove(this);
    dataSet_ = nullptr;
  }
  parentField_ = parent;
  parent->children_.push_back(this);
  dataSet_ = parent->dataSet_;
  if (dataSet_) dataSet_->FieldsChanged();
}

void TField::SetFieldName(const std::string& name) {
  if (dataSet_) dataSet_->CheckInactive();
  fieldName_ = name;
  if (dataSet_) dataSet_->FieldsChanged();
}

std::string TField::FullName() const { return parentField_ ? parentField_->FullName() + "." + fieldName_ : fieldName_; }

std::string TField::DisplayName() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == fieldKind_) return;
  if (dataSet_) dataSet_->CheckInactive();
  if (kind != fkData && kind != fkInternalCalc && !CanBeCalculated())
    DatabaseErrorFmt(DBMessages::InvalidCalcType, {DisplayName()}, dataSet_);
  fieldKind_ = kind;
}

void TField::SetSize(int size) {
  if (dataSet_) dataSet_->CheckInactive();
  if (size < 0) DatabaseError(DBMessages::InvalidFieldSize, dataSet_);
  size_ = size;
}

int TField::Index() const { return dataSet_ && !parentField_ ? dataSet_->fields_.IndexOf(this) : -1; }

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::AccessError(const char* typeName) const {
  DatabaseErrorFmt(DBMessages::FieldAccessError, {DisplayName(), typeName}, dataSet_);
}

void TField::CheckDataSet() const {
  if (!dataSet_) DatabaseErrorFmt(DBMessages::DataSetMissing, {DisplayName()});
}

std::string TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const std::string&) { AccessError("String"); }
int32_t TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(int32_t) { AccessError("Integer"); }
int64_t TField::AsLargeInt() const { AccessError("Largeint"); }
void TField::SetAsLargeInt(int64_t) { AccessError("Largeint"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetAsVariant(const Variant&) { AccessError("Variant"); }

Variant TField::Value() const { return GetAsVariant(); }

void TField::SetValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty())
    Clear();
  else if (VarIsStr(value) && dataType_ != ftVariant)
    SetAsString(value.AsString());  // text goes through the field's own text rules
  else
    SetAsVariant(value);
}

bool TField::GetData(void* buffer) const {
  CheckDataSet();
  if (validating_) {
    bool present = validateBuffer_ != nullptr;
    if (present && buffer) {
      if (dataType_ == ftVariant)
        *static_cast<Variant*>(buffer) = *static_cast<const Variant*>(validateBuffer_);
      else
        std::memcpy(buffer, validateBuffer_, std::size_t(DataSize()));
    }
    return present;
  }
  return dataSet_->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
  CheckDataSet();
  dataSet_->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
  if (!OnValidate) return;
  validating_ = true;
  validateBuffer_ = buffer;
  try {
    OnValidate(this);
  } catch (...) {
    validating_ = false;
    validateBuffer_ = nullptr;
    throw;
  }
  validating_ = false;
  validateBuffer_ = nullptr;
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

// ---- helpers of the numeric fields

namespace {

[[noreturn]] void RangeError(const TField& field, const std::string& value, const std::string& low,
                             const std::string& high) {
  DatabaseErrorFmt(DBMessages::FieldRangeError, {value, field.DisplayName(), low, high}, field.DataSet());
}

int64_t RoundChecked(const TField& field, double value, int64_t low, int64_t high) {
  double rounded = std::nearbyint(value);
  if (!(rounded >= double(low) && rounded <= double(high)))
    RangeError(field, FloatToStr(value), IntToStr(low), IntToStr(high));
  return int64_t(rounded);
}

}  // namespace

// ---- strings

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  TField::SetSize(20);
}

std::string TStringField::AsString() const {
  std::string text(std::size_t(DataSize()), '\0');
  if (!GetData(text.data())) return {};
  text.resize(strnlen(text.data(), std::size_t(Size())));
  return text;
}

void TStringField::SetAsString(const std::string& value) {
  std::string buffer(std::size_t(DataSize()), '\0');
  std::memcpy(buffer.data(), value.data(), std::min(value.size(), std::size_t(Size())));
  SetData(buffer.data());
}

int32_t TStringField::AsInteger() const { return StrToInt(AsString()); }
int64_t TStringField::AsLargeInt() const { return StrToInt64(AsString()); }
double TStringField::AsFloat() const { return StrToFloat(AsString()); }
void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }

bool TStringField::AsBoolean() const {
  std::string text = AsString();
  return !text.empty() && std::strchr("TtYy", text[0]) != nullptr;
}

Variant TStringField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(AsString());
}

void TStringField::SetAsVariant(const Variant& value) { SetAsString(VarToStr(value)); }

std::string TStringField::IntToText(int64_t value) { return IntToStr(value); }

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
  SetDataType(ftGuid);
  TField::SetSize(38);
}

void TGuidField::SetSize(int size) {
  if (size != 38) DatabaseError(DBMessages::InvalidFieldSize, DataSet());
}

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) { SetDataType(ftWideString); }

std::string TWideStringField::AsString() const {
  std::u16string text(std::size_t(Size() + 1), u'\0');
  if (!GetData(text.data())) return {};
  std::size_t length = 0;
  while (length < std::size_t(Size()) && text[length] != 0) ++length;
  text.resize(length);
  return cp1250::FromUtf16(text);
}

void TWideStringField::SetAsString(const std::string& value) {
  std::u16string wide = cp1250::ToUtf16(value);
  std::u16string buffer(std::size_t(Size() + 1), u'\0');
  std::copy_n(wide.begin(), std::min(wide.size(), std::size_t(Size())), buffer.begin());
  SetData(buffer.data());
}

// ---- integers

TIntegerField::TIntegerField(TComponent* owner) : TField(owner) { SetDataType(ftInteger); }

int TIntegerField::DataSize() const { return DataType() == ftSmallint || DataType() == ftWord ? 2 : 4; }

bool TIntegerField::ReadValue(int32_t& value) const {
  if (DataType() == ftSmallint) {
    int16_t v = 0;
    if (!GetData(&v)) return false;
    value = v;
  } else if (DataType() == ftWord) {
    uint16_t v = 0;
    if (!GetData(&v)) return false;
    value = v;
  } else {
    return GetData(&value);
  }
  return true;
}

int32_t TIntegerField::AsInteger() const {
  int32_t value = 0;
  return ReadValue(value) ? value : 0;
}

std::string TIntegerField::AsString() const {
  int32_t value = 0;
  return ReadValue(value) ? IntToStr(value) : std::string();
}

void TIntegerField::SetAsString(const std::string& value) {
  if (value.empty()) return Clear();
  int64_t number = 0;
  if (!TryStrToInt64(value, number))
    DatabaseErrorFmt(DBMessages::InvalidIntegerValue, {value, DisplayName()}, DataSet());
  SetAsLargeInt(number);
}

void TIntegerField::SetAsLargeInt(int64_t value) {
  if (value < minValue_ || value > maxValue_)
    RangeError(*this, IntToStr(value), IntToStr(minValue_), IntToStr(maxValue_));
  if (DataType() == ftSmallint) {
    int16_t v = int16_t(value);
    SetData(&v);
  } else if (DataType() == ftWord) {
    uint16_t v = uint16_t(value);
    SetData(&v);
  } else {
    int32_t v = int32_t(value);
    SetData(&v);
  }
}

void TIntegerField::SetAsInteger(int32_t value) { SetAsLargeInt(value); }

void TIntegerField::SetAsFloat(double value) { SetAsLargeInt(RoundChecked(*this, value, minValue_, maxValue_)); }

Variant TIntegerField::GetAsVariant() const {
  int32_t value = 0;
  return ReadValue(value) ? Variant(value) : Null();
}

void TIntegerField::SetAsVariant(const Variant& value) { SetAsLargeInt(value.AsInt64()); }

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftSmallint);
  minValue_ = INT16_MIN;
  maxValue_ = INT16_MAX;
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftWord);
  minValue_ = 0;
  maxValue_ = UINT16_MAX;
}

TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftAutoInc); }

TLargeintField::TLargeintField(TComponent* owner) : TField(owner) { SetDataType(ftLargeint); }

int64_t TLargeintField::AsLargeInt() const {
  int64_t value = 0;
  return GetData(&value) ? value : 0;
}

int32_t TLargeintField::AsInteger() const {
  int64_t value = AsLargeInt();
  if (value < INT32_MIN || value > INT32_MAX)
    RangeError(*this, IntToStr(value), IntToStr(INT32_MIN), IntToStr(INT32_MAX));
  return int32_t(value);
}

std::string TLargeintField::AsString() const {
  int64_t value = 0;
  return GetData(&value) ? IntToStr(value) : std::string();
}

void TLargeintField::SetAsString(const std::string& value) {
  if (value.empty()) return Clear();
  int64_t number = 0;
  if (!TryStrToInt64(value, number))
    DatabaseErrorFmt(DBMessages::InvalidIntegerValue, {value, DisplayName()}, DataSet());
  SetAsLargeInt(number);
}

void TLargeintField::SetAsLargeInt(int64_t value) { SetData(&value); }

void TLargeintField::SetAsFloat(double value) {
  // The largest double below 2^63 bounds the range.
  SetAsLargeInt(RoundChecked(*this, value, INT64_MIN, 9223372036854774784LL));
}

Variant TLargeintField::GetAsVariant() const {
  int64_t value = 0;
  return GetData(&value) ? Variant(value) : Null();
}

void TLargeintField::SetAsVariant(const Variant& value) { SetAsLargeInt(value.AsInt64()); }

// ---- floating point

TFloatField::TFloatField(TComponent* owner) : TField(owner) { SetDataType(ftFloat); }

double TFloatField::AsFloat() const {
  double value = 0;
  return GetData(&value) ? value : 0;
}

int32_t TFloatField::AsInteger() const { return int32_t(RoundChecked(*this, AsFloat(), INT32_MIN, INT32_MAX)); }

std::string TFloatField::AsString() const {
  double value = 0;
  return GetData(&value) ? FloatToStr(value) : std::string();
}

void TFloatField::SetAsString(const std::string& value) {
  if (value.empty()) return Clear();
  double number = 0;
  if (!TryStrToFloat(value, number)) DatabaseErrorFmt(DBMessages::InvalidFloatValue, {value, DisplayName()}, DataSet());
  SetAsFloat(number);
}

void TFloatField::SetAsFloat(double value) { SetData(&value); }

Variant TFloatField::GetAsVariant() const {
  double value = 0;
  return GetData(&value) ? Variant(value) : Null();
}

void TFloatField::SetAsVariant(const Variant& value) { SetAsFloat(value.AsDouble()); }

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) { SetDataType(ftCurrency); }

// ---- packed decimals

namespace {

constexpr double kBcdLimit = 1e14;

int64_t Pow10(int places) {
  int64_t p = 1;
  while (places-- > 0) p *= 10;
  return p;
}

TBcd EncodeBcd(int64_t scaled, int places) {
  TBcd bcd{};
  bool negative = scaled < 0;
  uint64_t magnitude = negative ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < std::size_t(places + 1)) digits.insert(0, std::size_t(places + 1) - digits.size(), '0');
  bcd.Precision = uint8_t(digits.size());
  bcd.SignSpecialPlaces = uint8_t((negative ? 0x80 : 0) | places);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    uint8_t d = uint8_t(digits[i] - '0');
    bcd.Fraction[i / 2] |= uint8_t(i % 2 == 0 ? d << 4 : d);
  }
  return bcd;
}

double DecodeBcd(const TBcd& bcd) {
  int precision = std::min<int>(bcd.Precision, 64);
  int64_t value = 0;
  for (int i = 0; i < precision && i < 19; ++i) {
    uint8_t byte = bcd.Fraction[i / 2];
    value = value * 10 + std::min<int>(i % 2 == 0 ? byte >> 4 : byte & 0x0F, 9);
  }
  double result = double(value) / double(Pow10(bcd.SignSpecialPlaces & 0x3F));
  return bcd.SignSpecialPlaces & 0x80 ? -result : result;
}

}  // namespace

TBCDField::TBCDField(TComponent* owner) : TField(owner) {
  SetDataType(ftBCD);
  TField::SetSize(4);
}

double TBCDField::AsFloat() const {
  TBcd bcd{};
  return GetData(&bcd) ? DecodeBcd(bcd) : 0;
}

int32_t TBCDField::AsInteger() const { return int32_t(RoundChecked(*this, AsFloat(), INT32_MIN, INT32_MAX)); }

std::string TBCDField::AsString() const { return IsNull() ? std::string() : FloatToStr(AsFloat()); }

void TBCDField::SetAsString(const std::string& value) {
  if (value.empty()) return Clear();
  double number = 0;
  if (!TryStrToFloat(value, number)) DatabaseErrorFmt(DBMessages::InvalidFloatValue, {value, DisplayName()}, DataSet());
  SetAsFloat(number);
}

void TBCDField::SetAsFloat(double value) {
  int places = std::clamp(Size(), 0, 4);
  if (!(std::fabs(value) < kBcdLimit))
    RangeError(*this, FloatToStr(value), FloatToStr(-kBcdLimit), FloatToStr(kBcdLimit));
  TBcd bcd = EncodeBcd(int64_t(std::nearbyint(value * double(Pow10(places)))), places);
  SetData(&bcd);
}

Variant TBCDField::GetAsVariant() const { return IsNull() ? Null() : Variant(AsFloat()); }

void TBCDField::SetAsVariant(const Variant& value) { SetAsFloat(value.AsDouble()); }

// ---- booleans

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

bool TBooleanField::AsBoolean() const {
  uint16_t value = 0;
  return GetData(&value) && value != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
  uint16_t raw = value ? 1 : 0;
  SetData(&raw);
}

std::string TBooleanField::AsString() const {
  uint16_t value = 0;
  if (!GetData(&value)) return {};
  return value ? "True" : "False";
}

void TBooleanField::SetAsString(const std::string& value) {
  if (value.empty()) return Clear();
  auto prefixOf = [&](std::string_view word) {
    return value.size() <= word.size() && SameText(value, word.substr(0, value.size()));
  };
  if (prefixOf("True"))
    SetAsBoolean(true);
  else if (prefixOf("False"))
    SetAsBoolean(false);
  else
    DatabaseErrorFmt(DBMessages::InvalidBoolValue, {value, DisplayName()}, DataSet());
}

Variant TBooleanField::GetAsVariant() const {
  uint16_t value = 0;
  return GetData(&value) ? Variant(value != 0) : Null();
}

void TBooleanField::SetAsVariant(const Variant& value) { SetAsBoolean(value.AsBoolean()); }

// ---- date-times

namespace {

constexpr int64_t kDateDelta = 693594;  // days from 1 January 1 (day 1) to 30 December 1899

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }

int TDateTimeField::DataSize() const { return DataType() == ftDateTime ? 8 : 4; }

TDateTime TDateTimeField::AsDateTime() const {
  if (DataType() == ftDateTime) {
    double msecs = 0;
    if (!GetData(&msecs)) return 0;
    return MSecsToDateTime(std::llround(msecs) - kDateDelta * kMSecsPerDay);
  }
  int32_t raw = 0;
  if (!GetData(&raw)) return 0;
  if (DataType() == ftDate) return MSecsToDateTime((int64_t(raw) - kDateDelta) * kMSecsPerDay);
  return MSecsToDateTime(raw);
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
  int64_t msecs = DateTimeToMSecs(value);
  int64_t days = FloorDiv(msecs, kMSecsPerDay);
  int64_t time = msecs - days * kMSecsPerDay;
  if (DataType() == ftDateTime) {
    double raw = double(days + kDateDelta) * double(kMSecsPerDay) + double(time);
    SetData(&raw);
  } else {
    int32_t raw = DataType() == ftDate ? int32_t(days + kDateDelta) : int32_t(time);
    SetData(&raw);
  }
}

std::string TDateTimeField::AsString() const {
  if (IsNull()) return {};
  switch (DataType()) {
    case ftDate: return FormatDateTime("ddddd", AsDateTime());
    case ftTime: return FormatDateTime("tt", AsDateTime());
    default: return DateTimeToStr(AsDateTime());
  }
}

Variant TDateTimeField::GetAsVariant() const { return IsNull() ? Null() : VarFromDateTime(AsDateTime()); }

void TDateTimeField::SetAsVariant(const Variant& value) { SetAsDateTime(value.AsDateTime()); }

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }

// ---- bytes

TBytesField::TBytesField(TComponent* owner) : TField(owner) {
  SetDataType(ftBytes);
  TField::SetSize(16);
}

std::string TBytesField::AsString() const {
  std::string bytes(std::size_t(DataSize()), '\0');
  return GetData(bytes.data()) ? bytes : std::string();
}

void TBytesField::SetAsString(const std::string& value) {
  std::string bytes(std::size_t(DataSize()), '\0');
  std::memcpy(bytes.data(), value.data(), std::min(value.size(), bytes.size()));
  SetData(bytes.data());
}

Variant TBytesField::GetAsVariant() const { return IsNull() ? Null() : Variant(AsString()); }

void TBytesField::SetAsVariant(const Variant& value) { SetAsString(VarToStr(value)); }

TVarBytesField::TVarBytesField(TComponent* owner) : TBytesField(owner) { SetDataType(ftVarBytes); }

std::string TVarBytesField::AsString() const {
  std::string raw(std::size_t(DataSize()), '\0');
  if (!GetData(raw.data())) return {};
  uint16_t length = 0;
  std::memcpy(&length, raw.data(), 2);
  return raw.substr(2, std::min<std::size_t>(length, std::size_t(Size())));
}

void TVarBytesField::SetAsString(const std::string& value) {
  std::string raw(std::size_t(DataSize()), '\0');
  uint16_t length = uint16_t(std::min(value.size(), std::size_t(std::min(Size(), 65535))));
  std::memcpy(raw.data(), &length, 2);
  std::memcpy(raw.data() + 2, value.data(), length);
  SetData(raw.data());
}

// ---- variants

TVariantField::TVariantField(TComponent* owner) : TField(owner) { SetDataType(ftVariant); }

Variant TVariantField::GetAsVariant() const {
  Variant value;
  return GetData(&value) ? value : Null();
}

void TVariantField::SetAsVariant(const Variant& value) { SetData(&value); }

// ---- blobs

namespace {
struct StreamFree {
  void operator()(TStream* stream) const { stream->Free(); }
};
using BlobStream = std::unique_ptr<TStream, StreamFree>;
}  // namespace

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

void TBlobField::SetBlobType(TFieldType type) {
  if (!IsBlobType(type)) DatabaseErrorFmt(DBMessages::FieldAccessError, {DisplayName(), FieldTypeName(type)});
  SetDataType(type);
}

static BlobStream OpenBlob(const TBlobField& field, TBlobStreamMode mode) {
  if (!field.DataSet()) DatabaseErrorFmt(DBMessages::DataSetMissing, {field.DisplayName()});
  TStream* stream = field.DataSet()->CreateBlobStream(const_cast<TBlobField*>(&field), mode);
  if (!stream) DatabaseErrorFmt(DBMessages::FieldAccessError, {field.DisplayName(), "Blob"}, field.DataSet());
  return BlobStream(stream);
}

int64_t TBlobField::BlobSize() const { return OpenBlob(*this, bmRead)->Size(); }

bool TBlobField::IsNull() const { return BlobSize() == 0; }

std::string TBlobField::AsString() const {
  BlobStream stream = OpenBlob(*this, bmRead);
  std::string value(std::size_t(std::max<int64_t>(stream->Size(), 0)), '\0');
  value.resize(std::size_t(std::max<int64_t>(stream->Read(value.data(), int64_t(value.size())), 0)));
  return value;
}

void TBlobField::SetAsString(const std::string& value) {
  BlobStream stream = OpenBlob(*this, bmWrite);
  stream->WriteBuffer(value.data(), int64_t(value.size()));
}

void TBlobField::Clear() { OpenBlob(*this, bmWrite); }

void TBlobField::LoadFromStream(TStream& source) {
  BlobStream stream = OpenBlob(*this, bmWrite);
  stream->CopyFrom(source, 0);
}

void TBlobField::SaveToStream(TStream& target) const {
  BlobStream stream = OpenBlob(*this, bmRead);
  target.CopyFrom(*stream, 0);
}

Variant TBlobField::GetAsVariant() const {
  std::string value = AsString();
  return value.empty() ? Null() : Variant(value);
}

void TBlobField::SetAsVariant(const Variant& value) { SetAsString(VarToStr(value)); }

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) { SetDataType(ftGraphic); }

// ---- object fields

TField* TObjectField::Fields(int index) const {
  if (index < 0 || index >= FieldCount()) DatabaseError(DBMessages::FieldIndexError, DataSet());
  return children_[std::size_t(index)];
}

bool TObjectField::IsNull() const {
  return std::all_of(children_.begin(), children_.end(), [](const TField* f) { return f->IsNull(); });
}

TADTField::TADTField(TComponent* owner) : TObjectField(owner) { SetDataType(ftADT); }

// ---- the field list

TFields::~TFields() {
  dataSet_ = nullptr;
  Clear();
}

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count()) DatabaseError(DBMessages::FieldIndexError, dataSet_);
  return list_[std::size_t(index)];
}

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(list_.begin(), list_.end(), field);
  return it == list_.end() ? -1 : int(it - list_.begin());
}

TField* TFields::FindField(std::string_view name) const {
  for (TField* f : list_)
    if (AnsiSameText(f->FieldName(), name)) return f;
  return nullptr;
}

void TFields::Add(TField* field) {
  list_.push_back(field);
  if (dataSet_) dataSet_->FieldsChanged();
}

void TFields::Remove(TField* field) {
  auto it = std::find(list_.begin(), list_.end(), field);
  if (it == list_.end()) return;
  list_.erase(it);
  if (dataSet_) dataSet_->FieldsChanged();
}

void TFields::Clear() {
  while (!list_.empty()) {
    TField* field = list_.back();
    list_.pop_back();
    field->dataSet_ = nullptr;
    field->Free();
  }
  if (dataSet_) dataSet_->FieldsChanged();
}

// ---- the field class of a type

TField* CreateFieldOfType(TComponent* owner, TDataSet* dataSet, const std::string& name, TFieldType type, int size,
                          TFieldKind kind) {
  TField* field = nullptr;
  switch (type) {
    case ftString:
    case ftFixedChar: field = NewObject<TStringField>(owner); break;
    case ftWideString: field = NewObject<TWideStringField>(owner); break;
    case ftGuid: field = NewObject<TGuidField>(owner); break;
    case ftSmallint: field = NewObject<TSmallintField>(owner); break;
    case ftInteger: field = NewObject<TIntegerField>(owner); break;
    case ftWord: field = NewObject<TWordField>(owner); break;
    case ftAutoInc: field = NewObject<TAutoIncField>(owner); break;
    case ftLargeint: field = NewObject<TLargeintField>(owner); break;
    case ftFloat: field = NewObject<TFloatField>(owner); break;
    case ftCurrency: field = NewObject<TCurrencyField>(owner); break;
    case ftBCD: field = NewObject<TBCDField>(owner); break;
    case ftBoolean: field = NewObject<TBooleanField>(owner); break;
    case ftDate: field = NewObject<TDateField>(owner); break;
    case ftTime: field = NewObject<TTimeField>(owner); break;
    case ftDateTime: field = NewObject<TDateTimeField>(owner); break;
    case ftBytes: field = NewObject<TBytesField>(owner); break;
    case ftVarBytes: field = NewObject<TVarBytesField>(owner); break;
    case ftVariant: field = NewObject<TVariantField>(owner); break;
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob: field = NewObject<TMemoField>(owner); break;
    case ftGraphic: field = NewObject<TGraphicField>(owner); break;
    case ftBlob:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob: field = NewObject<TBlobField>(owner); break;
    case ftADT: field = NewObject<TADTField>(owner); break;
    default: field = NewObject<TField>(owner); break;
  }
  field->dataType_ = type;
  field->fieldName_ = name;
  try {
    bool sized = type == ftString || type == ftFixedChar || type == ftWideString || type == ftBytes ||
                 type == ftVarBytes || type == ftBCD || IsBlobType(type);
    if (sized && (size > 0 || type == ftBCD)) field->SetSize(size);
    field->SetFieldKind(kind);
    if (dataSet) field->SetDataSet(dataSet);
  } catch (...) {
    field->Free();
    throw;
  }
  return field;
}
