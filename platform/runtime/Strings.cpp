#include "platform/runtime/Strings.h"

#include <algorithm>

#include "platform/runtime/Collation.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Streams.h"

namespace {

constexpr const char* kSortedListError = "Operation not allowed on sorted list";

// Keeps a list in update mode for a scope, also when it is left by an exception.
class UpdateScope {
 public:
  explicit UpdateScope(TStrings& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateScope() { list_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TStrings& list_;
};

}  // namespace

// --- TStrings

void TStrings::IndexError(int index) {
  throw EStringListError(ListErrorMessage("List index out of bounds (%d)", index));
}

std::string_view TStrings::View(int index, std::string& scratch) const {
  scratch = Get(index);
  return scratch;
}

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  if (&strings == this) {
    std::vector<std::pair<std::string, TObject*>> copy;
    for (int i = 0; i < strings.Count(); ++i) copy.emplace_back(strings.Get(i), strings.GetObject(i));
    UpdateScope scope(*this);
    for (auto& [s, object] : copy) AddObject(s, object);
    return;
  }
  UpdateScope scope(*this);
  for (int i = 0; i < strings.Count(); ++i) AddObject(strings.Get(i), strings.GetObject(i));
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::Put(int index, const std::string& s) {
  TObject* object = GetObject(index);
  UpdateScope scope(*this);
  Delete(index);
  InsertObject(index, s, object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

void TStrings::Exchange(int index1, int index2) {
  UpdateScope scope(*this);
  std::string s = Get(index1);
  TObject* object = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s);
  PutObject(index2, object);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  if (newIndex < 0 || newIndex >= Count()) IndexError(newIndex);
  UpdateScope scope(*this);
  std::string s = Get(curIndex);
  TObject* object = GetObject(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, object);
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return AnsiCompareText(a, b); }

int TStrings::IndexOf(std::string_view s) const {
  std::string scratch;
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(View(i, scratch), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
  std::string scratch;
  for (int i = 0; i < Count(); ++i) {
    std::string_view line = View(i, scratch);
    std::size_t eq = line.find('=');
    if (eq != std::string::npos && CompareStrings(line.substr(0, eq), name) == 0) return i;
  }
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string line = Get(index);
  std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::Values(std::string_view name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(std::string_view name, const std::string& value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line = std::string(name) + "=" + value;
  if (index < 0)
    Add(line);
  else
    Put(index, line);
}

std::string TStrings::ValueFromIndex(int index) const {
  if (index < 0) return {};
  std::string line = Get(index);
  std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

std::string TStrings::Text() const {
  std::string scratch;
  std::size_t size = 0;
  int count = Count();
  for (int i = 0; i < count; ++i) size += View(i, scratch).size() + 2;
  std::string text;
  text.reserve(size);
  for (int i = 0; i < count; ++i) {
    text += View(i, scratch);
    text += "\r\n";
  }
  return text;
}

std::vector<std::string_view> SplitTextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  ForEachTextLine(text, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}

void TStrings::SetText(std::string_view text) {
  UpdateScope scope(*this);
  Clear();
  for (std::string_view line : SplitTextLines(text)) Add(std::string(line));
}

void TStrings::LoadFromStream(TStream& stream) {
  UpdateScope scope(*this);
  int64_t left = std::max<int64_t>(stream.Size() - stream.Position(), 0);
  std::string text(std::size_t(left), '\0');
  std::size_t done = 0;
  while (done < text.size()) {
    int64_t n = stream.Read(text.data() + done, int64_t(text.size() - done));
    if (n <= 0) break;
    done += std::size_t(n);
  }
  text.resize(done);
  SetText(text);
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), int64_t(text.size()));
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

bool TStrings::Equals(const TStrings& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

void TStrings::Assign(TPersistent* source) {
  if (auto* strings = DynamicAs<TStrings>(source)) {
    if (strings == this) return;
    UpdateScope scope(*this);
    Clear();
    AddStrings(*strings);
    return;
  }
  inherited::Assign(source);
}

// --- TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (ownsObjects_) {
    std::vector<Item> doomed;
    doomed.swap(items_);
    for (Item& item : doomed) FreeObject(item.object);
  }
}

void TStringList::FreeObject(TObject* object) {
  if (ownsObjects_ && object) object->Free();
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
}

void TStringList::SetCapacity(int capacity) {
  if (capacity < Count()) IndexError(capacity);
  items_.reserve(std::size_t(capacity));
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
  if (sorted_) throw EStringListError(kSortedListError);
  if (index < 0 || index > Count()) IndexError(index);
  InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject* object = items_[std::size_t(index)].object;
  items_.erase(items_.begin() + index);
  FreeObject(object);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> doomed;
  doomed.swap(items_);
  for (Item& item : doomed) FreeObject(item.object);
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[std::size_t(index1)], items_[std::size_t(index2)]);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  if (sorted_) throw EStringListError(kSortedListError);
  Changing();
  auto cur = items_.begin() + curIndex;
  auto dest = items_.begin() + newIndex;
  if (curIndex < newIndex)
    std::rotate(cur, cur + 1, dest + 1);
  else
    std::rotate(dest, cur, cur + 1);
  Changed();
}

bool TStringList::Find(std::string_view s, int& index) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), s, [this](const Item& item, std::string_view key) {
    return CompareStrings(item.text, key) < 0;
  });
  index = int(it - items_.begin());
  return it != items_.end() && CompareStrings(it->text, s) == 0;
}

int TStringList::IndexOf(std::string_view s) const {
  if (!sorted_) return inherited::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::Sort() {
  if (items_.size() < 2) return;
  Changing();
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) Sort();
}

std::string_view TStringList::View(int index, std::string&) const {
  CheckIndex(index);
  return items_[std::size_t(index)].text;
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[std::size_t(index)].text;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) throw EStringListError(kSortedListError);
  CheckIndex(index);
  Changing();
  items_[std::size_t(index)].text = s;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[std::size_t(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  TObject* old = items_[std::size_t(index)].object;
  items_[std::size_t(index)].object = object;
  if (old != object) FreeObject(old);
  Changed();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}
