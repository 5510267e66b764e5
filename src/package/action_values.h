// An action element's attributes read by the rules of its type in the
// script vocabulary, and the description text they fill in. The actions'
// Parse and Describe are these two calls, and so is cxpack plan's forecast
// of them, so what plan predicts is what the program shows.
#pragma once
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "common/wstring.h"
#include "package/script_element.h"
#include "package/script_vocabulary.h"

class ActionValues {
 public:
  ActionValues() = default;

  // The type read; null before a successful read.
  const ActionType* Type() const { return type_; }
  // The attribute's text (its default when absent), in the script's code
  // page; empty for a name the type does not have.
  const WString& Text(const char* name) const;
  // A script boolean (value_rules.h); the default when absent.
  bool Flag(const char* name) const;
  // A "%d" number; the default when absent or unreadable.
  int Int(const char* name) const;
  // Changes the text an action keeps for a later Describe or Execute.
  void SetText(const char* name, const WString& text);

 private:
  friend CxResult ReadActionValues(const ActionType& type, const ScriptElement& element,
                                   ActionValues* out);
  struct Slot {
    const AttributeSpec* spec;
    std::string raw;  // 8-bit, as in the script; the default when absent
    WString text;
  };
  const Slot* Find(const char* name) const;

  const ActionType* type_ = nullptr;
  std::vector<Slot> slots_;  // one per attribute of the type, in its order
};

// Reads `element`'s attributes in the type's order; the first that breaks
// its rule decides (AttributeRuleResult). 0, or that code with `out`
// untouched.
CxResult ReadActionValues(const ActionType& type, const ScriptElement& element,
                          ActionValues* out);

// Fills the description template `text` (its "$[name]" placeholders, every
// occurrence, case-sensitive) from `values` and appends the type's tails.
void DescribeActionValues(const ActionValues& values, WString* text);

// Replaces every "$[name]" in `text` by `value`.
void FillPlaceholder(WString* text, const char* name, const WString& value);
