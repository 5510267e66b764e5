// Attribute readers shared by every action family: the schema reader (each
// attribute by its row in engine/action_schema.h) and the "os" filter.
#pragma once
#include <cstdint>

#include "engine/action_schema.h"

#include "common/result_codes.h"
#include "common/wstring.h"
#include "package/script_element.h"

// Reads one action element's attributes by the schema of its type, so Parse
// applies the same rules, defaults and conditions that the linter checks:
//
//   SchemaReader read(element_, "File");
//   CxResult r = read.Text("Dest", &destination_);
//   register_ = read.Flag("Register");
class SchemaReader {
 public:
  // `element` must outlive the reader; `type` names a built-in action type.
  SchemaReader(ScriptElement* element, const char* type);

  // The attribute by its rule: the schema default when absent and allowed;
  // CX_E_ATTR_MISSING when a required one is absent; CX_E_INVALID_ARG when
  // it is empty where that is not allowed, or when the type or attribute is
  // not in the schema. `out` is cleared first.
  CxResult Text(const char* name, WString* out) const;
  // A script boolean as 1 or 0; the schema default when absent.
  uint32_t Flag(const char* name) const;
  // A signed decimal number; the schema default when absent or unreadable.
  int Int(const char* name) const;

 private:
  const AttributeSpec* Spec(const char* name) const;

  ScriptElement* element_;
  const ActionSchema* schema_;
};

// True for the filter "os64" (exactly): the action is meant for a 64-bit
// Windows and uses the 64-bit tools and views there.
bool IsOs64Filter(const WString& osFilter);

// True when the "os" filter rules the action out on this Windows: "os64" on
// a 32-bit one. Skipped actions report success.
bool SkippedByOsFilter(const WString& osFilter);
