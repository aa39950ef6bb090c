#include "platform/winapi/GlobalMemory.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/winapi/LastError.h"

namespace {

struct Block {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  bool moveable = false;
  int locks = 0;
};

struct Heap {
  std::mutex lock;
  std::unordered_map<HGLOBAL, Block> blocks;
  uintptr_t next = 0x80000;
};

Heap& H() {
  static Heap* heap = new Heap;
  return *heap;
}

Block* FindBlock(HGLOBAL mem) {
  auto it = H().blocks.find(mem);
  return it == H().blocks.end() ? nullptr : &it->second;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  Heap& h = H();
  std::lock_guard g(h.lock);
  Block b;
  b.data.reset(new (std::nothrow) uint8_t[bytes ? bytes : 1]);
  if (!b.data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (flags & GMEM_ZEROINIT) std::memset(b.data.get(), 0, bytes ? bytes : 1);
  b.size = bytes;
  b.moveable = flags & GMEM_MOVEABLE;
  HGLOBAL handle;
  if (b.moveable) {
    h.next += 8;
    handle = reinterpret_cast<HGLOBAL>(h.next);
  } else {
    handle = b.data.get();
  }
  h.blocks[handle] = std::move(b);
  return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags) {
  Heap& h = H();
  std::lock_guard g(h.lock);
  Block* b = FindBlock(mem);
  if (!b || (!b->moveable && bytes > b->size)) {
    SetLastError(b ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[bytes ? bytes : 1]);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::memcpy(data.get(), b->data.get(), std::min(bytes, b->size));
  if (bytes > b->size && (flags & GMEM_ZEROINIT)) std::memset(data.get() + b->size, 0, bytes - b->size);
  if (!b->moveable) {
    b->size = bytes;
    return mem;
  }
  b->data = std::move(data);
  b->size = bytes;
  return mem;
}

LPVOID GlobalLock(HGLOBAL mem) {
  std::lock_guard g(H().lock);
  Block* b = FindBlock(mem);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (b->moveable) b->locks++;
  return b->data.get();
}

BOOL GlobalUnlock(HGLOBAL mem) {
  std::lock_guard g(H().lock);
  Block* b = FindBlock(mem);
  if (!b || !b->moveable || b->locks == 0) {
    SetLastError(b ? ERROR_NOT_LOCKED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return --b->locks > 0 ? TRUE : FALSE;
}

size_t GlobalSize(HGLOBAL mem) {
  std::lock_guard g(H().lock);
  Block* b = FindBlock(mem);
  return b ? b->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  std::lock_guard g(H().lock);
  if (!H().blocks.erase(mem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
  return nullptr;
}

size_t GlobalBlockCount() {
  std::lock_guard g(H().lock);
  return H().blocks.size();
}
