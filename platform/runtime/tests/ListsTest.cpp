#include "platform/runtime/Lists.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

std::set<int> g_alive;

class TItem : public TObject {
  VCL_CLASS(TItem, TObject)
  explicit TItem(int id) : id(id) { g_alive.insert(id); }
  ~TItem() override { g_alive.erase(id); }
  int id;
};

std::vector<intptr_t> Contents(const TList& list) {
  std::vector<intptr_t> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(reinterpret_cast<intptr_t>(list[i]));
  return out;
}

void* P(intptr_t v) { return reinterpret_cast<void*>(v); }

TEST(List, IndexErrorsNameTheBadIndexAndChangeNothing) {
  std::unique_ptr<TList> list(TList::Create());
  list->Add(P(1));
  list->Add(P(2));
  struct Case {
    const char* what;
    std::function<void(TList&)> op;
    const char* message;
  };
  const Case cases[] = {
      {"read -1", [](TList& l) { l.Items(-1); }, "List index out of bounds (-1)"},
      {"read count", [](TList& l) { l.Items(2); }, "List index out of bounds (2)"},
      {"write", [](TList& l) { l.SetItems(5, nullptr); }, "List index out of bounds (5)"},
      {"insert past end", [](TList& l) { l.Insert(3, P(9)); }, "List index out of bounds (3)"},
      {"delete", [](TList& l) { l.Delete(2); }, "List index out of bounds (2)"},
      {"exchange", [](TList& l) { l.Exchange(0, 7); }, "List index out of bounds (7)"},
      {"move", [](TList& l) { l.Move(0, 2); }, "List index out of bounds (2)"},
      {"capacity", [](TList& l) { l.SetCapacity(1); }, "List capacity out of bounds (1)"},
      {"count", [](TList& l) { l.SetCount(-1); }, "List count out of bounds (-1)"},
      {"last of empty",
       [](TList&) {
         TList empty;
         empty.Last();
       },
       "List index out of bounds (-1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.op(*list);
      ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(Contents(*list), (std::vector<intptr_t>{1, 2}));
  }
}

TEST(List, EditingOperations) {
  TList list;
  for (intptr_t v : {1, 2, 3, 4}) list.Add(P(v));
  list.Insert(0, P(0));
  list.Insert(5, P(5));
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{0, 1, 2, 3, 4, 5}));
  list.Move(1, 4);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{0, 2, 3, 4, 1, 5}));
  list.Move(4, 0);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{1, 0, 2, 3, 4, 5}));
  list.Exchange(0, 5);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{5, 0, 2, 3, 4, 1}));
  EXPECT_EQ(list.Remove(P(3)), 3);
  EXPECT_EQ(list.Remove(P(3)), -1);
  EXPECT_EQ(list.Extract(P(4)), P(4));
  EXPECT_EQ(list.Extract(P(42)), nullptr);
  EXPECT_EQ(list.IndexOf(P(2)), 2);
  list.SetCount(6);
  list.Pack();
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{5, 2, 1}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(List, SortIsStableByTheCompareFunction) {
  TList list;
  // Tens digit is the key; the ones digit shows the original order.
  for (intptr_t v : {31, 10, 32, 11, 20, 33}) list.Add(P(v));
  list.Sort(
      [](void* a, void* b) { return int(reinterpret_cast<intptr_t>(a) / 10 - reinterpret_cast<intptr_t>(b) / 10); });
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{10, 11, 20, 31, 32, 33}));
}

TEST(ObjectList, OwnsWhatItHoldsUntilExtracted) {
  g_alive.clear();
  TObjectList* list = TObjectList::Create();
  TItem* items[5];
  for (int i = 0; i < 5; ++i) list->Add(items[i] = NewObject<TItem>(i));
  list->Delete(0);
  EXPECT_EQ(list->Remove(items[1]), 0);
  EXPECT_EQ(list->Extract(items[2]), items[2]);
  list->SetItems(0, NewObject<TItem>(9));  // replaces (and frees) item 3
  EXPECT_EQ(g_alive, (std::set<int>{2, 4, 9}));
  EXPECT_EQ(As<TItem>(list->First())->id, 9);
  list->Free();
  EXPECT_EQ(g_alive, std::set<int>{2});
  items[2]->Free();
}

TEST(ObjectList, WithoutOwnershipOrDeletedPlainlyItStillBehaves) {
  g_alive.clear();
  TItem* kept = NewObject<TItem>(1);
  {
    std::unique_ptr<TObjectList> borrowing(TObjectList::Create(false));
    borrowing->Add(kept);
    borrowing->Clear();
    borrowing->Add(kept);
  }
  EXPECT_EQ(g_alive, std::set<int>{1});
  {
    // Deleted without its destruction sequence, an owning list frees its items all the same.
    std::unique_ptr<TObjectList> owning(TObjectList::Create());
    owning->Add(kept);
    owning->Add(nullptr);
  }
  EXPECT_TRUE(g_alive.empty());
}

// A subclass that frees its items in Clear (as pointer lists of tree nodes do) gets Clear on Free.
TEST(List, FreeRunsTheOverriddenClear) {
  struct TNodes : TList {
    int* cleared;
    void Clear() override {
      ++*cleared;
      TList::Clear();
    }
  };
  int cleared = 0;
  TNodes* nodes = NewObject<TNodes>();
  nodes->cleared = &cleared;
  nodes->Free();
  EXPECT_EQ(cleared, 1);
}

}  // namespace
