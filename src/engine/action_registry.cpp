// ActionRegistry: a fixed table searched in registration order.
#include "engine/action_registry.h"

#include <cstring>

int ActionRegistry::Register(const char* name, ActionFactory factory) {
  if (count_ >= kCapacity || !name || !*name || !factory) return CX_NOT_DONE;
  Entry& e = entries_[count_];
  size_t n = 0;
  while (n < kMaxNameChars && name[n]) ++n;
  std::memcpy(e.name, name, n);
  e.name[n] = '\0';
  e.factory = factory;
  ++count_;
  return CX_DONE;
}

Action* ActionRegistry::Create(ScriptElement* element) const {
  if (!element) return nullptr;
  const char* tag = element->Name();
  if (!tag || !*tag) return nullptr;
  for (uint32_t i = 0; i < count_; ++i)
    if (std::strcmp(entries_[i].name, tag) == 0) return entries_[i].factory(element);
  return nullptr;
}

const char* ActionRegistry::NameAt(uint32_t index) const {
  return index < count_ ? entries_[index].name : nullptr;
}
