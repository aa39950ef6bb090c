// Smart pointer to a COM interface: holds one reference, released when it goes.
#pragma once
#include <utility>

#include "platform/com/Unknown.h"

template <class I>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to the object.
  explicit ComPtr(I* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class J, class = std::enable_if_t<std::is_convertible_v<J*, I*>>>
  ComPtr(const ComPtr<J>& other) : ComPtr(static_cast<I*>(other.Get())) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Adopts a reference that the caller already owns (no AddRef).
  static ComPtr Attach(I* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives up the reference without releasing it.
  I* Detach() { return std::exchange(p_, nullptr); }
  void Reset() {
    if (I* p = std::exchange(p_, nullptr)) p->Release();
  }

  I* Get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Releases what is held and gives the slot for an out parameter: obj->get_x(ptr.Put()).
  I** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // QueryInterface for J; an empty pointer when the object does not answer (or none is held).
  template <class J>
  ComPtr<J> As() const {
    ComPtr<J> result;
    if (p_) p_->QueryInterface(IidOf<J>(), result.PutVoid());
    return result;
  }
  template <class J>
  HRESULT As(ComPtr<J>* out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(IidOf<J>(), out->PutVoid());
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  I* p_ = nullptr;
};

// Creates an object of class T (an implementation of TComObjectImpl) and holds its first reference.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}
