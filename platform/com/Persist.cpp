#include "platform/com/Persist.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/com/ComPtr.h"

namespace {

class TMemStream : public TComObjectImpl<IStream> {
 public:
  TMemStream(const BYTE* data, UINT size) : bytes_(data, data + size) {}

  HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
    if (!buffer && size) return E_POINTER;
    size_t n = position_ < bytes_.size() ? std::min<size_t>(size, bytes_.size() - position_) : 0;
    if (n) std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    if (read) *read = ULONG(n);
    return S_OK;
  }
  HRESULT Write(const void* buffer, ULONG size, ULONG* written) override {
    if (!buffer && size) return E_POINTER;
    if (written) *written = 0;
    try {
      if (position_ + size > bytes_.size()) bytes_.resize(position_ + size);
    } catch (const std::bad_alloc&) {
      return STG_E_MEDIUMFULL;
    }
    if (size) std::memcpy(bytes_.data() + position_, buffer, size);
    position_ += size;
    if (written) *written = size;
    return S_OK;
  }
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    int64_t base;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = int64_t(position_); break;
      case STREAM_SEEK_END: base = int64_t(bytes_.size()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    int64_t target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    position_ = size_t(target);
    if (newPosition) newPosition->QuadPart = position_;
    return S_OK;
  }
  HRESULT SetSize(ULARGE_INTEGER newSize) override {
    try {
      bytes_.resize(size_t(newSize.QuadPart));
    } catch (const std::exception&) {
      return STG_E_MEDIUMFULL;
    }
    return S_OK;
  }
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override {
    if (!target) return E_POINTER;
    size_t n = position_ < bytes_.size() ? std::min<uint64_t>(size.QuadPart, bytes_.size() - position_) : 0;
    ULONG done = 0;
    HRESULT hr = n ? target->Write(bytes_.data() + position_, ULONG(n), &done) : S_OK;
    position_ += n;
    if (read) read->QuadPart = n;
    if (written) written->QuadPart = done;
    return hr;
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG* stat, DWORD) override {
    if (!stat) return E_POINTER;
    *stat = STATSTG{nullptr, STGTY_STREAM, MakeULargeInteger(bytes_.size()), 0};
    return S_OK;
  }
  HRESULT Clone(IStream** copy) override {
    if (!copy) return E_POINTER;
    *copy = SHCreateMemStream(bytes_.data(), UINT(bytes_.size()));
    if (!*copy) return E_OUTOFMEMORY;
    (*copy)->Seek(MakeLargeInteger(int64_t(position_)), STREAM_SEEK_SET, nullptr);
    return S_OK;
  }

 private:
  std::vector<BYTE> bytes_;
  size_t position_ = 0;
};

}  // namespace

IStream* SHCreateMemStream(const BYTE* data, UINT size) {
  try {
    auto* stream = new TMemStream(data, data ? size : 0);
    stream->AddRef();
    return stream;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

namespace vandrel {

bool ReadWholeStream(IStream* stream, std::string& bytes) {
  bytes.clear();
  if (!stream || FAILED(stream->Seek(MakeLargeInteger(0), STREAM_SEEK_SET, nullptr))) return false;
  char buffer[4096];
  for (;;) {
    ULONG n = 0;
    if (FAILED(stream->Read(buffer, sizeof buffer, &n))) return false;
    bytes.append(buffer, n);
    if (n < sizeof buffer) return true;
  }
}

}  // namespace vandrel
