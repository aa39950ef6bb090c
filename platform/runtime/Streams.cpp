#include "platform/runtime/Streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/runtime/FileSystem.h"

namespace {

constexpr int64_t kCopyChunk = 0xF000;
constexpr int64_t kMemoryDelta = 0x2000;

int64_t SeekTarget(int64_t offset, int origin, int64_t position, int64_t size) {
  switch (origin) {
    case soBeginning: return offset;
    case soCurrent: return position + offset;
    case soEnd: return size + offset;
    default: return position;
  }
}

}  // namespace

// --- TStream

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (count < 0) throw EReadError("Stream read error");
  // From memory: straight out of the source's block.
  if (auto* memory = DynamicAs<TCustomMemoryStream>(&source)) {
    int64_t position = memory->position_;
    if (position >= 0 && memory->Size() - position >= count) {
      WriteBuffer(static_cast<const char*>(memory->Memory()) + position, count);
      memory->position_ = position + count;
      return count;
    }
  }
  std::vector<char> buffer(std::size_t(std::min(count, kCopyChunk)));
  for (int64_t left = count; left > 0;) {
    int64_t n = std::min(left, kCopyChunk);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// --- TCustomMemoryStream

void TCustomMemoryStream::SetPointer(void* memory, int64_t size) {
  memory_ = memory;
  size_ = size;
}

int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, static_cast<const char*>(memory_) + position_, std::size_t(n));
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Write(const void*, int64_t) { return 0; }

int64_t TCustomMemoryStream::Seek(int64_t offset, int origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) {
  if (size_ != 0) stream.WriteBuffer(memory_, size_);
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// --- TMemoryStream

TMemoryStream::~TMemoryStream() { std::free(Memory()); }

void TMemoryStream::SetCapacity(int64_t capacity) {
  capacity = std::max(capacity, Size());
  if (capacity == capacity_) return;
  void* block = nullptr;
  if (capacity > 0) {
    block = std::realloc(Memory(), std::size_t(capacity));
    if (!block) throw EOutOfMemory("Out of memory");
  } else {
    std::free(Memory());
  }
  capacity_ = capacity;
  SetPointer(block, Size());
}

void TMemoryStream::Reserve(int64_t needed) {
  if (needed <= capacity_) return;
  // Geometric growth in whole memory deltas keeps long runs of small writes linear.
  int64_t grown = std::max(needed, capacity_ + capacity_ / 2);
  SetCapacity((grown + kMemoryDelta - 1) & ~(kMemoryDelta - 1));
}

void TMemoryStream::Resize(int64_t size) {
  int64_t old = Size();
  Reserve(size);
  if (size > old) std::memset(static_cast<char*>(Memory()) + old, 0, std::size_t(size - old));
  SetPointer(Memory(), size);
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > Size()) Resize(end);
  std::memcpy(static_cast<char*>(Memory()) + position_, buffer, std::size_t(count));
  position_ = end;
  return count;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  int64_t position = position_;
  if (size > Size())
    Resize(size);
  else
    SetPointer(Memory(), size);
  if (position > size) position_ = size;
}

void TMemoryStream::Clear() {
  SetPointer(Memory(), 0);
  SetCapacity(0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t count = stream.Size();
  SetSize(count);
  if (count != 0) stream.ReadBuffer(Memory(), count);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

// --- TStringStream

int64_t TStringStream::Read(void* buffer, int64_t count) {
  int64_t size = Size();
  if (count <= 0 || position_ >= size) return 0;
  int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, std::size_t(n));
  position_ += n;
  return n;
}

int64_t TStringStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > Size()) data_.resize(std::size_t(end));
  std::memcpy(data_.data() + position_, buffer, std::size_t(count));
  position_ = end;
  return count;
}

int64_t TStringStream::Seek(int64_t offset, int origin) {
  position_ = std::clamp<int64_t>(SeekTarget(offset, origin, position_, Size()), 0, Size());
  return position_;
}

void TStringStream::SetSize(int64_t size) {
  data_.resize(std::size_t(std::max<int64_t>(size, 0)));
  position_ = std::min(position_, Size());
}

std::string TStringStream::ReadString(int64_t count) {
  int64_t n = std::clamp<int64_t>(count, 0, Size() - position_);
  std::string s = data_.substr(std::size_t(position_), std::size_t(n));
  position_ += n;
  return s;
}

// --- TFileStream

namespace {

struct OpenMode {
  TFileAccess access;
  TFileShare share;
  TFileCreation creation;
  bool valid;
};

OpenMode Decode(uint16_t mode) {
  OpenMode m{TFileAccess::ReadWrite, TFileShare::Exclusive, TFileCreation::OpenExisting, true};
  if ((mode & fmCreate) == fmCreate) {
    m.creation = TFileCreation::CreateAlways;
  } else {
    switch (mode & 0x0F) {
      case fmOpenRead: m.access = TFileAccess::Read; break;
      case fmOpenWrite: m.access = TFileAccess::Write; break;
      case fmOpenReadWrite: m.access = TFileAccess::ReadWrite; break;
      default: m.valid = false;
    }
  }
  switch (mode & 0xF0) {
    case fmShareCompat:
    case fmShareExclusive: m.share = TFileShare::Exclusive; break;
    case fmShareDenyWrite: m.share = TFileShare::DenyWrite; break;
    case fmShareDenyRead: m.share = TFileShare::DenyRead; break;
    case fmShareDenyNone: m.share = TFileShare::DenyNone; break;
    default: m.valid = false;
  }
  return m;
}

TFileOrigin ToOrigin(int origin) {
  return origin == soCurrent ? TFileOrigin::Current : origin == soEnd ? TFileOrigin::End : TFileOrigin::Begin;
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName) {
  OpenMode m = Decode(mode);
  TFileError error{87, "The parameter is incorrect."};
  if (m.valid) file_ = FileSystem().Open(fileName, m.access, m.share, m.creation, error);
  if (file_) return;
  if (m.creation == TFileCreation::CreateAlways)
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + error.Text);
  throw EFOpenError("Cannot open file \"" + fileName + "\". " + error.Text);
}

TFileStream::~TFileStream() = default;

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  std::size_t done = 0;
  TFileError error;
  return file_->Read(buffer, std::size_t(count), done, error) ? int64_t(done) : 0;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  std::size_t done = 0;
  TFileError error;
  return file_->Write(buffer, std::size_t(count), done, error) ? int64_t(done) : 0;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  int64_t position = -1;
  TFileError error;
  return file_->Seek(offset, ToOrigin(origin), position, error) ? position : -1;
}

int64_t TFileStream::Size() {
  int64_t size = 0;
  TFileError error;
  return file_->Size(size, error) ? size : -1;
}

void TFileStream::SetSize(int64_t size) {
  int64_t position = 0;
  TFileError error;
  if (!file_->Seek(size, TFileOrigin::Begin, position, error) || !file_->Truncate(error))
    throw EOSError("System Error.  Code: " + std::to_string(error.Code) + ".\r\n" + error.Text, error.Code);
}
