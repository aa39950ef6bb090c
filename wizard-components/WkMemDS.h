// An in-memory table over the dataset framework: records live in an ordered list while the table is
// open and are discarded when it closes. Blob values are strings kept beside the record data.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/components/data/DataSet.h"
#include "platform/runtime/Streams.h"

class TWkMemoryData;

// One stored record: its identity (the bookmark), its record data and its blob strings.
class TMemoryRecord : public TPersistent {
  VCL_CLASS(TMemoryRecord, TPersistent)
  TMemoryRecord() = default;
  ~TMemoryRecord() override;
  // A record of the dataset, appended to its list.
  static TMemoryRecord* Create(TWkMemoryData* dataSet) { return CreateEx(dataSet, true); }
  static TMemoryRecord* CreateEx(TWkMemoryData* dataSet, bool append);

  // Leaves the current owner (releasing data and blobs), then joins the dataset: appended with the next
  // ID when append is set; data sized to the dataset's record size.
  void SetMemoryData(TWkMemoryData* dataSet, bool append);
  // Moves the record to position index of its owner's list.
  virtual void SetIndex(int index);
  // Position in the owner's list, -1 without owner.
  int Index() const;
  TWkMemoryData* MemoryData() const { return owner_; }
  int32_t ID() const { return id_; }
  char* Data() const { return data_.get(); }
  const std::vector<std::string>& Blobs() const { return blobs_; }

 private:
  friend class TWkMemoryData;
  void Release();
  TWkMemoryData* owner_ = nullptr;
  int32_t id_ = 0;
  std::unique_ptr<char[]> data_;
  std::vector<std::string> blobs_;
};

class TWkMemoryData : public TDataSet {
  VCL_CLASS(TWkMemoryData, TDataSet)
  explicit TWkMemoryData(TComponent* owner) : TDataSet(owner) {}
  ~TWkMemoryData() override;
  static TWkMemoryData* Create(TComponent* owner) { return NewObject<TWkMemoryData>(owner); }

  // Pre-sizes the record list.
  int Capacity() const { return int(records_.capacity()); }
  void SetCapacity(int capacity);

  // Stored records, in table order.
  int RecordCount() override { return int(records_.size()); }
  TMemoryRecord* Records(int index) const { return records_[std::size_t(index)]; }
  int RecNo() override;
  // Posts or cancels an edit first; numbers outside 1 .. RecordCount are ignored.
  void SetRecNo(int value) override;
  bool IsSequenced() override { return !Filtered(); }
  void SetFiltered(bool value) override;
  void SetOnFilterRecord(const TFilterRecordEvent& handler) override;

  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  TStream* CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  void CloseBlob(TField* field) override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;

  // The buffer the current state works on; false when there is none.
  virtual bool GetActiveRecordBuffer(TRecordBuffer& buffer);
  // Copies a buffer's record data and blobs into the stored record at position.
  virtual void StoreRecordData(TRecordBuffer buffer, int position);
  // Gives the auto-increment fields of the buffer the counter's value and advances it once.
  virtual void FillAutoIncFields(TRecordBuffer buffer);
  // Order of two records by the sort fields, then by ID: -1, 0 or 1.
  virtual int CompareRecords(TMemoryRecord* a, TMemoryRecord* b);

  // Layout, fixed while open.
  int RecordSize() const { return recordSize_; }
  int RecordBufferSize() const { return recordBufferSize_; }
  int BookmarkOffset() const { return bookmarkOffset_; }
  int BlobOffset() const { return blobOffset_; }
  int FieldOffset(int fieldDefIndex) const { return offsets_[std::size_t(fieldDefIndex)]; }
  int32_t LastID() const { return lastID_; }
  int32_t AutoIncrement() const { return autoInc_; }
  int RecordPosition() const { return recordPos_; }

  // Bytes a value of the definition occupies in record data, and whether it lives there.
  static int64_t ValueSize(TFieldType type, int64_t size);
  static bool IsSupportedType(TFieldType type);
  static bool IsRecordDataType(TFieldType type) { return IsSupportedType(type) && !IsBlobType(type); }

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  int GetRecordSize() override { return recordSize_; }
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalClose() override;
  void InternalDelete() override;
  void InternalFirst() override { recordPos_ = -1; }
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalHandleException() override;
  void InternalInitFieldDefs() override {}
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalLast() override { recordPos_ = int(records_.size()); }
  void InternalOpen() override;
  void InternalPost() override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  bool IsCursorOpen() override { return open_; }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  void OpenCursor(bool infoQuery) override;
  void InitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  bool GetCurrentRecord(TRecordBuffer buffer) override;
  bool GetIsIndexField(TField* field) override;

  // Orders CompareRecords by these fields (a list nothing in the system fills; closing drops it).
  void SetSortFields(std::vector<TField*> fields, bool caseInsensitive, bool descending);

 private:
  friend class TMemoryRecord;
  friend class TMemBlobStream;
  void BuildLayout();
  char* FieldPlace(TRecordBuffer buffer, const TField* field) const;
  std::string* BlobSlot(TRecordBuffer buffer, int index) const;
  bool RecordFilter(int position);
  void RecordToBuffer(const TMemoryRecord& record, TRecordBuffer buffer);
  void CopyRecordData(char* target, const char* source) const;
  void ReleaseRecordData(char* data) const;
  TMemoryRecord* NewRecordAt(int index);
  void ClearRecords();
  int CompareValues(const TField* field, const char* a, const char* b) const;

  int recordPos_ = -1;
  int recordSize_ = 0;
  int bookmarkOffset_ = 0;
  int blobOffset_ = 0;
  int recordBufferSize_ = 0;
  std::vector<uint16_t> offsets_;
  std::vector<uint8_t> inRecordData_;  // by flattened definition: whether the value lives in record data
  std::vector<int> variantPlaces_;     // record-data offsets of the variant values' null flags
  int32_t lastID_ = INT32_MIN;
  int32_t autoInc_ = 1;
  bool open_ = false;
  std::vector<TMemoryRecord*> records_;
  std::optional<std::vector<TField*>> sortFields_;
  bool sortCaseInsensitive_ = false;
  bool sortDescending_ = false;
};

// The stream through which a blob field's value in the current row is read and written.
class TMemBlobStream : public TStream {
  VCL_CLASS(TMemBlobStream, TStream)
  TMemBlobStream(TBlobField* field, TBlobStreamMode mode) : field_(field), mode_(mode) {}
  ~TMemBlobStream() override;
  static TMemBlobStream* Create(TBlobField* field, TBlobStreamMode mode) {
    return NewObject<TMemBlobStream>(field, mode);
  }
  void AfterConstruction() override;

  // Negative counts move nothing; reading past the end gives 0 bytes.
  int64_t Read(void* buffer, int64_t count) override;
  // Writes only to a stream on the row being edited; gaps before the position read as zeros.
  int64_t Write(const void* buffer, int64_t count) override;
  // Positions are kept within 0 .. 2147483647.
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;

 private:
  void Truncate();
  const std::string* Value();

  TBlobField* field_;
  TWkMemoryData* dataSet_ = nullptr;
  TRecordBuffer buffer_ = nullptr;
  TBlobStreamMode mode_;
  bool opened_ = false;
  bool modified_ = false;
  int32_t position_ = 0;
  bool cached_ = false;
};
