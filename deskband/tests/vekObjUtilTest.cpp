#include "deskband/vekObjUtil.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

struct Counter {
  std::vector<TThunkRecord> seen;
};

void Record(void* object, TThunkRecord& r) {
  static_cast<Counter*>(object)->seen.push_back(r);
  r.Result = LRESULT(r.Arg1) + LRESULT(r.Arg2) * 10 + r.Arg3 * 100;
}

TEST(CallbackThunks, CallTheBoundMethodWithTheArgumentRecord) {
  Counter a, b;
  TCallbackThunk ta = MakeCallbackThunk(Record, &a), tb = MakeCallbackThunk(Record, &b);
  ASSERT_TRUE(ta);
  ASSERT_TRUE(tb);
  EXPECT_NE(ta, tb);
  EXPECT_EQ(ta(1, 2, 3), 321);
  EXPECT_EQ(tb(-4, 0, 5), 496);
  ASSERT_EQ(a.seen.size(), 1u);
  EXPECT_EQ(a.seen[0].Arg1, 1);
  EXPECT_EQ(a.seen[0].Arg2, 2u);
  EXPECT_EQ(a.seen[0].Arg3, 3);
  EXPECT_EQ(a.seen[0].Result, 0) << "the result starts at 0";
  EXPECT_EQ(b.seen.size(), 1u);
  FreeCallbackThunk(ta);
  EXPECT_EQ(ta(1, 2, 3), 0) << "a released thunk reaches nothing";
  EXPECT_EQ(a.seen.size(), 1u);
  FreeCallbackThunk(tb);
  EXPECT_FALSE(MakeCallbackThunk(nullptr, &a));
}

TEST(CallbackThunks, ReleasedThunksComeBackFirstAndBlocksRunOut) {
  Counter c;
  std::vector<TCallbackThunk> all;
  std::set<TCallbackThunk> distinct;
  for (int i = 0; i < kThunksPerBlock * kThunkBlocks; ++i) {
    TCallbackThunk t = MakeCallbackThunk(Record, &c);
    ASSERT_TRUE(t) << i;
    all.push_back(t);
    distinct.insert(t);
  }
  EXPECT_EQ(distinct.size(), all.size());
  EXPECT_FALSE(MakeCallbackThunk(Record, &c)) << "every block is in use";
  FreeCallbackThunk(all[100]);
  FreeCallbackThunk(all[100]);  // twice: still one free thunk
  FreeCallbackThunk(nullptr);
  FreeCallbackThunk(all[7]);
  EXPECT_EQ(MakeCallbackThunk(Record, &c), all[7]) << "the last released is handed out first";
  EXPECT_EQ(MakeCallbackThunk(Record, &c), all[100]);
  EXPECT_FALSE(MakeCallbackThunk(Record, &c));
  for (TCallbackThunk t : all) FreeCallbackThunk(t);
}

}  // namespace
