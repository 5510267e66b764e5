// Attribute readers shared by every action family: required texts, script
// booleans and the "os" filter.
#pragma once
#include <cstdint>

#include "common/result_codes.h"
#include "common/wstring.h"
#include "package/script_element.h"

// A required text attribute: CX_E_ATTR_MISSING when absent, CX_E_INVALID_ARG
// when empty. `out` is cleared first.
CxResult ReadRequired(ScriptElement* element, const char* name, WString* out);

// A script boolean as 1 or 0; `defaultValue` when the attribute is absent.
uint32_t ReadFlag(ScriptElement* element, const char* name, bool defaultValue);

// The "os" attribute's text into `out` (cleared first; absent: empty).
void ReadOsFilter(ScriptElement* element, WString* out);

// True for the filter "os64" (exactly): the action is meant for a 64-bit
// Windows and uses the 64-bit tools and views there.
bool IsOs64Filter(const WString& osFilter);

// True when the "os" filter rules the action out on this Windows: "os64" on
// a 32-bit one. Skipped actions report success.
bool SkippedByOsFilter(const WString& osFilter);
