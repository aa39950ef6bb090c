// LocateThrough over a table of options, field types and multi-field keys, and how it leaves the
// dataset when nothing matches or an error interrupts it.
#include "wizard-components/DBUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WkMemDSTestSupport.h"
#include "platform/runtime/Cp1250.h"

namespace {

struct EventLink : TDataSetLink {
  std::vector<TDataEvent> events;
  void DataEvent(TDataEvent event, intptr_t) override {
    if (event != deCheckBrowseMode) events.push_back(event);
  }
};

class LocateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.reset(TWkMemoryData::Create(nullptr));
    table->FieldDefs().Add("S", ftString, 20);
    table->FieldDefs().Add("I", ftInteger);
    table->FieldDefs().Add("D", ftFloat);
    table->FieldDefs().Add("B", ftBoolean);
    table->FieldDefs().Add("W", ftWideString, 20);
    table->FieldDefs().Add("F", ftFixedChar, 10);
    table->Open();
    table->AppendRecord({"Alma", 1, 1.5, true, "Alma", "Alma"});
    table->AppendRecord({"alma", 2, 2.5, false, "alma", "alma"});
    table->AppendRecord({"Barack", 3, 1.5, true, "Barack", "Barack"});
    table->AppendRecord({"Körte"_cp, 2, 0.0, false, "Körte"_cp, "Körte"_cp});
    table->AppendRecord({Null(), 5, -1.0, Null(), Null(), Null()});
  }
  MemoryDataPtr table;
};

TEST_F(LocateTest, FindsTheFirstMatchingRowByTypeAndOptions) {
  const TLocateOptions ci = loCaseInsensitive, partial = loPartialKey;
  struct Case {
    const char* fields;
    Variant key;
    TLocateOptions options;
    int row;  // RecNo of the match, 0 for none
  };
  const Case cases[] = {
      {"S", "alma", 0, 2},
      {"S", "alma", ci, 1},
      {"S", "ALMA", ci, 1},
      {"S", "ALMA", 0, 0},
      {"S", "Bar", partial, 3},
      {"S", "bar", partial, 0},
      {"S", "bar", partial | ci, 3},
      {"S", "Barack és"_cp, partial, 0},  // a key longer than the text never matches
      {"S", "", partial, 5},              // an empty key matches any text, the current row first
      {"S", "korte", ci, 0},              // accents are letters of their own
      {"S", "KÖRTE"_cp, ci, 4},
      {"s", "Barack", 0, 3},  // field names in any case
      {"I", 2, 0, 2},
      {"I", "2", 0, 2},  // variant equality: the text is taken as a number
      {"I", 2.0, partial | ci, 2},
      {"I", 4, 0, 0},
      {"D", 1.5, 0, 1},
      {"B", false, 0, 2},
      {"W", "alma", 0, 2},
      {"W", "ALMA", ci, 0},  // the options apply to string fields only
      {"W", "Alm", partial, 0},
      {"F", "ALMA", ci, 0},
      {"S;I", VarArrayOf({"alma", 2}), 0, 2},
      {"S;I", VarArrayOf({"Alma", 2}), 0, 0},
      {"S;I", VarArrayOf({"ALMA", 2}), ci, 2},  // row 1 fails on I, row 2 matches both
      {"I;S", VarArrayOf({2, "Körte"_cp}), 0, 4},
      {" s ; i ", VarArrayOf({"Barack", 3}), 0, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fields) + " " + (c.key.IsArray() ? "[...]" : VarToStr(c.key)) + " " +
                 std::to_string(c.options));
    for (TWkMemoryData* ds : {table.get()}) {
      ds->Last();
      bool found = LocateThrough(ds, c.fields, c.key, c.options);
      EXPECT_EQ(found, c.row != 0);
      EXPECT_EQ(ds->RecNo(), c.row ? c.row : 5);
      EXPECT_FALSE(ds->ControlsDisabled());
      // The table's own Locate answers the same.
      ds->Last();
      EXPECT_EQ(ds->Locate(c.fields, c.key, c.options), c.row != 0);
      EXPECT_EQ(ds->RecNo(), c.row ? c.row : 5);
    }
  }
}

TEST_F(LocateTest, TheCurrentRowIsTriedFirstWithoutDisablingControls) {
  table->SetRecNo(2);
  EventLink link;
  link.SetDataSet(table.get());
  std::vector<bool> disabledDuringScrolls;
  table->AfterScroll = [&](TDataSet* ds) { disabledDuringScrolls.push_back(ds->ControlsDisabled()); };
  EXPECT_TRUE(LocateThrough(table.get(), "I", 2, 0));  // rows 2 and 4 match: 2 is current
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_TRUE(link.events.empty());
  EXPECT_TRUE(disabledDuringScrolls.empty());

  EXPECT_TRUE(LocateThrough(table.get(), "S", "Barack", 0));
  EXPECT_EQ(table->RecNo(), 3);
  ASSERT_FALSE(disabledDuringScrolls.empty());
  for (bool disabled : disabledDuringScrolls) EXPECT_TRUE(disabled);
  // Controls were disabled for the walk and told once when enabled again.
  EXPECT_EQ(link.events, (std::vector<TDataEvent>{deDataSetChange}));
}

TEST_F(LocateTest, AnEmptyTableAnswersFalseWithoutMoving) {
  MemoryDataPtr empty = StringTable({"A"});
  EventLink link;
  link.SetDataSet(empty.get());
  EXPECT_FALSE(LocateThrough(empty.get(), "A", "x", 0));
  EXPECT_FALSE(LocateThrough(empty.get(), "Nope", "x", 0));  // nothing is looked at
  EXPECT_TRUE(link.events.empty());
}

TEST_F(LocateTest, AnEditInProgressIsPostedFirst) {
  table->First();
  table->Edit();
  table->FieldByName("S")->SetAsString("Zed");
  EXPECT_TRUE(LocateThrough(table.get(), "S", "Zed", 0));
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecNo(), 1);
  EXPECT_TRUE(table->Locate("S", "Zed", 0));
}

TEST_F(LocateTest, ErrorsLeaveTheDataSetWhereItWas) {
  table->SetRecNo(4);
  struct Case {
    const char* fields;
    Variant key;
    const char* message;
  };
  const Case cases[] = {
      {"Nope", "x", "Field 'Nope' not found"},
      {"S;Nope", VarArrayOf({"x", 1}), "Field 'Nope' not found"},
      {"S;I", "alma", "Invalid variant operation"},  // several fields need an array
      {"S;I", VarArrayOf({"Körte"_cp}), "Variant or safe array index out of bounds"},
      {"S", Null(), "Invalid variant type conversion"},  // no text for the key
      {"I", "kettő"_cp, "Invalid variant type conversion"},
  };
  for (const auto& c : cases) {
    try {
      LocateThrough(table.get(), c.fields, c.key, 0);
      ADD_FAILURE() << c.message;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(table->RecNo(), 4) << c.message;
    EXPECT_FALSE(table->ControlsDisabled()) << c.message;
  }
}

TEST_F(LocateTest, AnErrorDuringTheWalkReturnsToTheRowThatWasCurrent) {
  table->Last();
  table->AfterScroll = [](TDataSet* ds) {
    if (ds->FieldByName("S")->AsString() == "Barack") throw EConvertError("scroll failed");
  };
  try {
    LocateThrough(table.get(), "S", "nincs", 0);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "scroll failed");
  }
  EXPECT_EQ(table->RecNo(), 5);
  EXPECT_FALSE(table->ControlsDisabled());
  // Without the failure the walk ends and goes back to the same row.
  table->AfterScroll = nullptr;
  EXPECT_FALSE(LocateThrough(table.get(), "S", "nincs", 0));
  EXPECT_EQ(table->RecNo(), 5);
}

}  // namespace
