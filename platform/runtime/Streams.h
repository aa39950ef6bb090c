// The component library's byte streams: the abstract stream, memory streams, the string stream and the
// file stream (over the file layer of FileSystem.h).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Object.h"

class IFileHandle;

// Seek origins; soFromBeginning, soFromCurrent and soFromEnd are the same values.
enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr int soFromBeginning = soBeginning;
constexpr int soFromCurrent = soCurrent;
constexpr int soFromEnd = soEnd;

// File stream modes: one access (fmOpenRead, fmOpenWrite, fmOpenReadWrite) or fmCreate (create or empty,
// read and write), combined with one share mode (none given means exclusive).
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;
constexpr uint16_t fmCreate = 0xFF00;

class TStream : public TObject {
  VCL_CLASS(TStream, TObject)
  // Reads or writes up to count bytes at the position and advances it; returns the bytes moved.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position relative to an origin (TSeekOrigin or soFrom*); returns the new position.
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  // Streams that cannot change size ignore this.
  virtual void SetSize(int64_t size);

  // Exactly count bytes, or EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from the source's position; a count of 0 copies the whole source from its start.
  // Returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a block of memory that someone else owns (SetPointer); read-only.
class TCustomMemoryStream : public TStream {
  VCL_CLASS(TCustomMemoryStream, TStream)
  void* Memory() const { return memory_; }
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  // Writes the whole content, whatever the position.
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

 protected:
  void SetPointer(void* memory, int64_t size);
  int64_t position_ = 0;
  friend class TStream;  // CopyFrom reads straight out of the block

 private:
  void* memory_ = nullptr;
  int64_t size_ = 0;
};

// A growable stream in memory that owns its block; writing past the end grows it (gaps read as zeros).
class TMemoryStream : public TCustomMemoryStream {
  VCL_CLASS(TMemoryStream, TCustomMemoryStream)
  TMemoryStream() = default;
  ~TMemoryStream() override;
  static TMemoryStream* Create() { return NewObject<TMemoryStream>(); }

  int64_t Write(const void* buffer, int64_t count) override;
  // A position past the new end moves to the end.
  void SetSize(int64_t size) override;
  int64_t Capacity() const { return capacity_; }
  void SetCapacity(int64_t capacity);
  void Clear();
  // Replaces the content with the whole source (read from its start).
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);

 private:
  void Reserve(int64_t needed);
  void Resize(int64_t size);
  int64_t capacity_ = 0;
};

// A stream over a string of bytes (DataString); writes overwrite and extend it.
class TStringStream : public TStream {
  VCL_CLASS(TStringStream, TStream)
  explicit TStringStream(std::string data = {}) : data_(std::move(data)) {}
  static TStringStream* Create(std::string data = {}) { return NewObject<TStringStream>(std::move(data)); }

  const std::string& DataString() const { return data_; }
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // The position stays within the string.
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return int64_t(data_.size()); }
  void SetSize(int64_t size) override;
  // Up to count bytes from the position.
  std::string ReadString(int64_t count);
  void WriteString(const std::string& s) { Write(s.data(), int64_t(s.size())); }

 private:
  std::string data_;
  int64_t position_ = 0;
};

// A stream over a file of the installed file layer. Opening raises EFCreateError
// "Cannot create file \"%s\". %s" (fmCreate) or EFOpenError "Cannot open file \"%s\". %s" with the system's
// error text.
class TFileStream : public TStream {
  VCL_CLASS(TFileStream, TStream)
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;
  static TFileStream* Create(const std::string& fileName, uint16_t mode) {
    return NewObject<TFileStream>(fileName, mode);
  }

  const std::string& FileName() const { return fileName_; }
  // Failures read or write 0 bytes; a failed seek returns -1.
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;
  // Ends the file at size and leaves the position there; a failure raises EOSError.
  void SetSize(int64_t size) override;

 private:
  std::string fileName_;
  std::unique_ptr<IFileHandle> file_;
};
