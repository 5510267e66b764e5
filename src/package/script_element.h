// ScriptElement: a read-only view of one element of the setup script and,
// recursively, its element children. Actions read their parameters through
// it; the runner walks action lists with it.
#pragma once
#include <cstdint>
#include <vector>

#include "common/ref_counted.h"
#include "common/result_codes.h"
#include "common/wstring.h"

class TiXmlElement;

class ScriptElement : public RefCounted {
 public:
  // Wraps `element` (not owned; must outlive this tree) and all its element
  // descendants. `encodingCode` is the script's (0 utf-8, 1 gbk, 2 gb18030,
  // 3 gb2312, -1 other); `languageCode` the system's (sysinfo.h).
  ScriptElement(const TiXmlElement* element, int encodingCode, int languageCode,
                ScriptElement* parent = nullptr);
  ~ScriptElement() override;

  const char* Name() const;  // tag, 8-bit; "" when none
  ScriptElement* Parent() const { return parent_; }
  // First child whose tag equals `tag` exactly, or null.
  ScriptElement* FindChild(const char* tag) const;
  // Cursor iteration: First resets the cursor; Next returns null past the end.
  ScriptElement* First();
  ScriptElement* Next();
  uint32_t ChildCount() const { return static_cast<uint32_t>(children_.size()); }
  ScriptElement* Child(uint32_t index) const {
    return index < children_.size() ? children_[index] : nullptr;
  }

  // 0 with the value in the script's code page (empty value: empty text), or
  // CX_E_ATTR_MISSING with `out` untouched.
  CxResult GetAttr(const char* name, WString* out) const;
  int GetAttrInt(const char* name, int defaultValue) const;     // "%d", else default
  bool GetAttrBool(const char* name, bool defaultValue) const;  // "true" in any case
  const char* GetAttrRaw(const char* name, const char* defaultValue) const;
  // Localised text: the element's own text, else its children named after
  // the language (the last match wins); `out` unchanged when nothing matches.
  CxResult GetText(WString* out) const;

  int EncodingCode() const { return encodingCode_; }
  int LanguageCode() const { return languageCode_; }
  const TiXmlElement* Xml() const { return element_; }

 private:
  const TiXmlElement* element_;
  int encodingCode_;
  int languageCode_;
  ScriptElement* parent_;
  std::vector<ScriptElement*> children_;  // owned
  uint32_t cursor_ = 0;
};

// Code page for script text of an encoding code: 0 UTF-8, 1-3 936, else ANSI.
uint32_t CodePageOfEncoding(int encodingCode);
