// The field classes: their layouts and conversions, read back through a dataset, and their errors.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ArrayDataSet.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Locale.h"

namespace {

struct FreeObject {
  void operator()(TObject* object) const { object->Free(); }
};
using DataSetPtr = std::unique_ptr<TArrayDataSet, FreeObject>;

// A one-row dataset with one field of the type, holding the value.
DataSetPtr OneValue(TFieldType type, int size, const Variant& value) {
  DataSetPtr data(TArrayDataSet::Create());
  data->FieldDefs().Add("F", type, size);
  data->Rows = {{value}};
  data->Open();
  return data;
}

TEST(DataSetFields, EachTypeHoldsItsValueAndConvertsIt) {
  ResetFormatSettings();
  struct Case {
    TFieldType type;
    int size;
    Variant in;
    const char* className;
    int dataSize;
    std::string asString;
    TVarType valueType;
  };
  const Case cases[] = {
      {ftString, 8, "körte"_cp, "TStringField", 9, "körte"_cp, varString},
      {ftString, 3, "abcdef", "TStringField", 4, "abc", varString},  // cut to the size
      {ftFixedChar, 4, "ab", "TStringField", 5, "ab", varString},
      {ftWideString, 6, "őzike"_cp, "TWideStringField", 14, "őzike"_cp, varString},
      {ftGuid, 0, "{00000000-0000-0000-C000-000000000046}", "TGuidField", 39, "{00000000-0000-0000-C000-000000000046}",
       varString},
      {ftSmallint, 0, -32768, "TSmallintField", 2, "-32768", varInteger},
      {ftWord, 0, 65535, "TWordField", 2, "65535", varInteger},
      {ftInteger, 0, "-2147483648", "TIntegerField", 4, "-2147483648", varInteger},
      {ftAutoInc, 0, 17, "TAutoIncField", 4, "17", varInteger},
      {ftLargeint, 0, int64_t(-9000000000000000000), "TLargeintField", 8, "-9000000000000000000", varInt64},
      {ftFloat, 0, 2.5, "TFloatField", 8, "2,5", varDouble},
      {ftCurrency, 0, "-0,125", "TCurrencyField", 8, "-0,125", varDouble},
      {ftBCD, 2, 12.375, "TBCDField", 34, "12,38", varDouble},  // rounded to two places (halves to even)
      {ftBCD, 4, -0.0001, "TBCDField", 34, "-0,0001", varDouble},
      {ftBoolean, 0, "f", "TBooleanField", 2, "False", varBoolean},
      {ftBoolean, 0, true, "TBooleanField", 2, "True", varBoolean},
      {ftDate, 0, VarFromDateTime(EncodeDate(2003, 2, 28)), "TDateField", 4, "2003.02.28.", varDate},
      {ftTime, 0, VarFromDateTime(EncodeTime(13, 5, 9, 0)), "TTimeField", 4, "13:05:09", varDate},
      {ftDateTime, 0, VarFromDateTime(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0)), "TDateTimeField", 8,
       "1899.12.29. 6:00:00", varDate},
      {ftBytes, 4, std::string("\x01\x00\x02", 3), "TBytesField", 4, std::string("\x01\x00\x02\x00", 4), varString},
      {ftVarBytes, 5, std::string("\x00\xFF", 2), "TVarBytesField", 7, std::string("\x00\xFF", 2), varString},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(FieldTypeName(c.type)) + " " + VarToStr(c.in));
    DataSetPtr data = OneValue(c.type, c.size, c.in);
    TField* f = data->FieldByName("F");
    EXPECT_EQ(f->ClassName(), c.className);
    EXPECT_EQ(f->DataType(), c.type);
    EXPECT_EQ(f->DataSize(), c.dataSize);
    EXPECT_FALSE(f->IsNull());
    EXPECT_EQ(f->AsString(), c.asString);
    EXPECT_EQ(f->Value().Type(), c.valueType);
  }
}

TEST(DataSetFields, DateTimesKeepTheirPartsAndOrderOnTheLine) {
  const TDateTime moments[] = {EncodeDateTime(1, 1, 1, 0, 0, 0, 0), EncodeDateTime(1899, 12, 29, 23, 59, 59, 999), 0.0,
                               EncodeDateTime(2024, 2, 29, 12, 30, 0, 250)};
  double previous = -1;
  for (TDateTime moment : moments) {
    DataSetPtr full = OneValue(ftDateTime, 0, VarFromDateTime(moment));
    EXPECT_DOUBLE_EQ(full->FieldByName("F")->AsDateTime(), moment);
    double raw = 0;
    ASSERT_TRUE(full->FieldByName("F")->GetData(&raw));
    EXPECT_GT(raw, previous);  // the stored form orders as the moments do
    previous = raw;
    uint16_t y, m, d, h, n, s, ms;
    DecodeDateTime(moment, y, m, d, h, n, s, ms);
    DataSetPtr date = OneValue(ftDate, 0, VarFromDateTime(moment));
    EXPECT_DOUBLE_EQ(date->FieldByName("F")->AsDateTime(), EncodeDate(y, m, d));
    DataSetPtr time = OneValue(ftTime, 0, VarFromDateTime(moment));
    EXPECT_NEAR(time->FieldByName("F")->AsDateTime(), EncodeTime(h, n, s, ms), 1e-9);
  }
  int32_t firstDay = 0;
  ASSERT_TRUE(OneValue(ftDate, 0, VarFromDateTime(EncodeDate(1, 1, 1)))->FieldByName("F")->GetData(&firstDay));
  EXPECT_EQ(firstDay, 1);
}

TEST(DataSetFields, EmptyAndNullValuesReadAsNull) {
  for (TFieldType type : {ftString, ftInteger, ftFloat, ftBoolean, ftDate, ftBCD, ftWideString}) {
    DataSetPtr data = OneValue(type, 10, Null());
    TField* f = data->FieldByName("F");
    EXPECT_TRUE(f->IsNull()) << FieldTypeName(type);
    EXPECT_TRUE(f->Value().IsNull()) << FieldTypeName(type);
    EXPECT_EQ(f->AsString(), "") << FieldTypeName(type);
  }
  // An empty text is stored with its flag but reads as no value.
  DataSetPtr empty = OneValue(ftString, 10, "");
  EXPECT_TRUE(empty->FieldByName("F")->IsNull());
  DataSetPtr zero = OneValue(ftInteger, 0, 0);
  EXPECT_FALSE(zero->FieldByName("F")->IsNull());
  EXPECT_EQ(zero->FieldByName("F")->AsInteger(), 0);
}

TEST(DataSetFields, BadValuesAreRefusedWithTheFieldsName) {
  struct Case {
    TFieldType type;
    Variant in;
    const char* message;
  };
  const Case cases[] = {
      {ftSmallint, 32768, "32768 is not a valid value for field 'F'. The allowed range is -32768 to 32767"},
      {ftWord, -1, "-1 is not a valid value for field 'F'. The allowed range is 0 to 65535"},
      {ftInteger, "12x", "'12x' is not a valid integer value for field 'F'"},
      {ftInteger, 3e9, "3000000000 is not a valid value for field 'F'. The allowed range is -2147483648 to 2147483647"},
      {ftFloat, "1.5", "'1.5' is not a valid floating point value for field 'F'"},
      {ftBoolean, "igen", "'igen' is not a valid boolean value for field 'F'"},
      {ftBCD, 1e15,
       "1E15 is not a valid value for field 'F'. The allowed range is -100000000000000 to 100000000000000"},
  };
  for (const auto& c : cases) {
    try {
      OneValue(c.type, 4, c.in);
      ADD_FAILURE() << c.message;
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(DataSetFields, ConversionsBetweenKinds) {
  DataSetPtr text = OneValue(ftString, 10, "42");
  TField* f = text->FieldByName("F");
  EXPECT_EQ(f->AsInteger(), 42);
  EXPECT_EQ(f->AsLargeInt(), 42);
  EXPECT_DOUBLE_EQ(f->AsFloat(), 42.0);
  EXPECT_FALSE(f->AsBoolean());
  EXPECT_TRUE(OneValue(ftString, 4, "yes")->FieldByName("F")->AsBoolean());
  EXPECT_THROW(OneValue(ftString, 4, "abc")->FieldByName("F")->AsInteger(), EConvertError);

  DataSetPtr number = OneValue(ftFloat, 0, 2.5);
  EXPECT_EQ(number->FieldByName("F")->AsInteger(), 2);  // halves round to even
  DataSetPtr large = OneValue(ftLargeint, 0, int64_t(1) << 40);
  EXPECT_THROW(large->FieldByName("F")->AsInteger(), EDatabaseError);
  EXPECT_EQ(OneValue(ftInteger, 0, 2.5)->FieldByName("F")->AsInteger(), 2);
  EXPECT_EQ(OneValue(ftInteger, 0, "  -7")->FieldByName("F")->AsInteger(), -7);

  DataSetPtr flag = OneValue(ftBoolean, 0, "TRUE");
  EXPECT_TRUE(flag->FieldByName("F")->AsBoolean());
  EXPECT_THROW(flag->FieldByName("F")->AsFloat(), EDatabaseError);
}

TEST(DataSetFields, ValidationSeesTheNewValueBeforeItIsStored) {
  DataSetPtr data(TArrayDataSet::Create());
  data->FieldDefs().Add("F", ftInteger);
  data->Rows = {{5}, {-1}};
  data->Open();
  data->Close();
  TField* f = data->FieldDefs()[0]->CreateField(data.get());
  std::vector<int> seen;
  f->OnValidate = [&](TField* sender) {
    seen.push_back(sender->AsInteger());
    if (sender->AsInteger() < 0) DatabaseError("negative");
  };
  try {
    data->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "negative");
  }
  EXPECT_EQ(seen, (std::vector<int>{5, -1}));
  EXPECT_FALSE(data->Active());
}

TEST(DataSetFields, ObjectFieldsFlattenIntoFullNames) {
  for (bool objectView : {false, true}) {
    SCOPED_TRACE(objectView);
    DataSetPtr data(TArrayDataSet::Create());
    data->SetObjectView(objectView);
    data->FieldDefs().Add("Id", ftInteger);
    TFieldDef* address = data->FieldDefs().Add("Address", ftADT);
    address->ChildDefs().Add("City", ftString, 20);
    address->ChildDefs().Add("Zip", ftInteger);
    const TFieldDefList& list = data->FieldDefList();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Strings(2), "Address.City");
    EXPECT_EQ(list.FieldDefs(3)->FieldNo(), 4);
    data->Open();
    TField* city = data->FieldByName("address.city");
    EXPECT_EQ(city->FullName(), "Address.City");
    EXPECT_EQ(city->FieldNo(), 3);
    EXPECT_EQ(data->FieldCount(), objectView ? 2 : 3);
    if (objectView) {
      auto* adt = DynamicAs<TObjectField>(data->FieldByName("Address"));
      ASSERT_NE(adt, nullptr);
      EXPECT_EQ(adt->FieldCount(), 2);
      EXPECT_EQ(city->ParentField(), adt);
    } else {
      EXPECT_EQ(data->FindField("Address"), nullptr);
    }
  }
}

TEST(DataSetFields, FieldKindsAndOwnership) {
  DataSetPtr data(TArrayDataSet::Create());
  TField* blob = CreateFieldOfType(data.get(), data.get(), "B", ftMemo);
  EXPECT_EQ(blob->ClassName(), "TMemoField");
  try {
    blob->SetFieldKind(fkCalculated);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'B' cannot be a calculated or lookup field");
  }
  EXPECT_THROW(CreateFieldOfType(data.get(), data.get(), "V", ftVariant, 0, fkCalculated), EDatabaseError);
  EXPECT_EQ(data->FieldCount(), 1);  // the refused field was freed
  try {
    CreateFieldOfType(data.get(), data.get(), "b", ftInteger);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Duplicate field name 'b'");
  }
  TField* loose = CreateFieldOfType(nullptr, nullptr, "L", ftInteger);
  try {
    loose->AsInteger();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'L' has no dataset");
  }
  loose->SetDataSet(data.get());
  EXPECT_EQ(data->FieldCount(), 2);
  blob->Free();  // a freed field leaves its dataset
  EXPECT_EQ(data->FieldCount(), 1);
  EXPECT_EQ(data->FindField("B"), nullptr);
  // Fields without an owner are freed with their dataset (the sanitizers check).
}

}  // namespace
