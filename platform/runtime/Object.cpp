#include "platform/runtime/Object.h"

#include <cstring>

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
  if (!other) return false;
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == other || std::strcmp(c->Name, other->Name) == 0) return true;
  return false;
}

void TObject::Free() {
  BeforeDestruction();
  delete this;
}
