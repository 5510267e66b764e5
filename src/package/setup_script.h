// SetupScript: the loaded SetupScript.xml with its raw and expanded
// documents and two variable dictionaries. Lookups (GetString, FindSection)
// always see the expanded script.
//
// Order of use: Load, SetSystemVariables, ExpandVariables, then lookups.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/ref_counted.h"
#include "common/result_codes.h"
#include "common/wstring.h"
#include "package/script_element.h"
#include "package/system_folders.h"

class TiXmlDocument;
class VariableDictionary;

class SetupScript : public RefCounted {
 public:
  SetupScript();  // takes the system language code
  ~SetupScript() override;

  // Reset, read the file, strip a byte-order mark, parse, import variables.
  // 0, the file layer's code, CX_E_NOT_WELL_FORMED or CX_E_BAD_DATA.
  CxResult Load(const char16_t* path);
  // Load's steps after reading the file; for callers that hold the bytes.
  CxResult LoadFromMemory(const char* data, size_t size);
  // Sets the system folder variables in both dictionaries. 1 or 0.
  int SetSystemVariables(const char* packageFolderAnsi);
  // The same with given values (for a dry run of another machine). 1 or 0.
  int SetSystemVariables(const SystemVariableList& variables);
  // Reads texts in this language (sysinfo.h codes) instead of the system's,
  // from the next Load on; -1 returns to the system's.
  void OverrideLanguageCode(int code) { languageOverride_ = code; }
  // Expands every $(name) of the raw text into the expanded document.
  CxResult ExpandVariables();
  // 0 with the value, or CX_E_MISSING with `out` untouched.
  CxResult GetString(const char* key, WString* out) const;
  // A new element tree for the first child of "Config" with that tag (and
  // "name" attribute, when given), or null. The caller deletes it.
  ScriptElement* FindSection(const char* tag, const char* name) const;
  // "zh_cn", "en_us" or "zh_tw".
  const char* GetLanguageTag() const;
  void Reset();

  // The parsed documents (null before Load / ExpandVariables); both keep
  // every node's row and column.
  const TiXmlDocument* RawDocument() const { return rawDoc_.get(); }
  const TiXmlDocument* ExpandedDocument() const { return expandedDoc_.get(); }
  const std::string& RawText() const { return raw_; }
  // Bytes of the text the last successful ExpandVariables parsed.
  size_t ExpandedLength() const { return expandedLength_; }

  int EncodingCode() const { return encodingCode_; }
  int LanguageCode() const { return languageCode_; }
  uint32_t CodePage() const { return CodePageOfEncoding(encodingCode_); }

 private:
  std::string raw_;  // file bytes after the byte-order mark
  std::unique_ptr<TiXmlDocument> rawDoc_;
  std::unique_ptr<TiXmlDocument> expandedDoc_;
  std::unique_ptr<VariableDictionary> rawDict_;
  std::unique_ptr<VariableDictionary> expandedDict_;
  int encodingCode_ = -1;
  int languageCode_ = 0;
  int languageOverride_ = -1;
  size_t expandedLength_ = 0;
};
