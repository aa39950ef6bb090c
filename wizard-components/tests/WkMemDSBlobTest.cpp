// Blob values and their streams, and variant values, in the in-memory table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WkMemDSTestSupport.h"

namespace {

class TStateMemoryData : public TWkMemoryData {
  VCL_CLASS(TStateMemoryData, TWkMemoryData)
  using TWkMemoryData::RestoreState;
  using TWkMemoryData::SetTempState;
  using TWkMemoryData::TWkMemoryData;
};

struct StreamFree {
  void operator()(TStream* s) const { s->Free(); }
};
using Stream = std::unique_ptr<TStream, StreamFree>;

class BlobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.reset(NewObject<TStateMemoryData>(nullptr));
    table->FieldDefs().Add("Name", ftString, 10);
    table->FieldDefs().Add("Memo", ftMemo);
    table->FieldDefs().Add("Pic", ftGraphic);
    table->Open();
    for (const char* name : {"b", "a"}) {
      table->Insert();
      table->FieldByName("Name")->SetAsString(name);
      table->FieldByName("Memo")->SetAsString(std::string("memo of ") + name);
      table->Post();
    }
    memo = As<TBlobField>(table->FieldByName("Memo"));
  }
  Stream Open(TBlobStreamMode mode) { return Stream(table->CreateBlobStream(memo, mode)); }
  std::unique_ptr<TStateMemoryData, FreeObject> table;
  TBlobField* memo = nullptr;
};

TEST_F(BlobTest, ValuesBelongToTheirRowsAndSurviveNavigation) {
  EXPECT_EQ(memo->AsString(), "memo of a");
  EXPECT_EQ(table->FieldByName("Pic")->AsString(), "");
  EXPECT_TRUE(table->FieldByName("Pic")->IsNull());
  EXPECT_FALSE(memo->IsNull());
  EXPECT_EQ(memo->BlobSize(), 9);
  table->Next();
  EXPECT_EQ(memo->AsString(), "memo of b");
  table->Edit();
  memo->SetAsString(std::string("bi\0nary", 7));
  EXPECT_TRUE(memo->Modified());
  table->Cancel();  // the stored value comes back into the row
  EXPECT_FALSE(memo->Modified());
  EXPECT_EQ(memo->AsString(), "memo of b");
  table->Edit();
  memo->SetAsString(std::string("bi\0nary", 7));
  table->Post();
  table->First();
  EXPECT_EQ(memo->AsString(), "memo of a");
  table->Last();
  EXPECT_EQ(memo->AsString(), std::string("bi\0nary", 7));
  table->Edit();
  memo->Clear();
  table->Post();
  EXPECT_TRUE(memo->IsNull());
  // Streams copy whole values in and out.
  table->Edit();
  TStringStream source("from a stream");
  memo->LoadFromStream(source);
  table->Post();
  TStringStream target;
  memo->SaveToStream(target);
  EXPECT_EQ(target.DataString(), "from a stream");
}

TEST_F(BlobTest, WritingStreamsNeedAnEditAndAWritableField) {
  struct Case {
    const char* what;
    std::function<void()> op;
    const char* message;
  };
  const Case cases[] = {
      {"write in browse", [&] { Open(bmWrite); }, "Dataset not in edit or insert mode"},
      {"read-write in browse", [&] { Open(bmReadWrite); }, "Dataset not in edit or insert mode"},
      {"read-only field",
       [&] {
         memo->SetReadOnly(true);
         table->Edit();
         Open(bmWrite);
       },
       "Field 'Memo' cannot be modified"},
      {"not a blob", [&] { table->CreateBlobStream(table->FieldByName("Name"), bmRead); }, "Invalid class typecast"},
  };
  for (const auto& c : cases) {
    try {
      c.op();
      ADD_FAILURE() << c.what;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    memo->SetReadOnly(false);
    table->Cancel();
    EXPECT_EQ(memo->AsString(), "memo of a") << c.what;
  }
  Stream reader = Open(bmRead);  // reading is always allowed
  char buffer[4];
  EXPECT_EQ(reader->Write("xy", 2), 0);
  EXPECT_EQ(reader->Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "memo");
}

TEST_F(BlobTest, StreamPositionsStayWithinTheValue) {
  table->Edit();
  Stream s = Open(bmWrite);  // truncates at once
  EXPECT_EQ(s->Size(), 0);
  EXPECT_EQ(s->Seek(-10, soFromBeginning), 0);
  EXPECT_EQ(s->Write("abc", 3), 3);
  EXPECT_EQ(s->Seek(2, soFromEnd), 5);
  EXPECT_EQ(s->Write("z", 1), 1);  // the gap reads as zeros
  EXPECT_EQ(s->Size(), 6);
  EXPECT_EQ(s->Seek(-100, soFromCurrent), 0);
  char buffer[16] = {};
  EXPECT_EQ(s->Read(buffer, -1), 0);
  EXPECT_EQ(s->Write("q", -1), 0);
  EXPECT_EQ(s->Read(buffer, 16), 6);
  EXPECT_EQ(std::string(buffer, 6), std::string("abc\0\0z", 6));
  EXPECT_EQ(s->Read(buffer, 16), 0);
  EXPECT_EQ(s->Seek(int64_t(1) << 40, soFromBeginning), INT32_MAX);
  EXPECT_EQ(s->Read(buffer, 16), 0);  // past the end: nothing
  EXPECT_EQ(s->Write("w", 1), 0);     // the value cannot grow past 2 GiB
  s.reset();
  EXPECT_TRUE(memo->Modified());
  table->Post();
  EXPECT_EQ(memo->AsString(), std::string("abc\0\0z", 6));
}

TEST_F(BlobTest, AStreamOnAnotherBufferThanTheActiveOneDoesNotWrite) {
  table->Edit();
  memo->SetAsString("edited");  // the field is now marked modified
  TDataSetState saved = table->SetTempState(dsFilter);
  {
    Stream s = Open(bmWrite);  // the filter's buffer, not the active one
    EXPECT_EQ(s->Write("x", 1), 0);
    char buffer[16];
    EXPECT_EQ(s->Read(buffer, 16), 9);  // it reads the stored record
    EXPECT_EQ(std::string(buffer, 9), "memo of a");
  }
  table->RestoreState(saved);
  EXPECT_EQ(memo->AsString(), "edited");
  table->Post();
  EXPECT_EQ(memo->AsString(), "edited");
}

TEST_F(BlobTest, FiltersReadTheCandidatesBlob) {
  table->SetOnFilterRecord(
      [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("Memo")->AsString() == "memo of b"; });
  table->SetFiltered(true);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "b");
  EXPECT_EQ(WalkRows(*table).size(), 1u);
}

TEST_F(BlobTest, AFailingChangeNotificationIsReportedWhenTheStreamCloses) {
  CaughtExceptions caught;
  table->Edit();
  memo->OnChange = [](TField*) { throw EConvertError("change refused"); };
  {
    Stream s = Open(bmWrite);
    s->Write("x", 1);
  }
  EXPECT_EQ(caught.messages, (std::vector<std::string>{"change refused"}));
  memo->OnChange = nullptr;
  table->Post();
  EXPECT_EQ(memo->AsString(), "x");
}

TEST(WkMemDSVariants, VariantValuesAreCopiedNotShared) {
  MemoryDataPtr table(TWkMemoryData::Create(nullptr));
  table->FieldDefs().Add("K", ftInteger);
  table->FieldDefs().Add("V", ftVariant);
  table->Open();
  const std::string longText(200, 'v');  // a heap-held string, so that sharing would show
  const std::vector<Variant> values = {Variant(longText), Variant(42), VarArrayOf({1, longText, Null()}), Variant(2.5)};
  for (std::size_t i = 0; i < values.size(); ++i) table->AppendRecord({int(i), values[i]});
  table->AppendRecord({99, Null()});
  TField* v = table->FieldByName("V");
  EXPECT_TRUE(v->IsNull());
  EXPECT_TRUE(v->Value().IsNull());
  table->First();
  for (const Variant& expected : values) {
    Variant got = v->Value();
    EXPECT_EQ(got.Type(), expected.Type());
    if (!expected.IsArray()) {
      EXPECT_TRUE(got == expected);
    } else {
      EXPECT_EQ(VarToStr(got[1]), longText);
    }
    table->Next();
  }
  // Edits change the buffer's copy only until posted; cancelling keeps the stored value.
  table->First();
  table->Edit();
  v->SetValue(Variant(std::string(300, 'n')));
  table->Cancel();
  EXPECT_EQ(v->AsString(), longText);
  table->Edit();
  v->SetValue(Variant("posted"));
  table->Post();
  table->Delete();  // the stored copy goes with its record
  EXPECT_EQ(v->AsInteger(), 42);
  table->Edit();
  v->Clear();
  table->Post();
  EXPECT_TRUE(v->IsNull());
  table->Close();  // every copy is released (the sanitizers check)
  table->Open();
  EXPECT_TRUE(table->IsEmpty());
}

}  // namespace
