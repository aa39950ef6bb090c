#include "platform/runtime/Classes.h"

#include <algorithm>

#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Lists.h"

// --- TPersistent

void TPersistent::Assign(TPersistent* source) {
  if (!source) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string sourceName = source ? source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

// --- TComponent

bool IsValidIdent(std::string_view text) {
  auto alpha = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (text.empty() || !alpha(static_cast<unsigned char>(text[0]))) return false;
  return std::all_of(text.begin() + 1, text.end(), [&](char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return alpha(c) || (c >= '0' && c <= '9');
  });
}

void TComponent::AfterConstruction() {
  inherited::AfterConstruction();
  TComponent* owner = pendingOwner_;
  pendingOwner_ = nullptr;
  if (owner) owner->InsertComponent(this);
}

void TComponent::BeforeDestruction() {
  RunDestruction();
  inherited::BeforeDestruction();
}

// Also reached without Free (a failed construction, a plain delete): the sequence then runs here.
TComponent::~TComponent() { RunDestruction(); }

void TComponent::RunDestruction() {
  if (destroyed_) return;
  destroyed_ = true;
  Destroying();
  while (!freeNotifies_.empty()) {
    TComponent* watcher = freeNotifies_.back();
    watcher->Notification(this, opRemove);
    // An override that skipped the inherited notification leaves the link: drop it here.
    if (!freeNotifies_.empty() && freeNotifies_.back() == watcher) RemoveFreeNotification(watcher);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (state_ & csDestroying) return;
  state_ |= csDestroying;
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    // A component that others watch is announced to the owner's tree (a sibling may point at it).
    if (c->state_ & csFreeNotification) Notification(c, opRemove);
    c->Free();
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) RaiseListError("List index out of bounds (%d)", index);
  return components_[std::size_t(index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return int(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int index) {
  if (!owner_) return;
  auto& list = owner_->components_;
  int count = int(list.size());
  index = std::clamp(index, 0, count - 1);
  int current = ComponentIndex();
  if (current == index) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + index, this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name)) throw EComponentError("'" + name + "' is not a valid component name");
  if (owner_)
    owner_->ValidateRename(this, name_, name);
  else
    ValidateRename(nullptr, name_, name);
  name_ = name;
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName, const std::string& newName) {
  if (component && !SameText(curName, newName) && component->owner_ == this && FindComponent(newName))
    throw EComponentError("A component named " + newName + " already exists");
}

void TComponent::ValidateInsert(TComponent*) {}

void TComponent::ValidateContainer(TComponent* container) { container->ValidateInsert(this); }

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  component->ValidateContainer(this);
  ValidateRename(component, "", component->name_);
  if (!component->name_.empty() && FindComponent(component->name_))
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  if (state_ & csDesigning) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  Detach(component);
}

void TComponent::Detach(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
  component->owner_ = nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Last first; a notice may remove components, so the index is re-checked after each.
  for (int i = int(components_.size()) - 1; i >= 0; --i) {
    if (i >= int(components_.size())) {
      i = int(components_.size());
      continue;
    }
    components_[std::size_t(i)]->Notification(component, operation);
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (!owner_ || component->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
      freeNotifies_.push_back(component);
      component->FreeNotification(this);
    }
  }
  state_ |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  RemoveNotification(component);
  component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
  auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), component);
  if (it != freeNotifies_.end()) freeNotifies_.erase(it);
}

void TComponent::Loaded() { state_ &= ~(csLoading | csReading); }

void TComponent::SetDesigning(bool value, bool setChildren) {
  if (value)
    state_ |= csDesigning;
  else
    state_ &= ~csDesigning;
  if (setChildren)
    for (TComponent* c : components_) c->SetDesigning(value, true);
}

// --- class registry

namespace {

std::string Key(std::string_view name) { return cp1250::AsciiUpper(name); }

}  // namespace

void TClassRegistry::Register(const TComponentClass& cls) {
  if (!cls) return;
  std::lock_guard lock(mutex_);
  auto [it, added] = classes_.emplace(Key(cls.ClassName()), cls);
  if (!added && !(it->second == cls)) throw EFilerError("A class named " + cls.ClassName() + " already exists");
}

void TClassRegistry::Unregister(const TComponentClass& cls) {
  std::lock_guard lock(mutex_);
  auto it = classes_.find(Key(cls.ClassName()));
  if (it != classes_.end() && it->second == cls) classes_.erase(it);
}

TComponentClass TClassRegistry::Get(std::string_view name) const {
  std::lock_guard lock(mutex_);
  auto it = classes_.find(Key(name));
  return it == classes_.end() ? TComponentClass() : it->second;
}

TComponentClass TClassRegistry::Find(std::string_view name) const {
  TComponentClass cls = Get(name);
  if (!cls) throw EClassNotFound("Class " + std::string(name) + " not found");
  return cls;
}

TClassRegistry& ClassRegistry() {
  static TClassRegistry* registry = new TClassRegistry;  // lives until the process ends
  return *registry;
}

void RegisterClass(const TComponentClass& cls) { ClassRegistry().Register(cls); }

void RegisterClasses(std::initializer_list<TComponentClass> classes) {
  for (const auto& cls : classes) RegisterClass(cls);
}

void UnRegisterClass(const TComponentClass& cls) { ClassRegistry().Unregister(cls); }
TComponentClass GetClass(std::string_view name) { return ClassRegistry().Get(name); }
TComponentClass FindClass(std::string_view name) { return ClassRegistry().Find(name); }
