#include "platform/components/data/DataSet.h"

#include <algorithm>

#include "platform/runtime/Collation.h"
#include "platform/runtime/SysUtils.h"

namespace {

// Runs body, then cleanup, also when body raises (cleanup may raise in turn).
template <class Body, class Cleanup>
void TryFinally(Body&& body, Cleanup&& cleanup) {
  try {
    body();
  } catch (...) {
    cleanup();
    throw;
  }
  cleanup();
}

bool IsEditState(TDataSetState state) { return state == dsEdit || state == dsInsert; }

}  // namespace

// ---- links

TDataSetLink::~TDataSetLink() { SetDataSet(nullptr); }

void TDataSetLink::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_) {
    auto& links = dataSet_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->links_.push_back(this);
}

// ---- the flattened definition list

int TFieldDefList::IndexOf(std::string_view fullName) const {
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (AnsiSameText(names_[i], fullName)) return int(i);
  return -1;
}

TFieldDef* TFieldDefList::Find(std::string_view fullName) const {
  int i = IndexOf(fullName);
  return i < 0 ? nullptr : defs_[std::size_t(i)];
}

// ---- construction

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), fieldDefs_(this), fields_(this) {}

TDataSet::~TDataSet() {
  for (TDataSetLink* link : links_) link->dataSet_ = nullptr;
}

void TDataSet::BeforeDestruction() {
  Destroying();
  try {
    SetActive(false);
  } catch (...) {
    // Closing while being destroyed reports nothing.
  }
  fields_.Clear();
  inherited::BeforeDestruction();
}

// ---- opening and closing

void TDataSet::SetActive(bool value) {
  if (Active() == value) return;
  if (value) {
    DoBeforeOpen();
    try {
      OpenCursor(false);
    } catch (...) {
      if (state_ != dsOpening) OpenCursorComplete();
      throw;
    }
    if (state_ != dsOpening) OpenCursorComplete();
  } else {
    bool destroying = (ComponentState() & csDestroying) != 0;
    if (!destroying) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery)
    InternalInitFieldDefs();
  else if (state_ != dsOpening)
    DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
  defaultFields_ = FieldCount() == 0;
  InternalOpen();
  internalOpenComplete_ = true;
  SetBufListSize(2);
  bufferCount_ = 1;
  ClearBuffers();
  GetNextRecords();
  bof_ = true;
}

void TDataSet::OpenCursorComplete() {
  if (internalOpenComplete_) {
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    SetState(dsInactive);
    CloseCursor();
  }
}

void TDataSet::CloseCursor() {
  internalOpenComplete_ = false;
  FreeFieldBuffers();
  ClearBuffers();
  SetBufListSize(0);
  bufferCount_ = 0;
  InternalClose();
  defaultFields_ = false;
}

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) DatabaseError(DBMessages::DataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (state_ != dsInactive) DatabaseError(DBMessages::DataSetOpen, this);
}

// ---- fields and definitions

const TFieldDefList& TDataSet::FieldDefList() {
  if (fieldDefListVersion_ != fieldDefsVersion_) {
    fieldDefList_.defs_.clear();
    fieldDefList_.names_.clear();
    auto add = [&](auto& self, TFieldDefs& defs) -> void {
      for (int i = 0; i < defs.Count(); ++i) {
        TFieldDef* def = defs[i];
        fieldDefList_.defs_.push_back(def);
        fieldDefList_.names_.push_back(def->FullName());
        def->fieldNo_ = int(fieldDefList_.defs_.size());
        if (def->HasChildDefs()) self(self, def->ChildDefs());
      }
    };
    add(add, fieldDefs_);
    fieldDefListVersion_ = fieldDefsVersion_;
  }
  return fieldDefList_;
}

const std::vector<TField*>& TDataSet::FieldList() {
  if (!fieldListValid_) {
    fieldList_.clear();
    auto add = [&](auto& self, TField* field) -> void {
      fieldList_.push_back(field);
      if (auto* object = DynamicAs<TObjectField>(field))
        for (int i = 0; i < object->FieldCount(); ++i) self(self, object->Fields(i));
    };
    for (int i = 0; i < fields_.Count(); ++i) add(add, fields_[i]);
    fieldListValid_ = true;
  }
  return fieldList_;
}

TField* TDataSet::FindField(std::string_view name) {
  for (TField* field : FieldList())
    if (AnsiSameText(field->FullName(), name)) return field;
  return nullptr;
}

TField* TDataSet::FieldByName(std::string_view name) {
  TField* field = FindField(name);
  if (!field) DatabaseErrorFmt(DBMessages::FieldNotFound, {name}, this);
  return field;
}

void TDataSet::GetFieldList(std::vector<TField*>& list, std::string_view fieldNames) {
  std::size_t start = 0;
  while (start <= fieldNames.size() && !fieldNames.empty()) {
    std::size_t end = fieldNames.find(';', start);
    if (end == std::string_view::npos) end = fieldNames.size();
    list.push_back(FieldByName(Trim(fieldNames.substr(start, end - start))));
    start = end + 1;
    if (end == fieldNames.size()) break;
  }
}

void TDataSet::SetObjectView(bool value) {
  CheckInactive();
  objectView_ = value;
}

void TDataSet::InitFieldDefsFromFields() {
  if (fieldDefs_.Count() > 0) return;
  auto add = [](auto& self, TField* field, TFieldDefs& defs) -> void {
    if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) return;
    TFieldDef* def = defs.Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
    if (auto* object = DynamicAs<TObjectField>(field))
      for (int i = 0; i < object->FieldCount(); ++i) self(self, object->Fields(i), def->ChildDefs());
  };
  for (int i = 0; i < fields_.Count(); ++i) add(add, fields_[i], fieldDefs_);
}

void TDataSet::CreateFields() {
  if (objectView_) {
    for (int i = 0; i < fieldDefs_.Count(); ++i)
      if (fieldDefs_[i]->DataType() != ftUnknown) fieldDefs_[i]->CreateField(this);
    return;
  }
  const TFieldDefList& list = FieldDefList();
  for (int i = 0; i < list.Count(); ++i) {
    TFieldDef* def = list.FieldDefs(i);
    TFieldType type = def->DataType();
    bool objectType = type == ftADT || type == ftArray || type == ftReference || type == ftDataSet;
    if (type != ftUnknown && !objectType) def->CreateField(this, nullptr, list.Strings(i), false);
  }
}

void TDataSet::DestroyFields() { fields_.Clear(); }

void TDataSet::BindFields(bool binding) {
  calcFieldsSize_ = 0;
  blobFieldCount_ = 0;
  internalCalcFields_ = false;
  if (!binding) return;
  const TFieldDefList& defs = FieldDefList();
  for (TField* field : FieldList()) {
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
      field->fieldNo_ = -1;
      field->offset_ = calcFieldsSize_;
      calcFieldsSize_ += field->DataSize() + 1;
      continue;
    }
    TFieldDef* def = defs.Find(field->FullName());
    if (!def) DatabaseErrorFmt(DBMessages::FieldNotFound, {field->DisplayName()}, this);
    if (def->DataType() != field->DataType())
      DatabaseErrorFmt(DBMessages::FieldTypeMismatch,
                       {field->DisplayName(), FieldTypeName(field->DataType()), FieldTypeName(def->DataType())}, this);
    field->fieldNo_ = def->FieldNo();
    if (field->FieldKind() == fkInternalCalc) internalCalcFields_ = true;
    if (field->IsBlob()) {
      field->size_ = def->Size();
      field->offset_ = blobFieldCount_++;
    }
  }
}

// ---- buffers

void TDataSet::SetBufListSize(int size) {
  while (int(buffers_.size()) > size) {
    TRecordBuffer buffer = buffers_.back();
    buffers_.pop_back();
    FreeRecordBuffer(buffer);
  }
  while (int(buffers_.size()) < size) buffers_.push_back(AllocRecordBuffer());
}

TRecordBuffer TDataSet::ActiveBuffer() const {
  return std::size_t(activeRecord_) < buffers_.size() ? buffers_[std::size_t(activeRecord_)] : nullptr;
}

TRecordBuffer TDataSet::TempBuffer() const {
  return std::size_t(recordCount_) < buffers_.size() ? buffers_[std::size_t(recordCount_)] : nullptr;
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::MoveBuffer(int from, int to) {
  if (from == to) return;
  auto at = [&](int i) { return buffers_.begin() + i; };
  if (from < to)
    std::rotate(at(from), at(from + 1), at(to + 1));
  else
    std::rotate(at(to), at(from), at(from + 1));
}

void TDataSet::SetCurrentRecord(int index) {
  if (currentRecord_ == index) return;
  TRecordBuffer buffer = buffers_[std::size_t(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted: InternalSetToRecord(buffer); break;
    case bfBOF: InternalFirst(); break;
    case bfEOF: InternalLast(); break;
  }
  currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (recordCount_ > 0) {
    SetCurrentRecord(recordCount_ - 1);
    if (state_ == dsInsert && currentRecord_ == activeRecord_ && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  bool ok = GetRecord(buffers_[std::size_t(recordCount_)], mode, true) == grOK;
  if (!ok) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0)
    ActivateBuffers();
  else if (recordCount_ < bufferCount_)
    ++recordCount_;
  else
    MoveBuffer(0, recordCount_);
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  bool ok = GetRecord(buffers_[std::size_t(recordCount_)], gmPrior, true) == grOK;
  if (!ok) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++count;
  return count;
}

// ---- navigation

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  TryFinally(
      [&] {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
      },
      [&] {
        bof_ = true;
        DataEvent(deDataSetChange, 0);
        DoAfterScroll();
      });
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  TryFinally(
      [&] {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
      },
      [&] {
        eof_ = true;
        DataEvent(deDataSetChange, 0);
        DoAfterScroll();
      });
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int result = 0;
  DoBeforeScroll();
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    int scrolled = 0;
    TryFinally(
        [&] {
          for (; distance > 0; --distance, ++result) {
            if (activeRecord_ < recordCount_ - 1) {
              ++activeRecord_;
              continue;
            }
            int shift = recordCount_ < bufferCount_ ? 0 : 1;
            if (!GetNextRecord()) {
              eof_ = true;
              break;
            }
            scrolled -= shift;
            if (shift == 0) activeRecord_ = recordCount_ - 1;
          }
          for (; distance < 0; ++distance, --result) {
            if (activeRecord_ > 0) {
              --activeRecord_;
              continue;
            }
            int shift = recordCount_ < bufferCount_ ? 0 : 1;
            if (!GetPriorRecord()) {
              bof_ = true;
              break;
            }
            scrolled += shift;
            activeRecord_ = 0;
          }
        },
        [&] {
          DataEvent(deDataSetScroll, scrolled);
          DoAfterScroll();
        });
  }
  return result;
}

int TDataSet::RecNo() { return -1; }
void TDataSet::SetRecNo(int) {}
int TDataSet::RecordCount() { return -1; }

void TDataSet::Resync(uint8_t mode) {
  TRecordBuffer spare = buffers_[std::size_t(recordCount_)];
  if (mode & rmExact) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(DBMessages::RecordNotFound, this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
             GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int count = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  TryFinally(
      [&] {
        while (count > 0 && GetPriorRecord()) --count;
        GetNextRecords();
        GetPriorRecords();
      },
      [&] { DataEvent(deDataSetChange, 0); });
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (IsEditState(state_)) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  } else if (state_ == dsSetKey) {
    Post();
  }
}

// ---- editing

void TDataSet::UpdateRecord() {
  if (!IsEditState(state_) && state_ != dsSetKey) DatabaseError(DBMessages::NotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Edit() {
  if (IsEditState(state_)) return;
  if (recordCount_ == 0) return Insert();
  CheckBrowseMode();
  if (!CanModify()) DatabaseError(DBMessages::DataSetReadOnly, this);
  DoBeforeEdit();
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  if (!CanModify()) DatabaseError(DBMessages::DataSetReadOnly, this);
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(rmNone);
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

// Makes the active buffer a new row: before the current row, or after the last one.
TRecordBuffer TDataSet::PrepareNewRow(bool append) {
  if (append) {
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    return buffer;
  }
  TBookmark current = GetBookmark();
  MoveBuffer(recordCount_, activeRecord_);
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (recordCount_ == 0 || current.empty())
    SetBookmarkFlag(buffer, bfBOF);
  else
    SetBookmarkData(buffer, current.data());
  if (recordCount_ < bufferCount_) ++recordCount_;
  return buffer;
}

void TDataSet::Insert() {
  BeginInsertAppend();
  PrepareNewRow(false);
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  PrepareNewRow(true);
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::AddRecord(const std::vector<Variant>& values, bool append) {
  BeginInsertAppend();
  PrepareNewRow(append);
  SetState(dsInsert);
  TryFinally(
      [&] {
        DoOnNewRecord();
        for (std::size_t i = 0; i < values.size() && int(i) < fields_.Count(); ++i)
          fields_[int(i)]->SetValue(values[i]);
        DoBeforePost();
        UpdateCursorPos();
        InternalAddRecord(ActiveBuffer(), append);
      },
      [&] {
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(rmNone);
      });
  DoAfterPost();
  DoAfterScroll();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::InternalPost() {
  for (TField* field : FieldList())
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull())
      DatabaseErrorFmt(DBMessages::FieldRequired, {field->DisplayName()}, this);
}

void TDataSet::Post() {
  UpdateRecord();
  if (!IsEditState(state_)) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation([this] { InternalPost(); }, OnPostError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(rmNone);
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (!IsEditState(state_)) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  bool scrolls = state_ == dsInsert;
  if (scrolls) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(rmNone);
  DoAfterCancel();
  if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) return Cancel();
  if (recordCount_ == 0) DatabaseError(DBMessages::DataSetEmpty, this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(rmNone);
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError) {
  for (;;) {
    try {
      UpdateCursorPos();
      operation();
      return;
    } catch (EDatabaseError& error) {
      TDataAction action = daFail;
      if (onError) onError(this, error, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TDataSet::FreeFieldBuffers() {
  for (TField* field : FieldList()) {
    auto* blob = DynamicAs<TBlobField>(field);
    if (blob && blob->modified_) {
      CloseBlob(blob);
      blob->modified_ = false;
    }
  }
}

// ---- calculated fields

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (calcFieldsSize_ == 0 && !internalCalcFields_) return;
  TDataSetState saved = state_;
  state_ = dsCalcFields;
  TryFinally([&] { CalculateFields(buffer); },
             [&] {
               state_ = saved;
               calcBuffer_ = nullptr;
             });
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  calcBuffer_ = buffer;
  if (state_ != dsInternalCalc) ClearCalcFields(buffer);
  DoOnCalcFields();
}

void TDataSet::UpdateCalcFields() {
  if (IsEditState(state_) && autoCalcFields_) GetCalcFields(ActiveBuffer());
}

// ---- bookmarks

bool TDataSet::BookmarkAvailable() {
  return (state_ == dsBrowse || IsEditState(state_)) && !IsEmpty() && GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  if (!BookmarkAvailable()) return {};
  TBookmark bookmark(std::size_t(bookmarkSize_), '\0');
  GetBookmarkData(ActiveBuffer(), bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  if (int(bookmark.size()) != bookmarkSize_) DatabaseError(DBMessages::RecordNotFound, this);
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync(rmExact | rmCenter);
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }
int TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) { return 0; }

bool TDataSet::Locate(const std::string&, const Variant&, TLocateOptions) { return false; }

TStream* TDataSet::CreateBlobStream(TField*, TBlobStreamMode) { return nullptr; }

// ---- states, events and controls

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
  TDataSetState saved = state_;
  state_ = state;
  ++disableCount_;
  return saved;
}

void TDataSet::RestoreState(TDataSetState state) {
  state_ = state;
  --disableCount_;
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ != 0) return;
  if (disableState_ != state_) DataEvent(deUpdateState, 0);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deFieldChange) {
    auto* field = reinterpret_cast<TField*>(info);
    if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) modified_ = true;
    UpdateCalcFields();
    field->Change();
  } else if (event == deFieldListChange) {
    FieldsChanged();
  }
  if (!ControlsDisabled() && state_ != dsBlockRead) {
    std::vector<TDataSetLink*> links = links_;
    for (TDataSetLink* link : links)
      if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(event, info);
  } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
    enableEvent_ = deLayoutChange;
  }
}
