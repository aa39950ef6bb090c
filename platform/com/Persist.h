// Streams of COM and the objects that save themselves to one: ISequentialStream, IStream, IPersist,
// IPersistStream, IPersistStreamInit, and a stream in memory (SHCreateMemStream).
#pragma once
#include <string>

#include "platform/com/Unknown.h"

union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  };
  ULONGLONG QuadPart;
};

inline LARGE_INTEGER MakeLargeInteger(int64_t value) {
  LARGE_INTEGER v;
  v.QuadPart = value;
  return v;
}
inline ULARGE_INTEGER MakeULargeInteger(uint64_t value) {
  ULARGE_INTEGER v;
  v.QuadPart = value;
  return v;
}

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;
constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;
constexpr DWORD STGTY_STREAM = 2;

struct STATSTG {
  OLECHAR* pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
  DWORD grfMode;
};

struct ISequentialStream : IUnknown {
  COM_INTERFACE(IUnknown, "{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");
  // Reads up to `size` bytes; `read` (when given) receives the count. Fewer bytes at the end is S_OK.
  virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
  virtual HRESULT Write(const void* buffer, ULONG size, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
  COM_INTERFACE(ISequentialStream, "{0000000C-0000-0000-C000-000000000046}");
  virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
  virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
  virtual HRESULT Clone(IStream** copy) = 0;
};

struct IPersist : IUnknown {
  COM_INTERFACE(IUnknown, "{0000010C-0000-0000-C000-000000000046}");
  virtual HRESULT GetClassID(CLSID* classId) = 0;
};

struct IPersistStream : IPersist {
  COM_INTERFACE(IPersist, "{00000109-0000-0000-C000-000000000046}");
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(IStream* stream) = 0;
  virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};

struct IPersistStreamInit : IPersist {
  COM_INTERFACE(IPersist, "{7FD52380-4E07-101B-AE2D-08002B2EC713}");
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(IStream* stream) = 0;
  virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
  virtual HRESULT InitNew() = 0;
};

// A new stream in memory holding a copy of the bytes (none: empty), positioned at its start; the caller
// owns the reference. Null when memory runs out.
IStream* SHCreateMemStream(const BYTE* data, UINT size);

namespace vandrel {
// The whole content of a stream, whatever its position (which is left at the end); false when it fails.
bool ReadWholeStream(IStream* stream, std::string& bytes);
}  // namespace vandrel
