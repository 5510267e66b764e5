// Ordered variable entries with an index of each name's first entry, so
// expanding a large script does not scan the list per reference.
#include "package/variable_dictionary.h"

void VariableDictionary::Add(const std::string& name, const std::string& value) {
  first_.emplace(name, entries_.size());  // keeps an existing first index
  entries_.emplace_back(name, value);
}

void VariableDictionary::Set(const std::string& name, const std::string& value) {
  auto it = first_.find(name);
  if (it == first_.end()) {
    Add(name, value);
    return;
  }
  entries_[it->second].second = value;
}

const std::string* VariableDictionary::Find(const std::string& name) const {
  auto it = first_.find(name);
  return it == first_.end() ? nullptr : &entries_[it->second].second;
}
