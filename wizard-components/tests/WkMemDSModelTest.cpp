// A long random sequence of operations on the in-memory table, checked after each step against a
// plain model of its rows and cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "WkMemDSTestSupport.h"

namespace {

struct Row {
  int32_t id;
  std::string name;
  std::optional<int> qty;
  std::string memo;
  std::string variant;  // empty: null
  int autoInc;
};

struct Model {
  std::vector<Row> rows;
  int current = 0;  // index of the current row (meaningless when empty)
  int32_t lastId = INT32_MIN;
  int autoInc = 1;
  int32_t NextId() { return ++lastId; }
};

class RandomOperations {
 public:
  explicit RandomOperations(unsigned seed) : random_(seed) {
    table_.reset(TWkMemoryData::Create(nullptr));
    table_->FieldDefs().Add("Name", ftString, 12);
    table_->FieldDefs().Add("Qty", ftInteger);
    table_->FieldDefs().Add("Memo", ftMemo);
    table_->FieldDefs().Add("V", ftVariant);
    table_->FieldDefs().Add("No", ftAutoInc);
    table_->Open();
  }

  void Step(int n) {
    step_ = n;
    int op = Pick(0, 99);
    if (op < 18)
      AddRow(false);
    else if (op < 24)
      AddRow(true);
    else if (op < 34)
      EditRow(true);
    else if (op < 38)
      EditRow(false);
    else if (op < 41)
      CancelledInsert();
    else if (op < 53)
      DeleteRow();
    else if (op < 73)
      Move();
    else if (op < 80)
      SetRecNo();
    else if (op < 87)
      GotoBookmark();
    else if (op < 94)
      Locate();
    else if (op < 97)
      WalkAndReturn();
    else if (op < 98)
      Reopen();
    else
      SaveBookmark();
    Check();
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::string Name() { return "n" + std::to_string(Pick(0, 30)); }

  void Fill(Row& row) {
    row.name = Name();
    if (Pick(0, 4) == 0)
      row.qty.reset();
    else
      row.qty = Pick(-1000, 1000);
    row.memo = Pick(0, 3) == 0 ? std::string() : std::string(std::size_t(Pick(1, 300)), char('a' + Pick(0, 25)));
    row.variant = Pick(0, 2) == 0 ? std::string() : "v" + std::to_string(Pick(0, 99999)) + std::string(40, 'x');
    TWkMemoryData& t = *table_;
    t.FieldByName("Name")->SetAsString(row.name);
    if (row.qty)
      t.FieldByName("Qty")->SetAsInteger(*row.qty);
    else
      t.FieldByName("Qty")->Clear();
    t.FieldByName("Memo")->SetAsString(row.memo);
    if (row.variant.empty())
      t.FieldByName("V")->Clear();
    else
      t.FieldByName("V")->SetValue(Variant(row.variant));
  }

  void AddRow(bool append) {
    Model& m = model_;
    if (append)
      table_->Append();
    else
      table_->Insert();
    Row row{};
    Fill(row);
    table_->Post();
    row.id = m.NextId();
    row.autoInc = m.autoInc++;
    int at = append || m.rows.empty() ? int(m.rows.size()) : m.current;
    m.rows.insert(m.rows.begin() + at, row);
    m.current = at;
  }

  void EditRow(bool post) {
    if (model_.rows.empty()) return;
    table_->Edit();
    Row changed = model_.rows[std::size_t(model_.current)];
    Fill(changed);
    if (post) {
      table_->Post();
      model_.rows[std::size_t(model_.current)] = changed;
    } else {
      table_->Cancel();
    }
  }

  void CancelledInsert() {
    table_->Insert();
    Row ignored{};
    if (Pick(0, 1)) Fill(ignored);
    table_->Cancel();
  }

  void DeleteRow() {
    if (model_.rows.empty()) return;
    table_->Delete();
    model_.rows.erase(model_.rows.begin() + model_.current);
    if (model_.current >= int(model_.rows.size())) model_.current = int(model_.rows.size()) - 1;
    if (model_.rows.empty()) {
      model_.current = 0;
      model_.lastId = INT32_MIN;
    }
  }

  void Move() {
    int n = int(model_.rows.size());
    switch (Pick(0, 4)) {
      case 0:
        table_->First();
        model_.current = 0;
        EXPECT_TRUE(table_->Bof());
        break;
      case 1:
        table_->Last();
        model_.current = std::max(n - 1, 0);
        EXPECT_TRUE(table_->Eof());
        break;
      case 2:
        table_->Next();
        if (model_.current < n - 1) {
          ++model_.current;
        } else {
          EXPECT_TRUE(table_->Eof());
        }
        break;
      case 3:
        table_->Prior();
        if (model_.current > 0) {
          --model_.current;
        } else {
          EXPECT_TRUE(table_->Bof());
        }
        break;
      default: {
        int distance = Pick(-5, 5);
        int moved = table_->MoveBy(distance);
        if (n == 0) break;
        int target = std::clamp(model_.current + distance, 0, n - 1);
        if (distance != 0) {
          EXPECT_LE(std::abs(moved), std::abs(distance));
        }
        model_.current = target;
      }
    }
  }

  void SetRecNo() {
    int n = int(model_.rows.size());
    int value = Pick(-1, n + 1);
    table_->SetRecNo(value);
    if (value >= 1 && value <= n) model_.current = value - 1;
  }

  void SaveBookmark() {
    if (!model_.rows.empty()) bookmarks_.push_back(table_->GetBookmark());
  }

  void GotoBookmark() {
    if (bookmarks_.empty()) return SaveBookmark();
    const TBookmark& b = bookmarks_[std::size_t(Pick(0, int(bookmarks_.size()) - 1))];
    int32_t id = 0;
    std::memcpy(&id, b.data(), 4);
    auto it = std::find_if(model_.rows.begin(), model_.rows.end(), [&](const Row& r) { return r.id == id; });
    if (model_.rows.empty()) return;  // nowhere to go: the table would report no data
    EXPECT_EQ(table_->BookmarkValid(b), id <= model_.lastId);
    table_->GotoBookmark(b);
    if (it != model_.rows.end()) model_.current = int(it - model_.rows.begin());
  }

  void Locate() {
    std::string name = Name();
    bool found = table_->Locate("Name", name, 0);
    auto& rows = model_.rows;
    bool expected = false;
    if (!rows.empty() && rows[std::size_t(model_.current)].name == name) {
      expected = true;
    } else {
      auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.name == name; });
      if (it != rows.end()) {
        expected = true;
        model_.current = int(it - rows.begin());
      }
    }
    EXPECT_EQ(found, expected) << name;
  }

  void WalkAndReturn() {
    TBookmark here = table_->GetBookmark();
    std::size_t i = 0;
    for (table_->First(); !table_->Eof(); table_->Next(), ++i) {
      ASSERT_LT(i, model_.rows.size());
      CheckRow(model_.rows[i]);
    }
    EXPECT_EQ(i, model_.rows.size());
    if (!here.empty()) table_->GotoBookmark(here);
  }

  void Reopen() {
    table_->Close();
    table_->Open();
    model_ = Model();
    bookmarks_.clear();
  }

  void CheckRow(const Row& row) {
    TWkMemoryData& t = *table_;
    ASSERT_EQ(t.FieldByName("Name")->AsString(), row.name) << "step " << step_;
    EXPECT_EQ(t.FieldByName("Qty")->IsNull(), !row.qty.has_value());
    if (row.qty) {
      EXPECT_EQ(t.FieldByName("Qty")->AsInteger(), *row.qty);
    }
    EXPECT_EQ(t.FieldByName("Memo")->AsString(), row.memo);
    EXPECT_EQ(t.FieldByName("V")->AsString(), row.variant);
    EXPECT_EQ(t.FieldByName("No")->AsInteger(), row.autoInc);
    EXPECT_EQ(t.GetBookmark(), TBookmark(reinterpret_cast<const char*>(&row.id), 4));
  }

  void Check() {
    ASSERT_EQ(table_->RecordCount(), int(model_.rows.size())) << "step " << step_;
    ASSERT_EQ(table_->State(), dsBrowse);
    EXPECT_EQ(table_->LastID(), model_.lastId);
    if (model_.rows.empty()) {
      EXPECT_TRUE(table_->IsEmpty());
      return;
    }
    ASSERT_EQ(table_->RecNo(), model_.current + 1) << "step " << step_;
    CheckRow(model_.rows[std::size_t(model_.current)]);
  }

  std::mt19937 random_;
  MemoryDataPtr table_;
  Model model_;
  std::vector<TBookmark> bookmarks_;
  int step_ = 0;
};

TEST(WkMemDSModel, ALongRandomSequenceMatchesTheModel) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    RandomOperations run(seed);
    for (int i = 0; i < 4000 && !::testing::Test::HasFatalFailure(); ++i) run.Step(i);
  }
}

}  // namespace
