// The object model of the component library: class names and parents, class references, and two-phase
// creation so that virtual methods called while an object is constructed reach the most derived class.
#pragma once
#include <memory>
#include <string>
#include <utility>

// Identity of a class: its name and its parent. Compared by address, then by name, so that a class seen
// through two loaded modules is still one class.
struct TClassInfo {
  const char* Name;
  const TClassInfo* Parent;

  bool InheritsFrom(const TClassInfo* other) const;
};

// Declares a class's identity inside its body: VCL_CLASS(TStringList, TStrings).
// Gives `inherited`, the static StaticClass() and the virtual ClassType().
#define VCL_CLASS(Self, Parent)                                        \
 public:                                                               \
  using inherited = Parent;                                            \
  static constexpr TClassInfo ClassInfo_{#Self, &Parent::ClassInfo_};  \
  static const TClassInfo* StaticClass() { return &ClassInfo_; }       \
  const TClassInfo* ClassType() const override { return &ClassInfo_; } \
                                                                       \
 public:

class TObject {
 public:
  static constexpr TClassInfo ClassInfo_{"TObject", nullptr};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  virtual const TClassInfo* ClassType() const { return &ClassInfo_; }
  std::string ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(const TClassInfo* cls) const { return ClassType()->InheritsFrom(cls); }
  template <class T>
  bool Is() const {
    return InheritsFrom(T::StaticClass());
  }

  // The construction sequence, run by NewObject once the C++ constructors are done, with full virtual
  // dispatch. A failure here destroys the object and propagates.
  virtual void AfterConstruction() {}
  // The destruction sequence, run by Free before the object is deleted. Never throws.
  virtual void BeforeDestruction() {}

  // Runs the destruction sequence and deletes the object.
  void Free();
};

// Creates T with its constructor arguments, then runs its construction sequence.
template <class T, class... Args>
T* NewObject(Args&&... args) {
  std::unique_ptr<T> object(new T(std::forward<Args>(args)...));
  object->AfterConstruction();
  return object.release();
}

// The same, with `prepare` run on the object between its constructors and its construction sequence: how a
// factory hands an object what its construction sequence needs beyond the constructor's arguments.
template <class T, class Prepare, class... Args>
T* NewPreparedObject(const Prepare& prepare, Args&&... args) {
  std::unique_ptr<T> object(new T(std::forward<Args>(args)...));
  prepare(object.get());
  object->AfterConstruction();
  return object.release();
}

// Frees the object (when any) and clears the reference.
template <class T>
void FreeAndNil(T*& object) {
  T* doomed = object;
  object = nullptr;
  if (doomed) doomed->Free();
}

// Frees an object when the std::unique_ptr that holds it lets it go: TObjectPtr<TStringList>.
struct TObjectFree {
  void operator()(TObject* object) const {
    if (object) object->Free();
  }
};
template <class T>
using TObjectPtr = std::unique_ptr<T, TObjectFree>;

// "is" with a null check; the checked cast As<T> (raising EInvalidCast) is in Exceptions.h.
template <class T>
T* DynamicAs(TObject* object) {
  return object && object->Is<T>() ? static_cast<T*>(object) : nullptr;
}
