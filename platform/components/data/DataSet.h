// The dataset framework's base class. A dataset holds one window of record buffers (the active row and a
// spare one) and drives a subclass through the virtual operations below: the subclass stores the rows,
// the framework keeps the states, navigation, editing, bookmarks, calculated fields and events.
// Rows added with Insert go before the current row and become current after Post; Append adds after
// the last row.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/components/data/DB.h"
#include "platform/components/data/Fields.h"
#include "platform/runtime/Classes.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Variant.h"

class TDataSet;

using TRecordBuffer = char*;
// A bookmark's bytes; empty means no bookmark.
using TBookmark = std::string;

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;
using TDataSetErrorEvent = std::function<void(TDataSet* dataSet, EDatabaseError& error, TDataAction& action)>;

// Something that shows a dataset's data (a data source of controls): told of the dataset's data events
// while the dataset's controls are enabled. Unlinks itself when freed.
class TDataSetLink {
 public:
  TDataSetLink() = default;
  TDataSetLink(const TDataSetLink&) = delete;
  TDataSetLink& operator=(const TDataSetLink&) = delete;
  virtual ~TDataSetLink();
  void SetDataSet(TDataSet* dataSet);
  TDataSet* DataSet() const { return dataSet_; }
  virtual void DataEvent(TDataEvent event, intptr_t info) = 0;

 private:
  friend class TDataSet;
  TDataSet* dataSet_ = nullptr;
};

// The flattened list of a dataset's field definitions (child definitions follow their parent), by full name.
class TFieldDefList {
 public:
  int Count() const { return int(defs_.size()); }
  TFieldDef* FieldDefs(int index) const { return defs_[std::size_t(index)]; }
  const std::string& Strings(int index) const { return names_[std::size_t(index)]; }
  // Case-insensitive; -1 or nil when absent.
  int IndexOf(std::string_view fullName) const;
  TFieldDef* Find(std::string_view fullName) const;

 private:
  friend class TDataSet;
  std::vector<TFieldDef*> defs_;
  std::vector<std::string> names_;
};

class TDataSet : public TComponent {
  VCL_CLASS(TDataSet, TComponent)
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;
  void BeforeDestruction() override;

  // ---- opening and closing
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  // ---- fields and definitions
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefList& FieldDefList();
  TFields& Fields() { return fields_; }
  int FieldCount() const { return fields_.Count(); }
  // Every field, child fields of object fields included, in order.
  const std::vector<TField*>& FieldList();
  // By full name, case-insensitively; nil, or "Field '%s' not found".
  TField* FindField(std::string_view name);
  TField* FieldByName(std::string_view name);
  // The fields named in a semicolon-separated list, in order (unknown names raise).
  void GetFieldList(std::vector<TField*>& list, std::string_view fieldNames);
  bool DefaultFields() const { return defaultFields_; }
  bool ObjectView() const { return objectView_; }
  void SetObjectView(bool value);
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }
  int CalcFieldsSize() const { return calcFieldsSize_; }
  int BlobFieldCount() const { return blobFieldCount_; }
  // Field definitions from the fields (data and internal-calculated ones), replacing FieldDefs.
  void InitFieldDefsFromFields();

  // ---- navigation
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_; }
  virtual int RecNo();
  virtual void SetRecNo(int value);
  virtual int RecordCount();
  virtual bool IsSequenced() { return false; }
  // Rereads the rows around the cursor; Exact: the current row must still be there.
  enum TResyncMode : uint8_t { rmNone = 0, rmExact = 1, rmCenter = 2 };
  void Resync(uint8_t mode);
  void CheckActive() const;
  void CheckInactive() const;
  // Posts or cancels an edit in progress (post when modified).
  void CheckBrowseMode();

  // ---- editing
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Adds a row in one step with the values of the first fields (Null and Empty leave a field empty),
  // before the current row or after the last.
  void InsertRecord(const std::vector<Variant>& values) { AddRecord(values, false); }
  void AppendRecord(const std::vector<Variant>& values) { AddRecord(values, true); }
  bool Modified() const { return modified_; }
  // Tells the controls to write their pending values; raises when not editing.
  void UpdateRecord();
  virtual bool CanModify() { return true; }

  // ---- bookmarks
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
  TBookmark Bookmark() { return GetBookmark(); }
  void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
  virtual bool BookmarkValid(const TBookmark& bookmark);
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
  int BookmarkSize() const { return bookmarkSize_; }

  // ---- searching and filtering
  virtual bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool value) { filtered_ = value; }
  const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
  virtual void SetOnFilterRecord(const TFilterRecordEvent& handler) { onFilterRecord_ = handler; }

  // ---- controls
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }

  // ---- field values and blobs, called by the fields
  virtual bool GetFieldData(TField* field, void* buffer) = 0;
  virtual void SetFieldData(TField* field, const void* buffer) = 0;
  // A stream on a blob field's value in the current row; the caller owns it.
  virtual TStream* CreateBlobStream(TField* field, TBlobStreamMode mode);
  // A blob field's editing was abandoned (its value in the active buffer goes back).
  virtual void CloseBlob(TField* field) { (void)field; }
  // Whether a buffer for the current state exists and is the active one, and the buffers themselves.
  TRecordBuffer ActiveBuffer() const;
  TRecordBuffer TempBuffer() const;
  TRecordBuffer CalcBuffer() const { return calcBuffer_; }

  // Tells the dataset (and, while controls are enabled, its links) of a data event.
  virtual void DataEvent(TDataEvent event, intptr_t info);

  // ---- events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit, AfterEdit,
      BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll,
      OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

 protected:
  // ---- what a dataset implements
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  virtual int GetRecordSize() = 0;
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual void InternalClose() = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  virtual void InternalHandleException() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  virtual void InternalLast() = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  virtual bool IsCursorOpen() = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
  // Optional: posting checks required fields; editing, inserting and cancelling do nothing by default.
  virtual void InternalPost();
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}

  // ---- framework steps a dataset may extend
  virtual void OpenCursor(bool infoQuery);
  virtual void CloseCursor();
  virtual void InitRecord(TRecordBuffer buffer);
  virtual void ClearCalcFields(TRecordBuffer buffer) { (void)buffer; }
  // Computes the calculated fields of a buffer (state calculated-fields while OnCalcFields runs).
  virtual void GetCalcFields(TRecordBuffer buffer);
  virtual void CalculateFields(TRecordBuffer buffer);
  virtual bool GetCurrentRecord(TRecordBuffer buffer) {
    (void)buffer;
    return false;
  }
  virtual bool GetIsIndexField(TField* field) {
    (void)field;
    return false;
  }
  virtual void InternalInitFieldDefsFromFields() { InitFieldDefsFromFields(); }
  virtual void DoBeforeOpen() { Run(BeforeOpen); }
  virtual void DoAfterOpen() { Run(AfterOpen); }
  virtual void DoBeforeClose() { Run(BeforeClose); }
  virtual void DoAfterClose() { Run(AfterClose); }
  virtual void DoBeforeInsert() { Run(BeforeInsert); }
  virtual void DoAfterInsert() { Run(AfterInsert); }
  virtual void DoBeforeEdit() { Run(BeforeEdit); }
  virtual void DoAfterEdit() { Run(AfterEdit); }
  virtual void DoBeforePost() { Run(BeforePost); }
  virtual void DoAfterPost() { Run(AfterPost); }
  virtual void DoBeforeCancel() { Run(BeforeCancel); }
  virtual void DoAfterCancel() { Run(AfterCancel); }
  virtual void DoBeforeDelete() { Run(BeforeDelete); }
  virtual void DoAfterDelete() { Run(AfterDelete); }
  virtual void DoBeforeScroll() { Run(BeforeScroll); }
  virtual void DoAfterScroll() { Run(AfterScroll); }
  virtual void DoOnCalcFields() { Run(OnCalcFields); }
  virtual void DoOnNewRecord() { Run(OnNewRecord); }

  // ---- helpers for datasets
  void SetBookmarkSize(int size) { bookmarkSize_ = size; }
  void CreateFields();
  void DestroyFields();
  // Binds the fields to the definitions (numbers, calculated-field offsets, blob numbers) or unbinds them.
  void BindFields(bool binding);
  // Brings the cursor to the row of the active buffer.
  void UpdateCursorPos();
  void CursorPosChanged() { currentRecord_ = -1; }
  // A state for a short internal step; controls are disabled meanwhile. Returns the state to restore.
  TDataSetState SetTempState(TDataSetState state);
  void RestoreState(TDataSetState state);
  void SetState(TDataSetState state);
  void SetModified(bool value) { modified_ = value; }
  // Runs operation; an EDatabaseError goes to the handler, which may retry or abort.
  void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError);

 private:
  friend class TField;
  friend class TFields;
  friend class TFieldDefs;
  friend class TDataSetLink;
  void Run(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void DoInternalOpen();
  void OpenCursorComplete();
  void SetBufListSize(int size);
  void ClearBuffers();
  void ActivateBuffers();
  void MoveBuffer(int from, int to);
  void SetCurrentRecord(int index);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void BeginInsertAppend();
  TRecordBuffer PrepareNewRow(bool append);
  void AddRecord(const std::vector<Variant>& values, bool append);
  void EndInsertAppend();
  void FreeFieldBuffers();
  void UpdateCalcFields();
  void FieldDefsChanged() { ++fieldDefsVersion_; }
  void FieldsChanged() { fieldListValid_ = false; }
  void AddFieldToList(TField* field);
  bool BookmarkAvailable();

  TDataSetState state_ = dsInactive;
  TFieldDefs fieldDefs_;
  TFieldDefList fieldDefList_;
  uint64_t fieldDefsVersion_ = 1;
  uint64_t fieldDefListVersion_ = 0;
  TFields fields_;
  std::vector<TField*> fieldList_;
  bool fieldListValid_ = false;
  std::vector<TRecordBuffer> buffers_;  // the window (bufferCount_) and one spare
  int bufferCount_ = 0;
  int recordCount_ = 0;  // buffers of the window that hold rows
  int activeRecord_ = 0;
  int currentRecord_ = -1;  // the buffer the subclass's cursor stands on
  TRecordBuffer calcBuffer_ = nullptr;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool defaultFields_ = false;
  bool objectView_ = false;
  bool autoCalcFields_ = true;
  bool filtered_ = false;
  bool internalOpenComplete_ = false;
  bool internalCalcFields_ = false;
  int calcFieldsSize_ = 0;
  int blobFieldCount_ = 0;
  int bookmarkSize_ = 0;
  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent enableEvent_ = deDataSetChange;
  TFilterRecordEvent onFilterRecord_;
  std::vector<TDataSetLink*> links_;
};
