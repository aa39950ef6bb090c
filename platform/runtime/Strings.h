// The component library's string lists: lines of CP1250 text, each with an optional object, with the
// text, name=value and file forms; TStringList adds storage, sorting and change events.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/Classes.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The lines of a text: CR LF, LF and a lone CR end a line; a final line end starts no further line.
std::vector<std::string_view> SplitTextLines(std::string_view text);
// Calls `line` with each line of the text, as SplitTextLines splits it, without keeping them.
template <class LineFunction>
void ForEachTextLine(std::string_view text, LineFunction&& line) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    line(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) line(text.substr(start));
}

// A list of strings. Subclasses supply storage through the protected primitives; everything else is built
// on them. Index errors raise EStringListError "List index out of bounds (%d)".
class TStrings : public TPersistent {
  VCL_CLASS(TStrings, TPersistent)

  virtual int Count() const = 0;
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  std::string operator[](int index) const { return Get(index); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* object) { PutObject(index, object); }

  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, TObject* object);
  void Append(const std::string& s) { Add(s); }
  virtual void AddStrings(const TStrings& strings);
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void InsertObject(int index, const std::string& s, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  virtual void Move(int curIndex, int newIndex);

  virtual int IndexOf(std::string_view s) const;
  int IndexOfObject(const TObject* object) const;
  // Lines of the form name=value, split at the first "=" (a line without one has an empty name).
  int IndexOfName(std::string_view name) const;
  std::string Names(int index) const;
  std::string Values(std::string_view name) const;
  // An empty value deletes the line; otherwise the line is replaced or appended.
  void SetValues(std::string_view name, const std::string& value);
  std::string ValueFromIndex(int index) const;

  // Every line followed by CR LF.
  virtual std::string Text() const;
  // Replaces the lines; CR LF, LF and a lone CR each end a line, and a final line end adds no empty line.
  virtual void SetText(std::string_view text);

  // From the stream's position to its end, and the whole file; saving writes Text.
  virtual void LoadFromStream(TStream& stream);
  virtual void LoadFromFile(const std::string& fileName);
  virtual void SaveToStream(TStream& stream) const;
  virtual void SaveToFile(const std::string& fileName) const;

  // Nested; the last EndUpdate reports one change.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Same lines in the same order (objects are not compared).
  bool Equals(const TStrings& other) const;
  // From another TStrings: its lines and objects; other sources as TPersistent does.
  void Assign(TPersistent* source) override;

 protected:
  virtual std::string Get(int index) const = 0;
  // Line index without a copy where the storage allows; scratch holds the text otherwise.
  virtual std::string_view View(int index, std::string& scratch) const;
  virtual void Put(int index, const std::string& s);
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* object);
  // Case-insensitive by the locale's collation unless a subclass says otherwise.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;
  virtual void SetUpdateState(bool updating);
  [[noreturn]] static void IndexError(int index);

 private:
  int updateCount_ = 0;
};

// The string list: optionally sorted by the locale's collation (case-insensitive unless CaseSensitive),
// with a duplicates policy for sorted adds, change events, and objects that it frees when OwnsObjects.
class TStringList : public TStrings {
  VCL_CLASS(TStringList, TStrings)
  TStringList() = default;
  explicit TStringList(bool ownsObjects) : ownsObjects_(ownsObjects) {}
  ~TStringList() override;
  static TStringList* Create(bool ownsObjects = false) { return NewObject<TStringList>(ownsObjects); }

  int Count() const override { return int(items_.size()); }
  int Capacity() const { return int(items_.capacity()); }
  void SetCapacity(int capacity);

  int Add(const std::string& s) override;
  int AddObject(const std::string& s, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  int IndexOf(std::string_view s) const override;
  // Binary search of a sorted list: true when found; index is the match (the first of equal lines) or
  // where the string would be inserted.
  bool Find(std::string_view s, int& index) const;
  virtual void Sort();

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  std::string Get(int index) const override;
  std::string_view View(int index, std::string& scratch) const override;
  void Put(int index, const std::string& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  int CompareStrings(std::string_view a, std::string_view b) const override;
  void SetUpdateState(bool updating) override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    std::string text;
    TObject* object;
  };
  void CheckIndex(int index) const;
  void InsertItem(int index, const std::string& s, TObject* object);
  void FreeObject(TObject* object);

  std::vector<Item> items_;
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
};
