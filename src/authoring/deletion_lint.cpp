// Expanding DelDir and DelRegister targets in every language and bitness,
// and checking them against the setup's lower limits.
#include "authoring/deletion_lint.h"

#include <tinyxml.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "common/codepage.h"
#include "common/wstring.h"
#include "package/script_element.h"
#include "package/script_vocabulary.h"
#include "package/system_folders.h"
#include "platform/deletion_limits.h"
#include "platform/registry_text.h"

namespace {
using U16 = std::u16string;

const char* const kLanguages[] = {"en_us", "zh_cn", "zh_tw"};
const uint32_t kLanguageCodes[] = {1, 0, 2};  // sysinfo.h's codes of the same languages
const char16_t kUser[] = u"user";
const char16_t kWorkingFolder[] = u"C:\\Windows\\Temp\\";
constexpr int kMaxDepth = 32;  // as many levels as the loader's passes

// One variable as the script (or the system) defines it in one world.
struct Variable {
  U16 text;
  std::string where;  // "CustomInfo", "its zh_tw text", ... ; empty for the system's
};

class Expander {
 public:
  Expander(const TiXmlElement* config, uint32_t codePage, size_t language, bool is64)
      : codePage_(codePage) {
    SystemVariableList system;
    const U16 temp = kWorkingFolder;
    BuildSystemVariables(StandardWindowsFolders(is64, kUser, temp + u"Uninstallation_0.exe"),
                         temp + u"CxKeyPackage_0\\", kLanguageCodes[language], &system);
    for (const auto& v : system) vars_[v.first] = {v.second, ""};
    const char* tag = kLanguages[language];
    for (const TiXmlElement* section = config->FirstChildElement(); section;
         section = section->NextSiblingElement()) {
      const char* name = section->Value();
      const bool plain = !std::strcmp(name, "SetupInfo") || !std::strcmp(name, "CustomInfo");
      const bool local = !std::strcmp(name, "CustomString") || !std::strcmp(name, "ActionDescString");
      for (const TiXmlElement* e = (plain || local) ? section->FirstChildElement() : nullptr; e;
           e = e->NextSiblingElement()) {
        if (plain) vars_[e->Value()] = {Decode(e->GetText()), name};
        for (const TiXmlElement* l = local ? e->FirstChildElement(tag) : nullptr; l;
             l = l->NextSiblingElement(tag))
          vars_[e->Value()] = {Decode(l->GetText()), std::string("its ") + tag + " text"};
      }
    }
  }

  U16 Decode(const char* text) const { return text ? WString(text, codePage_).Str() : U16(); }

  // `text` with every reference replaced; `empty` gets the variables met on
  // the way whose value came out empty.
  U16 Expand(const U16& text, std::set<std::string>* empty, int depth = 0) const {
    U16 out;
    size_t at = 0;
    for (size_t open; (open = text.find(u"$(", at)) != U16::npos;) {
      const size_t close = text.find(u')', open + 2);
      if (close == U16::npos) break;
      out += text.substr(at, open - at);
      const std::string name = Utf16ToUtf8(text.substr(open + 2, close - open - 2));
      auto found = vars_.find(name);
      if (found == vars_.end() || depth >= kMaxDepth) {
        out += text.substr(open, close + 1 - open);
      } else {
        const U16 value = Expand(found->second.text, empty, depth + 1);
        if (value.empty()) empty->insert(name);
        out += value;
      }
      at = close + 1;
    }
    return out + text.substr(at);
  }

  const Variable* Find(const std::string& name) const {
    auto found = vars_.find(name);
    return found == vars_.end() ? nullptr : &found->second;
  }

 private:
  uint32_t codePage_;
  std::map<std::string, Variable> vars_;
};

std::string Quoted(const U16& text) { return "\"" + Utf16ToUtf8(text) + "\""; }

// Why the element's target is refused in this world; kNone when it is not.
DeletionRefusal Refusal(const TiXmlElement* e, const Expander& x, std::set<std::string>* empty,
                        U16* target, const char** attribute) {
  const bool dir = !std::strcmp(e->Value(), "DelDir");
  *attribute = dir ? "Src" : "SubKey";
  const char* raw = e->Attribute(*attribute);
  if (!raw) return DeletionRefusal::kNone;
  *target = x.Expand(x.Decode(raw), empty);
  if (dir) {
    if (target->empty()) return DeletionRefusal::kNone;  // an empty Src fails on its own
    static const ProtectedFolders folders = StandardProtectedFolders(kUser);
    return CheckFolderDeletion(ResolveAgainst(*target, kWorkingFolder), folders);
  }
  std::set<std::string> ignored;
  const char* value = e->Attribute("ValueName");
  if (value && !x.Expand(x.Decode(value), &ignored).empty()) return DeletionRefusal::kNone;
  uint32_t root = 0;
  const U16 rootName = x.Expand(x.Decode(e->Attribute("Root")), &ignored);
  if (RootKeyFromName(rootName.c_str(), &root) != CX_OK) return DeletionRefusal::kNone;
  // "SOFTWARE\" names SOFTWARE (and the registry service refuses it too).
  return CheckKeyDeletion(root, *target);
}

void Check(const TiXmlElement* e, const TiXmlElement* config, uint32_t codePage,
           std::vector<LintFinding>* findings) {
  for (size_t language = 0; language < 3; ++language) {
    for (bool is64 : {true, false}) {
      const Expander x(config, codePage, language, is64);
      std::set<std::string> empty;
      U16 target;
      const char* attribute = nullptr;
      const DeletionRefusal refusal = Refusal(e, x, &empty, &target, &attribute);
      if (refusal == DeletionRefusal::kNone) continue;
      std::string m = std::string(e->Value()) + " " + attribute + "=" +
                      Quoted(x.Decode(e->Attribute(attribute))) + " becomes " + Quoted(target);
      if (language || !is64)
        m += std::string(" in ") + kLanguages[language] + " on a " + (is64 ? "64" : "32") +
             "-bit Windows";
      std::string because;
      for (const std::string& name : empty) {
        const Variable* v = x.Find(name);
        if (!v || v->where.empty()) continue;
        because += std::string(because.empty() ? ", as " : " and ") + "$(" + name + ") is empty (" +
                   v->where + ")";
      }
      const bool key = !std::strcmp(e->Value(), "DelRegister");
      m += because + ": " + DeletionRefusalText(refusal) + ", which the setup refuses to delete" +
           (key ? " whole" : "") + "; the run stops there";
      findings->push_back({e->Row(), e->Column(), LintSeverity::kWarning, m, {}});
      return;
    }
  }
}

}  // namespace

void LintDeletionTargets(const TiXmlElement* config, int encodingCode,
                         std::vector<LintFinding>* findings) {
  if (!config || !findings) return;
  const uint32_t codePage = CodePageOfEncoding(encodingCode);
  for (const TiXmlElement* list = config->FirstChildElement("Action"); list;
       list = list->NextSiblingElement("Action"))
    for (const TiXmlElement* e = list->FirstChildElement(); e; e = e->NextSiblingElement())
      if (!std::strcmp(e->Value(), "DelDir") || !std::strcmp(e->Value(), "DelRegister"))
        Check(e, config, codePage, findings);
}
