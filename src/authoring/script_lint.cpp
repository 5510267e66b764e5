// The script linter: one pass over the raw document (for positions) paired
// with the expanded one (for values), plus the variable references of the
// raw text and the package folder.
#include "authoring/script_lint.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include <tinyxml.h>

#include "common/codepage.h"
#include "common/strings.h"
#include "common/version_number.h"
#include "common/wstring.h"
#include "authoring/deletion_lint.h"
#include "authoring/lint_package_reads.h"
#include "authoring/lint_structure.h"
#include "authoring/package_file_index.h"
#include "authoring/package_writer.h"
#include "package/script_vocabulary.h"
#include "package/setup_script.h"
#include "package/system_folders.h"
#include "package/value_rules.h"
#include "package/variables.h"
#include "package/xml_access.h"
#include "platform/task_schedule.h"

namespace {

const char* const kMainLists[] = {kInstallList, kUninstallList};

// The machine the linter expands for: long folder names (as under a long
// user name), so a script near its expansion room shows it here.
const char16_t kLongUser[] = u"Firstname.Lastname.of.a.rather.long.account";

bool Same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }
bool SameNoCase(const char* a, const char* b) { return StrCompareNoCaseA(a, b) == 0; }
std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// An attribute's value as the expanded script holds it.
struct Value {
  bool present = false;
  bool known = false;  // false when only the raw text (with references) is at hand
  std::string text;    // UTF-8
};

class Linter {
 public:
  explicit Linter(const LintOptions& options) : options_(options) {}
  std::vector<LintFinding> Run(const std::string& bytes);

 private:
  void Add(int line, int column, LintSeverity s, const std::string& message) {
    findings_.push_back({line, column, s, message, {}, entry_});
  }
  void Error(const TiXmlBase* at, const std::string& m) {
    Add(at ? at->Row() : 1, at ? at->Column() : 1, LintSeverity::kError, m);
  }
  void Warn(const TiXmlBase* at, const std::string& m) {
    Add(at ? at->Row() : 1, at ? at->Column() : 1, LintSeverity::kWarning, m);
  }

  bool CheckDeclaration();
  void CollectVariables();
  void CheckReferences();
  void CheckSelfReferences();
  void Expand();
  void Pair(const TiXmlElement* raw, const TiXmlElement* expanded);
  std::string Utf8(const char* text) const;
  Value AttrValue(const TiXmlElement* raw, const char* name) const;
  std::string ElementText(const TiXmlElement* raw) const;

  bool Defined(const std::string& name, const char* language) const;
  void CheckSetupInfo();
  void CheckTexts();
  void CheckLists();
  void CheckAction(const TiXmlElement* e, bool mainList);
  void CheckValue(const TiXmlElement* e, const ActionType& type, const AttributeSpec& spec,
                  const Value& v);
  void CheckPackagePath(const TiXmlElement* e, const std::string& what, const std::string& path);
  void CheckTemplates();
  void CheckPackageNames();

  const LintOptions& options_;
  // The reference entry the findings of the check under way point to.
  std::string entry_ = "format";
  std::vector<LintFinding> findings_;
  std::string raw_;
  std::unique_ptr<TiXmlDocument> rawDoc_;
  const TiXmlElement* config_ = nullptr;
  int encoding_ = -1;
  SetupScript script_;
  bool expanded_ = false;
  std::map<const TiXmlElement*, const TiXmlElement*> expandedOf_;
  std::string srcroot_;  // the package folder the expansion used, UTF-8

  std::set<std::string> systemNames_;
  std::map<std::string, const TiXmlElement*> plainVars_;  // last definition wins
  std::map<std::string, const TiXmlElement*> localVars_;
  std::map<std::string, std::set<std::string>> localLanguages_;
  bool referencesBroken_ = false;
  // Types used in the lists that describe their actions, by first use.
  std::map<std::string, const TiXmlElement*> describedTypes_;
};

// Texts near `name` among `candidates`, by edit distance ignoring case.
std::string DidYouMean(const std::string& name, const std::vector<std::string>& candidates) {
  std::string best;
  size_t bestDistance = 3;
  for (const std::string& c : candidates) {
    size_t d = NearNameDistance(name, c);
    if (d < bestDistance && c != name) {
      best = c;
      bestDistance = d;
    }
  }
  return best.empty() ? std::string() : "; did you mean " + Quoted(best) + "?";
}

std::vector<std::string> ActionTypeNames() {
  size_t count = 0;
  const ActionType* all = ActionTypes(&count);
  std::vector<std::string> names;
  for (size_t i = 0; i < count; ++i) names.push_back(all[i].name);
  return names;
}

std::vector<const TiXmlElement*> Children(const TiXmlElement* e) {
  std::vector<const TiXmlElement*> out;
  for (const TiXmlElement* c = e ? e->FirstChildElement() : nullptr; c; c = c->NextSiblingElement())
    out.push_back(c);
  return out;
}

std::string JoinWords(const char* const* words, const char* last) {
  std::string out;
  for (const char* const* w = words; *w; ++w) {
    if (!out.empty()) out += w[1] ? ", " : std::string(" ") + last + " ";
    out += *w;
  }
  return out;
}

// ---- well-formedness and declaration ----

// Offset of the first byte that does not belong to a well-formed UTF-8
// sequence, or npos.
size_t FirstInvalidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 0 : (c >= 0xC2 && c < 0xE0) ? 1 : (c >= 0xE0 && c < 0xF0) ? 2
             : (c >= 0xF0 && c < 0xF5) ? 3 : 4;
    if (n == 4 || i + n >= s.size() + (n ? 0 : 1)) return i;
    for (size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return i;
    i += n + 1;
  }
  return std::string::npos;
}

bool Linter::CheckDeclaration() {
  const TiXmlNode* first = rawDoc_->FirstChild();
  const TiXmlDeclaration* decl = first ? first->ToDeclaration() : nullptr;
  if (!decl) {
    Add(1, 1, LintSeverity::kError,
        "the script must begin with an XML declaration, e.g. <?xml version=\"1.0\" "
        "encoding=\"UTF-8\"?>");
    return false;
  }
  const char* name = decl->Encoding();
  encoding_ = EncodingCodeOfName(name);
  if (encoding_ < 0) {
    Warn(decl, "encoding " + Quoted(name ? name : "") +
                   " is not UTF-8, gbk, gb18030 or gb2312: texts are read in the code page "
                   "of whichever Windows runs the setup");
  } else if (encoding_ == 0) {
    const size_t bad = FirstInvalidUtf8(raw_);
    if (bad != std::string::npos) {
      int line = 1 + static_cast<int>(std::count(raw_.begin(), raw_.begin() + bad, '\n'));
      Add(line, 0, LintSeverity::kError, "the text is not valid UTF-8, as its declaration says");
    }
  }
  config_ = rawDoc_->FirstChildElement(kConfigElement);
  if (!config_) {
    Error(rawDoc_->RootElement(), "no Config element: the script defines nothing");
    return false;
  }
  return true;
}

std::string Linter::Utf8(const char* text) const {
  if (!text) return {};
  WString w(text, CodePageOfEncoding(encoding_));
  return Utf16ToUtf8(w.Str());
}

// ---- variables ----

void Linter::CollectVariables() {
  SystemVariableList system;
  BuildSystemVariables(StandardWindowsFolders(true, u"user", u"C:\\setup.exe"), u"C:\\", 1,
                       &system);
  for (const auto& v : system) systemNames_.insert(v.first);
  for (const TiXmlElement* section : Children(config_)) {
    const char* tag = section->Value();
    const bool plain = Same(tag, kSetupInfoSection) || Same(tag, kCustomInfoSection);
    const bool local = Same(tag, kCustomStringSection) || Same(tag, kTemplatesSection);
    if (!plain && !local) continue;
    for (const TiXmlElement* e : Children(section)) {
      if (plain) {
        plainVars_[e->Value()] = e;
        continue;
      }
      for (const char* language : kLanguageTags)
        if (e->FirstChildElement(language)) {
          localVars_[e->Value()] = e;
          localLanguages_[e->Value()].insert(language);
        }
    }
  }
}

bool Linter::Defined(const std::string& name, const char* language) const {
  if (systemNames_.count(name) || plainVars_.count(name)) return true;
  auto it = localLanguages_.find(name);
  return it != localLanguages_.end() && it->second.count(language);
}

void Linter::CheckReferences() {
  std::vector<std::string> names(systemNames_.begin(), systemNames_.end());
  for (const auto& v : plainVars_) names.push_back(v.first);
  for (const auto& v : localVars_) names.push_back(v.first);
  int line = 1;
  size_t lineStart = 0, scanned = 0;
  auto where = [&](size_t offset, int* l, int* c) {
    for (; scanned < offset; ++scanned)
      if (raw_[scanned] == '\n') {
        ++line;
        lineStart = scanned + 1;
      }
    int col = 1;
    for (size_t i = lineStart; i < offset; ++i)
      if ((static_cast<unsigned char>(raw_[i]) & 0xC0) != 0x80) ++col;
    *l = line;
    *c = col;
  };
  for (size_t pos = raw_.find("$("); pos != std::string::npos; pos = raw_.find("$(", pos + 2)) {
    int l, c;
    where(pos, &l, &c);
    size_t close = raw_.find(')', pos + 2);
    if (close == std::string::npos) {
      Add(l, c, LintSeverity::kError, "\"$(\" without a closing \")\": loading fails");
      referencesBroken_ = true;
      return;
    }
    const std::string name = raw_.substr(pos + 2, close - pos - 2);
    if (name.find_first_of("\n<>\"") != std::string::npos) {
      // The reference runs on to some later ")": a forgotten one here.
      Add(l, c, LintSeverity::kError,
          "\"$(\" without a closing \")\" on its line: loading fails");
      referencesBroken_ = true;
      continue;
    }
    if (name.size() > kMaxVariableNameLength) {
      Add(l, c, LintSeverity::kError, "variable name longer than 127 bytes");
      referencesBroken_ = true;
      continue;
    }
    std::vector<std::string> missing;
    for (const char* language : kLanguageTags)
      if (!Defined(name, language)) missing.push_back(language);
    if (missing.size() == 3) {
      Add(l, c, LintSeverity::kError,
          "$(" + name + ") is undefined: loading fails" + DidYouMean(name, names));
      referencesBroken_ = true;
    } else {
      for (const std::string& language : missing)
        Add(l, c, LintSeverity::kError,
            "$(" + name + ") has no " + language + " text: loading fails in " + language);
    }
  }
}

std::string Linter::ElementText(const TiXmlElement* e) const {
  std::string all = e->GetText() ? e->GetText() : "";
  for (const TiXmlElement* c : Children(e))
    if (c->GetText()) all += std::string(" ") + c->GetText();
  return all;
}

void Linter::CheckSelfReferences() {
  // Variable -> the names its value(s) refer to.
  std::map<std::string, std::set<std::string>> refs;
  std::map<std::string, const TiXmlElement*> where;
  auto collect = [&](const std::map<std::string, const TiXmlElement*>& vars) {
    for (const auto& v : vars) {
      const std::string text = ElementText(v.second);
      for (size_t p = text.find("$("); p != std::string::npos; p = text.find("$(", p + 2)) {
        size_t close = text.find(')', p + 2);
        if (close == std::string::npos) break;
        refs[v.first].insert(text.substr(p + 2, close - p - 2));
      }
      where[v.first] = v.second;
    }
  };
  collect(localVars_);
  collect(plainVars_);  // a plain definition wins over a localised one
  for (const auto& v : refs) {
    // Depth-first search for a way back to v.first.
    std::vector<std::pair<std::string, std::string>> stack;  // (name, first step)
    std::set<std::string> seen;
    for (const std::string& n : v.second) stack.emplace_back(n, n);
    std::string via;
    bool loops = false;
    while (!stack.empty() && !loops) {
      auto [name, step] = stack.back();
      stack.pop_back();
      if (name == v.first) {
        loops = true;
        via = step;
        break;
      }
      if (!seen.insert(name).second) continue;
      auto it = refs.find(name);
      if (it != refs.end())
        for (const std::string& n : it->second) stack.emplace_back(n, step);
    }
    if (!loops) continue;
    referencesBroken_ = true;
    std::string m = "$(" + v.first + ") refers to itself";
    if (via != v.first) m += " through $(" + via + ")";
    Error(where[v.first], m + ": loading fails");
  }
}

void Linter::Pair(const TiXmlElement* raw, const TiXmlElement* expanded) {
  if (!raw || !expanded || !Same(raw->Value(), expanded->Value())) return;
  expandedOf_[raw] = expanded;
  std::vector<const TiXmlElement*> a = Children(raw), b = Children(expanded);
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) Pair(a[i], b[i]);
}

void Linter::Expand() {
  if (referencesBroken_) return;
  const std::u16string profile = std::u16string(u"C:\\Users\\") + kLongUser;
  const std::u16string temp = profile + u"\\AppData\\Local\\Temp\\";
  const std::u16string packageFolder = temp + u"CxKeyPackage_00000000\\";
  SystemVariableList system;
  BuildSystemVariables(
      StandardWindowsFolders(true, kLongUser, temp + u"Uninstallation_00000000.exe"),
      packageFolder, 1, &system);
  srcroot_ = Utf16ToUtf8(packageFolder);
  script_.OverrideLanguageCode(1);
  CxResult r = script_.LoadFromMemory(raw_.data(), raw_.size());
  if (r == CX_OK && script_.SetSystemVariables(system) != CX_DONE) r = CX_E_BAD_DATA;
  if (r == CX_OK) r = script_.ExpandVariables();
  if (r == CX_E_BUFFER_TOO_SMALL) {
    Error(config_, "the expanded script outgrows its room of " +
                       std::to_string(ExpansionBound(raw_.size())) +
                       " bytes on a machine with long folder names: loading fails (0xE0600005)");
    return;
  }
  if (r != CX_OK) {
    Error(config_, "the script does not expand: loading fails");
    return;
  }
  expanded_ = true;
  const size_t bound = ExpansionBound(raw_.size());
  if (script_.ExpandedLength() > bound / 2)
    Warn(config_, "the expanded script takes " + std::to_string(script_.ExpandedLength()) +
                      " of its " + std::to_string(bound) +
                      " bytes of room on a machine with long folder names; beyond it loading "
                      "fails (0xE0600005)");
  const TiXmlElement* config = script_.ExpandedDocument()->FirstChildElement(kConfigElement);
  Pair(config_, config);
}

Value Linter::AttrValue(const TiXmlElement* raw, const char* name) const {
  Value v;
  const char* text = raw->Attribute(name);
  if (!text) return v;
  v.present = true;
  auto it = expandedOf_.find(raw);
  if (it != expandedOf_.end()) {
    const char* expanded = it->second->Attribute(name);
    v.known = expanded != nullptr;
    v.text = Utf8(expanded);
  } else if (!std::strstr(text, "$(")) {
    v.known = true;
    v.text = Utf8(text);
  }
  return v;
}

// ---- SetupInfo and texts ----

void Linter::CheckSetupInfo() {
  const TiXmlElement* info = config_->FirstChildElement(kSetupInfoSection);
  for (const char* key : kSetupInfoKeys) {
    auto it = plainVars_.find(key);
    if (it == plainVars_.end()) {
      Error(info ? info : config_, std::string("SetupInfo has no ") + key);
      continue;
    }
    const TiXmlElement* e = it->second;
    auto pair = expandedOf_.find(e);
    const char* rawText = e->GetText();
    const bool known = pair != expandedOf_.end() || !rawText || !std::strstr(rawText, "$(");
    const std::string text =
        Utf8(pair != expandedOf_.end() ? pair->second->GetText() : rawText);
    if (!known) continue;
    if (Same(key, kVersionKey)) {
      uint64_t value = 0;
      if (ParseVersionString(Utf8ToUtf16(text).c_str(), &value) != CX_DONE)
        Error(e, "Version " + Quoted(text) + " must have four parts, each from 0 to 65535");
    } else if (text.empty()) {
      Error(e, std::string(key) + " is empty");
    }
  }
}

void Linter::CheckTexts() {
  const TiXmlElement* strings = config_->FirstChildElement(kCustomStringSection);
  for (const char* key : kTextKeys) {
    std::vector<std::string> missing;
    for (const char* language : kLanguageTags)
      if (!Defined(key, language)) missing.push_back(language);
    if (missing.empty()) continue;
    const bool finish = Same(key, kFinishButtonText);
    auto it = localVars_.find(key);
    const TiXmlBase* at = it != localVars_.end() ? static_cast<const TiXmlBase*>(it->second)
                          : strings                ? strings
                                                   : config_;
    const std::string effect = finish ? "the dialog ends at once" : "the dialog shows it empty";
    if (missing.size() == 3) {
      Error(at, std::string("no ") + key + " text: " + effect);
      continue;
    }
    for (const std::string& language : missing)
      Error(at, std::string(key) + " has no " + language + " text: " + effect + " in " + language);
  }
}

// ---- lists and actions ----

void Linter::CheckLists() {
  const std::vector<std::string> listNames = {kInstallList, kUninstallList, kInstallFinishList,
                                              kUninstallFinishList};
  std::set<std::string> seen;
  for (const TiXmlElement* list : Children(config_)) {
    if (!Same(list->Value(), kListSection)) continue;
    const char* name = list->Attribute(kListNameAttribute);
    if (!name) {
      Warn(list, "an Action list without a name is never run");
      continue;
    }
    if (std::find(listNames.begin(), listNames.end(), name) == listNames.end()) {
      Warn(list, "list " + Quoted(Utf8(name)) + " is never run" + DidYouMean(name, listNames) +
                     " (the lists are " + listNames[0] + ", " + listNames[1] + ", " +
                     listNames[2] + " and " + listNames[3] + ")");
      continue;
    }
    if (!seen.insert(name).second) {
      Warn(list, "a second " + Quoted(name) + " list is never run");
      continue;
    }
    bool main = Same(name, kMainLists[0]) || Same(name, kMainLists[1]);
    for (const TiXmlElement* e : Children(list)) {
      entry_ = kListSection;
      CheckAction(e, main);
    }
  }
  entry_ = kListSection;
  for (const char* name : kMainLists)
    if (!seen.count(name))
      Error(config_, std::string("no ") + Quoted(name) + " list: the " +
                         (Same(name, kInstallList) ? "install" : "uninstall") +
                         " fails (0xE0600008)");
}

void Linter::CheckAction(const TiXmlElement* e, bool mainList) {
  const std::string name = e->Value();
  const ActionType* type = FindActionType(name.c_str());
  if (!type) {
    const std::string unknown = "unknown action " + Quoted(Utf8(name.c_str()));
    const std::string hint = DidYouMean(name, ActionTypeNames());
    if (mainList) Error(e, unknown + ": the run stops here (0xE0600008)" + hint);
    else Warn(e, unknown + ": skipped" + hint);
    return;
  }
  if (mainList && !describedTypes_.count(name)) describedTypes_[name] = e;
  entry_ = type->name;

  // Attributes the type does not have.
  std::vector<std::string> names;
  for (size_t i = 0; i < type->attributeCount; ++i) names.push_back(type->attributes[i].name);
  for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next()) {
    if (FindAttributeSpec(*type, a->Name())) continue;
    if (Same(a->Name(), kOsAttribute))
      Warn(e, name + " has no \"os\" filter: it runs on every Windows");
    else
      Warn(e, "unknown attribute " + Quoted(a->Name()) + " of " + name + " is ignored" +
                  DidYouMean(a->Name(), names));
  }

  // The rules, then the values; what the element lacks as a whole last.
  std::vector<std::string> lacks;
  for (size_t i = 0; i < type->attributeCount; ++i) {
    const AttributeSpec& spec = type->attributes[i];
    const Value v = AttrValue(e, spec.name);
    if (spec.neededToRun && !v.present)
      lacks.push_back(name + " needs " + spec.name + " (" + JoinWords(spec.values, "or") +
                      "): it fails without");
    if (v.present && !v.known) continue;
    const Value condition = spec.conditionAttr ? AttrValue(e, spec.conditionAttr) : Value();
    if (spec.conditionAttr && condition.present && !condition.known) continue;
    CxResult r = AttributeRuleResult(spec, v.present ? v.text.c_str() : nullptr,
                                     condition.present ? condition.text.c_str() : nullptr);
    if (r == CX_E_ATTR_MISSING) {
      std::string when = spec.rule == AttrRule::kRequiredWhen
                             ? std::string(" when ") + spec.conditionAttr + " is " +
                                   spec.conditionValue
                             : "";
      Error(e, name + " needs " + spec.name + when);
      continue;
    }
    if (r == CX_E_INVALID_ARG) {
      Error(e, name + "'s " + spec.name + " is empty");
      continue;
    }
    if (r == CX_E_TEMPLATE_MISSING)
      lacks.push_back(name + " needs " + spec.conditionAttr + " or a nonzero " + spec.name);
    if (v.present && !v.text.empty()) CheckValue(e, *type, spec, v);
  }
  for (const std::string& m : lacks) Error(e, m);
}

// A DWORD as the number it is and in hexadecimal.
std::string DwordText(uint32_t value) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(value));
  return std::to_string(value) + " (" + hex + ")";
}

void Linter::CheckValue(const TiXmlElement* e, const ActionType& type,
                        const AttributeSpec& spec, const Value& v) {
  const std::string attr = std::string(spec.name) + "=" + Quoted(v.text);
  const char* text = v.text.c_str();
  switch (spec.kind) {
    case AttrKind::kBool:
      if (!IsBoolText(text)) Warn(e, attr + " is read as false: write true or false");
      break;
    case AttrKind::kInt: {
      int n = 0;
      if (!IntFromText(text, &n)) IntFromText(spec.defaultValue, &n);
      if (!IsDecimalText(text, true))
        Warn(e, attr + " is not a number: read as " + std::to_string(n));
      break;
    }
    case AttrKind::kMinutes: {
      const int32_t minutes = MinutesFromText(text);
      if (!IsValidTaskInterval(minutes))
        Error(e, attr + " must be a whole number of minutes from " +
                     std::to_string(kMinTaskIntervalMinutes) + " to " +
                     std::to_string(kMaxTaskIntervalMinutes));
      else if (!IsDecimalText(text, false))
        Warn(e, attr + " is read as " + std::to_string(minutes) + " minutes");
      break;
    }
    case AttrKind::kEnum: {
      bool exact = false;
      const char* folded = nullptr;
      for (const char* const* w = spec.values; *w; ++w) {
        if (Same(*w, text)) exact = true;
        else if (SameNoCase(*w, text)) folded = *w;
      }
      if (exact) break;
      if (folded)
        Error(e, attr + " must be written " + folded + " (exact case)");
      else
        Error(e, attr + " is not one of " + JoinWords(spec.values, "or"));
      break;
    }
    case AttrKind::kRegData: {
      // Read as the program reads it: data it writes as the text says
      // passes, data it writes otherwise is named, data it refuses fails.
      const Value valueType = AttrValue(e, spec.conditionAttr);
      if (!valueType.known) break;
      if (valueType.text == kRegDword) {
        if (DwordTextIsExact(text)) break;
        Warn(e, attr +
                    (IsDecimalText(text, true) ? " is out of range" : " is not a decimal number") +
                    ": REG_DWORD writes " + DwordText(DwordFromText(text)));
      } else if (valueType.text == kRegBinary) {
        std::vector<uint8_t> bytes;
        if (v.text.size() % 2)
          Error(e, attr + " has an odd number of hexadecimal digits");
        else if (BytesFromHexText(text, &bytes) != CX_OK)
          Error(e, attr + " is not hexadecimal text");
      }
      break;
    }
    case AttrKind::kOsFilter:
      if (v.text == kOs64) break;
      if (type.osRule == OsRule::kSelectsBitness)
        Warn(e, attr + " is not os64: the file is imported only on a 32-bit Windows");
      else
        Warn(e, attr + " is not os64: the action runs on every Windows");
      break;
    case AttrKind::kStoreName: {
      bool known = false;
      std::vector<std::string> stores;
      for (const char* const* w = spec.values; *w; ++w) {
        known = known || SameNoCase(*w, text);
        stores.push_back(*w);
      }
      if (!known)
        Warn(e, attr + " is not a standard system store: a store of that name is opened for "
                       "the current user" + DidYouMean(v.text, stores));
      break;
    }
    case AttrKind::kFlagWords: {
      if (WordMask(spec.values, Utf8ToUtf16(v.text).c_str()) != 0) break;
      const std::string m = attr + " names none of " + JoinWords(spec.values, "and") +
                            " (exact case)";
      // No key usage removes nothing; no key type still removes other curves.
      if (spec.values == kKeySpecWords) Error(e, m + ": no certificate is removed");
      else Warn(e, m + ": only certificates of other key types are removed");
      break;
    }
    case AttrKind::kSourcePath:
      CheckPackagePath(e, std::string(type.name) + " source", v.text);
      break;
    default:
      break;
  }
}

// ---- package files ----

void Linter::CheckPackagePath(const TiXmlElement* e, const std::string& what,
                              const std::string& path) {
  if (options_.packageDir.empty() || srcroot_.empty()) return;
  if (path.size() < srcroot_.size() ||
      !SameNoCase(path.substr(0, srcroot_.size()).c_str(), srcroot_.c_str()))
    return;
  const std::string rel = path.substr(srcroot_.size());
  if (!PackageFileIndex(options_.packageDir).Has(rel))
    Error(e, what + " " + Quoted(!rel.empty() && rel.back() == '*' ? rel.substr(0, rel.size() - 1) : rel) +
                 " is not in the package");
}

void Linter::CheckPackageNames() {
  if (options_.packageDir.empty()) return;
  std::vector<PackNode> tree;
  std::string error;
  if (LoadPackTree(options_.packageDir, options_.codePage, &tree, &error) == CX_OK) return;
  LintFinding f;
  f.severity = LintSeverity::kError;
  f.entry = entry_;
  size_t split = error.rfind(": ");
  f.file = split == std::string::npos ? std::string() : error.substr(0, split);
  f.message = split == std::string::npos ? error : error.substr(split + 2);
  const std::string root = Utf16ToUtf8(options_.packageDir);
  if (f.file.compare(0, root.size(), root) == 0) {
    f.file.erase(0, root.size());
    while (!f.file.empty() && (f.file[0] == '/' || f.file[0] == '\\')) f.file.erase(0, 1);
  }
  if (f.file.empty()) f.file = root;
  findings_.push_back(f);
}

// ---- description templates ----

void Linter::CheckTemplates() {
  const TiXmlElement* templates = config_->FirstChildElement(kTemplatesSection);
  if (!templates) {
    Error(config_, "no ActionDescString section: every install and uninstall fails (0xE0600008)");
    return;
  }
  for (const auto& used : describedTypes_) {
    const TiXmlElement* t = templates->FirstChildElement(used.first.c_str());
    if (!t) {
      Error(used.second, "no description template for " + used.first +
                             " in ActionDescString: the run stops here (0xE0609001)");
      continue;
    }
    if (t->GetText()) continue;  // one text for every language
    for (const char* language : kLanguageTags)
      if (!t->FirstChildElement(language))
        Warn(t, "the " + used.first + " template has no " + language +
                    " text: its progress line is empty in " + language);
  }
  for (const TiXmlElement* t : Children(templates)) {
    const ActionType* type = FindActionType(t->Value());
    if (!type) continue;
    const std::string text = ElementText(t);
    for (size_t p = text.find("$["); p != std::string::npos; p = text.find("$[", p + 2)) {
      size_t close = text.find(']', p + 2);
      if (close == std::string::npos) break;
      const std::string name = text.substr(p + 2, close - p - 2);
      if (FillsPlaceholder(*type, name.c_str())) continue;
      std::string fills;
      for (size_t f = 0; f < type->placeholderCount; ++f)
        fills += std::string(fills.empty() ? "" : ", ") + "$[" + type->placeholders[f].name + "]";
      Warn(t, "$[" + name + "] in the " + type->name + " template is not filled in (" +
                  type->name + " fills " + fills + ")");
    }
  }
}

std::vector<LintFinding> Linter::Run(const std::string& bytes) {
  raw_ = bytes;
  if (raw_.size() >= 3 && raw_.compare(0, 3, "\xEF\xBB\xBF") == 0) raw_.erase(0, 3);
  else if (raw_.size() >= 2 && raw_.compare(0, 2, "\xFE\xFF") == 0) raw_.erase(0, 2);
  raw_.resize(std::strlen(raw_.c_str()));  // the parser stops at a zero byte

  XmlParseError where;
  if (XmlParse(raw_.data(), raw_.size(), &rawDoc_, &where) != CX_OK) {
    LintFinding unclosed;
    if (FindUnclosedElement(raw_, &unclosed) && unclosed.line <= where.row) findings_.push_back(unclosed);
    else Add(where.row ? where.row : 1, where.column, LintSeverity::kError, "not well-formed: " + where.description);
    return findings_;
  }
  if (!CheckDeclaration()) return findings_;
  entry_ = "variables";
  CollectVariables();
  CheckReferences();
  CheckSelfReferences();
  Expand();
  entry_ = kSetupInfoSection;
  CheckSetupInfo();
  entry_ = kCustomStringSection;
  CheckTexts();
  CheckLists();
  const size_t beforeDeletions = findings_.size();
  LintDeletionTargets(config_, encoding_, &findings_);
  // Those findings are about the action their message begins with.
  for (size_t i = beforeDeletions; i < findings_.size(); ++i) {
    const std::string& m = findings_[i].message;
    const ActionType* type = FindActionType(m.substr(0, m.find(' ')).c_str());
    findings_[i].entry = type ? type->name : kListSection;
  }
  entry_ = kTemplatesSection;
  CheckTemplates();
  entry_ = "package";
  CheckPackageNames();
  const LintContext context{config_, expanded_ ? script_.ExpandedDocument()->FirstChildElement("Config") : nullptr,
                            srcroot_, encoding_, &options_, &findings_};
  LintTextSections(context);
  LintProgramSources(context);
  LintCertToRegTools(context);
  LintLogo(context);
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const LintFinding& a, const LintFinding& b) {
                     const bool aFile = !a.file.empty(), bFile = !b.file.empty();
                     if (aFile != bFile) return bFile;
                     if (a.line != b.line) return a.line < b.line;
                     return a.column < b.column;
                   });
  return findings_;
}

}  // namespace

std::vector<LintFinding> LintScript(const std::string& scriptBytes, const LintOptions& options) {
  Linter linter(options);
  return linter.Run(scriptBytes);
}

bool HasLintErrors(const std::vector<LintFinding>& findings) {
  for (const LintFinding& f : findings)
    if (f.severity == LintSeverity::kError) return true;
  return false;
}

std::string FormatLintFindings(const std::vector<LintFinding>& findings,
                               const std::string& label) {
  std::string out;
  for (const LintFinding& f : findings) {
    out += f.file.empty() ? label : f.file;
    if (f.line > 0) {
      out += ":" + std::to_string(f.line);
      if (f.column > 0) out += ":" + std::to_string(f.column);
    }
    out += f.severity == LintSeverity::kError     ? ": error: "
           : f.severity == LintSeverity::kWarning ? ": warning: "
                                                  : ": note: ";
    out += f.message;
    if (!f.entry.empty()) out += " (see cxpack help script#" + f.entry + ")";
    out += "\n";
  }
  return out;
}

size_t NearNameDistance(const std::string& a, const std::string& b) {
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                         diagonal + (fold(a[i - 1]) == fold(b[j - 1]) ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}
