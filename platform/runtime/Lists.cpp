#include "platform/runtime/Lists.h"

#include <algorithm>
#include <string>

namespace {

constexpr const char* kIndexError = "List index out of bounds (%d)";
constexpr const char* kCapacityError = "List capacity out of bounds (%d)";
constexpr const char* kCountError = "List count out of bounds (%d)";

}  // namespace

std::string ListErrorMessage(const char* format, long long value) {
  std::string message(format);
  std::size_t at = message.find("%d");
  if (at != std::string::npos) message.replace(at, 2, std::to_string(value));
  return message;
}

void RaiseListError(const char* format, long long value) { throw EListError(ListErrorMessage(format, value)); }

TList::~TList() = default;

void TList::BeforeDestruction() {
  Clear();
  inherited::BeforeDestruction();
}

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseListError(kIndexError, index);
}

void TList::Notify(void*, TListNotification) {}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) RaiseListError(kCapacityError, capacity);
  if (std::size_t(capacity) > items_.capacity()) {
    items_.reserve(std::size_t(capacity));
  } else if (std::size_t(capacity) < items_.capacity()) {
    std::vector<void*> trimmed;
    trimmed.reserve(std::size_t(capacity));
    trimmed.assign(items_.begin(), items_.end());
    items_.swap(trimmed);
  }
}

void TList::SetCount(int count) {
  if (count < 0) RaiseListError(kCountError, count);
  if (count > Count()) {
    items_.resize(std::size_t(count), nullptr);
    return;
  }
  // One at a time from the end: a notification may change the list.
  while (Count() > count) Delete(Count() - 1);
}

void* TList::Items(int index) const {
  CheckIndex(index);
  return items_[std::size_t(index)];
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index);
  void* old = items_[std::size_t(index)];
  if (old == item) return;
  items_[std::size_t(index)] = item;
  if (old) Notify(old, lnDeleted);
  if (item) Notify(item, lnAdded);
}

int TList::Add(void* item) {
  items_.push_back(item);
  int index = Count() - 1;
  if (item) Notify(item, lnAdded);
  return index;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) RaiseListError(kIndexError, index);
  items_.insert(items_.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* item = items_[std::size_t(index)];
  items_.erase(items_.begin() + index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

int TList::IndexOf(const void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : int(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[std::size_t(index1)], items_[std::size_t(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  auto cur = items_.begin() + curIndex;
  auto dest = items_.begin() + newIndex;
  if (curIndex < newIndex)
    std::rotate(cur, cur + 1, dest + 1);
  else
    std::rotate(dest, cur, cur + 1);
}

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

TObjectList::~TObjectList() {
  // Freed without its destruction sequence: still free what it owns.
  if (ownsObjects_)
    while (Count() > 0) Delete(Count() - 1);
}

void TObjectList::Notify(void* item, TListNotification action) {
  if (ownsObjects_ && action == lnDeleted) static_cast<TObject*>(item)->Free();
  inherited::Notify(item, action);
}
