// IUnknown and IClassFactory, the identity of an interface, and a reference-counting base for objects that
// implement interfaces.
#pragma once
#include <atomic>
#include <type_traits>

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"

// Declares an interface's identity inside its body: its parent interface and its IID.
#define COM_INTERFACE(Parent, iidText) \
 public:                               \
  using ParentInterface = Parent;      \
  static constexpr GUID Iid = iidText##_guid

struct IUnknown {
  static constexpr GUID Iid = "{00000000-0000-0000-C000-000000000046}"_guid;

  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  COM_INTERFACE(IUnknown, "{00000001-0000-0000-C000-000000000046}");
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppvObject) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

inline constexpr const IID& IID_IUnknown = IUnknown::Iid;
inline constexpr const IID& IID_IClassFactory = IClassFactory::Iid;

// The IID of an interface type.
template <class I>
constexpr const IID& IidOf() {
  return I::Iid;
}

namespace com_detail {
// Whether the interface I, or one of the interfaces it derives from, has the given IID.
template <class I>
bool Answers(REFIID riid) {
  if (riid == I::Iid) return true;
  if constexpr (std::is_same_v<I, IUnknown>)
    return false;
  else
    return Answers<typename I::ParentInterface>(riid);
}
}  // namespace com_detail

// Implements IUnknown for an object that implements the given interfaces: a thread-safe reference count
// starting at 0, deletion on the last Release, and QueryInterface over the interfaces and their parents.
// Derived classes override QueryInterface to answer more, calling this one for the rest.
template <class First, class... Rest>
class TComObjectImpl : public First, public Rest... {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown)
      *ppvObject = static_cast<IUnknown*>(static_cast<First*>(this));
    else
      Find<First, Rest...>(riid, ppvObject);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  TComObjectImpl() = default;
  TComObjectImpl(const TComObjectImpl&) = delete;
  TComObjectImpl& operator=(const TComObjectImpl&) = delete;
  virtual ~TComObjectImpl() = default;

 private:
  template <class I, class... More>
  void Find(REFIID riid, void** ppvObject) {
    if (com_detail::Answers<I>(riid)) {
      *ppvObject = static_cast<I*>(this);
      return;
    }
    if constexpr (sizeof...(More) > 0) Find<More...>(riid, ppvObject);
  }

  std::atomic<ULONG> refCount_{0};
};
