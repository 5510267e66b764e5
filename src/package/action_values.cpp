// Attribute reading and description filling by the vocabulary's rows.
#include "package/action_values.h"

#include <cstring>

#include "package/value_rules.h"

const ActionValues::Slot* ActionValues::Find(const char* name) const {
  for (const Slot& s : slots_)
    if (name && std::strcmp(s.spec->name, name) == 0) return &s;
  return nullptr;
}

const WString& ActionValues::Text(const char* name) const {
  static const WString kNone;
  const Slot* s = Find(name);
  return s ? s->text : kNone;
}

bool ActionValues::Flag(const char* name) const {
  const Slot* s = Find(name);
  return s && BoolFromText(s->raw.c_str());
}

int ActionValues::Int(const char* name) const {
  const Slot* s = Find(name);
  int value = 0;
  if (s && !IntFromText(s->raw.c_str(), &value)) IntFromText(s->spec->defaultValue, &value);
  return value;
}

void ActionValues::SetText(const char* name, const WString& text) {
  for (Slot& s : slots_)
    if (name && std::strcmp(s.spec->name, name) == 0) s.text = text;
}

CxResult ReadActionValues(const ActionType& type, const ScriptElement& element,
                          ActionValues* out) {
  if (!out) return CX_E_INVALID_ARG;
  ActionValues read;
  read.type_ = &type;
  for (size_t i = 0; i < type.attributeCount; ++i) {
    const AttributeSpec& spec = type.attributes[i];
    const char* value = element.GetAttrRaw(spec.name, nullptr);
    const char* condition =
        spec.conditionAttr ? element.GetAttrRaw(spec.conditionAttr, nullptr) : nullptr;
    CxResult r = AttributeRuleResult(spec, value, condition);
    if (r != CX_OK) return r;
    ActionValues::Slot slot{&spec, value ? value : spec.defaultValue, WString()};
    if (value) element.GetAttr(spec.name, &slot.text);
    else slot.text.Assign(spec.defaultValue);
    read.slots_.push_back(std::move(slot));
  }
  *out = std::move(read);
  return CX_OK;
}

void FillPlaceholder(WString* text, const char* name, const WString& value) {
  std::u16string key = u"$[";
  key += WString(name).Str();
  key += u"]";
  text->Replace(key.c_str(), value.Wide());
}

namespace {

// The attribute names of the "$[x]" in `text`, in order of appearance.
std::vector<std::string> PlaceholderNames(const std::u16string& text) {
  std::vector<std::string> names;
  for (size_t p = text.find(u"$["); p != std::u16string::npos; p = text.find(u"$[", p + 2)) {
    const size_t close = text.find(u']', p + 2);
    if (close == std::u16string::npos) break;
    names.push_back(WString(text.substr(p + 2, close - p - 2)).Narrow());
  }
  return names;
}

bool TailHolds(const ActionValues& values, const DescriptionTail& tail) {
  const AttributeSpec* spec = FindAttributeSpec(*values.Type(), tail.attribute);
  if (spec && spec->kind == AttrKind::kBool) return values.Flag(tail.attribute);
  if (tail.equals) return values.Text(tail.attribute) == WString(tail.equals);
  return !values.Text(tail.attribute).IsEmpty();
}

}  // namespace

void DescribeActionValues(const ActionValues& values, WString* text) {
  const ActionType* type = values.Type();
  if (!type || !text) return;
  for (size_t i = 0; i < type->placeholderCount; ++i) {
    const PlaceholderSpec& p = type->placeholders[i];
    WString value;
    for (size_t k = 0; k < 3 && p.parts[k]; ++k) {
      if (k) value.Append(u"\\");
      value.Append(values.Text(p.parts[k]));
    }
    if (value.IsEmpty() && p.fallback) value.AssignInt(values.Int(p.fallback));
    FillPlaceholder(text, p.name, value);
  }
  for (size_t i = 0; i < type->tailCount; ++i) {
    const DescriptionTail& tail = type->tails[i];
    const char16_t* chosen = TailHolds(values, tail) ? tail.text : tail.otherwise;
    if (!chosen) continue;
    WString appended(chosen);
    for (const std::string& name : PlaceholderNames(appended.Str()))
      FillPlaceholder(&appended, name.c_str(), values.Text(name.c_str()));
    text->Append(appended);
  }
}
