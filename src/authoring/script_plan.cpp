// Dry run: the mode's lists of an expanded script, described as the actions
// describe themselves, on a standard Windows of the chosen bitness.
#include "authoring/script_plan.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include <tinyxml.h>

#include "common/codepage.h"
#include "common/wstring.h"
#include "package/action_values.h"
#include "package/script_vocabulary.h"
#include "package/setup_script.h"
#include "package/system_folders.h"

namespace {

// Where the planned machine keeps the package and the running program.
const char16_t kPlanUser[] = u"user";
const char16_t kPlanTemp[] = u"C:\\Users\\user\\AppData\\Local\\Temp\\";

std::string Utf8(const WString& w) { return Utf16ToUtf8(w.Str()); }

std::string Hex(CxResult r) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(r));
  return text;
}

// Empty when the action runs on this Windows, else why it does not.
std::string OsSkipNote(ScriptElement* element, const ActionType& type, bool is64) {
  const char* os = element->GetAttrRaw(kOsAttribute, nullptr);
  if (RunsOnWindows(type, os, is64)) return {};
  if (!is64) return "skipped on a 32-bit Windows (os=\"os64\")";
  return "skipped on a 64-bit Windows (imported only on 32-bit without os=\"os64\")";
}

PlannedAction PlanAction(ScriptElement* element, ScriptElement* templates, bool mainList,
                         bool is64) {
  PlannedAction a;
  a.type = element->Name();
  a.line = element->Xml() ? element->Xml()->Row() : 0;
  const uint32_t cp = CodePageOfEncoding(element->EncodingCode());
  for (const TiXmlAttribute* at = element->Xml()->FirstAttribute(); at; at = at->Next())
    a.attributes.emplace_back(at->Name(), Utf8(WString(at->Value(), cp)));

  const ActionType* type = FindActionType(a.type.c_str());
  if (!type) {
    a.stopsRun = mainList;
    a.stopCode = mainList ? CX_E_MISSING : CX_OK;
    a.note = mainList ? "not an action: the run stops here (0xE0600008)"
                      : "not an action: skipped";
    return a;
  }
  ActionValues values;
  CxResult parsed = ReadActionValues(*type, *element, &values);
  ScriptElement* tmpl = templates ? templates->FindChild(a.type.c_str()) : nullptr;
  if (parsed != CX_OK) {
    a.stopsRun = true;
    a.stopCode = parsed;
    a.note = "its attributes are wrong: the run stops here (" + Hex(parsed) + ")";
    return a;
  }
  if (tmpl) {
    WString text;
    tmpl->GetText(&text);
    DescribeActionValues(values, &text);
    a.description = Utf8(text);
  } else if (mainList) {
    a.stopsRun = true;
    a.stopCode = CX_E_TEMPLATE_MISSING;
    a.note = "no description template: the run stops here (0xE0609001)";
    return a;
  }
  a.note = OsSkipNote(element, *type, is64);
  a.skipped = !a.note.empty();
  return a;
}

}  // namespace

CxResult MakePlan(const std::string& scriptBytes, const PlanOptions& options, Plan* plan,
                  std::string* error) {
  if (!plan || !error) return CX_E_INVALID_ARG;
  SetupScript script;
  script.OverrideLanguageCode(static_cast<int>(options.languageCode));
  CxResult r = script.LoadFromMemory(scriptBytes.data(), scriptBytes.size());
  if (r != CX_OK) {
    *error = "the script does not load (" + Hex(r) + ")";
    return r;
  }
  const std::u16string exe = options.uninstall
                                 ? std::u16string(kPlanTemp) + u"Uninstallation_00000000.exe"
                                 : u"C:\\Users\\user\\Downloads\\setup.exe";
  RawSystemFolders folders = StandardWindowsFolders(options.is64, kPlanUser, exe);
  SystemVariableList variables;
  r = BuildSystemVariables(folders, std::u16string(kPlanTemp) + u"CxKeyPackage_00000000\\",
                           options.languageCode, &variables);
  if (r == CX_OK && script.SetSystemVariables(variables) != CX_DONE) r = CX_E_BAD_DATA;
  if (r == CX_OK) r = script.ExpandVariables();
  if (r != CX_OK) {
    *error = "the script's variables do not expand (" + Hex(r) + ")";
    return r;
  }

  Plan p;
  WString text;
  if (script.GetString(kProductNameKey, &text) == CX_OK) p.productName = Utf8(text);
  if (script.GetString(kVersionKey, &text) == CX_OK) p.version = Utf8(text);
  p.mode = options.uninstall ? "uninstall" : "install";
  p.language = LanguageTagOf(static_cast<int>(options.languageCode));
  p.windows = options.is64 ? "standard 64-bit Windows" : "standard 32-bit Windows";
  for (const auto& v : variables) p.systemVariables.emplace_back(v.first, Utf16ToUtf8(v.second));

  std::unique_ptr<ScriptElement> templates(script.FindSection(kTemplatesSection, nullptr));
  const char* names[2] = {options.uninstall ? kUninstallList : kInstallList,
                          options.uninstall ? kUninstallFinishList : kInstallFinishList};
  for (int i = 0; i < 2; ++i) {
    PlannedList list;
    list.name = names[i];
    std::unique_ptr<ScriptElement> section(script.FindSection(kListSection, names[i]));
    list.present = section != nullptr;
    if (section) {
      for (uint32_t c = 0; c < section->ChildCount(); ++c)
        list.actions.push_back(
            PlanAction(section->Child(c), templates.get(), i == 0, options.is64));
    }
    p.lists.push_back(std::move(list));
  }
  *plan = std::move(p);
  return CX_OK;
}

namespace {
std::string QuoteEscaped(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '"' ? std::string("&quot;") : std::string(1, c);
  return out;
}
}  // namespace

std::string FormatPlanText(const Plan& plan) {
  std::string out;
  out += "plan: " + plan.productName + " " + plan.version + ", " + plan.mode + ", " +
         plan.language + ", " + plan.windows + "\n";
  out += "system folders:\n";
  for (const auto& v : plan.systemVariables) out += "  $(" + v.first + ") = " + v.second + "\n";
  for (const PlannedList& list : plan.lists) {
    out += "\n\"" + list.name + "\"";
    if (!list.present) {
      out += ": no such list\n";
      continue;
    }
    out += ": " + std::to_string(list.actions.size()) + " action(s)\n";
    // No line numbers: the plans of two versions should differ only where
    // what happens differs.
    int n = 0;
    for (const PlannedAction& a : list.actions) {
      char number[16];
      std::snprintf(number, sizeof number, "%3d. ", ++n);
      out += number + a.type;
      if (!a.note.empty()) out += " [" + a.note + "]";
      out += "\n";
      if (!a.description.empty()) out += "       " + a.description + "\n";
      for (const auto& at : a.attributes)
        out += "       " + at.first + "=\"" + QuoteEscaped(at.second) + "\"\n";
    }
  }
  return out;
}

namespace {

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

std::string FormatPlanJson(const Plan& plan) {
  std::string out = "{";
  out += "\"product\":" + JsonString(plan.productName);
  out += ",\"version\":" + JsonString(plan.version);
  out += ",\"mode\":" + JsonString(plan.mode);
  out += ",\"language\":" + JsonString(plan.language);
  out += ",\"windows\":" + JsonString(plan.windows);
  out += ",\"systemVariables\":{";
  for (size_t i = 0; i < plan.systemVariables.size(); ++i)
    out += (i ? "," : "") + JsonString(plan.systemVariables[i].first) + ":" +
           JsonString(plan.systemVariables[i].second);
  out += "},\"lists\":[";
  for (size_t l = 0; l < plan.lists.size(); ++l) {
    const PlannedList& list = plan.lists[l];
    out += (l ? ",{" : "{");
    out += "\"name\":" + JsonString(list.name);
    out += std::string(",\"present\":") + (list.present ? "true" : "false");
    out += ",\"actions\":[";
    for (size_t i = 0; i < list.actions.size(); ++i) {
      const PlannedAction& a = list.actions[i];
      out += (i ? ",{" : "{");
      out += "\"number\":" + std::to_string(i + 1);
      out += ",\"type\":" + JsonString(a.type);
      out += ",\"line\":" + std::to_string(a.line);
      out += ",\"description\":" + JsonString(a.description);
      out += ",\"attributes\":{";
      for (size_t k = 0; k < a.attributes.size(); ++k)
        out += (k ? "," : "") + JsonString(a.attributes[k].first) + ":" +
               JsonString(a.attributes[k].second);
      out += "}";
      out += std::string(",\"skipped\":") + (a.skipped ? "true" : "false");
      out += std::string(",\"stopsRun\":") + (a.stopsRun ? "true" : "false");
      out += ",\"note\":" + JsonString(a.note);
      out += "}";
    }
    out += "]}";
  }
  out += "]}\n";
  return out;
}
