// The words of the setup script, each written once: its sections, the
// action lists, the keys the program looks up, the paths inside a package,
// and every built-in action type with its attributes (in the order Parse
// reads them: when each is required, its kind and default), the
// placeholders and appended texts of its description, its "os" rule,
// whether it holds WOW64 redirection off, and how the dialog treats its
// failure. The registry, the runners, the actions, the failure policy,
// lint and plan all read this table, so none of them can drift apart.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result_codes.h"

// ---- sections, lists and languages ----

inline constexpr char kConfigElement[] = "Config";
inline constexpr char kSetupInfoSection[] = "SetupInfo";
inline constexpr char kCustomInfoSection[] = "CustomInfo";
inline constexpr char kCustomStringSection[] = "CustomString";
inline constexpr char kTemplatesSection[] = "ActionDescString";
inline constexpr char kListSection[] = "Action";  // one list; its attribute "name" names it
inline constexpr char kListNameAttribute[] = "name";

inline constexpr char kInstallList[] = "Insall";  // so spelt by every script
inline constexpr char kUninstallList[] = "Uninstall";
inline constexpr char kInstallFinishList[] = "Install Finish";
inline constexpr char kUninstallFinishList[] = "Uninstall Finish";

// The language children of localised texts, by language code (sysinfo.h).
inline constexpr const char* kLanguageTags[] = {"zh_cn", "en_us", "zh_tw"};
// The tag the variable import reads for `languageCode`: codes other than
// 0 and 2 read "en_us".
const char* LanguageTagOf(int languageCode);

// ---- keys the program looks up ----

inline constexpr char kProductCodeKey[] = "ProductCode";
inline constexpr char kProductNameKey[] = "ProductName";
inline constexpr char kPublisherKey[] = "Publisher";
inline constexpr char kVersionKey[] = "Version";
inline constexpr char kInstallDirKey[] = "InstallDir";
inline constexpr const char* kSetupInfoKeys[] = {kProductCodeKey, kProductNameKey, kPublisherKey,
                                                 kVersionKey, kInstallDirKey};

inline constexpr char kNeedAdminText[] = "IDS_NEED_ADMIN";
// Without this text the dialog's Finish button ends the program at once.
inline constexpr char kFinishButtonText[] = "IDS_BTN_FININSH";
// Every text the dialog and the runner look up, the last one included.
inline constexpr const char* kTextKeys[] = {
    "IDS_MAIN_UI_INSTALL_TITLE",   "IDS_MAIN_UI_UNINSTALL_TITLE",
    "IDS_WELCOME_INSTALL",         "IDS_WELCOME_UNINSTALL",
    "IDS_BTN_INSTALL",             "IDS_BTN_CANCEL",
    "IDS_BTN_UNINSTALL",           kFinishButtonText,
    "IDS_INSTANCE_EXISTED",        "IDS_INSTAL_HIGHER_WARNING",
    "IDS_INSTAL_EQUAL_WARNING",    "IDS_TIP_INSTALLING_PRODUCT",
    "IDS_TIP_UNINSTALLING_PRODUCT", "IDS_INSTALL_OK",
    "IDS_UNINSTALL_OK",            "IDS_INSTALL_FAILED",
    "IDS_UNINSTALL_FAILED",        "IDS_SILENT_INSTALL_SUCCESSFULLY",
    "IDS_SILENT_INSTALL_FINISHED", kNeedAdminText,
};
// ---- paths inside a package ----

inline constexpr char kPackageFilesFolder[] = "PackageFiles";
inline constexpr char kScriptFileName[] = "SetupScript.xml";
// Below the package folder.
inline constexpr char16_t kScriptPackagePath[] = u"\\PackageFiles\\SetupScript.xml";
inline constexpr char16_t kLogoPackagePath[] =
    u"PackageFiles\\ProgramFiles(x86)\\KOVA\\Corvexa\\Res\\Logo_Long.bmp";
inline constexpr char16_t kCertToRegPackagePath[] = u"PackageFiles\\CertToReg";

// ---- the action types ----

inline constexpr char kKillProcessType[] = "KillProcess";
inline constexpr char kStartProcessType[] = "StartProcess";
inline constexpr char kFileType[] = "File";
inline constexpr char kDelFileType[] = "DelFile";
inline constexpr char kDelDirType[] = "DelDir";
inline constexpr char kCreateShortcutType[] = "CreateShortcut";
inline constexpr char kAddRegisterType[] = "AddRegister";
inline constexpr char kRunRegFileType[] = "RunRegFile";
inline constexpr char kDelRegisterType[] = "DelRegister";
inline constexpr char kAddTrustedSiteType[] = "AddTrustedSite";
inline constexpr char kDelTrustedSiteType[] = "DelTrustedSite";
inline constexpr char kRegCertFileType[] = "RegCertFile";
inline constexpr char kUnRegCertType[] = "UnRegCert";
inline constexpr char kSetAppTaskSchedulerType[] = "SetAppTaskScheduler";

// Values the actions compare with.
inline constexpr char kOsAttribute[] = "os";
inline constexpr char kOs64[] = "os64";
inline constexpr char kRegSz[] = "REG_SZ";
inline constexpr char kRegDword[] = "REG_DWORD";
inline constexpr char kRegBinary[] = "REG_BINARY";
inline constexpr char kTaskTypeCreate[] = "Create";

// The words of enumerated attributes, null-terminated.
extern const char* const kRegistryRootNames[];   // "Root"
extern const char* const kRegistryValueTypes[];  // "ValueType": kRegSz, kRegDword, kRegBinary
extern const char* const kTaskTypes[];           // "Type", in the order of TaskOperation
extern const char* const kCertTypeWords[];       // "CertType": bit 0 "RSA", bit 1 "SM2"
extern const char* const kKeySpecWords[];        // "KeySpec": bit 0 "KEYEXCHANGE", bit 1 "SIGNATURE"
extern const char* const kSystemStoreNames[];    // "StoreName": the standard stores

// When an attribute must be there, and whether it may be empty.
enum class AttrRule {
  kOptional,           // absent: the default; any value accepted
  kRequired,           // absent: CX_E_ATTR_MISSING; empty: CX_E_INVALID_ARG
  kNonEmptyIfPresent,  // absent: the default; empty: CX_E_INVALID_ARG
  // Required (as kRequired) when the attribute `conditionAttr` equals
  // `conditionValue` exactly; otherwise as kNonEmptyIfPresent.
  kRequiredWhen,
  // Required; may be empty only while `conditionAttr` equals `conditionValue`.
  kRequiredEmptyWhen,
  // Without `conditionAttr`, a nonzero number ("%d") is required, else
  // CX_E_TEMPLATE_MISSING; with it, the attribute plays no part.
  kNonZeroWithout,
};

// What the value means; the linter checks values by kind.
enum class AttrKind {
  kText,        // any text
  kPath,        // a path on the target machine
  kSourcePath,  // a path that normally lies in the package ($(srcroot)...)
  kCommand,     // a program for the shell, possibly in double quotes
  kBool,        // "true" in any case is true, anything else false
  kInt,         // signed decimal ("%d"); unreadable: the default
  kMinutes,     // task interval minutes, read as atoi reads them
  kEnum,        // one of `values`, exact case
  kRegData,     // registry data, read as `ValueType` says
  kOsFilter,    // "os64", or nothing
  kStoreName,   // a system certificate store (`values`: the standard ones)
  kFlagWords,   // holds one or more of `values` as plain substrings
};

// How an action honours the "os" attribute.
enum class OsRule {
  kIgnored,         // the attribute plays no part
  kOs64Only,        // "os64": only on a 64-bit Windows; else everywhere
  kSelectsBitness,  // "os64": only on 64-bit; anything else: only on 32-bit
};

// How the dialog's failure policy treats a nonzero result.
enum class FailureRule {
  kStopsRun,
  kGoesOn,           // whatever the result
  kGoesOnWhenGone,   // only for 2, the key or value was not there
};

struct AttributeSpec {
  const char* name;
  AttrRule rule;
  AttrKind kind;
  const char* defaultValue;    // text form of the default; "" for none
  const char* const* values;   // kEnum / kFlagWords / kStoreName words
  const char* conditionAttr;   // kRequiredWhen / kRequiredEmptyWhen / kNonZeroWithout
  const char* conditionValue;
  bool neededToRun;            // Parse lets it be absent, Execute fails without it
};

// A "$[name]" of the description: the named attributes' texts joined by
// backslashes; when that is empty, the number of `fallback`.
struct PlaceholderSpec {
  const char* name;
  const char* parts[3];
  const char* fallback;
};

// A text appended to the description after the placeholders are filled:
// `text` when `attribute` is a true flag (kBool), holds text (other kinds)
// or, with `equals`, equals it exactly; else `otherwise` (null: nothing).
// "$[Attr]" in the text is filled with that attribute's text.
struct DescriptionTail {
  const char* attribute;
  const char* equals;
  const char16_t* text;
  const char16_t* otherwise;
};

struct ActionType {
  const char* name;  // the element's tag
  const AttributeSpec* attributes;
  size_t attributeCount;
  const PlaceholderSpec* placeholders;  // filled in this order
  size_t placeholderCount;
  const DescriptionTail* tails;  // appended in this order
  size_t tailCount;
  OsRule osRule;
  bool redirectionOff;  // WOW64 file-system redirection off while it exists
  FailureRule onFailure;
};

// All built-in types, in registration order (the registry's lookup is
// first-match, so order is visible).
const ActionType* ActionTypes(size_t* count);
// The type named `name` (exact case), or null.
const ActionType* FindActionType(const char* name);
// The attribute `name` (exact case) of `type`, or null.
const AttributeSpec* FindAttributeSpec(const ActionType& type, const char* name);
// True when `placeholder` (without "$[" and "]") is one `type` fills.
bool FillsPlaceholder(const ActionType& type, const char* placeholder);

// The rule's verdict on one attribute: `value` is its text (null when
// absent), `conditionValue` that of the rule's condition attribute (null
// when absent or when the rule has none). CX_OK, CX_E_ATTR_MISSING for an
// absent required attribute, CX_E_INVALID_ARG for an empty one,
// CX_E_TEMPLATE_MISSING for a kNonZeroWithout number that is not there.
CxResult AttributeRuleResult(const AttributeSpec& spec, const char* value,
                             const char* conditionValue);

// Whether an action of `type` whose "os" attribute is `os` (null when
// absent) runs on a Windows of that bitness; one that does not run reports
// success.
bool RunsOnWindows(const ActionType& type, const char* os, bool is64);

// Mappings of the enumerated words. 0 or CX_E_INVALID_ARG (`root`
// untouched) for a "Root" name other than the five, exact case.
CxResult RootKeyFromName(const char16_t* name, uint32_t* root);
// The TaskOperation of a "Type": its index among kTaskTypes; any other
// text creates (0).
uint32_t TaskOperationFromType(const char16_t* type);
