// The component library's pointer list and owning object list.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Object.h"

// Why a list tells its subclasses about an item: added, removed without freeing (Extract), or deleted.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Sort order of two items: <0, 0 or >0.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

// The list's message format ("List index out of bounds (%d)" and its kin) with the value, and EListError
// raised with it.
std::string ListErrorMessage(const char* format, long long value);
[[noreturn]] void RaiseListError(const char* format, long long value);

// An ordered list of untyped pointers; indexes are checked and raise EListError.
class TList : public TObject {
  VCL_CLASS(TList, TObject)
  TList() = default;
  ~TList() override;
  static TList* Create() { return NewObject<TList>(); }

  int Count() const { return int(items_.size()); }
  int Capacity() const { return int(items_.capacity()); }
  void SetCapacity(int capacity);
  // Growing adds nil items; shrinking deletes the items past the new end.
  void SetCount(int count);

  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* operator[](int index) const { return Items(index); }
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Removes the first occurrence; returns its former index, or -1.
  int Remove(void* item);
  // Removes the first occurrence without deleting it (lnExtracted); returns the item, or nil when absent.
  void* Extract(void* item);
  int IndexOf(const void* item) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  // Removes every nil item.
  void Pack();
  // Stable sort by the compare function.
  void Sort(const TListSortCompare& compare);
  virtual void Clear();

  void BeforeDestruction() override;

 protected:
  // Called after an item was added and after it left the list (subclasses free what they own here).
  virtual void Notify(void* item, TListNotification action);
  void CheckIndex(int index) const;

 private:
  std::vector<void*> items_;
};

// A list of objects that by default owns them: deleting, clearing or replacing an item frees it.
class TObjectList : public TList {
  VCL_CLASS(TObjectList, TList)
  explicit TObjectList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
  ~TObjectList() override;
  static TObjectList* Create(bool ownsObjects = true) { return NewObject<TObjectList>(ownsObjects); }

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }

  TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
  void SetItems(int index, TObject* item) { TList::SetItems(index, item); }
  TObject* operator[](int index) const { return Items(index); }
  TObject* First() const { return Items(0); }
  TObject* Last() const { return Items(Count() - 1); }

  int Add(TObject* item) { return TList::Add(item); }
  void Insert(int index, TObject* item) { TList::Insert(index, item); }
  int Remove(TObject* item) { return TList::Remove(item); }
  TObject* Extract(TObject* item) { return static_cast<TObject*>(TList::Extract(item)); }
  int IndexOf(const TObject* item) const { return TList::IndexOf(item); }

 protected:
  void Notify(void* item, TListNotification action) override;

 private:
  bool ownsObjects_;
};
