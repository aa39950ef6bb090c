// Fields and field definitions of the dataset framework. A field reads and writes its value through its
// dataset's GetFieldData / SetFieldData as raw bytes in the field's own layout (below, per class) and
// converts between that layout and strings, numbers, date-times and variants.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/components/data/DB.h"
#include "platform/runtime/Classes.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Variant.h"

class TDataSet;
class TField;
class TFieldDefs;
class TObjectField;
class TStream;

// ---- field definitions

// The description of one column: name, type, size, and child definitions for object types.
class TFieldDef : public TObject {
  VCL_CLASS(TFieldDef, TObject)
  TFieldDef(TFieldDefs* collection, std::string name, TFieldType type, int size, bool required);
  ~TFieldDef() override;

  const std::string& Name() const { return name_; }
  TFieldType DataType() const { return dataType_; }
  void SetDataType(TFieldType type);
  int Size() const { return size_; }
  void SetSize(int size);
  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }
  // 1-based position in the dataset's flattened definition list; 0 while not listed.
  int FieldNo() const { return fieldNo_; }
  // "Parent.Child" for child definitions.
  std::string FullName() const;
  TFieldDef* ParentDef() const;
  TFieldDefs& ChildDefs();
  bool HasChildDefs() const;
  TFieldDefs* Collection() const { return collection_; }

  // Creates a field of the type's default class in the dataset (with its child fields when asked).
  TField* CreateField(TComponent* owner, TObjectField* parentField = nullptr, const std::string& fieldName = "",
                      bool createChildren = true);

 private:
  friend class TDataSet;
  TFieldDefs* collection_;
  std::string name_;
  TFieldType dataType_;
  int size_;
  bool required_;
  int fieldNo_ = 0;
  std::unique_ptr<TFieldDefs> childDefs_;
};

// An ordered collection of field definitions (names unique, compared case-insensitively).
class TFieldDefs : public TObject {
  VCL_CLASS(TFieldDefs, TObject)
  TFieldDefs(TDataSet* dataSet, TFieldDef* parentDef = nullptr) : dataSet_(dataSet), parentDef_(parentDef) {}

  // Raises "Duplicate field name '%s'" for a taken name.
  TFieldDef* Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
  int Count() const { return int(items_.size()); }
  TFieldDef* Items(int index) const;
  TFieldDef* operator[](int index) const { return Items(index); }
  int IndexOf(std::string_view name) const;
  // Raises "Field '%s' not found".
  TFieldDef* Find(std::string_view name) const;
  void Clear();
  TDataSet* DataSet() const { return dataSet_; }
  TFieldDef* ParentDef() const { return parentDef_; }

 private:
  friend class TFieldDef;
  void Changed();
  TDataSet* dataSet_;
  TFieldDef* parentDef_;
  std::vector<std::unique_ptr<TFieldDef>> items_;
};

// ---- fields

using TFieldNotifyEvent = std::function<void(TField* sender)>;

// A column of a dataset as seen by its users. Value layout: none (subclasses define it).
class TField : public TComponent {
  VCL_CLASS(TField, TComponent)
  explicit TField(TComponent* owner) : TComponent(owner) {}
  static TField* Create(TComponent* owner) { return NewObject<TField>(owner); }
  void BeforeDestruction() override;

  TDataSet* DataSet() const { return dataSet_; }
  // Adds the field to the dataset's fields (the dataset must be closed); nil removes it.
  void SetDataSet(TDataSet* dataSet);
  TObjectField* ParentField() const { return parentField_; }
  void SetParentField(TObjectField* parent);

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& name);
  // "Parent.Child" for child fields of an object field.
  std::string FullName() const;
  const std::string& DisplayLabel() const { return displayLabel_; }
  void SetDisplayLabel(const std::string& label) { displayLabel_ = label; }
  // The display label, else the field name.
  std::string DisplayName() const;

  TFieldType DataType() const { return dataType_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  // Refuses kinds the class cannot hold ("Field '%s' cannot be a calculated or lookup field").
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return fieldKind_ == fkCalculated; }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  int Size() const { return size_; }
  virtual void SetSize(int size);
  // Bytes of the value in the field's layout.
  virtual int DataSize() const { return 0; }
  // Bound by the dataset when it opens: the definition's number for data fields, -1 for calculated ones.
  int FieldNo() const { return fieldNo_; }
  // Calculated fields: where the field's flag byte lies in the calculated-field area. Blob fields: the
  // field's number among the blob fields.
  int Offset() const { return offset_; }
  int Index() const;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  virtual bool IsBlob() const { return false; }
  virtual bool IsNull() const;

  // Conversions; a conversion the class does not offer raises "Cannot access field '%s' as type %s".
  virtual std::string AsString() const;
  virtual void SetAsString(const std::string& value);
  virtual int32_t AsInteger() const;
  virtual void SetAsInteger(int32_t value);
  virtual int64_t AsLargeInt() const;
  virtual void SetAsLargeInt(int64_t value);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double value);
  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool value);
  virtual TDateTime AsDateTime() const;
  virtual void SetAsDateTime(TDateTime value);
  // Null when the field has no value.
  Variant Value() const;
  // Null and Empty clear the field; text goes through SetAsString.
  void SetValue(const Variant& value);
  virtual void Clear() { SetData(nullptr); }

  // The value in the field's layout, through the dataset. GetData with nil only asks for presence.
  bool GetData(void* buffer) const;
  void SetData(const void* buffer);
  // Runs OnValidate with the new value visible through GetData; the dataset calls it before storing.
  void Validate(const void* buffer);
  // Runs OnChange; the dataset calls it when the value changed.
  void Change();

  TFieldNotifyEvent OnValidate;
  TFieldNotifyEvent OnChange;

 protected:
  void SetDataType(TFieldType type) { dataType_ = type; }
  virtual Variant GetAsVariant() const;
  virtual void SetAsVariant(const Variant& value);
  // Kinds other than data and internal-calculated refused (blobs, variants, object fields).
  virtual bool CanBeCalculated() const { return true; }
  [[noreturn]] void AccessError(const char* typeName) const;
  void CheckDataSet() const;

 private:
  friend class TDataSet;
  friend class TFieldDef;
  friend class TFields;
  friend TField* CreateFieldOfType(TComponent*, TDataSet*, const std::string&, TFieldType, int, TFieldKind);
  TDataSet* dataSet_ = nullptr;
  TObjectField* parentField_ = nullptr;
  std::string fieldName_;
  std::string displayLabel_;
  TFieldType dataType_ = ftUnknown;
  TFieldKind fieldKind_ = fkData;
  int size_ = 0;
  int fieldNo_ = 0;
  int offset_ = 0;
  bool readOnly_ = false;
  bool required_ = false;
  bool validating_ = false;
  const void* validateBuffer_ = nullptr;
};

// Text of at most Size bytes; layout: the bytes, zero-terminated (Size + 1). An empty text reads as null.
class TStringField : public TField {
  VCL_CLASS(TStringField, TField)
  explicit TStringField(TComponent* owner);
  static TStringField* Create(TComponent* owner) { return NewObject<TStringField>(owner); }
  int DataSize() const override { return Size() + 1; }
  std::string AsString() const override;
  // Longer texts are cut to Size bytes.
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsString(IntToText(value)); }
  int64_t AsLargeInt() const override;
  void SetAsLargeInt(int64_t value) override { SetAsString(IntToText(value)); }
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override { SetAsString(value ? "T" : "F"); }

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
  static std::string IntToText(int64_t value);
};

// A GUID in text form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; layout: 38 characters and a zero.
class TGuidField : public TStringField {
  VCL_CLASS(TGuidField, TStringField)
  explicit TGuidField(TComponent* owner);
  static TGuidField* Create(TComponent* owner) { return NewObject<TGuidField>(owner); }
  int DataSize() const override { return 39; }
  void SetSize(int size) override;
};

// Text held as UTF-16; layout: Size + 1 code units, zero-terminated. Reads and writes CP1250 text.
class TWideStringField : public TStringField {
  VCL_CLASS(TWideStringField, TStringField)
  explicit TWideStringField(TComponent* owner);
  static TWideStringField* Create(TComponent* owner) { return NewObject<TWideStringField>(owner); }
  int DataSize() const override { return (Size() + 1) * 2; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
};

// Integers with a range; layout per class: int32 (TIntegerField, TAutoIncField), int16 (TSmallintField),
// uint16 (TWordField). A value outside the range raises the range error.
class TIntegerField : public TField {
  VCL_CLASS(TIntegerField, TField)
  explicit TIntegerField(TComponent* owner);
  static TIntegerField* Create(TComponent* owner) { return NewObject<TIntegerField>(owner); }
  int DataSize() const override;
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override;
  int64_t AsLargeInt() const override { return AsInteger(); }
  void SetAsLargeInt(int64_t value) override;
  double AsFloat() const override { return AsInteger(); }
  void SetAsFloat(double value) override;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
  bool ReadValue(int32_t& value) const;
  int64_t minValue_ = INT32_MIN;
  int64_t maxValue_ = INT32_MAX;
};

class TSmallintField : public TIntegerField {
  VCL_CLASS(TSmallintField, TIntegerField)
  explicit TSmallintField(TComponent* owner);
  static TSmallintField* Create(TComponent* owner) { return NewObject<TSmallintField>(owner); }
};

class TWordField : public TIntegerField {
  VCL_CLASS(TWordField, TIntegerField)
  explicit TWordField(TComponent* owner);
  static TWordField* Create(TComponent* owner) { return NewObject<TWordField>(owner); }
};

class TAutoIncField : public TIntegerField {
  VCL_CLASS(TAutoIncField, TIntegerField)
  explicit TAutoIncField(TComponent* owner);
  static TAutoIncField* Create(TComponent* owner) { return NewObject<TAutoIncField>(owner); }
};

// 64-bit integers; layout: int64.
class TLargeintField : public TField {
  VCL_CLASS(TLargeintField, TField)
  explicit TLargeintField(TComponent* owner);
  static TLargeintField* Create(TComponent* owner) { return NewObject<TLargeintField>(owner); }
  int DataSize() const override { return 8; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsLargeInt(value); }
  int64_t AsLargeInt() const override;
  void SetAsLargeInt(int64_t value) override;
  double AsFloat() const override { return double(AsLargeInt()); }
  void SetAsFloat(double value) override;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
};

// Floating point; layout: double. TCurrencyField is the same with a currency meaning.
class TFloatField : public TField {
  VCL_CLASS(TFloatField, TField)
  explicit TFloatField(TComponent* owner);
  static TFloatField* Create(TComponent* owner) { return NewObject<TFloatField>(owner); }
  int DataSize() const override { return 8; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsFloat(value); }
  double AsFloat() const override;
  void SetAsFloat(double value) override;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
};

class TCurrencyField : public TFloatField {
  VCL_CLASS(TCurrencyField, TFloatField)
  explicit TCurrencyField(TComponent* owner);
  static TCurrencyField* Create(TComponent* owner) { return NewObject<TCurrencyField>(owner); }
};

// A decimal with Size (0 to 4) fraction digits; layout: the 34-byte packed decimal below.
struct TBcd {
  uint8_t Precision;          // digits held
  uint8_t SignSpecialPlaces;  // bit 7: negative; bits 0-5: fraction digits
  uint8_t Fraction[32];       // packed digits, most significant first
};
static_assert(sizeof(TBcd) == 34);

class TBCDField : public TField {
  VCL_CLASS(TBCDField, TField)
  explicit TBCDField(TComponent* owner);
  static TBCDField* Create(TComponent* owner) { return NewObject<TBCDField>(owner); }
  int DataSize() const override { return int(sizeof(TBcd)); }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override { SetAsFloat(value); }
  double AsFloat() const override;
  // Rounded to Size fraction digits; magnitudes of 10^14 and more raise the range error.
  void SetAsFloat(double value) override;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
};

// Booleans; layout: a 16-bit value, 0 for false. Text "True"/"False" (either case, or a prefix of them).
class TBooleanField : public TField {
  VCL_CLASS(TBooleanField, TField)
  explicit TBooleanField(TComponent* owner);
  static TBooleanField* Create(TComponent* owner) { return NewObject<TBooleanField>(owner); }
  int DataSize() const override { return 2; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool value) override;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
};

// Date-times. Layouts: TDateTimeField a double of milliseconds since 1 January 1 (day 1); TDateField an
// int32 day number on that count; TTimeField an int32 of milliseconds since midnight.
class TDateTimeField : public TField {
  VCL_CLASS(TDateTimeField, TField)
  explicit TDateTimeField(TComponent* owner);
  static TDateTimeField* Create(TComponent* owner) { return NewObject<TDateTimeField>(owner); }
  int DataSize() const override;
  std::string AsString() const override;
  double AsFloat() const override { return AsDateTime(); }
  void SetAsFloat(double value) override { SetAsDateTime(value); }
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime value) override;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
};

class TDateField : public TDateTimeField {
  VCL_CLASS(TDateField, TDateTimeField)
  explicit TDateField(TComponent* owner);
  static TDateField* Create(TComponent* owner) { return NewObject<TDateField>(owner); }
};

class TTimeField : public TDateTimeField {
  VCL_CLASS(TTimeField, TDateTimeField)
  explicit TTimeField(TComponent* owner);
  static TTimeField* Create(TComponent* owner) { return NewObject<TTimeField>(owner); }
};

// Raw bytes. Layouts: TBytesField Size bytes (shorter values zero-padded); TVarBytesField a 16-bit
// length and Size bytes. Strings carry the bytes.
class TBytesField : public TField {
  VCL_CLASS(TBytesField, TField)
  explicit TBytesField(TComponent* owner);
  static TBytesField* Create(TComponent* owner) { return NewObject<TBytesField>(owner); }
  int DataSize() const override { return Size(); }
  std::string AsString() const override;
  // Longer values are cut to Size bytes.
  void SetAsString(const std::string& value) override;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
};

class TVarBytesField : public TBytesField {
  VCL_CLASS(TVarBytesField, TBytesField)
  explicit TVarBytesField(TComponent* owner);
  static TVarBytesField* Create(TComponent* owner) { return NewObject<TVarBytesField>(owner); }
  int DataSize() const override { return Size() + 2; }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
};

// Any value of a variant; layout: a Variant object (GetData and SetData take a Variant*).
class TVariantField : public TField {
  VCL_CLASS(TVariantField, TField)
  explicit TVariantField(TComponent* owner);
  static TVariantField* Create(TComponent* owner) { return NewObject<TVariantField>(owner); }
  int DataSize() const override { return 16; }
  std::string AsString() const override { return VarToStr(GetAsVariant()); }
  void SetAsString(const std::string& value) override { SetAsVariant(Variant(value)); }
  int32_t AsInteger() const override { return GetAsVariant().AsInteger(); }
  void SetAsInteger(int32_t value) override { SetAsVariant(Variant(value)); }
  double AsFloat() const override { return GetAsVariant().AsDouble(); }
  void SetAsFloat(double value) override { SetAsVariant(Variant(value)); }
  bool AsBoolean() const override { return GetAsVariant().AsBoolean(); }
  void SetAsBoolean(bool value) override { SetAsVariant(Variant(value)); }

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
  bool CanBeCalculated() const override { return false; }
};

// A value of any length kept by the dataset outside the record data, read and written through the
// dataset's blob streams. Modified is set when a blob stream changed the value in the current row.
class TBlobField : public TField {
  VCL_CLASS(TBlobField, TField)
  explicit TBlobField(TComponent* owner);
  static TBlobField* Create(TComponent* owner) { return NewObject<TBlobField>(owner); }
  bool IsBlob() const override { return true; }
  // Null when the value is empty.
  bool IsNull() const override;
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  void Clear() override;
  int64_t BlobSize() const;
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  // One of the blob types.
  void SetBlobType(TFieldType type);
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
  bool CanBeCalculated() const override { return false; }

 private:
  friend class TDataSet;
  bool modified_ = false;
};

class TMemoField : public TBlobField {
  VCL_CLASS(TMemoField, TBlobField)
  explicit TMemoField(TComponent* owner);
  static TMemoField* Create(TComponent* owner) { return NewObject<TMemoField>(owner); }
};

class TGraphicField : public TBlobField {
  VCL_CLASS(TGraphicField, TBlobField)
  explicit TGraphicField(TComponent* owner);
  static TGraphicField* Create(TComponent* owner) { return NewObject<TGraphicField>(owner); }
};

// A field made of child fields (which carry the data); layout: none.
class TObjectField : public TField {
  VCL_CLASS(TObjectField, TField)
  explicit TObjectField(TComponent* owner) : TField(owner) {}
  int FieldCount() const { return int(children_.size()); }
  TField* Fields(int index) const;
  // Null when every child is null.
  bool IsNull() const override;

 protected:
  bool CanBeCalculated() const override { return false; }

 private:
  friend class TField;
  std::vector<TField*> children_;
};

class TADTField : public TObjectField {
  VCL_CLASS(TADTField, TObjectField)
  explicit TADTField(TComponent* owner);
  static TADTField* Create(TComponent* owner) { return NewObject<TADTField>(owner); }
};

// The fields of a dataset, in order; the list frees the fields it holds when it is cleared.
class TFields : public TObject {
  VCL_CLASS(TFields, TObject)
  explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
  ~TFields() override;

  int Count() const { return int(list_.size()); }
  TField* Fields(int index) const;
  TField* operator[](int index) const { return Fields(index); }
  int IndexOf(const TField* field) const;
  // By name, case-insensitively; nil when none.
  TField* FindField(std::string_view name) const;
  void Add(TField* field);
  void Remove(TField* field);
  // Frees every field, last first.
  void Clear();

 private:
  TDataSet* dataSet_;
  std::vector<TField*> list_;
};

// The field class of a type, as a factory; types without a class of their own get a plain TField that
// holds no value.
TField* CreateFieldOfType(TComponent* owner, TDataSet* dataSet, const std::string& name, TFieldType type, int size = 0,
                          TFieldKind kind = fkData);
