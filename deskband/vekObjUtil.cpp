#include "deskband/vekObjUtil.h"

#include <array>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace {

constexpr int kThunks = kThunksPerBlock * kThunkBlocks;

struct Binding {
  std::atomic<TThunkMethod> method{nullptr};
  std::atomic<void*> object{nullptr};
};

struct Thunks {
  std::mutex lock;
  std::array<Binding, kThunks> bindings;
  std::vector<int> freeList;  // the top (back) is handed out next
  int blocks = 0;
};

Thunks& T() {
  static Thunks t;
  return t;
}

template <int I>
LRESULT CALLBACK Entry(int arg1, WPARAM arg2, LPARAM arg3) {
  return ThunkEntry(I, arg1, arg2, arg3);
}

template <int... I>
constexpr std::array<TCallbackThunk, kThunks> MakeEntries(std::integer_sequence<int, I...>) {
  return {&Entry<I>...};
}
constexpr std::array<TCallbackThunk, kThunks> kEntries = MakeEntries(std::make_integer_sequence<int, kThunks>{});

}  // namespace

LRESULT ThunkEntry(int index, int arg1, WPARAM arg2, LPARAM arg3) {
  Binding& b = T().bindings[size_t(index)];
  TThunkMethod method = b.method.load(std::memory_order_acquire);
  TThunkRecord record{arg1, arg2, arg3, 0};
  if (method) method(b.object.load(std::memory_order_acquire), record);
  return record.Result;
}

TCallbackThunk MakeCallbackThunk(TThunkMethod method, void* object) {
  if (!method) return nullptr;
  Thunks& t = T();
  std::lock_guard g(t.lock);
  if (t.freeList.empty()) {
    if (t.blocks == kThunkBlocks) return nullptr;
    int first = t.blocks++ * kThunksPerBlock;
    for (int i = 0; i < kThunksPerBlock; ++i) t.freeList.push_back(first + i);
  }
  int index = t.freeList.back();
  t.freeList.pop_back();
  t.bindings[size_t(index)].object.store(object, std::memory_order_release);
  t.bindings[size_t(index)].method.store(method, std::memory_order_release);
  return kEntries[size_t(index)];
}

void FreeCallbackThunk(TCallbackThunk thunk) {
  if (!thunk) return;
  Thunks& t = T();
  std::lock_guard g(t.lock);
  for (int i = 0; i < kThunks; ++i) {
    if (kEntries[size_t(i)] != thunk) continue;
    if (!t.bindings[size_t(i)].method.load()) return;  // already free
    t.bindings[size_t(i)].method.store(nullptr, std::memory_order_release);
    t.bindings[size_t(i)].object.store(nullptr, std::memory_order_release);
    t.freeList.push_back(i);
    return;
  }
}
