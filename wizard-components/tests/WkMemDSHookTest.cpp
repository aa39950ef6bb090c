// The order in which the framework calls the in-memory table and its events, for every operation that
// changes or moves the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WkMemDSTestSupport.h"

namespace {

using Log = std::vector<std::string>;

class TRecordingMemoryData : public TWkMemoryData {
  VCL_CLASS(TRecordingMemoryData, TWkMemoryData)
  using TWkMemoryData::TWkMemoryData;
  Log log;
  bool logging = false;

  void Note(std::string entry) {
    if (logging) log.push_back(std::move(entry));
  }
  void StoreRecordData(TRecordBuffer buffer, int position) override {
    Note("StoreRecordData " + std::to_string(position));
    TWkMemoryData::StoreRecordData(buffer, position);
  }
  void FillAutoIncFields(TRecordBuffer buffer) override {
    Note("FillAutoIncFields");
    TWkMemoryData::FillAutoIncFields(buffer);
  }
  void DataEvent(TDataEvent event, intptr_t info) override {
    if (event == deFieldChange) Note("FieldChange " + reinterpret_cast<TField*>(info)->FieldName());
    if (event == deDataSetChange) Note("DataSetChange");
    if (event == deDataSetScroll) Note("DataSetScroll");
    TWkMemoryData::DataEvent(event, info);
  }

 protected:
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override {
    // Noted when called; the result is added when it returns, so that what it calls comes after.
    static const char* modes[] = {"current", "next", "prior"};
    static const char* results[] = {"ok", "bof", "eof", "error"};
    std::size_t entry = log.size();
    Note(std::string("GetRecord ") + modes[mode]);
    TGetResult r = TWkMemoryData::GetRecord(buffer, mode, doCheck);
    if (logging) log[entry] += std::string(" ") + results[r];
    return r;
  }
  void OpenCursor(bool infoQuery) override {
    Note("OpenCursor");
    TWkMemoryData::OpenCursor(infoQuery);
  }
  void InternalOpen() override {
    Note("InternalOpen");
    TWkMemoryData::InternalOpen();
  }
  void InternalClose() override {
    Note("InternalClose");
    TWkMemoryData::InternalClose();
  }
  void InternalFirst() override {
    Note("InternalFirst");
    TWkMemoryData::InternalFirst();
  }
  void InternalLast() override {
    Note("InternalLast");
    TWkMemoryData::InternalLast();
  }
  void InternalSetToRecord(TRecordBuffer buffer) override {
    Note("InternalSetToRecord");
    TWkMemoryData::InternalSetToRecord(buffer);
  }
  void InternalGotoBookmark(const void* bookmark) override {
    Note("InternalGotoBookmark");
    TWkMemoryData::InternalGotoBookmark(bookmark);
  }
  void InternalPost() override {
    Note("InternalPost");
    TWkMemoryData::InternalPost();
  }
  void InternalDelete() override {
    Note("InternalDelete");
    TWkMemoryData::InternalDelete();
  }
  void InternalAddRecord(TRecordBuffer buffer, bool append) override {
    Note(append ? "InternalAddRecord append" : "InternalAddRecord insert");
    TWkMemoryData::InternalAddRecord(buffer, append);
  }
  void InternalCancel() override { Note("InternalCancel"); }
  void InternalEdit() override { Note("InternalEdit"); }
  void InternalInsert() override { Note("InternalInsert"); }
  void InitRecord(TRecordBuffer buffer) override {
    Note("InitRecord");
    TWkMemoryData::InitRecord(buffer);
  }
  void InternalInitRecord(TRecordBuffer buffer) override {
    Note("InternalInitRecord");
    TWkMemoryData::InternalInitRecord(buffer);
  }
  void ClearCalcFields(TRecordBuffer buffer) override {
    Note("ClearCalcFields");
    TWkMemoryData::ClearCalcFields(buffer);
  }
  TRecordBuffer AllocRecordBuffer() override {
    Note("AllocRecordBuffer");
    return TWkMemoryData::AllocRecordBuffer();
  }
  void FreeRecordBuffer(TRecordBuffer& buffer) override {
    Note("FreeRecordBuffer");
    TWkMemoryData::FreeRecordBuffer(buffer);
  }
};

struct HookTest : ::testing::Test {
  void SetUp() override {
    table.reset(NewObject<TRecordingMemoryData>(nullptr));
    table->FieldDefs().Add("Name", ftString, 20);
    table->FieldDefs().Add("No", ftAutoInc);
    table->Open();
    table->Close();
    for (int i = 0; i < 2; ++i) table->FieldDefs()[i]->CreateField(table.get());
    CreateFieldOfType(table.get(), table.get(), "Len", ftInteger, 0, fkCalculated);
    auto note = [this](const char* what) { return [this, what](TDataSet*) { table->Note(what); }; };
    table->BeforeOpen = note("BeforeOpen");
    table->AfterOpen = note("AfterOpen");
    table->BeforeClose = note("BeforeClose");
    table->AfterClose = note("AfterClose");
    table->BeforeInsert = note("BeforeInsert");
    table->AfterInsert = note("AfterInsert");
    table->BeforeEdit = note("BeforeEdit");
    table->AfterEdit = note("AfterEdit");
    table->BeforePost = note("BeforePost");
    table->AfterPost = note("AfterPost");
    table->BeforeCancel = note("BeforeCancel");
    table->AfterCancel = note("AfterCancel");
    table->BeforeDelete = note("BeforeDelete");
    table->AfterDelete = note("AfterDelete");
    table->BeforeScroll = note("BeforeScroll");
    table->AfterScroll = note("AfterScroll");
    table->OnNewRecord = note("OnNewRecord");
    table->OnCalcFields = [this](TDataSet* ds) {
      table->Note("OnCalcFields");
      ds->FieldByName("Len")->SetAsInteger(int32_t(ds->FieldByName("Name")->AsString().size()));
    };
  }
  // Runs op with the log on and returns what it recorded.
  template <class Op>
  Log Record(Op op) {
    table->log.clear();
    table->logging = true;
    op();
    table->logging = false;
    return table->log;
  }
  void Fill() {
    table->Open();
    for (const char* name : {"bb", "a"}) {
      table->Insert();
      table->FieldByName("Name")->SetAsString(name);
      table->Post();
    }
  }
  std::unique_ptr<TRecordingMemoryData, FreeObject> table;
};

const Log kCalc = {"ClearCalcFields", "OnCalcFields"};

Log Join(std::initializer_list<Log> parts) {
  Log all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST_F(HookTest, OpenAndClose) {
  EXPECT_EQ(Record([&] { table->Open(); }), (Log{"BeforeOpen", "OpenCursor", "InternalOpen", "AllocRecordBuffer",
                                                 "AllocRecordBuffer", "GetRecord next eof", "AfterOpen"}));
  table->Close();
  Fill();
  EXPECT_EQ(Record([&] { table->Close(); }),
            (Log{"BeforeClose", "FreeRecordBuffer", "FreeRecordBuffer", "InternalClose", "AfterClose"}));
  EXPECT_EQ(Record([&] { table->Open(); }),
            (Log{"BeforeOpen", "OpenCursor", "InternalOpen", "AllocRecordBuffer", "AllocRecordBuffer",
                 "GetRecord next eof", "AfterOpen"}));  // closing discarded the rows
}

TEST_F(HookTest, InsertAndPost) {
  Fill();
  table->Next();  // on "bb"
  EXPECT_EQ(Record([&] { table->Insert(); }),
            Join({{"BeforeInsert", "BeforeScroll", "InitRecord", "InternalInitRecord", "ClearCalcFields",
                   "InternalInsert", "OnNewRecord", "DataSetChange", "AfterInsert", "AfterScroll"}}));
  EXPECT_EQ(Record([&] { table->FieldByName("Name")->SetAsString("ccc"); }), Join({{"FieldChange Name"}, kCalc}));
  EXPECT_EQ(table->FieldByName("Len")->AsInteger(), 3);
  EXPECT_EQ(Record([&] { table->Post(); }),
            Join({{"BeforePost", "InternalPost", "FillAutoIncFields", "StoreRecordData 1", "GetRecord current ok"},
                  kCalc,
                  {"DataSetChange", "AfterPost"}}));
  EXPECT_EQ(WalkRows(*table), (Log{"a|2|1", "ccc|3|3", "bb|1|2"}));
}

TEST_F(HookTest, PostAfterTheCursorLeftTheRowGoesBackToItFirst) {
  Fill();
  table->First();
  table->Next();
  table->Next();  // past the end: the cursor no longer stands on the active row
  table->Insert();
  table->FieldByName("Name")->SetAsString("z");
  EXPECT_EQ(Record([&] { table->Post(); }),
            Join({{"BeforePost", "InternalSetToRecord", "InternalGotoBookmark", "InternalPost", "FillAutoIncFields",
                   "StoreRecordData 1", "GetRecord current ok"},
                  kCalc,
                  {"DataSetChange", "AfterPost"}}));
  EXPECT_EQ(WalkRows(*table), (Log{"a|2|1", "z|3|1", "bb|1|2"}));
}

TEST_F(HookTest, AppendAndPost) {
  Fill();
  EXPECT_EQ(Record([&] { table->Append(); }),
            (Log{"BeforeInsert", "BeforeScroll", "InitRecord", "InternalInitRecord", "ClearCalcFields",
                 "InternalInsert", "OnNewRecord", "DataSetChange", "AfterInsert", "AfterScroll"}));
  table->FieldByName("Name")->SetAsString("last");
  EXPECT_EQ(Record([&] { table->Post(); }), Join({{"BeforePost", "InternalLast", "InternalPost", "FillAutoIncFields",
                                                   "StoreRecordData 2", "GetRecord current ok"},
                                                  kCalc,
                                                  {"DataSetChange", "AfterPost"}}));
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(Record([&] { table->AppendRecord({"more"}); }),
            Join({{"BeforeInsert", "BeforeScroll", "InitRecord", "InternalInitRecord", "ClearCalcFields", "OnNewRecord",
                   "FieldChange Name"},
                  kCalc,
                  {"BeforePost", "InternalLast", "InternalAddRecord append", "FillAutoIncFields", "StoreRecordData 3",
                   "GetRecord current ok"},
                  kCalc,
                  {"DataSetChange", "AfterPost", "AfterScroll"}}));
  EXPECT_EQ(table->FieldByName("No")->AsInteger(), 4);
}

TEST_F(HookTest, EditAndCancel) {
  Fill();
  EXPECT_EQ(Record([&] { table->Edit(); }), Join({{"BeforeEdit", "InternalEdit"}, kCalc, {"AfterEdit"}}));
  table->FieldByName("Name")->SetAsString("changed");
  EXPECT_EQ(
      Record([&] { table->Cancel(); }),
      Join({{"BeforeCancel", "InternalCancel", "GetRecord current ok"}, kCalc, {"DataSetChange", "AfterCancel"}}));
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "a");
  table->Edit();
  table->FieldByName("Name")->SetAsString("A!");
  EXPECT_EQ(Record([&] { table->Post(); }),
            Join({{"BeforePost", "InternalPost", "StoreRecordData 0", "GetRecord current ok"},
                  kCalc,
                  {"DataSetChange", "AfterPost"}}));
  // Cancelling an insert scrolls back to the row that was current.
  table->Next();
  table->Insert();
  EXPECT_EQ(Record([&] { table->Cancel(); }),
            Join({{"BeforeCancel", "BeforeScroll", "InternalCancel", "GetRecord current ok"},
                  kCalc,
                  {"DataSetChange", "AfterCancel", "AfterScroll"}}));
  EXPECT_EQ(WalkRows(*table), (Log{"A!|2|2", "bb|1|2"}));
}

TEST_F(HookTest, DeleteAndGotoBookmark) {
  Fill();
  TBookmark first = table->GetBookmark();
  table->Next();
  EXPECT_EQ(
      Record([&] { table->GotoBookmark(first); }),
      Join(
          {{"BeforeScroll", "InternalGotoBookmark", "GetRecord current ok"}, kCalc, {"DataSetChange", "AfterScroll"}}));
  EXPECT_EQ(Record([&] { table->Delete(); }),
            Join({{"BeforeDelete", "BeforeScroll", "InternalDelete", "GetRecord current ok"},
                  kCalc,
                  {"DataSetChange", "AfterDelete", "AfterScroll"}}));
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "bb");
  EXPECT_EQ(Record([&] { table->Delete(); }),
            (Log{"BeforeDelete", "BeforeScroll", "InternalDelete", "GetRecord current error", "GetRecord next eof",
                 "GetRecord prior bof", "DataSetChange", "AfterDelete", "AfterScroll"}));
  EXPECT_TRUE(table->IsEmpty());
}

TEST_F(HookTest, LocateTellsOfTheScrollOnlyWhenItFindsARow) {
  Fill();
  Log found = Record([&] { EXPECT_TRUE(table->Locate("Name", "bb", 0)); });
  EXPECT_EQ(found.front(), "BeforeScroll");
  EXPECT_EQ(Log(found.end() - 2, found.end()), (Log{"DataSetChange", "AfterScroll"}));
  Log missing = Record([&] { EXPECT_FALSE(table->Locate("Name", "zz", 0)); });
  EXPECT_EQ(missing.front(), "BeforeScroll");
  EXPECT_EQ(std::count(missing.begin(), missing.end(), "BeforeScroll"),
            std::count(missing.begin(), missing.end(), "AfterScroll") + 1);  // only the walk's own scrolls
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "bb");
}

}  // namespace
