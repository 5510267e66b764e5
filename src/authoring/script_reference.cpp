// Writing the script reference. The names, rules, defaults, values,
// placeholders and system variables come from the tables the program
// itself reads; only the prose saying what each one is for lives here, and
// a name without prose shows "(no description)", which the reference test
// refuses.
#include "authoring/script_reference.h"

#include <cstring>

#include "common/codepage.h"
#include "common/strings.h"
#include "package/script_vocabulary.h"
#include "package/system_folders.h"

namespace {

constexpr char kNoDescription[] = "(no description)";

struct Prose {
  const char* name;
  const char* text;
};

const char* Find(const Prose* table, size_t count, const std::string& name) {
  for (size_t i = 0; i < count; ++i)
    if (name == table[i].name) return table[i].text;
  return kNoDescription;
}
#define CX_FIND(table, name) Find(table, sizeof(table) / sizeof(table[0]), name)

const Prose kSetupInfoProse[] = {
    {kProductCodeKey,
     "names the product's entry in the list of installed programs (the key "
     "`HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\<ProductCode>`, "
     "which the script writes itself) and the lock that lets one setup of the product run at a time"},
    {kProductNameKey, "the product's name: the setup's version record shows it, and `<ProductName> Setup`"},
    {kPublisherKey, "the publisher: CompanyName in the setup's version record"},
    {kVersionKey,
     "four numbers `a.b.c.d`, each from 0 to 65535. Before an install the setup reads the installed "
     "entry's `DisplayVersion`: the same version or a newer one ends the setup with a message (exit "
     "code 1638)"},
    {kInstallDirKey, "the install folder, usually below `$(pf32)`"},
};

const Prose kTextProse[] = {
    {"IDS_MAIN_UI_INSTALL_TITLE", "the wizard's title in an install"},
    {"IDS_MAIN_UI_UNINSTALL_TITLE", "the wizard's title in an uninstall"},
    {"IDS_WELCOME_INSTALL", "the welcome page's text in an install"},
    {"IDS_WELCOME_UNINSTALL", "the welcome page's text in an uninstall"},
    {"IDS_BTN_INSTALL", "the Install button"},
    {"IDS_BTN_CANCEL", "the Cancel button"},
    {"IDS_BTN_UNINSTALL", "the Uninstall button"},
    {kFinishButtonText, "the Finish button (so spelt); without it the wizard ends at once after a run"},
    {"IDS_INSTANCE_EXISTED", "the message when another setup of the product is running"},
    {"IDS_INSTAL_HIGHER_WARNING", "the message when a newer version is installed (so spelt)"},
    {"IDS_INSTAL_EQUAL_WARNING", "the message when this version is installed (so spelt)"},
    {"IDS_TIP_INSTALLING_PRODUCT", "the progress page's text while installing"},
    {"IDS_TIP_UNINSTALLING_PRODUCT", "the progress page's text while uninstalling"},
    {"IDS_INSTALL_OK", "the finished page after an install"},
    {"IDS_UNINSTALL_OK", "the finished page after an uninstall"},
    {"IDS_INSTALL_FAILED", "the finished page after a failed install"},
    {"IDS_UNINSTALL_FAILED", "the finished page after a failed uninstall"},
    {"IDS_SILENT_INSTALL_SUCCESSFULLY", "the balloon's text at the end of a silent install (`/S`)"},
    {"IDS_SILENT_INSTALL_FINISHED", "the balloon's title at the end of a silent install"},
    {kNeedAdminText, "the message when the setup lacks administrator rights"},
};

const Prose kListProse[] = {
    {kInstallList, "the install (so spelt: \"Install\" is never run); the setup's default mode"},
    {kUninstallList, "the uninstall: `Uninstall.exe`, `/UNINSTALL`, and the relaunched copy"},
    {kInstallFinishList, "after an install, when the wizard's Finish is pressed (or the silent run ends); optional"},
    {kUninstallFinishList, "after an uninstall, likewise; optional"},
};

const Prose kTypeProse[] = {
    {kKillProcessType,
     "Ends running programs before their files are replaced or removed: every process started from "
     "`Name` (a full path), or every process of that file name (a bare name), or the process `Pid`. "
     "Nothing running is no failure."},
    {kStartProcessType,
     "Starts a program (or opens a document) through the shell. A program of the package is named "
     "`$(srcroot)PackageFiles\\...`; lint checks that it, and every package file its `CmdLine` names, "
     "is in the package. The program's exit code is not examined."},
    {kFileType,
     "Copies one file into place, or a whole folder when `Src` and `Dest` end in `\\*` "
     "(`$(srcroot)PackageFiles\\Product\\*` to `$(InstallDir)\\*`). A file in use is replaced at the "
     "next restart. `$(srcexe)` copies the setup itself, as the uninstaller."},
    {kDelFileType, "Deletes one file (a file in use goes at the next restart)."},
    {kDelDirType, "Deletes a folder with everything in it, or only when it is empty."},
    {kCreateShortcutType,
     "Writes a shortcut `RootPath\\SubDirName\\Name.lnk` (\".lnk\" is added when missing; folders are "
     "created) to `Src`, working in `Src`'s folder."},
    {kAddRegisterType, "Writes one registry value, creating its key."},
    {kRunRegFileType, "Imports a `.reg` file of the package with the system's registry editor."},
    {kDelRegisterType, "Deletes a registry value, or a whole key when `ValueName` is absent. A value or key "
                       "that is not there is no failure."},
    {kAddTrustedSiteType, "Adds a URL to the current user's trusted-sites zone."},
    {kDelTrustedSiteType, "Removes a URL from the current user's trusted-sites zone."},
    {kRegCertFileType,
     "Adds a binary (DER) certificate file of the package to a system store: \"ROOT\", \"TRUST\" and "
     "\"CA\" are the local machine's, \"MY\" and any other name the current user's."},
    {kUnRegCertType,
     "Removes the certificates of a store that are bound to a key container and are of the key types "
     "`CertType` names (`cxpack cert FILE` shows how a certificate is classed)."},
    {kSetAppTaskSchedulerType,
     "Creates (replacing an older one), deletes, runs or ends a scheduled task that starts a program "
     "every `Interval` minutes while the user is logged on."},
};

// Notes on single attributes, as "Type.Attribute".
const Prose kAttributeProse[] = {
    {"KillProcess.Name", "a full path ends only that file's processes; a bare file name ends all of that name"},
    {"KillProcess.Pid", "a process id, used when `Name` is absent"},
    {"StartProcess.Src", "the program, as the shell takes it"},
    {"StartProcess.CmdLine", "its parameters"},
    {"StartProcess.Silent", "true: hidden window"},
    {"StartProcess.Wait", "true: the run waits until the program ends"},
    {"File.Dest", "the target file, or folder followed by `\\*`"},
    {"File.Src", "the file, or folder followed by `\\*`"},
    {"File.Register", "registers the copied module with the `regsvr32.exe` of its bitness (an `.exe` "
                      "with `/regserver`); a failed registration fails the action"},
    {"File.CmpVer", "keeps an installed file whose file version is higher"},
    {"DelFile.Src", "the file"},
    {"DelFile.Unregister", "unregisters the module before deleting it"},
    {"DelDir.Src", "the folder"},
    {"DelDir.CheckIsEmpty", "true: deletes the folder only when it is empty"},
    {"CreateShortcut.RootPath", "the folder, e.g. `$(commonprograms)` or `$(commondesktop)`"},
    {"CreateShortcut.SubDirName", "folders below it, e.g. `Vendor\\Product`"},
    {"CreateShortcut.Name", "the shortcut's name"},
    {"CreateShortcut.Src", "its target"},
    {"CreateShortcut.Icon", "the file holding its icon"},
    {"CreateShortcut.Index", "the icon's index in that file"},
    {"CreateShortcut.CmdLine", "the target's parameters"},
    {"AddRegister.Root", "the root key, by its full name"},
    {"AddRegister.SubKey", "the key below it"},
    {"AddRegister.ValueName", "absent or empty: the key's default value"},
    {"AddRegister.ValueType", "the action fails without it"},
    {"AddRegister.ValueData", "REG_SZ: text; REG_DWORD: a decimal number; REG_BINARY: hexadecimal digits, two a byte"},
    {"AddRegister.Key64", "true: the 64-bit registry view; else the 32-bit one (`Wow6432Node` on a 64-bit Windows)"},
    {"RunRegFile.Src", "the `.reg` file"},
    {"RunRegFile.Key64", "true: imported by the 64-bit registry editor"},
    {"DelRegister.Root", "the root key, by its full name"},
    {"DelRegister.SubKey", "the key"},
    {"DelRegister.ValueName", "absent: the whole key goes"},
    {"DelRegister.Key64", "true: the 64-bit registry view"},
    {"AddTrustedSite.Url", "e.g. `https://enrol.example`"},
    {"DelTrustedSite.Url", "as it was added"},
    {"RegCertFile.Src", "the certificate file (DER)"},
    {"RegCertFile.StoreName", "the store"},
    {"UnRegCert.StoreName", "the store"},
    {"UnRegCert.CertType", "e.g. `RSA\\|SM2`; certificates with other elliptic-curve keys always qualify"},
    {"UnRegCert.KeySpec", "e.g. `KEYEXCHANGE\\|SIGNATURE`"},
    {"UnRegCert.CspName", "only certificates of this key provider"},
    {"UnRegCert.CntName", "only certificates of this key container"},
    {"SetAppTaskScheduler.Name", "the task's name"},
    {"SetAppTaskScheduler.Type", "what to do with it"},
    {"SetAppTaskScheduler.Param", "the program's parameters"},
    {"SetAppTaskScheduler.AppPath", "the program"},
    {"SetAppTaskScheduler.Description", "the task's comment"},
    {"SetAppTaskScheduler.Interval", "minutes between two starts"},
};

const Prose kVariableProse[] = {
    {"pf32", "the 32-bit Program Files folder"},
    {"pf", "the same as `pf32`"},
    {"pf64", "the 64-bit Program Files folder (`pf32` on a 32-bit Windows)"},
    {"sys32", "the 32-bit system folder"},
    {"sys", "the same as `sys32`"},
    {"sys64", "the 64-bit system folder (`sys32` on a 32-bit Windows)"},
    {"win", "the Windows folder"},
    {"userappdata", "the user's application data (roaming)"},
    {"commonappdata", "application data for all users"},
    {"usercommon", "the folder above the common desktop"},
    {"userprograms", "the user's Start menu programs"},
    {"commonprograms", "the Start menu programs of all users"},
    {"srcroot", "the package folder the setup extracted, ending in `\\`: package files are "
                "`$(srcroot)PackageFiles\\...`"},
    {"userdesktop", "the user's desktop"},
    {"commondesktop", "the desktop of all users"},
    {"srcexe", "the running setup program (in an uninstall: its temporary copy)"},
    {"language", "the system language: 0 simplified Chinese, 1 English, 2 traditional Chinese, "
                 "other numbers other languages"},
};

std::string Code(const std::string& s) { return "`" + s + "`"; }

// The anchor Markdown gives a heading: its text in lower case.
std::string Anchor(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return name;
}

std::string Words(const char* const* words, const char* last) {
  std::string out;
  for (const char* const* w = words; w && *w; ++w) {
    if (w != words) out += w[1] ? ", " : std::string(" ") + last + " ";
    out += Code(*w);
  }
  return out;
}

std::string Required(const AttributeSpec& a) {
  const std::string when = a.conditionAttr ? Code(a.conditionAttr) : std::string();
  const std::string is = a.conditionValue ? " is " + Code(a.conditionValue) : std::string();
  switch (a.rule) {
    case AttrRule::kOptional: return a.neededToRun ? "yes, to run" : "no";
    case AttrRule::kRequired: return "yes, not empty";
    case AttrRule::kNonEmptyIfPresent: return "no; not empty when given";
    case AttrRule::kRequiredWhen: return "when " + when + is + "; not empty when given";
    case AttrRule::kRequiredEmptyWhen: return "yes; empty only when " + when + is;
    case AttrRule::kNonZeroWithout: return "a nonzero number when " + when + " is absent";
  }
  return {};
}

std::string Values(const AttributeSpec& a) {
  switch (a.kind) {
    case AttrKind::kText: return "text";
    case AttrKind::kPath: return "a path on the target machine";
    case AttrKind::kSourcePath: return "a file or folder, usually in the package: `$(srcroot)PackageFiles\\...`";
    case AttrKind::kCommand: return "a program's path, which may be in double quotes";
    case AttrKind::kBool: return "`true` or `false` (any case; anything else is false)";
    case AttrKind::kInt: return "a decimal number";
    case AttrKind::kMinutes: return "a whole number from 1 to 1439";
    case AttrKind::kEnum: return "one of " + Words(a.values, "or") + " (exact case)";
    case AttrKind::kRegData: return "as `ValueType` says";
    case AttrKind::kOsFilter: return Code(kOs64) + " or nothing";
    case AttrKind::kStoreName: return "a store: " + Words(a.values, "or") + ", or another name (the user's)";
    case AttrKind::kFlagWords: return "one or more of " + Words(a.values, "and") + ", e.g. joined by `\\|` (exact case)";
  }
  return {};
}

std::string OsRuleText(const ActionType& t) {
  switch (t.osRule) {
    case OsRule::kIgnored: return {};
    case OsRule::kOs64Only:
      return "- `os=\"os64\"` runs it only on a 64-bit Windows; elsewhere it is skipped.\n";
    case OsRule::kSelectsBitness:
      return "- `os=\"os64\"` runs it only on a 64-bit Windows, and without it only on a 32-bit one: "
             "write one for each bitness.\n";
  }
  return {};
}

std::string FailureText(const ActionType& t) {
  switch (t.onFailure) {
    case FailureRule::kStopsRun: return "- A failure stops the run (exit code 1603).\n";
    case FailureRule::kGoesOn: return "- The run goes on whatever it returns.\n";
    case FailureRule::kGoesOnWhenGone:
      return "- The run goes on when the key or value was not there; another failure stops it (1603).\n";
  }
  return {};
}

std::string PlaceholderText(const ActionType& t) {
  std::string out;
  for (size_t i = 0; i < t.placeholderCount; ++i) {
    const PlaceholderSpec& p = t.placeholders[i];
    std::string parts;
    for (const char* part : p.parts)
      if (part) parts += (parts.empty() ? "" : " \\ ") + Code(part);
    out += std::string(out.empty() ? "" : ", ") + Code("$[" + std::string(p.name) + "]") + " (" + parts +
           (p.fallback ? ", or else " + Code(p.fallback) : "") + ")";
  }
  return out;
}

std::string TailText(const ActionType& t) {
  std::string out;
  for (size_t i = 0; i < t.tailCount; ++i) {
    const DescriptionTail& d = t.tails[i];
    const AttributeSpec* spec = FindAttributeSpec(t, d.attribute);
    const std::string when = d.equals ? " is " + Code(d.equals)
                             : spec && spec->kind == AttrKind::kBool ? " is true"
                                                                     : " holds text";
    out += std::string(out.empty() ? "" : "; ") + Code(Utf16ToUtf8(d.text)) + " when " + Code(d.attribute) + when;
    if (d.otherwise) out += ", else " + Code(Utf16ToUtf8(d.otherwise));
  }
  return out;
}

ReferenceEntry TypeEntry(const ActionType& t) {
  std::string s = "## " + std::string(t.name) + "\n\n" + CX_FIND(kTypeProse, t.name) + "\n\n";
  s += "| Attribute | Required | Values | Default | |\n|---|---|---|---|---|\n";
  for (size_t i = 0; i < t.attributeCount; ++i) {
    const AttributeSpec& a = t.attributes[i];
    const std::string note =
        a.kind == AttrKind::kOsFilter ? "see below" : CX_FIND(kAttributeProse, std::string(t.name) + "." + a.name);
    s += "| " + Code(a.name) + " | " + Required(a) + " | " + Values(a) + " | " +
         (*a.defaultValue ? Code(a.defaultValue) : "") + " | " + note + " |\n";
  }
  s += "\n" + OsRuleText(t);
  if (t.redirectionOff)
    s += "- WOW64 file-system redirection is off while it runs: on a 64-bit Windows `$(sys64)` is the "
         "64-bit system folder.\n";
  s += FailureText(t);
  s += "- Its `ActionDescString` template may use " + PlaceholderText(t) + ".";
  const std::string tails = TailText(t);
  if (!tails.empty()) s += " Then the progress line gets " + tails + " appended.";
  return {t.name, s + "\n"};
}

std::string SystemVariablesTable() {
  const std::u16string temp = u"C:\\Users\\user\\AppData\\Local\\Temp\\";
  SystemVariableList on64, on32;
  BuildSystemVariables(StandardWindowsFolders(true, u"user", u"C:\\Users\\user\\Downloads\\setup.exe"),
                       temp + u"CxKeyPackage_00000000\\", 1, &on64);
  BuildSystemVariables(StandardWindowsFolders(false, u"user", u"C:\\Users\\user\\Downloads\\setup.exe"),
                       temp + u"CxKeyPackage_00000000\\", 1, &on32);
  std::string s = "| Variable | On a 64-bit Windows | On a 32-bit Windows | |\n|---|---|---|---|\n";
  for (size_t i = 0; i < on64.size() && i < on32.size(); ++i)
    s += "| " + Code("$(" + on64[i].first + ")") + " | " + Code(Utf16ToUtf8(on64[i].second)) + " | " +
         Code(Utf16ToUtf8(on32[i].second)) + " | " + CX_FIND(kVariableProse, on64[i].first) + " |\n";
  return s;
}

std::string PackagePathText(const char16_t* path) { return Code(Utf16ToUtf8(path)); }

std::string LanguageChildren() {
  std::string s;
  for (const char* l : kLanguageTags) s += std::string(s.empty() ? "" : ", ") + Code("<" + std::string(l) + ">");
  return s;
}

}  // namespace

std::vector<ReferenceEntry> ScriptReferenceEntries() {
  std::vector<ReferenceEntry> e;
  e.push_back({"format",
               std::string("## format\n\n") +
                   "- The script is " + Code(std::string(kPackageFilesFolder) + "\\" + kScriptFileName) +
                   " in the package. It begins with an XML declaration, `<?xml version=\"1.0\" "
                   "encoding=\"UTF-8\"?>`: UTF-8, or `gbk`, `gb18030` or `gb2312` (code page 936); any other "
                   "encoding is read in the code page of whichever Windows runs the setup.\n"
                   "- Its root element is " + Code(kConfigElement) + "; the sections below are its children, in "
                   "any order. Other children are ignored.\n"
                   "- Element and attribute names are matched exactly, with case.\n"
                   "- `$(name)` anywhere in the file, comments included, is a [variable](#variables); "
                   "`$[name]` belongs to the [descriptions](#actiondescstring).\n"
                   "- A script that is not well-formed, lacks a `SetupInfo` value or refers to an undefined "
                   "variable ends the setup without a word (exit code 1620): `cxpack lint` finds all of these.\n\n"
                   "```xml\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n  <SetupInfo>...</SetupInfo>\n"
                   "  <CustomInfo>...</CustomInfo>\n  <CustomString>...</CustomString>\n"
                   "  <ActionDescString>...</ActionDescString>\n  <Action name=\"Insall\">...</Action>\n"
                   "  <Action name=\"Uninstall\">...</Action>\n</Config>\n```\n"});

  std::string info = std::string("## ") + kSetupInfoSection + "\n\nThe product's identity. Each child is a "
                     "variable too (`$(ProductName)` ...); all five are required:\n\n| Key | |\n|---|---|\n";
  for (const char* key : kSetupInfoKeys) info += "| " + Code(key) + " | " + CX_FIND(kSetupInfoProse, key) + " |\n";
  e.push_back({kSetupInfoSection, info});

  e.push_back({kCustomInfoSection,
               std::string("## ") + kCustomInfoSection +
                   "\n\nVariables of the script's own: each child is one, its tag the name and its text the "
                   "value (`<VendorDir>$(pf32)\\KOVA</VendorDir>` makes `$(VendorDir)`). When a name is "
                   "defined twice the later definition counts; a definition of a system variable's name "
                   "replaces it.\n"});

  std::string texts = std::string("## ") + kCustomStringSection +
                      "\n\nThe wizard's texts. Each key holds one text per language, " + LanguageChildren() +
                      ": the system's language picks one (simplified Chinese " + Code(kLanguageTags[0]) +
                      ", traditional Chinese " + Code(kLanguageTags[2]) + ", every other language " +
                      Code(kLanguageTags[1]) + "). A key without a text in that language shows nothing. "
                      "Each key is also a variable, in the system's language.\n\n```xml\n<IDS_BTN_INSTALL>\n"
                      "  <zh_cn>安装</zh_cn>\n  <en_us>Install</en_us>\n  <zh_tw>安裝</zh_tw>\n</IDS_BTN_INSTALL>\n"
                      "```\n\nThe keys the program looks up:\n\n| Key | Where it shows |\n|---|---|\n";
  for (const char* key : kTextKeys) texts += "| " + Code(key) + " | " + CX_FIND(kTextProse, key) + " |\n";
  e.push_back({kCustomStringSection, texts});

  std::string templates =
      std::string("## ") + kTemplatesSection +
      "\n\nThe progress line of each action type, with one child per type that a list uses, holding a text "
      "per language (" + LanguageChildren() + ") or one text for all. Without the section every install and "
      "uninstall fails (0xE0600008); without a type's template the run stops at its first action of that "
      "type (0xE0609001). Each text may hold the type's placeholders, filled from the action's attributes:\n\n"
      "| Type | Placeholders |\n|---|---|\n";
  size_t typeCount = 0;
  const ActionType* types = ActionTypes(&typeCount);
  for (size_t i = 0; i < typeCount; ++i)
    templates += "| [" + std::string(types[i].name) + "](#" + Anchor(types[i].name) + ") | " +
                 PlaceholderText(types[i]) + " |\n";
  templates += "\n```xml\n<File>\n  <zh_cn>正在复制 $[src] 到 $[dest]</zh_cn>\n"
               "  <en_us>Copying $[src] to $[dest]</en_us>\n  <zh_tw>正在複製 $[src] 到 $[dest]</zh_tw>\n</File>\n```\n";
  e.push_back({kTemplatesSection, templates});

  std::string lists = std::string("## ") + kListSection + "\n\nAn action list: `<" + kListSection + " " +
                      kListNameAttribute + "=\"...\">` whose children are actions, run in order. The lists "
                      "that run:\n\n| Name | Runs |\n|---|---|\n";
  for (const char* name : {kInstallList, kUninstallList, kInstallFinishList, kUninstallFinishList})
    lists += "| " + Code(name) + " | " + CX_FIND(kListProse, name) + " |\n";
  lists += "\nA list of any other name never runs, and neither do `/REPAIR` and `/UPGRADE`, which have no "
           "list. An unknown action in the install or uninstall list stops the run there. The action "
           "types:";
  for (size_t i = 0; i < typeCount; ++i)
    lists += std::string(i ? "," : "") + " [" + types[i].name + "](#" + Anchor(types[i].name) + ")";
  e.push_back({kListSection, lists + ".\n"});

  for (size_t i = 0; i < typeCount; ++i) e.push_back(TypeEntry(types[i]));

  e.push_back({"variables",
               "## variables\n\n`$(name)` is replaced by the variable's value before anything else reads "
               "the script, again and again until no reference is left (a value may refer to others). "
               "Values are escaped for XML. The variables are the `SetupInfo` and `CustomInfo` values, the "
               "`CustomString` and `ActionDescString` texts in the system's language, and the system "
               "variables below (shown for the user \"user\", English, a setup started from Downloads). A "
               "reference to an undefined name, or one without its `)`, makes the script fail to load.\n\n" +
                   SystemVariablesTable()});

  e.push_back({"logo",
               "## logo\n\nThe wizard draws its logo from " + PackagePathText(kLogoPackagePath) +
                   " and from nowhere else, whatever the product is called: a BMP, PNG or GIF, drawn into the "
                   "292 x 60 dialog-unit area at the top (438 x 98 pixels at the standard font) and scaled "
                   "down when larger. Without it the banner stays blank; lint notes that.\n"});

  e.push_back({"CertToReg",
               "## CertToReg\n\nA package's " + PackagePathText(kCertToRegPackagePath) +
                   " folder may carry Mozilla NSS's `certutil.exe` (with its libraries), `wSpawn.exe` (the "
                   "launcher, built here) and a root certificate whose name holds \"root\" and \".cer\". After "
                   "the next-to-last action of a list, an install then adds that root to the user's Firefox "
                   "profile as \"CXWSSROOT\"; an uninstall only deletes it. Without `certutil.exe` nothing "
                   "happens; lint reports a `certutil.exe` without the launcher or the root.\n"});

  e.push_back({"package",
               "## package\n\nA package is a folder whose top folder is `PackageFiles`, holding the script "
               "and every file the actions read. File names are stored in an ANSI code page: names with "
               "non-ASCII characters need `--codepage 1252` or `936`. Files that a build puts into the "
               "package later (programs built from source) are named in `staged-files.txt` beside "
               "`PackageFiles`, one package path a line: lint counts them as there, and `cxpack build` "
               "refuses the folder until they are.\n"});
  return e;
}

std::string ScriptReferenceText() {
  std::string s =
      "# The setup script\n\n"
      "What a setup script (`PackageFiles/SetupScript.xml`) may hold, generated from the words the setup "
      "program itself reads. `cxpack help script` prints it, `cxpack help script#NAME` one entry (e.g. "
      "`script#File`), and lint names the entry of each fault. `cxpack init DIR` writes a script to start "
      "from; `tools/cxpack/update-reference.sh` rewrites docs/script-reference.md from the program.\n\n"
      "Entries:";
  const std::vector<ReferenceEntry> entries = ScriptReferenceEntries();
  for (size_t i = 0; i < entries.size(); ++i)
    s += std::string(i ? "," : "") + " [" + entries[i].name + "](#" + Anchor(entries[i].name) + ")";
  s += ".\n";
  for (const ReferenceEntry& entry : entries) s += "\n" + entry.text;
  return s;
}

const ReferenceEntry* FindReferenceEntry(const std::vector<ReferenceEntry>& entries, const std::string& name) {
  for (const ReferenceEntry& e : entries)
    if (StrCompareNoCaseA(e.name.c_str(), name.c_str()) == 0) return &e;
  return nullptr;
}
