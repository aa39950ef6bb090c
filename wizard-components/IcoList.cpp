#include "wizard-components/IcoList.h"

#include <algorithm>

#include "platform/runtime/Lists.h"

namespace {

std::unique_ptr<TIcon> CopyOf(TIcon* icon) {
  std::unique_ptr<TIcon> copy(TIcon::Create());
  if (icon) copy->Assign(icon);
  return copy;
}

std::unique_ptr<TIcon> FromResource(HINSTANCE module, const std::string& name) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  icon->LoadFromResourceName(module, name);
  return icon;
}

int32_t ReadInt32(TStream* stream) {
  uint8_t b[4];
  stream->ReadBuffer(b, 4);
  return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

void WriteInt32(TStream* stream, int32_t value) {
  uint32_t v = uint32_t(value);
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  stream->WriteBuffer(b, 4);
}

[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }

}  // namespace

TIconList::~TIconList() {
  OnChange = nullptr;
  for (auto& icon : items_)
    if (icon) icon->OnChange = nullptr;
}

void TIconList::Assign(TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  auto* list = DynamicAs<TIconList>(source);
  auto* icon = DynamicAs<TIcon>(source);
  if (!list && !icon) {
    inherited::Assign(source);
    return;
  }
  SuspendChange();
  try {
    Clear();
    if (list)
      for (const auto& item : list->items_) Add(item.get());
    else
      Add(icon);
  } catch (...) {
    ResumeChange();
    throw;
  }
  ResumeChange();
}

bool TIconList::IconsStored(const TIconList* ancestor) const {
  if (ancestor && ancestor->Count() == Count() && Count() > 0) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() != ancestor->items_[i].get()) return true;
    return false;
  }
  return Count() > 0;
}

void TIconList::ResumeChange() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TIconList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TIconList::CheckIndex(int i, int limit) const {
  if (i < 0 || i > limit) RaiseListError("List index out of bounds (%d)", i);
}

TIcon* TIconList::IconAt(int i) const {
  CheckIndex(i, Count() - 1);
  return items_[size_t(i)].get();
}

void TIconList::Attach(TIcon* icon) {
  icon->OnChange = [this](TObject*) { Changed(); };
}

void TIconList::Place(int i, std::unique_ptr<TIcon> icon) {
  Attach(icon.get());
  items_.insert(items_.begin() + i, std::move(icon));
  Changed();
}

void TIconList::PutIcon(int i, TIcon* icon) {
  CheckIndex(i, Count());
  SuspendChange();
  try {
    if (i == Count()) Place(i, CopyOf(nullptr));
    if (!items_[size_t(i)]) {
      items_[size_t(i)].reset(TIcon::Create());
      Attach(items_[size_t(i)].get());
    }
    items_[size_t(i)]->Assign(icon);
  } catch (...) {
    ResumeChange();
    throw;
  }
  ResumeChange();
}

int TIconList::Add(TIcon* icon) {
  Place(Count(), CopyOf(icon));
  return Count() - 1;
}

int TIconList::AddResource(HINSTANCE module, const std::string& name) {
  Place(Count(), FromResource(module, name));
  return Count() - 1;
}

void TIconList::Insert(int i, TIcon* icon) {
  CheckIndex(i, Count());
  Place(i, CopyOf(icon));
}

void TIconList::InsertResource(int i, HINSTANCE module, const std::string& name) {
  CheckIndex(i, Count());
  Place(i, FromResource(module, name));
}

void TIconList::Clear() {
  SuspendChange();
  while (!items_.empty()) Delete(Count() - 1);
  ResumeChange();
}

void TIconList::Delete(int i) {
  CheckIndex(i, Count() - 1);
  std::unique_ptr<TIcon> icon = std::move(items_[size_t(i)]);
  items_.erase(items_.begin() + i);
  if (icon) icon->OnChange = nullptr;
  Changed();
}

void TIconList::Exchange(int i, int j) {
  CheckIndex(i, Count() - 1);
  CheckIndex(j, Count() - 1);
  std::swap(items_[size_t(i)], items_[size_t(j)]);
  Changed();
}

int TIconList::IndexOf(TIcon* icon) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == icon) return int(i);
  return -1;
}

void TIconList::Move(int from, int to) {
  CheckIndex(from, Count() - 1);
  CheckIndex(to, Count() - 1);
  std::unique_ptr<TIcon> icon = std::move(items_[size_t(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(icon));
  Changed();
}

void TIconList::LoadFromStream(TStream* stream) {
  std::vector<std::unique_ptr<TIcon>> loaded;
  int32_t count = ReadInt32(stream);
  int64_t remaining = stream->Size() - stream->Position();
  if (count < 0 || count > remaining / 4) ReadError();
  for (int32_t i = 0; i < count; ++i) {
    int32_t size = ReadInt32(stream);
    if (size <= 0) {
      loaded.emplace_back();
      continue;
    }
    if (size > stream->Size() - stream->Position()) ReadError();
    std::string bytes(size_t(size), '\0');
    stream->ReadBuffer(bytes.data(), size);
    std::unique_ptr<TIcon> icon(TIcon::Create());
    TStringStream data(std::move(bytes));
    icon->LoadFromStream(&data);
    loaded.push_back(std::move(icon));
  }
  SuspendChange();
  Clear();
  for (auto& icon : loaded) {
    if (icon) Attach(icon.get());
    items_.push_back(std::move(icon));
  }
  ResumeChange();
}

void TIconList::SaveToStream(TStream* stream) {
  WriteInt32(stream, Count());
  for (const auto& icon : items_) {
    if (!icon || icon->Empty()) {
      WriteInt32(stream, 0);
      continue;
    }
    TStringStream data("");
    icon->SaveToStream(&data);
    WriteInt32(stream, int32_t(data.DataString().size()));
    stream->WriteBuffer(data.DataString().data(), int64_t(data.DataString().size()));
  }
}
