// The component library's persistent objects and components: ownership, names, notifications, class
// references with virtual construction, and the registry of classes by name.
#pragma once
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Object.h"

VCL_EXCEPTION(EFilerError, EStreamError);
VCL_EXCEPTION(EClassNotFound, EFilerError);

// An event handler taking the sender (the library's method pointer; empty = not assigned).
using TNotifyEvent = std::function<void(TObject* sender)>;

// An object that can copy itself from another of a compatible class.
class TPersistent : public TObject {
  VCL_CLASS(TPersistent, TObject)
  // Copies from the source; by default asks the source to AssignTo this, and a nil source fails.
  virtual void Assign(TPersistent* source);

 protected:
  // Copies this object into dest; by default fails with "Cannot assign a %s to a %s".
  virtual void AssignTo(TPersistent* dest);
  // Raises EConvertError "Cannot assign a <source class or nil> to a <this class>".
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

enum TOperation { opInsert, opRemove };

// Component state flags.
using TComponentState = uint32_t;
constexpr TComponentState csLoading = 1u << 0;
constexpr TComponentState csReading = 1u << 1;
constexpr TComponentState csWriting = 1u << 2;
constexpr TComponentState csDestroying = 1u << 3;
constexpr TComponentState csDesigning = 1u << 4;
constexpr TComponentState csAncestor = 1u << 5;
constexpr TComponentState csUpdating = 1u << 6;
constexpr TComponentState csFixups = 1u << 7;
constexpr TComponentState csFreeNotification = 1u << 8;
constexpr TComponentState csInline = 1u << 9;

// A component: owned by its Owner, which frees it; named uniquely (case-insensitively) among its owner's
// components; told when components it owns or watches go away. Create with T::Create(owner) or
// NewObject<T>(owner): the owner takes the component in the construction sequence.
class TComponent : public TPersistent {
  VCL_CLASS(TComponent, TPersistent)
  explicit TComponent(TComponent* owner) : pendingOwner_(owner) {}
  ~TComponent() override;
  static TComponent* Create(TComponent* owner) { return NewObject<TComponent>(owner); }

  void AfterConstruction() override;
  void BeforeDestruction() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Raises EComponentError for a name that is not an identifier or that a sibling already has.
  void SetName(const std::string& name);
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }
  TComponentState ComponentState() const { return state_; }

  int ComponentCount() const { return int(components_.size()); }
  TComponent* Components(int index) const;
  // Position in the owner's list (-1 without owner); setting it moves the component there.
  int ComponentIndex() const;
  void SetComponentIndex(int index);
  // The owned component of that name, case-insensitively; nil for none or an empty name.
  TComponent* FindComponent(std::string_view name) const;

  // Takes the component (leaving its previous owner first) and tells every owned component.
  void InsertComponent(TComponent* component);
  // Releases an owned component without freeing it; others are ignored.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();

  // Asks for Notification(this, opRemove) to reach component when this one is freed (and the other way).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Loading from a form resource: Loading marks csLoading; Loaded (run once all properties are set) clears it.
  void Loading() { state_ |= csLoading | csReading; }
  virtual void Loaded();
  void SetDesigning(bool value, bool setChildren = true);

 protected:
  // A component was inserted into or removed from the owner, or a watched component is going. Overrides
  // must call the inherited one, which passes the notice on to every owned component.
  virtual void Notification(TComponent* component, TOperation operation);
  // Checks a name change of an owned component (duplicates raise EComponentError).
  virtual void ValidateRename(TComponent* component, const std::string& curName, const std::string& newName);
  // Asked by a component about to be inserted into this one.
  virtual void ValidateInsert(TComponent* component);
  virtual void ValidateContainer(TComponent* container);

 private:
  void RunDestruction();
  void RemoveNotification(TComponent* component);
  void Detach(TComponent* component);

  TComponent* pendingOwner_;
  TComponent* owner_ = nullptr;
  std::string name_;
  intptr_t tag_ = 0;
  TComponentState state_ = 0;
  bool destroyed_ = false;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};

// Whether a text is an identifier: a letter or "_" first, then letters, digits or "_" (ASCII).
bool IsValidIdent(std::string_view text);

// A class reference with a virtual constructor: the class of T (or of a class derived from T) and its
// factory, so that code holding the reference creates the class it names. TComponentClass refers to any
// component class; TClassOf<TForm> to a form class.
// What a factory runs on a new component before its construction sequence (none when empty).
using TComponentPrepare = std::function<void(TComponent*)>;

template <class Base>
class TClassOf {
 public:
  using Factory = TComponent* (*)(TComponent* owner, const TComponentPrepare& prepare);

  constexpr TClassOf() = default;
  constexpr TClassOf(const TClassInfo* info, Factory factory) : info_(info), factory_(factory) {}

  template <class T>
  requires std::derived_from<T, Base> && std::constructible_from<T, TComponent*>
  static TClassOf Of() {
    return TClassOf(T::StaticClass(), [](TComponent* owner, const TComponentPrepare& prepare) -> TComponent* {
      return NewPreparedObject<T>(
          [&](T* object) {
            if (prepare) prepare(object);
          },
          owner);
    });
  }

  // A reference to a derived class is a reference to its base class too.
  template <class Wider>
  requires std::derived_from<Base, Wider>
  operator TClassOf<Wider>() const { return TClassOf<Wider>(info_, factory_); }

  // Creates an instance of the referenced class, with its construction sequence (after `prepare`).
  Base* Create(TComponent* owner, const TComponentPrepare& prepare = {}) const {
    return static_cast<Base*>(factory_(owner, prepare));
  }

  const TClassInfo* ClassInfo() const { return info_; }
  Factory FactoryFunction() const { return factory_; }
  std::string ClassName() const { return info_ ? info_->Name : ""; }
  bool InheritsFrom(const TClassInfo* other) const { return info_ && info_->InheritsFrom(other); }
  explicit operator bool() const { return info_ != nullptr; }
  bool operator==(const TClassOf& other) const { return info_ == other.info_ && factory_ == other.factory_; }

 private:
  const TClassInfo* info_ = nullptr;
  Factory factory_ = nullptr;
};

using TComponentClass = TClassOf<TComponent>;

// The narrowing of a class reference; raises EInvalidCast when the class does not derive from T.
template <class T>
TClassOf<T> ClassCast(const TComponentClass& cls) {
  if (!cls.InheritsFrom(T::StaticClass())) throw EInvalidCast("Invalid class typecast");
  return TClassOf<T>(cls.ClassInfo(), cls.FactoryFunction());
}

// Classes by name, case-insensitively, for creating components named in form resources. Thread-safe.
class TClassRegistry {
 public:
  // Registering a class twice does nothing; another class under a taken name raises EFilerError
  // "A class named %s already exists".
  void Register(const TComponentClass& cls);
  void Unregister(const TComponentClass& cls);
  // Empty when unknown.
  TComponentClass Get(std::string_view name) const;
  // Raises EClassNotFound "Class %s not found" when unknown.
  TComponentClass Find(std::string_view name) const;

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::string, TComponentClass> classes_;
};

// The process's registry.
TClassRegistry& ClassRegistry();
void RegisterClass(const TComponentClass& cls);
void RegisterClasses(std::initializer_list<TComponentClass> classes);
void UnRegisterClass(const TComponentClass& cls);
TComponentClass GetClass(std::string_view name);
TComponentClass FindClass(std::string_view name);

template <class T>
void RegisterClass() {
  RegisterClass(TComponentClass::Of<T>());
}
