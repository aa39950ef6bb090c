#include "ArrayDataSet.h"

#include <cstring>

namespace {
struct BookmarkInfo {
  int32_t index;
  uint8_t flag;
};
const char* ModeName(TGetMode mode) { return mode == gmCurrent ? "current" : mode == gmNext ? "next" : "prior"; }
const char* ResultName(TGetResult r) { return r == grOK ? "ok" : r == grBOF ? "bof" : r == grEOF ? "eof" : "error"; }
}  // namespace

TArrayDataSet::~TArrayDataSet() {
  if (open_) {
    Destroying();
    try {
      Close();
    } catch (...) {
    }
  }
}

TRecordBuffer TArrayDataSet::AllocRecordBuffer() {
  Note("AllocRecordBuffer");
  return new char[std::size_t(bookmarkOffset_) + sizeof(BookmarkInfo)]();
}

void TArrayDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  Note("FreeRecordBuffer");
  delete[] buffer;
  buffer = nullptr;
}

void TArrayDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer + bookmarkOffset_, 4);
}

void TArrayDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  Note("SetBookmarkData");
  std::memcpy(buffer + bookmarkOffset_, data, 4);
}

TBookmarkFlag TArrayDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return TBookmarkFlag(uint8_t(buffer[bookmarkOffset_ + 4]));
}

void TArrayDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[bookmarkOffset_ + 4] = char(flag);
}

bool TArrayDataSet::Accepted(int index) {
  if (!Filtered() || !OnFilterRecord()) return true;
  TDataSetState saved = SetTempState(dsFilter);
  std::memcpy(TempBuffer(), rows_[std::size_t(index)].data(), std::size_t(recordSize_));
  GetCalcFields(TempBuffer());
  bool accept = true;
  try {
    OnFilterRecord()(this, accept);
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
  return accept;
}

TGetResult TArrayDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  int count = int(rows_.size());
  TGetResult result = grOK;
  if (mode == gmCurrent) {
    if (position_ < 0 || position_ >= count || !Accepted(position_)) result = grError;
  } else if (mode == gmNext) {
    int p = position_;
    do ++p;
    while (p < count && !Accepted(p));
    if (p >= count)
      result = grEOF;
    else
      position_ = p;
  } else {
    int p = position_;
    do --p;
    while (p >= 0 && !Accepted(p));
    if (p < 0)
      result = grBOF, position_ = -1;
    else
      position_ = p;
  }
  Note(std::string("GetRecord ") + ModeName(mode) + " " + ResultName(result));
  if (result == grOK) {
    std::memcpy(buffer, rows_[std::size_t(position_)].data(), std::size_t(recordSize_));
    BookmarkInfo info{position_, bfCurrent};
    std::memcpy(buffer + bookmarkOffset_, &info.index, 4);
    buffer[bookmarkOffset_ + 4] = char(bfCurrent);
    GetCalcFields(buffer);
  } else if (result == grError && doCheck) {
    DatabaseError("No data found", this);
  }
  return result;
}

void TArrayDataSet::InternalOpen() {
  Note("InternalOpen");
  SetBookmarkSize(4);
  if (DefaultFields()) CreateFields();
  BindFields(true);
  places_.assign(std::size_t(FieldDefList().Count() + 1), -1);
  recordSize_ = 0;
  for (TField* field : FieldList()) {
    if (field->FieldNo() <= 0 || field->IsBlob()) continue;
    places_[std::size_t(field->FieldNo())] = recordSize_;
    recordSize_ += field->DataSize() + 1;
  }
  bookmarkOffset_ = recordSize_ + CalcFieldsSize();
  open_ = true;
  for (const auto& values : Rows) {
    std::string row(std::size_t(recordSize_), '\0');
    loading_ = row.data();
    try {
      for (std::size_t i = 0; i < values.size() && int(i) < Fields().Count(); ++i)
        Fields()[int(i)]->SetValue(values[i]);
    } catch (...) {
      loading_ = nullptr;
      throw;
    }
    loading_ = nullptr;
    rows_.push_back(std::move(row));
  }
  position_ = -1;
}

void TArrayDataSet::InternalClose() {
  Note("InternalClose");
  rows_.clear();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  open_ = false;
  position_ = -1;
}

void TArrayDataSet::InternalFirst() {
  Note("InternalFirst");
  position_ = -1;
}

void TArrayDataSet::InternalLast() {
  Note("InternalLast");
  position_ = int(rows_.size());
}

void TArrayDataSet::InternalInitRecord(TRecordBuffer buffer) {
  Note("InternalInitRecord");
  std::memset(buffer, 0, std::size_t(bookmarkOffset_));
}

void TArrayDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + recordSize_, 0, std::size_t(CalcFieldsSize()));
}

void TArrayDataSet::InternalGotoBookmark(const void* bookmark) {
  Note("InternalGotoBookmark");
  int32_t index = 0;
  std::memcpy(&index, bookmark, 4);
  if (index >= 0 && index < int(rows_.size())) position_ = index;
}

void TArrayDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  Note("InternalSetToRecord");
  InternalGotoBookmark(buffer + bookmarkOffset_);
}

bool TArrayDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (!open_ || bookmark.size() != 4) return false;
  int32_t index = 0;
  std::memcpy(&index, bookmark.data(), 4);
  return index >= 0 && index < int(rows_.size());
}

int TArrayDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return int(!a.empty()) - int(!b.empty());
  int32_t x = 0, y = 0;
  std::memcpy(&x, a.data(), 4);
  std::memcpy(&y, b.data(), 4);
  return (x > y) - (x < y);
}

int TArrayDataSet::RecNo() {
  CheckActive();
  UpdateCursorPos();
  return position_ < 0 && !rows_.empty() ? 1 : position_ + 1;
}

void TArrayDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  if (value < 1 || value > int(rows_.size())) return;
  DoBeforeScroll();
  position_ = value - 1;
  Resync(rmNone);
  DoAfterScroll();
}

TRecordBuffer TArrayDataSet::CurrentBuffer() {
  if (loading_) return loading_;
  switch (State()) {
    case dsBrowse: return IsEmpty() ? nullptr : ActiveBuffer();
    case dsCalcFields: return CalcBuffer();
    case dsFilter: return TempBuffer();
    default: return nullptr;
  }
}

int TArrayDataSet::PlaceOf(TField* field) const {
  if (field->FieldNo() <= 0 || std::size_t(field->FieldNo()) >= places_.size()) return -1;
  return places_[std::size_t(field->FieldNo())];
}

bool TArrayDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = CurrentBuffer();
  if (!record) return false;
  int place = field->FieldNo() > 0 ? PlaceOf(field) : recordSize_ + field->Offset();
  if (place < 0 || record[place] == 0) return false;
  if (field->DataType() == ftString && record[place + 1] == 0) return false;
  if (buffer) std::memcpy(buffer, record + place + 1, std::size_t(field->DataSize()));
  return true;
}

void TArrayDataSet::SetFieldData(TField* field, const void* buffer) {
  TRecordBuffer record = CurrentBuffer();
  bool calculated = field->FieldNo() <= 0;
  if (!loading_ && (!record || State() != dsCalcFields || !calculated)) DatabaseError(DBMessages::NotEditing, this);
  int place = calculated ? recordSize_ + field->Offset() : PlaceOf(field);
  if (place < 0) return;
  field->Validate(buffer);
  record[place] = buffer ? 1 : 0;
  if (buffer)
    std::memcpy(record + place + 1, buffer, std::size_t(field->DataSize()));
  else
    std::memset(record + place + 1, 0, std::size_t(field->DataSize()));
}
