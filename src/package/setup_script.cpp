// SetupScript: loading, variable import, expansion and lookups.
#include "package/setup_script.h"

#include <cstring>
#include <vector>

#include <tinyxml.h>

#include "common/codepage.h"
#include "common/file_io.h"
#include "common/sysinfo.h"
#include "package/script_vocabulary.h"
#include "package/system_folders.h"
#include "package/variable_dictionary.h"
#include "package/variables.h"
#include "package/xml_access.h"

namespace {

// FindSection looks at no more children of "Config" than this.
constexpr uint32_t kMaxSectionCount = 128;

uint32_t CurrentLanguageCode() {
  uint32_t code = CX_LANG_ZH_CN;
  GetSystemLanguageCode(&code);
  return code;
}

const char* TextOrEmpty(const TiXmlElement* element) {
  const char* text = nullptr;
  XmlText(element, &text);
  return text ? text : "";
}

// Imports the variables of `doc` into `dict`: every child of SetupInfo and
// CustomInfo, and the language's text of every child of CustomString and
// ActionDescString. `set` replaces existing entries instead of adding.
CxResult ImportVariables(const TiXmlDocument* doc, const char* languageTag, bool set,
                         VariableDictionary* dict) {
  const TiXmlElement* config = nullptr;
  CxResult r = XmlFirstChildElement(doc, kConfigElement, &config);
  if (r != CX_OK || !config) return r;
  auto put = [&](const char* name, const char* value) {
    if (set) dict->Set(name, value);
    else dict->Add(name, value);
  };
  for (const TiXmlElement* section = config->FirstChildElement(); section;
       section = section->NextSiblingElement()) {
    const char* tag = nullptr;
    XmlTag(section, &tag);
    if (!tag) continue;
    bool plain = std::strcmp(tag, kSetupInfoSection) == 0 ||
                 std::strcmp(tag, kCustomInfoSection) == 0;
    bool localised = std::strcmp(tag, kCustomStringSection) == 0 ||
                     std::strcmp(tag, kTemplatesSection) == 0;
    if (!plain && !localised) continue;
    for (const TiXmlElement* e = section->FirstChildElement(); e; e = e->NextSiblingElement()) {
      const char* name = nullptr;
      XmlTag(e, &name);
      if (!name) continue;
      if (plain) {
        put(name, TextOrEmpty(e));
        continue;
      }
      for (const TiXmlElement* l = e->FirstChildElement(languageTag); l;
           l = l->NextSiblingElement(languageTag))
        put(name, TextOrEmpty(l));
    }
  }
  return CX_OK;
}

}  // namespace

SetupScript::SetupScript() : languageCode_(static_cast<int>(CurrentLanguageCode())) {}

SetupScript::~SetupScript() = default;

void SetupScript::Reset() {
  std::string().swap(raw_);
  rawDoc_.reset();
  expandedDoc_.reset();
  rawDict_.reset();
  expandedDict_.reset();
  encodingCode_ = -1;
  languageCode_ =
      languageOverride_ >= 0 ? languageOverride_ : static_cast<int>(CurrentLanguageCode());
}

const char* SetupScript::GetLanguageTag() const { return LanguageTagOf(languageCode_); }

CxResult SetupScript::Load(const char16_t* path) {
  Reset();
  if (!path) return CX_E_INVALID_ARG;
  std::string bytes;
  CxResult r = ReadWholeFile(path, &bytes);
  if (r != CX_OK) return r;
  return LoadFromMemory(bytes.data(), bytes.size());
}

CxResult SetupScript::LoadFromMemory(const char* data, size_t size) {
  Reset();
  if (!data && size) return CX_E_INVALID_ARG;
  const auto* b = reinterpret_cast<const unsigned char*>(data);
  if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    data += 3;
    size -= 3;
  } else if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    data += 2;
    size -= 2;
  }
  // The parser stops at a zero byte; expansion must see the same text.
  size_t length = 0;
  while (length < size && data[length]) ++length;

  std::unique_ptr<TiXmlDocument> doc;
  CxResult r = XmlParse(data ? data : "", length, &doc);
  int encoding = -1;
  if (r == CX_OK) r = XmlEncoding(doc.get(), &encoding);
  if (r != CX_OK) return r;

  raw_.assign(data, length);
  rawDoc_ = std::move(doc);
  encodingCode_ = encoding;
  rawDict_.reset(new VariableDictionary(encoding));
  expandedDict_.reset(new VariableDictionary(encoding));
  return ImportVariables(rawDoc_.get(), GetLanguageTag(), false, rawDict_.get());
}

int SetupScript::SetSystemVariables(const char* packageFolderAnsi) {
  if (!rawDict_ || !expandedDict_ || !packageFolderAnsi || !*packageFolderAnsi)
    return CX_NOT_DONE;
  WString packageFolder;
  if (!packageFolder.Assign(packageFolderAnsi, CX_CP_ANSI)) return CX_NOT_DONE;
  RawSystemFolders folders;
  SystemVariableList variables;
  if (QueryRawSystemFolders(&folders) != CX_OK ||
      BuildSystemVariables(folders, packageFolder.Str(), static_cast<uint32_t>(languageCode_),
                           &variables) != CX_OK)
    return CX_NOT_DONE;
  return SetSystemVariables(variables);
}

int SetupScript::SetSystemVariables(const SystemVariableList& variables) {
  if (!rawDict_ || !expandedDict_) return CX_NOT_DONE;
  std::vector<std::pair<std::string, std::string>> narrow;
  for (const auto& v : variables) {
    std::string value;
    if (Utf16ToMultiByte(CodePage(), v.second.data(), v.second.size(), &value) != CX_OK)
      return CX_NOT_DONE;
    narrow.emplace_back(v.first, value);
  }
  for (const auto& v : narrow) {
    rawDict_->Set(v.first, v.second);
    expandedDict_->Set(v.first, v.second);
  }
  return CX_DONE;
}

CxResult SetupScript::ExpandVariables() {
  expandedDoc_.reset();
  expandedLength_ = 0;
  if (raw_.empty() || !rawDoc_ || !rawDict_ || !expandedDict_) return CX_E_BAD_DATA;
  CxResult r = ImportVariables(rawDoc_.get(), GetLanguageTag(), true, rawDict_.get());
  if (r != CX_OK) return r;
  std::string expanded;
  r = ExpandVariableText(raw_, *rawDict_, &expanded);
  if (r != CX_OK) return r;
  std::unique_ptr<TiXmlDocument> doc;
  r = XmlParse(expanded.data(), expanded.size(), &doc);
  int encoding = -1;
  if (r == CX_OK) r = XmlEncoding(doc.get(), &encoding);
  if (r == CX_OK) r = ImportVariables(doc.get(), GetLanguageTag(), true, expandedDict_.get());
  if (r != CX_OK) return r;
  expandedDoc_ = std::move(doc);
  expandedLength_ = expanded.size();
  return CX_OK;
}

CxResult SetupScript::GetString(const char* key, WString* out) const {
  if (!out) return CX_E_INVALID_ARG;
  const std::string* value = (key && expandedDict_) ? expandedDict_->Find(key) : nullptr;
  if (!value) return CX_E_MISSING;
  WString text = *out;  // keeps the caller's chosen code page
  if (!text.Assign(value->c_str(), CodePage())) return CX_E_BAD_DATA;
  *out = std::move(text);
  return CX_OK;
}

ScriptElement* SetupScript::FindSection(const char* tag, const char* name) const {
  if (!tag || !expandedDoc_) return nullptr;
  const TiXmlElement* config = nullptr;
  if (XmlFirstChildElement(expandedDoc_.get(), kConfigElement, &config) != CX_OK || !config)
    return nullptr;
  const TiXmlElement* children[kMaxSectionCount];
  uint32_t count = kMaxSectionCount;
  if (XmlChildren(config, children, &count) != CX_OK) return nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    const char* childTag = nullptr;
    XmlTag(children[i], &childTag);
    if (!childTag || std::strcmp(childTag, tag) != 0) continue;
    if (name) {
      const char* childName = nullptr;
      if (XmlAttribute(children[i], kListNameAttribute, &childName) != CX_OK ||
          std::strcmp(childName, name) != 0)
        continue;
    }
    return new ScriptElement(children[i], encodingCode_, languageCode_);
  }
  return nullptr;
}
