// Attribute readers shared by every action family.
#include "actions/attribute_reading.h"

#include "common/sysinfo.h"

CxResult ReadRequired(ScriptElement* element, const char* name, WString* out) {
  out->Clear();
  CxResult r = element->GetAttr(name, out);
  if (r != CX_OK) return r;
  return out->IsEmpty() ? CX_E_INVALID_ARG : CX_OK;
}

uint32_t ReadFlag(ScriptElement* element, const char* name, bool defaultValue) {
  return element->GetAttrBool(name, defaultValue) ? 1u : 0u;
}

void ReadOsFilter(ScriptElement* element, WString* out) {
  out->Clear();
  element->GetAttr("os", out);  // absent: runs everywhere
}

bool IsOs64Filter(const WString& osFilter) { return osFilter == WString(u"os64"); }

bool SkippedByOsFilter(const WString& osFilter) {
  return IsOs64Filter(osFilter) && IsOs64Bit() != 1;
}
