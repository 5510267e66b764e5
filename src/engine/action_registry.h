// ActionRegistry: maps the tag of an action-list element to the factory of
// its action type. Fixed capacity, names cut to 64 characters, and lookup
// takes the first entry whose name equals the tag exactly (case-sensitive).
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/ref_counted.h"
#include "engine/action.h"
#include "package/script_element.h"

class ActionRegistry : public RefCounted {
 public:
  static constexpr uint32_t kCapacity = 256;
  static constexpr size_t kMaxNameChars = 64;  // longer names are cut

  ActionRegistry() = default;

  // 1 when stored; 0 when the table is full, the name is null or empty, or
  // the factory is null (nothing changes then). Duplicates are stored but
  // never found, since lookup takes the first.
  int Register(const char* name, ActionFactory factory);
  // A new action bound to `element`, owned by the caller; null when the
  // element is null or has no tag, no entry matches, or the factory fails.
  virtual Action* Create(ScriptElement* element) const;

  uint32_t Count() const { return count_; }
  // Name of entry `index` (as stored, possibly cut); null past the end.
  const char* NameAt(uint32_t index) const;

 private:
  struct Entry {
    char name[kMaxNameChars + 1];
    ActionFactory factory;
  };
  uint32_t count_ = 0;
  Entry entries_[kCapacity] = {};
};
