// Attribute readers shared by every action family.
#include "actions/attribute_reading.h"

#include <cstdlib>

#include "common/strings.h"
#include "common/sysinfo.h"

SchemaReader::SchemaReader(ScriptElement* element, const char* type)
    : element_(element), schema_(FindActionSchema(type)) {}

const AttributeSpec* SchemaReader::Spec(const char* name) const {
  return schema_ ? FindAttributeSpec(*schema_, name) : nullptr;
}

CxResult SchemaReader::Text(const char* name, WString* out) const {
  out->Clear();
  const AttributeSpec* spec = Spec(name);
  if (!spec || !element_) return CX_E_INVALID_ARG;
  const char* value = element_->GetAttrRaw(name, nullptr);
  const char* condition =
      spec->conditionAttr ? element_->GetAttrRaw(spec->conditionAttr, nullptr) : nullptr;
  CxResult r = AttributeRuleResult(*spec, value, condition);
  if (r != CX_OK) return r;
  if (!value) {
    out->Assign(spec->defaultValue);
    return CX_OK;
  }
  return element_->GetAttr(name, out);
}

uint32_t SchemaReader::Flag(const char* name) const {
  const AttributeSpec* spec = Spec(name);
  const bool byDefault = spec && StrCompareNoCaseA(spec->defaultValue, "true") == 0;
  const bool value = element_ ? element_->GetAttrBool(name, byDefault) : byDefault;
  return value ? 1u : 0u;
}

int SchemaReader::Int(const char* name) const {
  const AttributeSpec* spec = Spec(name);
  const int byDefault = spec ? std::atoi(spec->defaultValue) : 0;
  return element_ ? element_->GetAttrInt(name, byDefault) : byDefault;
}

bool IsOs64Filter(const WString& osFilter) { return osFilter == WString(u"os64"); }

bool SkippedByOsFilter(const WString& osFilter) {
  return IsOs64Filter(osFilter) && IsOs64Bit() != 1;
}
