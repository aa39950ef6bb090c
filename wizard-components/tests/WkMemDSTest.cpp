// The in-memory table: row order, layout, identities, filters, deletion, bookmarks and its errors.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "WkMemDSTestSupport.h"
#include "platform/runtime/Cp1250.h"

namespace {

using Rows = std::vector<std::string>;

TEST(WkMemDS, TheWizardsFillWalksInReverseOrderAndEachPostedRowIsCurrent) {
  MemoryDataPtr table = StringTable({"Nev", "Ertek"});
  const Rows added = {"letoltesurl|http://x/", "kezdolapurl|http://y/", "szovegtesztaktiv|1", "levelid|7"};
  for (const auto& row : added) {
    auto bar = row.find('|');
    InsertRow(*table, {row.substr(0, bar), row.substr(bar + 1)});
    EXPECT_EQ(CurrentRow(*table), row);
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(table->State(), dsBrowse);
  }
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(WalkRows(*table), Rows(added.rbegin(), added.rend()));
}

TEST(WkMemDS, InsertGoesBeforeTheCurrentRowAndAppendGoesLast) {
  MemoryDataPtr table = StringTable({"A"});
  InsertRow(*table, {"b"});  // empty table: position 0
  table->Append();
  table->Fields()[0]->SetAsString("d");
  table->Post();
  EXPECT_EQ(CurrentRow(*table), "d");
  EXPECT_EQ(table->RecNo(), 2);
  table->Prior();
  InsertRow(*table, {"a"});  // before b
  table->Last();
  InsertRow(*table, {"c"});  // before d
  EXPECT_EQ(WalkRows(*table), (Rows{"a", "b", "c", "d"}));
  // A position past the end (after Next at the last row) still inserts before the current row.
  table->Last();
  table->Next();
  ASSERT_TRUE(table->Eof());
  InsertRow(*table, {"x"});
  EXPECT_EQ(WalkRows(*table), (Rows{"a", "b", "c", "x", "d"}));
  // InsertRecord and AppendRecord add in one step.
  table->First();
  table->InsertRecord({"first"});
  EXPECT_EQ(CurrentRow(*table), "first");
  table->AppendRecord({"last"});
  EXPECT_EQ(WalkRows(*table), (Rows{"first", "a", "b", "c", "x", "d", "last"}));
}

TEST(WkMemDS, CancelledInsertsAndEditsLeaveTheTableAsItWas) {
  MemoryDataPtr table = StringTable({"A"});
  table->Insert();
  table->Fields()[0]->SetAsString("gone");
  table->Cancel();
  EXPECT_TRUE(table->IsEmpty());
  InsertRow(*table, {"b"});
  InsertRow(*table, {"a"});
  table->Next();
  table->Edit();
  table->Fields()[0]->SetAsString("changed");
  EXPECT_TRUE(table->Modified());
  table->Cancel();
  EXPECT_EQ(CurrentRow(*table), "b");
  table->Edit();
  table->Fields()[0]->SetAsString("B");
  table->Post();
  EXPECT_EQ(CurrentRow(*table), "B");
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(WalkRows(*table), (Rows{"a", "B"}));
  // Navigating away from an unmodified insert cancels it; from a modified one posts it.
  table->First();
  table->Insert();
  table->Next();
  EXPECT_EQ(table->RecordCount(), 2);
  table->Insert();
  table->Fields()[0]->SetAsString("kept");
  table->First();
  EXPECT_EQ(WalkRows(*table), (Rows{"a", "kept", "B"}));
}

TEST(WkMemDS, AnEmptyTextReadsAsNullAndLongTextsAreCut) {
  MemoryDataPtr table = StringTable({"A", "B"});
  InsertRow(*table, {"", std::string(300, 'x')});
  TField* a = table->FieldByName("A");
  EXPECT_TRUE(a->IsNull());
  EXPECT_TRUE(a->Value().IsNull());
  EXPECT_EQ(table->FieldByName("B")->AsString(), std::string(255, 'x'));
}

// One definition of the type, then an integer: the integer's offset shows the first value's width.
TEST(WkMemDS, FieldTypesTakeTheirRecordBytes) {
  struct Case {
    TFieldType type;
    int size;
    int valueBytes;  // -1: no place in record data
  };
  const Case cases[] = {
      {ftString, 255, 256},   {ftFixedChar, 10, 11}, {ftSmallint, 0, 2},   {ftWord, 0, 2},        {ftBoolean, 0, 2},
      {ftInteger, 0, 4},      {ftDate, 0, 4},        {ftTime, 0, 4},       {ftAutoInc, 0, 4},     {ftFloat, 0, 8},
      {ftCurrency, 0, 8},     {ftDateTime, 0, 8},    {ftLargeint, 0, 8},   {ftBCD, 4, 34},        {ftBytes, 7, 7},
      {ftVarBytes, 7, 9},     {ftWideString, 5, 12}, {ftVariant, 0, 16},   {ftGuid, 38, 39},      {ftBlob, 0, -1},
      {ftMemo, 0, -1},        {ftGraphic, 0, -1},    {ftFmtMemo, 0, -1},   {ftParadoxOle, 0, -1}, {ftDBaseOle, 0, -1},
      {ftTypedBinary, 0, -1}, {ftOraBlob, 0, -1},    {ftOraClob, 0, -1},   {ftCursor, 0, -1},     {ftArray, 0, -1},
      {ftReference, 0, -1},   {ftDataSet, 0, -1},    {ftInterface, 0, -1}, {ftIDispatch, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FieldTypeName(c.type));
    MemoryDataPtr table(TWkMemoryData::Create(nullptr));
    table->FieldDefs().Add("V", c.type, c.size);
    table->FieldDefs().Add("N", ftInteger);
    table->Open();
    int first = c.valueBytes < 0 ? 0 : c.valueBytes + 1;
    EXPECT_EQ(table->FieldOffset(0), 0);
    EXPECT_EQ(table->FieldOffset(1), first);
    EXPECT_EQ(table->RecordSize(), first + 5);
    EXPECT_EQ(table->BookmarkOffset(), table->RecordSize());
    EXPECT_EQ(table->BlobOffset(), table->RecordSize() + 5);
    int blobs = IsBlobType(c.type) ? 1 : 0;
    EXPECT_EQ(table->BlobFieldCount(), blobs);
    EXPECT_EQ(table->RecordBufferSize(), table->BlobOffset() + blobs * int(sizeof(void*)));
    // The integer after it keeps its own value.
    table->Insert();
    table->FieldByName("N")->SetAsInteger(-77);
    table->Post();
    EXPECT_EQ(table->FieldByName("N")->AsInteger(), -77);
  }
}

TEST(WkMemDS, ObjectDefinitionsLayTheirChildrenOutInFlattenedOrder) {
  MemoryDataPtr table(TWkMemoryData::Create(nullptr));
  table->FieldDefs().Add("Id", ftInteger);
  TFieldDef* adt = table->FieldDefs().Add("Cim", ftADT);
  adt->ChildDefs().Add("Varos", ftString, 20);
  adt->ChildDefs().Add("Irsz", ftWord);
  table->FieldDefs().Add("Megj", ftMemo);
  table->Open();
  // Id 5, Cim 1, Varos 22, Irsz 3; the memo has no record data.
  EXPECT_EQ(table->FieldOffset(1), 5);
  EXPECT_EQ(table->FieldOffset(2), 6);
  EXPECT_EQ(table->FieldOffset(3), 28);
  EXPECT_EQ(table->RecordSize(), 31);
  table->Insert();
  table->FieldByName("Cim.Varos")->SetAsString("Győr"_cp);
  table->FieldByName("Cim.Irsz")->SetAsInteger(9021);
  table->FieldByName("Megj")->SetAsString("két sor\r\nszöveg"_cp);
  table->Post();
  EXPECT_EQ(table->FieldByName("Cim.Varos")->AsString(), "Győr"_cp);
  EXPECT_EQ(table->FieldByName("Cim.Irsz")->AsInteger(), 9021);
  EXPECT_EQ(table->FieldByName("Megj")->AsString(), "két sor\r\nszöveg"_cp);
}

TEST(WkMemDS, LayoutsPastSixtyFourKilobytesAreRefusedWhenOpening) {
  MemoryDataPtr table(TWkMemoryData::Create(nullptr));
  table->FieldDefs().Add("A", ftString, 40000);
  TFieldDef* b = table->FieldDefs().Add("B", ftString, 25533);  // 40001 + 1 + 25534 + 1 = 65537
  try {
    table->Open();
    FAIL() << "a 65537-byte record was laid out";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Record data of 65537 bytes exceeds the limit of 65535 bytes");
  }
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->FieldDefs().Count(), 2);  // the definitions stay
  b->SetSize(25531);                         // exactly 65535
  table->Open();
  EXPECT_EQ(table->RecordSize(), 65535);
  EXPECT_EQ(table->FieldOffset(1), 40002);
  InsertRow(*table, {std::string(40000, 'a'), std::string(25531, 'b')});
  EXPECT_EQ(table->FieldByName("B")->AsString(), std::string(25531, 'b'));
  // A single value whose 16-bit size would wrap (70000 + 1) is refused too.
  MemoryDataPtr wide(TWkMemoryData::Create(nullptr));
  wide->FieldDefs().Add("W", ftWideString, 40000);
  EXPECT_THROW(wide->Open(), EDatabaseError);
}

TEST(WkMemDS, DefinitionsChangedWhileOpenDoNotMoveTheLayout) {
  MemoryDataPtr table = StringTable({"A", "B"});
  InsertRow(*table, {"a", "b"});
  table->FieldDefs().Items(0)->SetDataType(ftBlob);
  table->FieldDefs().Add("C", ftString, 60000);
  EXPECT_EQ(CurrentRow(*table), "a|b");
  table->FieldDefs().Clear();
  InsertRow(*table, {"c", "d"});
  EXPECT_EQ(WalkRows(*table), (Rows{"c|d", "a|b"}));
  table->Close();
  EXPECT_EQ(table->FieldCount(), 0);  // the next opening has no definitions left
  table->Open();
  EXPECT_EQ(table->RecordSize(), 0);
}

TEST(WkMemDS, IdentitiesFollowCreationAndRestartWhenTheTableEmpties) {
  MemoryDataPtr table(TWkMemoryData::Create(nullptr));
  table->FieldDefs().Add("Name", ftString, 10);
  table->FieldDefs().Add("No", ftAutoInc);
  table->FieldDefs().Add("No2", ftAutoInc);
  table->Open();
  EXPECT_EQ(table->LastID(), INT32_MIN);
  InsertRow(*table, {"a"});
  InsertRow(*table, {"b"});
  EXPECT_EQ(table->Records(0)->ID(), INT32_MIN + 2);  // b was created second but stands first
  EXPECT_EQ(table->Records(1)->ID(), INT32_MIN + 1);
  EXPECT_EQ(table->FieldByName("No")->AsInteger(), 2);
  EXPECT_EQ(table->FieldByName("No2")->AsInteger(), 2);  // one number per record
  while (!table->IsEmpty()) table->Delete();
  EXPECT_EQ(table->LastID(), INT32_MIN);
  InsertRow(*table, {"c"});
  EXPECT_EQ(table->Records(0)->ID(), INT32_MIN + 1);
  EXPECT_EQ(table->FieldByName("No")->AsInteger(), 3);  // the counter runs until the table closes
  table->Edit();
  table->FieldByName("Name")->SetAsString("C");
  table->Post();
  EXPECT_EQ(table->FieldByName("No")->AsInteger(), 3);  // editing takes no new number
  EXPECT_EQ(table->AutoIncrement(), 4);
  table->Close();
  EXPECT_EQ(table->AutoIncrement(), 1);
  table->Open();
  InsertRow(*table, {"d"});
  EXPECT_EQ(table->FieldByName("No")->AsInteger(), 1);

  MemoryDataPtr plain = StringTable({"A"});
  InsertRow(*plain, {"x"});
  EXPECT_EQ(plain->AutoIncrement(), 1);  // no auto-increment field: the counter stays
}

TEST(WkMemDS, FilteringHidesRowsButNotFromTheCount) {
  MemoryDataPtr table = StringTable({"A"});
  for (const char* v : {"5", "4", "3", "2", "1"}) InsertRow(*table, {v});
  table->SetFiltered(true);  // no handler: everything stays visible
  EXPECT_EQ(WalkRows(*table).size(), 5u);
  EXPECT_FALSE(table->IsSequenced());
  table->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->Fields()[0]->AsInteger() % 2 == 1; });
  EXPECT_EQ(CurrentRow(*table), "1");  // changing the handler goes to the first row
  EXPECT_EQ(WalkRows(*table), (Rows{"1", "3", "5"}));
  EXPECT_EQ(table->RecordCount(), 5);
  table->SetFiltered(false);
  EXPECT_EQ(WalkRows(*table).size(), 5u);
  EXPECT_TRUE(table->IsSequenced());
}

TEST(WkMemDS, AFilterThatRaisesIsReportedAndKeepsItsAnswer) {
  MemoryDataPtr table = StringTable({"A"});
  for (const char* v : {"c", "boom", "a"}) InsertRow(*table, {v});
  CaughtExceptions caught;
  table->SetOnFilterRecord([](TDataSet* ds, bool& accept) {
    std::string v = ds->Fields()[0]->AsString();
    if (v == "boom") {
      accept = false;
      throw EConvertError("bad row");
    }
  });
  table->SetFiltered(true);
  EXPECT_EQ(WalkRows(*table), (Rows{"a", "c"}));
  ASSERT_FALSE(caught.messages.empty());
  EXPECT_EQ(caught.messages[0], "bad row");
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST(WkMemDS, DeletingMovesToTheNearestVisibleRow) {
  MemoryDataPtr table = StringTable({"A"});
  for (const char* v : {"e", "d", "c", "b", "a"}) InsertRow(*table, {v});
  table->Last();
  table->Delete();
  EXPECT_EQ(CurrentRow(*table), "d");  // deleting the last row moves to the new last
  table->SetRecNo(2);
  table->Delete();
  EXPECT_EQ(CurrentRow(*table), "c");  // a middle row: the next one takes its place
  EXPECT_EQ(WalkRows(*table), (Rows{"a", "c", "d"}));

  // With a filter that accepts only "a", deleting "d" walks back past "c" to "a".
  table->SetOnFilterRecord([](TDataSet* ds, bool& accept) {
    std::string v = ds->Fields()[0]->AsString();
    accept = v == "a" || v == "d";
  });
  table->SetFiltered(true);
  table->Last();
  EXPECT_EQ(CurrentRow(*table), "d");
  table->Delete();
  EXPECT_EQ(table->RecordPosition(), 0);
  EXPECT_EQ(CurrentRow(*table), "a");
  table->Delete();  // nothing visible is left: the position goes to -1
  EXPECT_EQ(table->RecordPosition(), -1);
  EXPECT_TRUE(table->IsEmpty());
  EXPECT_EQ(table->RecordCount(), 1);
  try {
    table->Delete();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on an empty dataset");
  }
}

TEST(WkMemDS, RecordNumbersAndTheirSetter) {
  MemoryDataPtr table = StringTable({"A"});
  EXPECT_EQ(table->RecNo(), 0);
  for (const char* v : {"c", "b", "a"}) InsertRow(*table, {v});
  EXPECT_EQ(table->RecNo(), 1);
  table->SetRecNo(3);
  EXPECT_EQ(CurrentRow(*table), "c");
  for (int bad : {0, 4, -5}) {
    table->SetRecNo(bad);
    EXPECT_EQ(CurrentRow(*table), "c") << bad;
  }
  // Setting the number while inserting posts the new row first instead of storing it twice.
  table->SetRecNo(2);
  table->Insert();
  table->Fields()[0]->SetAsString("new");
  table->SetRecNo(1);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(WalkRows(*table), (Rows{"a", "new", "b", "c"}));
  table->SetRecNo(4);
  table->Insert();  // unmodified: cancelled
  table->SetRecNo(4);
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(CurrentRow(*table), "c");
}

TEST(WkMemDS, BookmarksNameRecordsByCreationAndOutliveTheirRecordsHarmlessly) {
  MemoryDataPtr table = StringTable({"A"});
  InsertRow(*table, {"older"});
  TBookmark older = table->GetBookmark();
  InsertRow(*table, {"newer"});
  TBookmark newer = table->GetBookmark();
  EXPECT_EQ(WalkRows(*table), (Rows{"newer", "older"}));
  EXPECT_LT(table->CompareBookmarks(older, newer), 0);  // by creation, not by position
  EXPECT_EQ(table->CompareBookmarks(newer, newer), 0);
  EXPECT_EQ(table->CompareBookmarks(TBookmark(), newer), -1);
  EXPECT_EQ(table->CompareBookmarks(newer, TBookmark()), 1);
  table->GotoBookmark(older);
  EXPECT_EQ(CurrentRow(*table), "older");
  table->Delete();
  EXPECT_EQ(CurrentRow(*table), "newer");
  EXPECT_TRUE(table->BookmarkValid(older));  // its ID is not above the last one
  table->GotoBookmark(older);
  EXPECT_EQ(CurrentRow(*table), "newer");
  EXPECT_FALSE(table->BookmarkValid(TBookmark("\x01\x00\x00\x00", 4)));  // never handed out
  EXPECT_FALSE(table->BookmarkValid(TBookmark()));
  EXPECT_FALSE(table->BookmarkValid(TBookmark("\x00\x00\x00\x80", 4)));  // the "none" ID
  table->Close();
  EXPECT_FALSE(table->BookmarkValid(newer));
}

TEST(WkMemDS, GoingToABookmarkThatTheFilterRejectsStays) {
  MemoryDataPtr table = StringTable({"A"});
  InsertRow(*table, {"hidden"});
  TBookmark hidden = table->GetBookmark();
  InsertRow(*table, {"shown"});
  table->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->Fields()[0]->AsString() != "hidden"; });
  table->SetFiltered(true);
  table->GotoBookmark(hidden);
  EXPECT_EQ(CurrentRow(*table), "shown");
}

TEST(WkMemDS, CapacityPresizesTheRecordList) {
  MemoryDataPtr table = StringTable({"A"});
  table->SetCapacity(1000);
  EXPECT_GE(table->Capacity(), 1000);
  for (int i = 0; i < 10; ++i) InsertRow(*table, {std::to_string(i)});
  EXPECT_GE(table->Capacity(), 1000);
}

// Exposes the protected steps the fault rows need.
class TOpenMemoryData : public TWkMemoryData {
  VCL_CLASS(TOpenMemoryData, TWkMemoryData)
  using TWkMemoryData::GetIsIndexField;
  using TWkMemoryData::RestoreState;
  using TWkMemoryData::SetSortFields;
  using TWkMemoryData::SetTempState;
  using TWkMemoryData::TWkMemoryData;
};

TEST(WkMemDS, WritesOutsideTheirStatesAreRefused) {
  MemoryDataPtr table(TWkMemoryData::Create(nullptr));
  table->FieldDefs().Add("A", ftString, 10);
  table->FieldDefs().Add("RO", ftInteger);
  table->Open();
  table->Close();
  for (int i = 0; i < 2; ++i) table->FieldDefs()[i]->CreateField(table.get());
  TField* calc = CreateFieldOfType(table.get(), table.get(), "C", ftInteger, 0, fkCalculated);
  table->FieldByName("RO")->SetReadOnly(true);
  table->Open();
  InsertRow(*table, {"x"});
  struct Case {
    const char* what;
    std::function<void()> op;
    const char* message;
  };
  const Case cases[] = {
      {"data field in browse", [&] { table->FieldByName("A")->SetAsString("y"); },
       "Dataset not in edit or insert mode"},
      {"calculated field in browse", [&] { calc->SetAsInteger(1); }, "Dataset not in edit or insert mode"},
      {"read-only field",
       [&] {
         table->Edit();
         table->FieldByName("RO")->SetAsInteger(1);
       },
       "Field 'RO' cannot be modified"},
      {"data field while calculating",
       [&] {
         table->OnCalcFields = [](TDataSet* ds) { ds->FieldByName("A")->SetAsString("z"); };
         table->First();
       },
       "Dataset not in edit or insert mode"},
  };
  for (const auto& c : cases) {
    try {
      c.op();
      ADD_FAILURE() << c.what << " was written";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    table->OnCalcFields = nullptr;
    table->Cancel();
    table->First();
    EXPECT_EQ(table->FieldByName("A")->AsString(), "x") << c.what;
    EXPECT_TRUE(table->FieldByName("RO")->IsNull()) << c.what;
  }
}

TEST(WkMemDS, ACalculatedFieldWithoutABufferIsRefused) {
  std::unique_ptr<TOpenMemoryData, FreeObject> table(NewObject<TOpenMemoryData>(nullptr));
  table->FieldDefs().Add("A", ftString, 10);
  table->Open();
  table->Close();
  table->FieldDefs()[0]->CreateField(table.get());
  TField* calc = CreateFieldOfType(table.get(), table.get(), "C", ftInteger, 0, fkCalculated);
  table->Open();
  InsertRow(*table, {"x"});
  for (TDataSetState state : {dsSetKey, dsNewValue, dsInternalCalc}) {
    TDataSetState saved = table->SetTempState(state);
    try {
      calc->SetAsInteger(5);
      ADD_FAILURE() << "written in state " << int(state);
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
    }
    // A data field has nowhere to go either: nothing is stored.
    table->FieldByName("A")->SetAsString("y");
    table->RestoreState(saved);
  }
  EXPECT_EQ(table->FieldByName("A")->AsString(), "x");
  EXPECT_TRUE(calc->IsNull());
}

TEST(WkMemDS, PersistentFieldsOfUnsupportedTypesAreRefused) {
  for (TFieldType type : {ftInterface, ftIDispatch, ftReference, ftDataSet, ftArray, ftCursor, ftUnknown}) {
    MemoryDataPtr table(TWkMemoryData::Create(nullptr));
    CreateFieldOfType(table.get(), table.get(), "Ok", ftInteger);
    TField* bad = CreateFieldOfType(table.get(), table.get(), "Bad", type);
    bad->SetDisplayLabel("Rossz");
    try {
      table->Open();
      ADD_FAILURE() << FieldTypeName(type);
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Field 'Rossz' is of an unknown type") << FieldTypeName(type);
    }
    EXPECT_FALSE(table->Active());
    bad->SetFieldKind(fkCalculated);  // not a data field: accepted
    table->Open();
    EXPECT_TRUE(table->Active());
  }
}

TEST(WkMemDS, NoDataFoundWhenTheCurrentRowCannotBeFound) {
  MemoryDataPtr table = StringTable({"A"});
  try {
    table->GotoBookmark(TBookmark("\x01\x00\x00\x80", 4));
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "No data found");
  }
  table->SetName("qyBeallitas");
  try {
    table->GotoBookmark(TBookmark("\x01\x00\x00\x80", 4));
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "qyBeallitas: No data found");
  }
}

TEST(WkMemDS, SortFieldsOrderRecordComparisons) {
  std::unique_ptr<TOpenMemoryData, FreeObject> table(NewObject<TOpenMemoryData>(nullptr));
  table->FieldDefs().Add("S", ftString, 10);
  table->FieldDefs().Add("I", ftSmallint);
  table->FieldDefs().Add("W", ftWord);
  table->FieldDefs().Add("F", ftFloat);
  table->FieldDefs().Add("B", ftBoolean);
  table->FieldDefs().Add("L", ftLargeint);
  table->FieldDefs().Add("G", ftGuid);
  table->FieldDefs().Add("U", ftWideString, 10);
  table->FieldDefs().Add("V", ftVariant);
  table->Open();
  auto add = [&](const std::vector<Variant>& values) {
    table->AppendRecord(values);
    return table->Records(table->RecordCount() - 1);
  };
  TMemoryRecord* a = add({"Alma", -5, 65000, 1.5, false, int64_t(1) << 40, "{A}", "őz"_cp, 1});
  TMemoryRecord* b = add({"alma", 3, 2, -1.0, true, int64_t(-1), "{a}", "Őz"_cp, 2});
  TMemoryRecord* none = add({Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null()});
  EXPECT_EQ(table->CompareRecords(a, b), -1);  // no sort fields: by ID
  EXPECT_EQ(table->CompareRecords(b, a), 1);
  EXPECT_EQ(table->CompareRecords(a, a), 0);
  struct Case {
    const char* field;
    bool caseInsensitive;
    int aToB;
  };
  const Case cases[] = {
      {"S", false, 1},  // lower case first among texts that differ in case only
      {"S", true, -1},  // equal without regard to case: then by ID
      {"I", false, -1}, {"W", false, 1},  {"F", false, 1},
      {"B", false, -1}, {"L", false, 1},  {"G", false, -1},  // equal as GUID text: by ID
      {"U", false, -1}, {"V", false, -1},                    // variants are never compared: by ID
  };
  for (const auto& c : cases) {
    for (bool descending : {false, true}) {
      table->SetSortFields({table->FieldByName(c.field)}, c.caseInsensitive, descending);
      EXPECT_EQ(table->CompareRecords(a, b), descending ? -c.aToB : c.aToB) << c.field << descending;
      EXPECT_EQ(table->CompareRecords(a, none), descending ? -1 : 1) << c.field;  // a value after none
      EXPECT_TRUE(table->GetIsIndexField(table->FieldByName(c.field)));
    }
  }
  // A present value sorts after a missing one; two missing values are equal.
  table->SetSortFields({table->FieldByName("I")}, false, false);
  EXPECT_EQ(table->CompareRecords(none, a), -1);
  EXPECT_EQ(table->CompareRecords(a, none), 1);
  EXPECT_FALSE(table->GetIsIndexField(table->FieldByName("S")));
  table->Close();
  table->Open();
  EXPECT_FALSE(table->GetIsIndexField(table->FieldByName("I")));  // closing drops the list
}

}  // namespace
