// A read-only dataset over rows given as values (one Variant per top-level field), for testing the
// framework without the in-memory table. Rows are converted through the fields when it opens; it keeps
// a log of the framework's calls to it.
#pragma once
#include <string>
#include <vector>

#include "platform/components/data/DataSet.h"

class TArrayDataSet : public TDataSet {
  VCL_CLASS(TArrayDataSet, TDataSet)
  explicit TArrayDataSet(TComponent* owner) : TDataSet(owner) {}
  ~TArrayDataSet() override;
  static TArrayDataSet* Create(TComponent* owner = nullptr) { return NewObject<TArrayDataSet>(owner); }

  std::vector<std::vector<Variant>> Rows;
  // The framework's calls, in order ("GetRecord next ok", "InternalFirst", ...), while Logging is on.
  std::vector<std::string> Log;
  bool Logging = false;

  int RecNo() override;
  void SetRecNo(int value) override;
  int RecordCount() override { return int(rows_.size()); }
  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  bool CanModify() override { return false; }
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  using TDataSet::RestoreState;
  using TDataSet::SetTempState;

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  int GetRecordSize() override { return recordSize_; }
  void InternalAddRecord(TRecordBuffer, bool) override { DatabaseError(DBMessages::DataSetReadOnly, this); }
  void InternalClose() override;
  void InternalDelete() override { DatabaseError(DBMessages::DataSetReadOnly, this); }
  void InternalFirst() override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalHandleException() override {}
  void InternalInitFieldDefs() override {}
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  bool IsCursorOpen() override { return open_; }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  void ClearCalcFields(TRecordBuffer buffer) override;

 private:
  TRecordBuffer CurrentBuffer();
  int PlaceOf(TField* field) const;
  bool Accepted(int index);
  void Note(const std::string& entry) {
    if (Logging) Log.push_back(entry);
  }

  std::vector<std::string> rows_;  // record data of each row
  std::vector<int> places_;        // record-data offset by field number
  int recordSize_ = 0;
  int bookmarkOffset_ = 0;
  int position_ = -1;
  bool open_ = false;
  TRecordBuffer loading_ = nullptr;
};
