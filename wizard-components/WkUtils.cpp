// The "not implemented" stop, global-memory blocks and byte helpers.
#include "wizard-components/WkUtils.h"

#include <cstring>

#include "platform/components/Application.h"
#include "platform/components/Forms.h"
#include "platform/winapi/GlobalMemory.h"
#include "wizard-components/WKConst.h"

void RaiseNotImplemented() {
  Screen->SetCursor(crDefault);
  Application->MessageBox(SWkNotImplemented, Application->Title(), MB_OK | MB_ICONINFORMATION);
  Abort();
}

void* AllocGlobalBlock(int32_t size) {
  if (size <= 0) return nullptr;
  // A fixed block: its handle is its address, locked for its whole life.
  HGLOBAL block = GlobalAlloc(GPTR, size_t(size));
  if (!block) throw EOutOfMemory("Out of memory");
  return block;
}

void FreeGlobalBlock(void*& block) {
  if (!block) return;
  GlobalFree(block);
  block = nullptr;
}

bool SameBytes(const void* a, const void* b, int32_t n) {
  if (n <= 0) return true;
  const auto* p = static_cast<const uint8_t*>(a);
  const auto* q = static_cast<const uint8_t*>(b);
  size_t words = size_t(n) / 4;
  for (size_t i = 0; i < words; ++i) {
    uint32_t x, y;
    std::memcpy(&x, p + 4 * i, 4);
    std::memcpy(&y, q + 4 * i, 4);
    if (x != y) return false;
  }
  for (size_t i = words * 4; i < size_t(n); ++i)
    if (p[i] != q[i]) return false;
  return true;
}

void* OffsetPointer(void* p, int32_t n) { return static_cast<uint8_t*>(p) + n; }

void CopyBytes(void* dest, const void* source, int32_t n) {
  if (n > 0) std::memmove(dest, source, size_t(n));
}

void AssignResString(TResString text, std::string& result) { result = text ? text : ""; }
