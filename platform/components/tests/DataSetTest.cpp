// The framework over a read-only dataset of fixed rows: navigation, record numbers, bookmarks,
// calculated fields, filters, events and the errors of the framework.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ArrayDataSet.h"

namespace {

struct FreeObject {
  void operator()(TObject* object) const { object->Free(); }
};

// Three columns (Name string, Qty integer, Price float) over five rows.
class ArrayDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.reset(TArrayDataSet::Create());
    data->FieldDefs().Add("Name", ftString, 10);
    data->FieldDefs().Add("Qty", ftInteger);
    data->FieldDefs().Add("Price", ftFloat);
    data->Rows = {
        {"alma", 3, 1.5}, {"barack", 0, 2.25}, {"citrom", 7, Null()}, {"dinnye", -2, 10.0}, {"eper", 12, 0.5}};
  }
  std::string Name() { return data->FieldByName("Name")->AsString(); }
  std::vector<std::string> Walk() {
    std::vector<std::string> names;
    for (data->First(); !data->Eof(); data->Next()) names.push_back(Name());
    return names;
  }
  std::unique_ptr<TArrayDataSet, FreeObject> data;
};

TEST_F(ArrayDataSetTest, NavigationVisitsEveryRowAndSetsTheEnds) {
  data->Open();
  EXPECT_EQ(data->State(), dsBrowse);
  EXPECT_TRUE(data->Bof());
  EXPECT_FALSE(data->Eof());
  EXPECT_EQ(Name(), "alma");
  EXPECT_EQ(Walk(), (std::vector<std::string>{"alma", "barack", "citrom", "dinnye", "eper"}));
  EXPECT_TRUE(data->Eof());
  EXPECT_EQ(Name(), "eper");  // the last row stays current past the end

  data->Last();
  EXPECT_TRUE(data->Eof());
  EXPECT_FALSE(data->Bof());
  std::vector<std::string> backwards;
  for (; !data->Bof(); data->Prior()) backwards.push_back(Name());
  EXPECT_EQ(backwards, (std::vector<std::string>{"eper", "dinnye", "citrom", "barack", "alma"}));

  data->First();
  EXPECT_EQ(data->MoveBy(3), 3);
  EXPECT_EQ(Name(), "dinnye");
  EXPECT_EQ(data->MoveBy(10), 1);  // only one row is left
  EXPECT_TRUE(data->Eof());
  EXPECT_EQ(data->MoveBy(-10), -4);
  EXPECT_TRUE(data->Bof());
  EXPECT_EQ(Name(), "alma");
}

TEST_F(ArrayDataSetTest, AnEmptyDataSetIsAtBothEnds) {
  data->Rows.clear();
  data->Open();
  EXPECT_TRUE(data->IsEmpty());
  EXPECT_TRUE(data->Bof());
  EXPECT_TRUE(data->Eof());
  data->Next();
  data->Last();
  EXPECT_TRUE(data->Bof() && data->Eof());
  EXPECT_TRUE(data->FieldByName("Name")->IsNull());
  EXPECT_EQ(data->FieldByName("Name")->AsString(), "");
  EXPECT_TRUE(data->GetBookmark().empty());
  EXPECT_EQ(data->RecNo(), 0);
}

TEST_F(ArrayDataSetTest, RecordNumbersFollowTheCursorAndOutOfRangeNumbersChangeNothing) {
  data->Open();
  EXPECT_EQ(data->RecNo(), 1);
  data->Next();
  data->Next();
  EXPECT_EQ(data->RecNo(), 3);
  data->SetRecNo(5);
  EXPECT_EQ(Name(), "eper");
  for (int bad : {0, -1, 6}) {
    data->SetRecNo(bad);
    EXPECT_EQ(data->RecNo(), 5) << bad;
  }
  data->SetRecNo(2);
  EXPECT_EQ(Name(), "barack");
  data->Next();
  EXPECT_EQ(Name(), "citrom");
}

TEST_F(ArrayDataSetTest, BookmarksReturnToTheirRowAndCompareByRow) {
  data->Open();
  data->Next();
  TBookmark second = data->GetBookmark();
  data->Last();
  TBookmark last = data->Bookmark();
  ASSERT_EQ(second.size(), 4u);
  data->GotoBookmark(second);
  EXPECT_EQ(Name(), "barack");
  data->Next();
  EXPECT_EQ(Name(), "citrom");  // navigation goes on from the bookmarked row
  data->SetBookmark(last);
  EXPECT_EQ(Name(), "eper");
  EXPECT_TRUE(data->BookmarkValid(second));
  EXPECT_LT(data->CompareBookmarks(second, last), 0);
  EXPECT_GT(data->CompareBookmarks(last, second), 0);
  EXPECT_EQ(data->CompareBookmarks(TBookmark(), TBookmark()), 0);
  data->GotoBookmark(TBookmark());  // no bookmark: nothing happens
  EXPECT_EQ(Name(), "eper");
  data->FreeBookmark(second);
  EXPECT_TRUE(second.empty());
  try {
    data->GotoBookmark("xy");
    FAIL() << "a bookmark of the wrong size was taken";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Record not found");
  }
  EXPECT_EQ(Name(), "eper");
}

TEST_F(ArrayDataSetTest, CalculatedFieldsAreComputedForEveryRowFetched) {
  data->Open();
  data->Close();
  // Persistent fields: the three data fields and a calculated total.
  for (int i = 0; i < data->FieldDefs().Count(); ++i) data->FieldDefs()[i]->CreateField(data.get());
  TField* total = CreateFieldOfType(data.get(), data.get(), "Total", ftFloat, 0, fkCalculated);
  TField* label = CreateFieldOfType(data.get(), data.get(), "Label", ftString, 12, fkCalculated);
  std::vector<TDataSetState> states;
  data->OnCalcFields = [&](TDataSet* ds) {
    states.push_back(ds->State());
    TField* price = ds->FieldByName("Price");
    if (!price->IsNull()) total->SetAsFloat(price->AsFloat() * ds->FieldByName("Qty")->AsInteger());
    label->SetAsString(ds->FieldByName("Name")->AsString() + "!");
  };
  data->Open();
  EXPECT_EQ(data->CalcFieldsSize(), (8 + 1) + (13 + 1));
  EXPECT_EQ(total->FieldNo(), -1);
  EXPECT_DOUBLE_EQ(total->AsFloat(), 4.5);
  EXPECT_EQ(label->AsString(), "alma!");
  data->Next();
  data->Next();
  EXPECT_TRUE(total->IsNull());  // cleared before each calculation
  EXPECT_EQ(label->AsString(), "citrom!");
  data->Last();
  EXPECT_DOUBLE_EQ(total->AsFloat(), 6.0);
  for (TDataSetState s : states) EXPECT_EQ(s, dsCalcFields);
  EXPECT_EQ(data->State(), dsBrowse);
  // A data field cannot be written while calculating (nor outside editing).
  data->OnCalcFields = [](TDataSet* ds) { ds->FieldByName("Qty")->SetAsInteger(1); };
  EXPECT_THROW(data->First(), EDatabaseError);
  EXPECT_EQ(data->State(), dsBrowse);
}

TEST_F(ArrayDataSetTest, FilteredNavigationSkipsRejectedRowsAndFiltersSeeTheCandidate) {
  std::vector<std::string> seen;
  std::vector<TDataSetState> states;
  data->SetOnFilterRecord([&](TDataSet* ds, bool& accept) {
    states.push_back(ds->State());
    seen.push_back(ds->FieldByName("Name")->AsString());
    accept = ds->FieldByName("Qty")->AsInteger() > 0;
  });
  data->SetFiltered(true);
  data->Open();
  EXPECT_EQ(Walk(), (std::vector<std::string>{"alma", "citrom", "eper"}));
  EXPECT_EQ(seen.front(), "alma");
  for (TDataSetState s : states) EXPECT_EQ(s, dsFilter);
  EXPECT_FALSE(data->ControlsDisabled());  // the filter's temporary state is over
  data->Last();
  data->Prior();
  EXPECT_EQ(Name(), "citrom");
  data->SetFiltered(false);
  data->First();
  EXPECT_EQ(Walk().size(), 5u);
}

struct RecordingLink : TDataSetLink {
  std::vector<TDataEvent> events;
  void DataEvent(TDataEvent event, intptr_t) override { events.push_back(event); }
};

TEST_F(ArrayDataSetTest, OpeningScrollingAndClosingCallTheHooksInOrder) {
  std::vector<std::string>& log = data->Log;
  auto note = [&](const char* what) { return [&log, what](TDataSet*) { log.push_back(what); }; };
  data->BeforeOpen = note("BeforeOpen");
  data->AfterOpen = note("AfterOpen");
  data->BeforeScroll = note("BeforeScroll");
  data->AfterScroll = note("AfterScroll");
  data->BeforeClose = note("BeforeClose");
  data->AfterClose = note("AfterClose");
  data->Logging = true;
  data->Open();
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "InternalOpen", "AllocRecordBuffer", "AllocRecordBuffer",
                                           "GetRecord next ok", "AfterOpen", "AfterScroll"}));
  log.clear();
  data->Next();
  data->Next();
  TBookmark third = data->GetBookmark();
  data->First();
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeScroll", "GetRecord next ok", "AfterScroll", "BeforeScroll",
                                           "GetRecord next ok", "AfterScroll", "BeforeScroll", "InternalFirst",
                                           "GetRecord next ok", "AfterScroll"}));
  log.clear();
  data->GotoBookmark(third);
  EXPECT_EQ(log,
            (std::vector<std::string>{"BeforeScroll", "InternalGotoBookmark", "GetRecord current ok", "AfterScroll"}));
  EXPECT_EQ(Name(), "citrom");
  log.clear();
  data->Close();
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeClose", "FreeRecordBuffer", "FreeRecordBuffer", "InternalClose",
                                           "AfterClose"}));
  EXPECT_EQ(data->State(), dsInactive);
}

TEST_F(ArrayDataSetTest, DisabledControlsHearNothingUntilEnabledAgain) {
  RecordingLink link;
  link.SetDataSet(data.get());
  data->Open();
  EXPECT_EQ(link.events, (std::vector<TDataEvent>{deUpdateState}));
  link.events.clear();
  data->Next();
  EXPECT_EQ(link.events, (std::vector<TDataEvent>{deCheckBrowseMode, deDataSetScroll}));
  link.events.clear();
  data->DisableControls();
  data->DisableControls();
  data->Next();
  data->Last();
  data->EnableControls();
  EXPECT_TRUE(data->ControlsDisabled());
  EXPECT_TRUE(link.events.empty());
  data->EnableControls();
  EXPECT_FALSE(data->ControlsDisabled());
  EXPECT_EQ(link.events, (std::vector<TDataEvent>{deDataSetChange}));
  data->EnableControls();  // unbalanced: ignored
  EXPECT_FALSE(data->ControlsDisabled());
  {
    RecordingLink gone;
    gone.SetDataSet(data.get());
  }
  data->First();  // a freed link is no longer told
  EXPECT_EQ(link.events.back(), deDataSetChange);
}

TEST_F(ArrayDataSetTest, FrameworkErrorsCarryTheFrameworksMessages) {
  struct Case {
    const char* what;
    std::function<void(TArrayDataSet&)> op;
    const char* message;
  };
  const Case closed[] = {
      {"First", [](TArrayDataSet& d) { d.First(); }, "Cannot perform this operation on a closed dataset"},
      {"Delete", [](TArrayDataSet& d) { d.Delete(); }, "Cannot perform this operation on a closed dataset"},
      {"RecNo", [](TArrayDataSet& d) { d.RecNo(); }, "Cannot perform this operation on a closed dataset"},
      {"unknown field", [](TArrayDataSet& d) { d.FieldByName("Nope"); }, "Field 'Nope' not found"},
      {"duplicate definition", [](TArrayDataSet& d) { d.FieldDefs().Add("name", ftInteger); },
       "Duplicate field name 'name'"},
  };
  for (const auto& c : closed) {
    try {
      c.op(*data);
      ADD_FAILURE() << c.what << " did not raise";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
  }
  data->Open();
  const Case open[] = {
      {"Edit", [](TArrayDataSet& d) { d.Edit(); }, "Cannot modify a read-only dataset"},
      {"Insert", [](TArrayDataSet& d) { d.Insert(); }, "Cannot modify a read-only dataset"},
      {"Post", [](TArrayDataSet& d) { d.Post(); }, "Dataset not in edit or insert mode"},
      {"write in browse", [](TArrayDataSet& d) { d.FieldByName("Qty")->SetAsInteger(1); },
       "Dataset not in edit or insert mode"},
      {"new field", [](TArrayDataSet& d) { CreateFieldOfType(&d, &d, "X", ftInteger); },
       "Cannot perform this operation on an open dataset"},
      {"field list",
       [](TArrayDataSet& d) {
         std::vector<TField*> l;
         d.GetFieldList(l, "Name; Qty;Cost");
       },
       "Field 'Cost' not found"},
      {"as date", [](TArrayDataSet& d) { d.FieldByName("Name")->AsDateTime(); },
       "Cannot access field 'Name' as type DateTime"},
  };
  for (const auto& c : open) {
    try {
      c.op(*data);
      ADD_FAILURE() << c.what << " did not raise";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
  }
  EXPECT_EQ(data->State(), dsBrowse);
  EXPECT_EQ(Name(), "alma");
  // A named dataset puts its name before the message.
  data->SetName("qyGyumolcs");
  try {
    data->FieldByName("Nope");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "qyGyumolcs: Field 'Nope' not found");
    EXPECT_EQ(e.ClassName(), "EDatabaseError");
  }
}

TEST_F(ArrayDataSetTest, FieldListsNameFieldsInOrder) {
  data->Open();
  std::vector<TField*> list;
  data->GetFieldList(list, "price;Name");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->FieldName(), "Price");
  EXPECT_EQ(list[1]->FieldName(), "Name");
  EXPECT_EQ(list[0]->Index(), 2);
  EXPECT_TRUE(data->DefaultFields());
  data->Close();
  EXPECT_EQ(data->FieldCount(), 0);  // default fields go with the cursor
}

}  // namespace
