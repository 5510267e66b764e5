// ScriptElement over TinyXML elements.
#include "package/script_element.h"

#include <cstring>

#include "package/script_vocabulary.h"
#include "package/value_rules.h"

#include <tinyxml.h>

uint32_t CodePageOfEncoding(int encodingCode) {
  switch (encodingCode) {
    case 0: return CX_CP_UTF8;
    case 1: case 2: case 3: return CX_CP_GBK;
    default: return CX_CP_ANSI;
  }
}

ScriptElement::ScriptElement(const TiXmlElement* element, int encodingCode, int languageCode,
                             ScriptElement* parent)
    : element_(element), encodingCode_(encodingCode), languageCode_(languageCode), parent_(parent) {
  if (!element_) return;
  for (const TiXmlElement* c = element_->FirstChildElement(); c; c = c->NextSiblingElement())
    children_.push_back(new ScriptElement(c, encodingCode, languageCode, this));
}

ScriptElement::~ScriptElement() {
  for (ScriptElement* c : children_) delete c;
}

const char* ScriptElement::Name() const {
  const char* v = element_ ? element_->Value() : nullptr;
  return v ? v : "";
}

ScriptElement* ScriptElement::FindChild(const char* tag) const {
  if (!tag) return nullptr;
  for (ScriptElement* c : children_)
    if (std::strcmp(c->Name(), tag) == 0) return c;
  return nullptr;
}

ScriptElement* ScriptElement::First() {
  cursor_ = 0;
  return Child(0);
}

ScriptElement* ScriptElement::Next() {
  if (cursor_ < children_.size()) ++cursor_;
  return Child(cursor_);
}

CxResult ScriptElement::GetAttr(const char* name, WString* out) const {
  if (!name || !out) return CX_E_INVALID_ARG;
  const char* v = element_ ? element_->Attribute(name) : nullptr;
  if (!v) return CX_E_ATTR_MISSING;
  out->Assign(v, CodePageOfEncoding(encodingCode_));
  return CX_OK;
}

int ScriptElement::GetAttrInt(const char* name, int defaultValue) const {
  int value = defaultValue;
  IntFromText(GetAttrRaw(name, nullptr), &value);
  return value;
}

bool ScriptElement::GetAttrBool(const char* name, bool defaultValue) const {
  const char* v = GetAttrRaw(name, nullptr);
  return v ? BoolFromText(v) : defaultValue;
}

const char* ScriptElement::GetAttrRaw(const char* name, const char* defaultValue) const {
  const char* v = (element_ && name) ? element_->Attribute(name) : nullptr;
  return v ? v : defaultValue;
}

CxResult ScriptElement::GetText(WString* out) const {
  if (!out) return CX_E_INVALID_ARG;
  const char* text = element_ ? element_->GetText() : nullptr;
  if (text) {
    out->Assign(text, CodePageOfEncoding(encodingCode_));
    return CX_OK;
  }
  // No own text: take the child named after the language. This mapping is
  // not the dictionary's: codes 4 to 11 have no template language at all.
  const char* tag;
  if (languageCode_ == 1) tag = kLanguageTags[1];
  else if (languageCode_ == 2) tag = kLanguageTags[2];
  else if (languageCode_ >= 4 && languageCode_ <= 11) tag = nullptr;
  else tag = kLanguageTags[0];
  if (tag) {
    for (ScriptElement* c : children_)
      if (std::strcmp(c->Name(), tag) == 0) c->GetText(out);
  }
  return CX_OK;
}
