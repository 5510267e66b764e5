// The attributes of every built-in action type, described once: in order,
// whether each is required or may be empty, its kind, its default, and the
// "$[x]" placeholders each type's description fills. The actions' Parse
// reads through it (actions/attribute_reading.h), and so do the script
// linter and the dry-run planner, so the three cannot drift apart.
#pragma once
#include <cstddef>

#include "common/result_codes.h"

// When an attribute must be there, and whether it may be empty.
enum class AttrRule {
  kOptional,           // absent: the default; any value accepted
  kRequired,           // absent: CX_E_ATTR_MISSING; empty: CX_E_INVALID_ARG
  kNonEmptyIfPresent,  // absent: the default; empty: CX_E_INVALID_ARG
  // Required (as kRequired) when the attribute `conditionAttr` equals
  // `conditionValue` exactly; otherwise as kNonEmptyIfPresent.
  kRequiredWhen,
  // Required; may be empty only while `conditionAttr` equals `conditionValue`.
  kRequiredEmptyWhen,
};

// What the value means; the linter checks values by kind.
enum class AttrKind {
  kText,        // any text
  kPath,        // a path on the target machine
  kSourcePath,  // a path that normally lies in the package ($(srcroot)...)
  kCommand,     // a program for the shell, possibly in double quotes
  kBool,        // "true" in any case is true, anything else false
  kInt,         // signed decimal ("%d"); unreadable: the default
  kMinutes,     // decimal minutes, read with atoi
  kEnum,        // one of `values`, exact case
  kRegData,     // registry data, read as `ValueType` says
  kOsFilter,    // "os64", or nothing
  kStoreName,   // a system certificate store, compared ignoring case
  kFlagWords,   // holds one or more of `values` as plain substrings
};

// How an action honours the "os" attribute.
enum class OsRule {
  kIgnored,        // the attribute plays no part
  kOs64Only,       // "os64": only on a 64-bit Windows; else everywhere
  kSelectsBitness, // "os64": only on 64-bit; anything else: only on 32-bit
};

struct AttributeSpec {
  const char* name;
  AttrRule rule;
  AttrKind kind;
  const char* defaultValue;     // text form of the default; "" for none
  const char* const* values;    // kEnum / kFlagWords words, null-terminated
  const char* conditionAttr;    // kRequiredWhen / kRequiredEmptyWhen
  const char* conditionValue;
};

struct ActionSchema {
  const char* type;  // the element name
  const AttributeSpec* attributes;
  size_t attributeCount;
  const char* const* placeholders;  // names of the "$[x]" its Describe fills
  OsRule osRule;
};

// All built-in types, in registration order (engine/builtin_actions.h).
const ActionSchema* ActionSchemas(size_t* count);
// The schema of `type` (exact case), or null.
const ActionSchema* FindActionSchema(const char* type);
// The attribute `name` (exact case) of `schema`, or null.
const AttributeSpec* FindAttributeSpec(const ActionSchema& schema, const char* name);
// True when `placeholder` (without "$[" and "]") is one `schema` fills.
bool FillsPlaceholder(const ActionSchema& schema, const char* placeholder);

// The rule's verdict on one attribute: `value` is its text (null when
// absent), `conditionValue` that of the rule's condition attribute (null
// when absent or when the rule has no condition). CX_OK, CX_E_ATTR_MISSING
// for an absent required attribute, CX_E_INVALID_ARG for an empty one.
CxResult AttributeRuleResult(const AttributeSpec& spec, const char* value,
                             const char* conditionValue);
// True when the condition of a kRequiredWhen / kRequiredEmptyWhen rule holds.
bool ConditionHolds(const AttributeSpec& spec, const char* conditionValue);
