#include "wizard-components/WkMemDS.h"

#include <algorithm>
#include <cstring>

#include "platform/components/Application.h"
#include "platform/components/FormResource.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "wizard-components/DBUtils.h"

namespace {

constexpr int kBookmarkInfoSize = 5;  // record ID, then the bookmark flag
constexpr int64_t kMaxRecordSize = 65535;

Variant* VariantAt(const char* value) {
  Variant* v = nullptr;
  std::memcpy(&v, value, sizeof v);
  return v;
}

void SetVariantAt(char* value, Variant* v) { std::memcpy(value, &v, sizeof v); }

int Sign(int64_t v) { return (v > 0) - (v < 0); }

bool IsTextType(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftGuid;
}

// Form resources may hold tables (their field definitions come with the dataset's FieldDefs).
const bool registered = [] {
  RegisterComponentClass<TWkMemoryData>();
  return true;
}();

}  // namespace

// ---- records

TMemoryRecord* TMemoryRecord::CreateEx(TWkMemoryData* dataSet, bool append) {
  std::unique_ptr<TMemoryRecord> record(NewObject<TMemoryRecord>());
  record->SetMemoryData(dataSet, append);
  return record.release();
}

TMemoryRecord::~TMemoryRecord() { Release(); }

void TMemoryRecord::Release() {
  if (!owner_) return;
  auto& list = owner_->records_;
  // From the back: records leave mostly from there (closing, deleting the last row).
  auto it = std::find(list.rbegin(), list.rend(), this);
  if (it != list.rend()) list.erase(std::next(it).base());
  if (data_) owner_->ReleaseRecordData(data_.get());
  data_.reset();
  blobs_.clear();
  owner_ = nullptr;
}

void TMemoryRecord::SetMemoryData(TWkMemoryData* dataSet, bool append) {
  if (owner_ == dataSet) return;
  Release();
  if (!dataSet) return;
  auto data = std::make_unique<char[]>(std::size_t(dataSet->recordSize_));  // zeroed: no variants yet
  std::vector<std::string> blobs(std::size_t(dataSet->BlobFieldCount()));
  if (append) {
    dataSet->records_.push_back(this);
    dataSet->lastID_ = int32_t(uint32_t(dataSet->lastID_) + 1);
    id_ = dataSet->lastID_;
  }
  owner_ = dataSet;
  data_ = std::move(data);
  blobs_ = std::move(blobs);
}

int TMemoryRecord::Index() const {
  if (!owner_) return -1;
  const auto& list = owner_->records_;
  // From the back: a new record is appended before it is moved to its place.
  auto it = std::find(list.rbegin(), list.rend(), this);
  return it == list.rend() ? -1 : int(list.rend() - it) - 1;
}

void TMemoryRecord::SetIndex(int index) {
  int current = Index();
  if (current < 0 || index == current || index < 0 || index >= int(owner_->records_.size())) return;
  auto& list = owner_->records_;
  auto at = [&](int i) { return list.begin() + i; };
  if (current < index)
    std::rotate(at(current), at(current + 1), at(index + 1));
  else
    std::rotate(at(index), at(current), at(current + 1));
}

// ---- construction and layout

TWkMemoryData::~TWkMemoryData() {
  if (open_) {
    // Reached without Free: close here, where the table's own operations still run.
    Destroying();
    try {
      Close();
    } catch (...) {
    }
  }
  sortFields_.reset();
  ClearRecords();
}

void TWkMemoryData::SetCapacity(int capacity) {
  if (capacity > int(records_.capacity())) records_.reserve(std::size_t(capacity));
}

bool TWkMemoryData::IsSupportedType(TFieldType type) {
  switch (type) {
    case ftUnknown:
    case ftCursor:
    case ftArray:
    case ftReference:
    case ftDataSet:
    case ftInterface:
    case ftIDispatch: return false;
    default: return type < kFieldTypeCount;
  }
}

int64_t TWkMemoryData::ValueSize(TFieldType type, int64_t size) {
  size = std::max<int64_t>(size, 0);
  switch (type) {
    case ftString:
    case ftFixedChar: return size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean: return 2;
    case ftInteger:
    case ftDate:
    case ftTime:
    case ftAutoInc: return 4;
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
    case ftLargeint: return 8;
    case ftBCD: return 34;
    case ftBytes: return size;
    case ftVarBytes: return size + 2;
    case ftWideString: return (size + 1) * 2;
    case ftADT: return 0;
    case ftVariant: return 16;
    case ftGuid: return 39;
    default: return IsBlobType(type) ? 4 : 0;
  }
}

void TWkMemoryData::OpenCursor(bool infoQuery) {
  if (!infoQuery) {
    if (FieldCount() > 0) FieldDefs().Clear();
    if (FieldDefs().Count() == 0) {
      for (TField* field : FieldList())
        if (field->FieldKind() == fkData && !IsSupportedType(field->DataType()))
          DatabaseErrorFmt(DBMessages::UnknownFieldType, {field->DisplayName()}, this);
      sortFields_.reset();
    }
    InitFieldDefsFromFields();
    BuildLayout();
  }
  open_ = true;
  TDataSet::OpenCursor(infoQuery);
}

// Offsets of the flattened definitions; sizes are summed wide so that a layout past 64 KB is refused
// instead of wrapping the 16-bit offsets.
void TWkMemoryData::BuildLayout() {
  const TFieldDefList& defs = FieldDefList();
  std::vector<uint16_t> offsets(std::size_t(defs.Count()));
  std::vector<uint8_t> inRecordData(std::size_t(defs.Count()));
  std::vector<int> variants;
  int64_t running = 0;
  for (int i = 0; i < defs.Count(); ++i) {
    TFieldDef* def = defs.FieldDefs(i);
    offsets[std::size_t(i)] = uint16_t(std::min(running, kMaxRecordSize));
    if (!IsRecordDataType(def->DataType())) continue;
    inRecordData[std::size_t(i)] = 1;
    if (def->DataType() == ftVariant) variants.push_back(int(running));
    running += ValueSize(def->DataType(), def->Size()) + 1;
  }
  if (running > kMaxRecordSize) DatabaseErrorFmt(DBMessages::RecordTooLarge, {running}, this);
  offsets_ = std::move(offsets);
  inRecordData_ = std::move(inRecordData);
  variantPlaces_ = std::move(variants);
  recordSize_ = int(running);
}

void TWkMemoryData::InternalOpen() {
  SetBookmarkSize(4);
  if (DefaultFields()) CreateFields();
  BindFields(true);
  bookmarkOffset_ = recordSize_ + CalcFieldsSize();
  blobOffset_ = bookmarkOffset_ + kBookmarkInfoSize;
  recordBufferSize_ = blobOffset_ + int(sizeof(std::string*)) * BlobFieldCount();
  recordPos_ = -1;
}

void TWkMemoryData::InternalClose() {
  ClearRecords();
  lastID_ = INT32_MIN;
  recordPos_ = -1;
  autoInc_ = 1;
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  sortFields_.reset();
  open_ = false;
}

void TWkMemoryData::ClearRecords() {
  // Detached first, so that no record searches the list on its way out.
  std::vector<TMemoryRecord*> records;
  records.swap(records_);
  for (auto it = records.rbegin(); it != records.rend(); ++it) (*it)->Free();
}

// ---- record data and buffers

void TWkMemoryData::ReleaseRecordData(char* data) const {
  for (int place : variantPlaces_) {
    delete VariantAt(data + place + 1);
    SetVariantAt(data + place + 1, nullptr);
    data[place] = 0;
  }
}

// Record data is copied byte for byte, except that variants are copied as values.
void TWkMemoryData::CopyRecordData(char* target, const char* source) const {
  if (target == source) return;
  ReleaseRecordData(target);
  std::memcpy(target, source, std::size_t(recordSize_));
  for (int place : variantPlaces_) SetVariantAt(target + place + 1, nullptr);
  for (int place : variantPlaces_)
    if (const Variant* value = VariantAt(source + place + 1)) SetVariantAt(target + place + 1, new Variant(*value));
}

std::string* TWkMemoryData::BlobSlot(TRecordBuffer buffer, int index) const {
  std::string* slot = nullptr;
  std::memcpy(&slot, buffer + blobOffset_ + index * int(sizeof slot), sizeof slot);
  return slot;
}

TRecordBuffer TWkMemoryData::AllocRecordBuffer() {
  auto buffer = std::make_unique<char[]>(std::size_t(recordBufferSize_));
  int blobs = BlobFieldCount();
  for (int i = 0; i < blobs; ++i) {
    std::string* slot = new std::string();
    std::memcpy(buffer.get() + blobOffset_ + i * int(sizeof slot), &slot, sizeof slot);
  }
  return buffer.release();
}

void TWkMemoryData::FreeRecordBuffer(TRecordBuffer& buffer) {
  if (!buffer) return;
  ReleaseRecordData(buffer);
  for (int i = 0; i < BlobFieldCount(); ++i) delete BlobSlot(buffer, i);
  delete[] buffer;
  buffer = nullptr;
}

void TWkMemoryData::InternalInitRecord(TRecordBuffer buffer) {
  ReleaseRecordData(buffer);
  std::memset(buffer, 0, std::size_t(blobOffset_));
  for (int i = 0; i < BlobFieldCount(); ++i) BlobSlot(buffer, i)->clear();
}

void TWkMemoryData::InitRecord(TRecordBuffer buffer) {
  TDataSet::InitRecord(buffer);
  int32_t none = INT32_MIN;
  std::memcpy(buffer + bookmarkOffset_, &none, 4);
  buffer[bookmarkOffset_ + 4] = char(bfInserted);
}

void TWkMemoryData::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + recordSize_, 0, std::size_t(CalcFieldsSize()));
}

void TWkMemoryData::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer + bookmarkOffset_, 4);
}

void TWkMemoryData::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer + bookmarkOffset_, data, 4);
}

TBookmarkFlag TWkMemoryData::GetBookmarkFlag(TRecordBuffer buffer) {
  return TBookmarkFlag(uint8_t(buffer[bookmarkOffset_ + 4]));
}

void TWkMemoryData::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[bookmarkOffset_ + 4] = char(flag);
}

void TWkMemoryData::RecordToBuffer(const TMemoryRecord& record, TRecordBuffer buffer) {
  CopyRecordData(buffer, record.data_.get());
  std::memcpy(buffer + bookmarkOffset_, &record.id_, 4);
  buffer[bookmarkOffset_ + 4] = char(bfCurrent);
  for (int i = 0; i < BlobFieldCount(); ++i) *BlobSlot(buffer, i) = record.blobs_[std::size_t(i)];
  GetCalcFields(buffer);
}

void TWkMemoryData::StoreRecordData(TRecordBuffer buffer, int position) {
  if (State() == dsFilter) DatabaseError(DBMessages::NotEditing, this);
  TMemoryRecord* record = records_.at(std::size_t(position));
  CopyRecordData(record->data_.get(), buffer);
  for (int i = 0; i < BlobFieldCount(); ++i) record->blobs_[std::size_t(i)] = *BlobSlot(buffer, i);
}

bool TWkMemoryData::GetActiveRecordBuffer(TRecordBuffer& buffer) {
  switch (State()) {
    case dsBrowse: buffer = IsEmpty() ? nullptr : ActiveBuffer(); break;
    case dsEdit:
    case dsInsert: buffer = ActiveBuffer(); break;
    case dsCalcFields: buffer = CalcBuffer(); break;
    case dsFilter: buffer = TempBuffer(); break;
    default: buffer = nullptr; break;
  }
  return buffer != nullptr;
}

bool TWkMemoryData::GetCurrentRecord(TRecordBuffer buffer) {
  if (records_.empty() || IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
  UpdateCursorPos();
  if (recordPos_ < 0 || recordPos_ >= int(records_.size())) return false;
  CopyRecordData(buffer, records_[std::size_t(recordPos_)]->data_.get());
  return true;
}

// ---- navigation

bool TWkMemoryData::RecordFilter(int position) {
  if (!OnFilterRecord()) return true;
  if (position < 0 || position >= int(records_.size())) return false;
  bool accept = true;
  TDataSetState saved = SetTempState(dsFilter);
  try {
    RecordToBuffer(*records_[std::size_t(position)], TempBuffer());
    OnFilterRecord()(this, accept);
  } catch (...) {
    InternalHandleException();
  }
  RestoreState(saved);
  return accept;
}

TGetResult TWkMemoryData::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  int count = int(records_.size());
  bool filtering = Filtered();
  TGetResult result = grOK;
  switch (mode) {
    case gmCurrent:
      if (recordPos_ < 0 || recordPos_ >= count || (filtering && !RecordFilter(recordPos_))) result = grError;
      break;
    case gmNext:
      if (recordPos_ >= count - 1) {
        result = grEOF;
        break;
      }
      do ++recordPos_;
      while (recordPos_ < count && filtering && !RecordFilter(recordPos_));
      if (recordPos_ >= count) {
        recordPos_ = count - 1;
        result = grEOF;
      }
      break;
    case gmPrior:
      if (recordPos_ <= 0) {
        recordPos_ = -1;
        result = grBOF;
        break;
      }
      do --recordPos_;
      while (recordPos_ >= 0 && filtering && !RecordFilter(recordPos_));
      if (recordPos_ < 0) {
        recordPos_ = -1;
        result = grBOF;
      }
      break;
  }
  if (result == grOK)
    RecordToBuffer(*records_[std::size_t(recordPos_)], buffer);
  else if (result == grError && doCheck)
    DatabaseError("No data found", this);
  return result;
}

int TWkMemoryData::RecNo() {
  CheckActive();
  UpdateCursorPos();
  return recordPos_ == -1 && !records_.empty() ? 1 : recordPos_ + 1;
}

void TWkMemoryData::SetRecNo(int value) {
  CheckBrowseMode();  // an insert in progress is posted or cancelled before the cursor moves
  if (value < 1 || value > int(records_.size())) return;
  recordPos_ = value - 1;
  Resync(rmNone);
}

void TWkMemoryData::SetFiltered(bool value) {
  if (!Active()) return TDataSet::SetFiltered(value);
  CheckBrowseMode();
  if (Filtered() == value) return;
  TDataSet::SetFiltered(value);
  First();
}

void TWkMemoryData::SetOnFilterRecord(const TFilterRecordEvent& handler) {
  if (!Active()) return TDataSet::SetOnFilterRecord(handler);
  CheckBrowseMode();
  TDataSet::SetOnFilterRecord(handler);
  if (Filtered()) First();
}

// ---- bookmarks

void TWkMemoryData::InternalGotoBookmark(const void* bookmark) {
  int32_t id = 0;
  std::memcpy(&id, bookmark, 4);
  auto it = std::find_if(records_.begin(), records_.end(), [id](const TMemoryRecord* r) { return r->id_ == id; });
  if (it == records_.end()) return;
  int saved = recordPos_;
  recordPos_ = int(it - records_.begin());
  if (Filtered() && !RecordFilter(recordPos_)) recordPos_ = saved;
}

void TWkMemoryData::InternalSetToRecord(TRecordBuffer buffer) { InternalGotoBookmark(buffer + bookmarkOffset_); }

bool TWkMemoryData::BookmarkValid(const TBookmark& bookmark) {
  if (!open_ || bookmark.size() != 4) return false;
  int32_t id = 0;
  std::memcpy(&id, bookmark.data(), 4);
  return id > INT32_MIN && id <= lastID_;
}

int TWkMemoryData::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() && b.empty()) return 0;
  if (b.empty()) return 1;
  if (a.empty()) return -1;
  int32_t x = 0, y = 0;
  std::memcpy(&x, a.data(), std::min<std::size_t>(a.size(), 4));
  std::memcpy(&y, b.data(), std::min<std::size_t>(b.size(), 4));
  return Sign(int64_t(x) - int64_t(y));
}

// ---- field values

char* TWkMemoryData::FieldPlace(TRecordBuffer buffer, const TField* field) const {
  int index = field->FieldNo() - 1;
  // The layout of the opening, not the definitions of the moment (they may change while open).
  if (!buffer || index < 0 || index >= int(offsets_.size()) || !inRecordData_[std::size_t(index)]) return nullptr;
  return buffer + offsets_[std::size_t(index)];
}

bool TWkMemoryData::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = nullptr;
  if (!GetActiveRecordBuffer(record)) return false;
  if (field->FieldNo() > 0) {
    char* place = FieldPlace(record, field);
    if (!place) return false;
    bool present = place[0] != 0;
    TFieldType type = field->DataType();
    if (present && IsTextType(type)) present = type == ftWideString ? (place[1] != 0 || place[2] != 0) : place[1] != 0;
    if (present && buffer) {
      if (type == ftVariant) {
        const Variant* value = VariantAt(place + 1);
        *static_cast<Variant*>(buffer) = value ? *value : Variant();
      } else {
        std::memcpy(buffer, place + 1, std::size_t(field->DataSize()));
      }
    }
    return present;
  }
  TDataSetState state = State();
  if (state != dsBrowse && state != dsEdit && state != dsInsert && state != dsCalcFields) return false;
  const char* place = record + recordSize_ + field->Offset();
  bool present = place[0] != 0;
  if (present && buffer) std::memcpy(buffer, place + 1, std::size_t(field->DataSize()));
  return present;
}

void TWkMemoryData::SetFieldData(TField* field, const void* buffer) {
  TDataSetState state = State();
  if (state != dsEdit && state != dsInsert && state != dsSetKey && state != dsCalcFields && state != dsFilter &&
      state != dsNewValue && state != dsInternalCalc)
    DatabaseError(DBMessages::NotEditing, this);
  TRecordBuffer record = nullptr;
  bool haveBuffer = GetActiveRecordBuffer(record);
  if (field->FieldNo() > 0) {
    if (state == dsCalcFields || state == dsFilter) DatabaseError(DBMessages::NotEditing, this);
    if (field->ReadOnly() && state != dsSetKey && state != dsFilter)
      DatabaseErrorFmt(DBMessages::FieldReadOnly, {field->DisplayName()}, this);
    field->Validate(buffer);
    char* place = field->FieldKind() == fkInternalCalc ? nullptr : FieldPlace(record, field);
    if (place && field->DataType() == ftVariant) {
      const Variant* value = static_cast<const Variant*>(buffer);
      bool present = value && !value->IsNull() && !value->IsEmpty();
      Variant* copy = present ? new Variant(*value) : nullptr;
      delete VariantAt(place + 1);
      std::memset(place + 1, 0, 16);
      SetVariantAt(place + 1, copy);
      place[0] = present ? 1 : 0;
    } else if (place) {
      place[0] = buffer ? 1 : 0;
      if (buffer)
        std::memcpy(place + 1, buffer, std::size_t(field->DataSize()));
      else
        std::memset(place + 1, 0, std::size_t(field->DataSize()));
    }
  } else {
    // A calculated field needs a buffer to hold it.
    if (!haveBuffer) DatabaseError(DBMessages::NotEditing, this);
    char* place = record + recordSize_ + field->Offset();
    place[0] = buffer ? 1 : 0;
    if (buffer) std::memcpy(place + 1, buffer, std::size_t(field->DataSize()));
  }
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

void TWkMemoryData::FillAutoIncFields(TRecordBuffer buffer) {
  bool filled = false;
  for (TField* field : FieldList()) {
    if (field->FieldKind() != fkData || field->DataType() != ftAutoInc) continue;
    char* place = FieldPlace(buffer, field);
    if (!place) continue;
    place[0] = 1;
    std::memcpy(place + 1, &autoInc_, 4);
    filled = true;
  }
  if (filled) ++autoInc_;
}

// ---- adding, posting and deleting

TMemoryRecord* TWkMemoryData::NewRecordAt(int index) {
  TMemoryRecord* record = TMemoryRecord::Create(this);
  record->SetIndex(index);
  return record;
}

void TWkMemoryData::InternalPost() {
  TDataSet::InternalPost();
  TRecordBuffer buffer = ActiveBuffer();
  int count = int(records_.size());
  if (State() == dsEdit) {
    if (recordPos_ < 0 || recordPos_ >= count) DatabaseError(DBMessages::RecordNotFound, this);
    StoreRecordData(buffer, recordPos_);
    return;
  }
  if (State() == dsInsert) FillAutoIncFields(buffer);
  int at = recordPos_ >= count ? count : std::max(recordPos_, 0);
  TMemoryRecord* record = NewRecordAt(at);
  try {
    StoreRecordData(buffer, at);
  } catch (...) {
    record->Free();
    throw;
  }
  recordPos_ = at;
}

void TWkMemoryData::InternalAddRecord(TRecordBuffer buffer, bool append) {
  int count = int(records_.size());
  int at = append ? count : std::min(std::max(recordPos_, 0), count);
  TMemoryRecord* record = NewRecordAt(at);
  recordPos_ = at;
  FillAutoIncFields(buffer);
  try {
    StoreRecordData(buffer, at);
  } catch (...) {
    record->Free();
    throw;
  }
}

void TWkMemoryData::InternalDelete() {
  if (recordPos_ < 0 || recordPos_ >= int(records_.size())) DatabaseError(DBMessages::RecordNotFound, this);
  records_[std::size_t(recordPos_)]->Free();
  if (recordPos_ >= int(records_.size())) --recordPos_;
  while (Filtered() && recordPos_ >= 0 && !RecordFilter(recordPos_)) --recordPos_;
  if (records_.empty()) lastID_ = INT32_MIN;
}

void TWkMemoryData::InternalHandleException() { Application->HandleException(this); }

// ---- blobs

TStream* TWkMemoryData::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return TMemBlobStream::Create(As<TBlobField>(field), mode);
}

void TWkMemoryData::CloseBlob(TField* field) {
  TRecordBuffer buffer = ActiveBuffer();
  if (!buffer || field->Offset() < 0 || field->Offset() >= BlobFieldCount()) return;
  std::string* slot = BlobSlot(buffer, field->Offset());
  if (State() == dsEdit && recordPos_ >= 0 && recordPos_ < int(records_.size()))
    *slot = records_[std::size_t(recordPos_)]->blobs_[std::size_t(field->Offset())];
  else
    slot->clear();
}

// ---- searching and ordering

bool TWkMemoryData::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
  DoBeforeScroll();
  bool found = LocateThrough(this, keyFields, keyValues, options);
  if (found) {
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
  }
  return found;
}

bool TWkMemoryData::GetIsIndexField(TField* field) {
  return sortFields_ && std::find(sortFields_->begin(), sortFields_->end(), field) != sortFields_->end();
}

void TWkMemoryData::SetSortFields(std::vector<TField*> fields, bool caseInsensitive, bool descending) {
  sortFields_ = std::move(fields);
  sortCaseInsensitive_ = caseInsensitive;
  sortDescending_ = descending;
}

int TWkMemoryData::CompareValues(const TField* field, const char* a, const char* b) const {
  auto text = [&](const char* p, std::size_t max) { return std::string_view(p, strnlen(p, max)); };
  auto read = [](const char* p, auto value) {
    std::memcpy(&value, p, sizeof value);
    return value;
  };
  auto order = [](auto x, auto y) { return (x > y) - (x < y); };
  std::size_t size = std::size_t(ValueSize(field->DataType(), field->Size()));
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar: {
      int r = sortCaseInsensitive_ ? AnsiCompareText(text(a, size - 1), text(b, size - 1))
                                   : AnsiCompareStr(text(a, size - 1), text(b, size - 1));
      return Sign(r);
    }
    case ftWideString: {
      auto wide = [&](const char* p) {
        std::u16string s(size / 2, u'\0');
        std::memcpy(s.data(), p, size);
        s.resize(std::min(s.find(u'\0'), s.size()));
        return cp1250::FromUtf16(s);
      };
      std::string x = wide(a), y = wide(b);
      return Sign(sortCaseInsensitive_ ? AnsiCompareText(x, y) : AnsiCompareStr(x, y));
    }
    case ftGuid: return Sign(AnsiCompareText(text(a, 38), text(b, 38)));
    case ftSmallint: return order(read(a, int16_t()), read(b, int16_t()));
    case ftWord: return order(read(a, uint16_t()), read(b, uint16_t()));
    case ftInteger:
    case ftDate:
    case ftTime:
    case ftAutoInc: return order(read(a, int32_t()), read(b, int32_t()));
    case ftLargeint: return order(read(a, int64_t()), read(b, int64_t()));
    case ftFloat:
    case ftCurrency:
    case ftDateTime: return order(read(a, double()), read(b, double()));
    case ftBoolean: return order(read(a, uint16_t()) != 0, read(b, uint16_t()) != 0);
    default: return 0;
  }
}

int TWkMemoryData::CompareRecords(TMemoryRecord* a, TMemoryRecord* b) {
  int result = 0;
  if (sortFields_) {
    for (TField* field : *sortFields_) {
      const char* x = FieldPlace(a->data_.get(), field);
      const char* y = FieldPlace(b->data_.get(), field);
      if (!x || !y) continue;
      if (x[0] && y[0])
        result = CompareValues(field, x + 1, y + 1);
      else
        result = (x[0] != 0) - (y[0] != 0);
      if (sortDescending_) result = -result;
      if (result != 0) return result;
    }
  }
  result = Sign(int64_t(a->id_) - int64_t(b->id_));
  return sortDescending_ ? -result : result;
}

// ---- blob streams

void TMemBlobStream::AfterConstruction() {
  TStream::AfterConstruction();
  dataSet_ = As<TWkMemoryData>(field_->DataSet());
  if (!dataSet_ || !dataSet_->GetActiveRecordBuffer(buffer_)) return;
  if (!field_->Modified() && mode_ != bmRead) {
    if (field_->ReadOnly()) DatabaseErrorFmt(DBMessages::FieldReadOnly, {field_->DisplayName()}, dataSet_);
    if (dataSet_->State() != dsEdit && dataSet_->State() != dsInsert) DatabaseError(DBMessages::NotEditing, dataSet_);
    cached_ = true;
  } else {
    cached_ = buffer_ == dataSet_->ActiveBuffer();
  }
  opened_ = true;
  if (mode_ == bmWrite) Truncate();
}

TMemBlobStream::~TMemBlobStream() {
  if (opened_ && modified_) field_->SetModified(true);
  if (!modified_) return;
  try {
    dataSet_->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field_));
  } catch (...) {
    dataSet_->InternalHandleException();
  }
}

const std::string* TMemBlobStream::Value() {
  if (!opened_) return nullptr;
  int index = field_->Offset();
  if (cached_) return dataSet_->BlobSlot(buffer_, index);
  const auto& records = dataSet_->records_;
  if (records.empty()) return nullptr;
  int position = std::clamp(dataSet_->recordPos_, 0, int(records.size()) - 1);
  return &records[std::size_t(position)]->Blobs()[std::size_t(index)];
}

int64_t TMemBlobStream::Size() {
  const std::string* value = Value();
  return value ? int64_t(value->size()) : 0;
}

int64_t TMemBlobStream::Read(void* buffer, int64_t count) {
  const std::string* value = Value();
  if (!value || count <= 0) return 0;
  int64_t available = int64_t(value->size()) - position_;
  count = std::min(count, available);
  if (count <= 0) return 0;
  std::memcpy(buffer, value->data() + position_, std::size_t(count));
  position_ += int32_t(count);
  return count;
}

int64_t TMemBlobStream::Write(const void* buffer, int64_t count) {
  if (!opened_ || !cached_ || mode_ == bmRead || count <= 0) return 0;
  if (count > INT32_MAX - int64_t(position_)) return 0;
  if (dataSet_->State() == dsFilter && buffer_ == dataSet_->ActiveBuffer())
    DatabaseError(DBMessages::NotEditing, dataSet_);
  std::string* value = dataSet_->BlobSlot(buffer_, field_->Offset());
  std::size_t end = std::size_t(position_) + std::size_t(count);
  if (value->size() < end) value->resize(end, '\0');
  std::memcpy(value->data() + position_, buffer, std::size_t(count));
  position_ += int32_t(count);
  modified_ = true;
  return count;
}

void TMemBlobStream::Truncate() {
  if (!opened_ || !cached_ || mode_ == bmRead) return;
  dataSet_->BlobSlot(buffer_, field_->Offset())->clear();
  modified_ = true;
}

int64_t TMemBlobStream::Seek(int64_t offset, int origin) {
  int64_t base = origin == soFromCurrent ? position_ : origin == soFromEnd ? Size() : 0;
  int64_t target = base + std::clamp<int64_t>(offset, -int64_t(INT32_MAX) * 2, int64_t(INT32_MAX) * 2);
  position_ = int32_t(std::clamp<int64_t>(target, 0, INT32_MAX));
  return position_;
}
