// VariableDictionary: the ordered (name, value) entries of a setup script's
// variables, 8-bit text in the script's encoding. Lookups see the first
// entry of a name; names compare byte for byte.
#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class VariableDictionary {
 public:
  explicit VariableDictionary(int encodingCode) : encodingCode_(encodingCode) {}

  // Appends an entry even when the name exists.
  void Add(const std::string& name, const std::string& value);
  // Changes the first entry of that name, or appends when there is none.
  void Set(const std::string& name, const std::string& value);
  // The first entry's value, or null. Valid until the next Add or Set.
  const std::string* Find(const std::string& name) const;

  size_t Size() const { return entries_.size(); }
  int EncodingCode() const { return encodingCode_; }

 private:
  int encodingCode_;
  std::vector<std::pair<std::string, std::string>> entries_;
  std::unordered_map<std::string, size_t> first_;  // name -> index of its first entry
};
