// The table of the fourteen built-in action types and the lookups over it.
#include "package/script_vocabulary.h"

#include <cstring>

#include "package/value_rules.h"
#include "platform/registry_text.h"

const char* const kRegistryRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                          "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                          "HKEY_CURRENT_CONFIG", nullptr};
const char* const kRegistryValueTypes[] = {kRegSz, kRegDword, kRegBinary, nullptr};
const char* const kTaskTypes[] = {kTaskTypeCreate, "Delete", "Run", "End", nullptr};
const char* const kCertTypeWords[] = {"RSA", "SM2", nullptr};
const char* const kKeySpecWords[] = {"KEYEXCHANGE", "SIGNATURE", nullptr};
const char* const kSystemStoreNames[] = {"MY",         "ROOT",          "TRUST",
                                         "CA",         "AddressBook",   "AuthRoot",
                                         "Disallowed", "TrustedPeople", "TrustedPublisher",
                                         nullptr};

namespace {

// The keys of kRegistryRootNames, in its order.
constexpr uint32_t kRegistryRootKeys[] = {CX_HKEY_CLASSES_ROOT, CX_HKEY_CURRENT_USER,
                                          CX_HKEY_LOCAL_MACHINE, CX_HKEY_USERS,
                                          CX_HKEY_CURRENT_CONFIG};

using R = AttrRule;
using K = AttrKind;

constexpr AttributeSpec Attr(const char* name, R rule, K kind, const char* def = "",
                             const char* const* values = nullptr) {
  return {name, rule, kind, def, values, nullptr, nullptr, false};
}
constexpr AttributeSpec When(const char* name, R rule, K kind, const char* def,
                             const char* conditionAttr, const char* conditionValue) {
  return {name, rule, kind, def, nullptr, conditionAttr, conditionValue, false};
}
constexpr AttributeSpec Os() { return Attr(kOsAttribute, R::kOptional, K::kOsFilter); }

const AttributeSpec kKillProcess[] = {
    Attr("Name", R::kNonEmptyIfPresent, K::kPath),
    When("Pid", R::kNonZeroWithout, K::kInt, "0", "Name", nullptr),
};
const AttributeSpec kStartProcess[] = {
    Attr("Src", R::kRequired, K::kCommand),
    Attr("CmdLine", R::kOptional, K::kText),
    Attr("Silent", R::kOptional, K::kBool, "true"),
    Attr("Wait", R::kOptional, K::kBool, "true"),
};
const AttributeSpec kFile[] = {
    Attr("Dest", R::kRequired, K::kPath),
    Attr("Src", R::kRequired, K::kSourcePath),
    Attr("Register", R::kOptional, K::kBool, "false"),
    Attr("CmpVer", R::kOptional, K::kBool, "false"),
    Os(),
};
const AttributeSpec kDelFile[] = {
    Attr("Src", R::kRequired, K::kPath),
    Attr("Unregister", R::kOptional, K::kBool, "false"),
    Os(),
};
const AttributeSpec kDelDir[] = {
    Attr("Src", R::kRequired, K::kPath),
    Attr("CheckIsEmpty", R::kOptional, K::kBool, "true"),
};
const AttributeSpec kCreateShortcut[] = {
    Attr("RootPath", R::kRequired, K::kPath),
    Attr("Name", R::kRequired, K::kText),
    Attr("Src", R::kRequired, K::kPath),
    Attr("SubDirName", R::kOptional, K::kText),
    Attr("Icon", R::kOptional, K::kPath),
    Attr("CmdLine", R::kOptional, K::kText),
    Attr("Index", R::kOptional, K::kInt, "0"),
};
constexpr AttributeSpec ValueType() {
  AttributeSpec spec = Attr("ValueType", R::kOptional, K::kEnum, "", kRegistryValueTypes);
  spec.neededToRun = true;
  return spec;
}
const AttributeSpec kAddRegister[] = {
    Attr("Root", R::kRequired, K::kEnum, "", kRegistryRootNames),
    Attr("SubKey", R::kRequired, K::kText),
    Attr("ValueName", R::kOptional, K::kText),
    ValueType(),
    When("ValueData", R::kRequiredEmptyWhen, K::kRegData, "", "ValueType", kRegBinary),
    Attr("Key64", R::kOptional, K::kBool, "false"),
    Os(),
};
const AttributeSpec kRunRegFile[] = {
    Attr("Src", R::kRequired, K::kSourcePath),
    Attr("Key64", R::kOptional, K::kBool, "false"),
    Os(),
};
const AttributeSpec kDelRegister[] = {
    Attr("Root", R::kRequired, K::kEnum, "", kRegistryRootNames),
    Attr("SubKey", R::kRequired, K::kText),
    Attr("ValueName", R::kOptional, K::kText),
    Attr("Key64", R::kOptional, K::kBool, "false"),
    Os(),
};
const AttributeSpec kTrustedSite[] = {
    Attr("Url", R::kRequired, K::kText),
};
const AttributeSpec kRegCertFile[] = {
    Attr("Src", R::kRequired, K::kSourcePath),
    Attr("StoreName", R::kNonEmptyIfPresent, K::kStoreName, "MY", kSystemStoreNames),
};
const AttributeSpec kUnRegCert[] = {
    Attr("StoreName", R::kRequired, K::kStoreName, "", kSystemStoreNames),
    Attr("CertType", R::kRequired, K::kFlagWords, "", kCertTypeWords),
    Attr("KeySpec", R::kRequired, K::kFlagWords, "", kKeySpecWords),
    Attr("CspName", R::kOptional, K::kText),
    Attr("CntName", R::kOptional, K::kText),
};
const AttributeSpec kSetAppTaskScheduler[] = {
    Attr("Name", R::kRequired, K::kText),
    Attr("Type", R::kRequired, K::kEnum, "", kTaskTypes),
    Attr("Param", R::kNonEmptyIfPresent, K::kText),
    When("AppPath", R::kRequiredWhen, K::kCommand, "", "Type", kTaskTypeCreate),
    Attr("Description", R::kOptional, K::kText),
    When("Interval", R::kRequiredWhen, K::kMinutes, "0", "Type", kTaskTypeCreate),
};

const PlaceholderSpec kPname[] = {{"pname", {"Name"}, "Pid"}};
const PlaceholderSpec kSrc[] = {{"src", {"Src"}, nullptr}};
const PlaceholderSpec kSrcDest[] = {{"src", {"Src"}, nullptr}, {"dest", {"Dest"}, nullptr}};
const PlaceholderSpec kShortcutPath[] = {{"path", {"RootPath", "SubDirName", "Name"}, nullptr}};
const PlaceholderSpec kRegistryPath[] = {{"path", {"Root", "SubKey", "ValueName"}, nullptr}};
const PlaceholderSpec kUrl[] = {{"url", {"Url"}, nullptr}};
const PlaceholderSpec kSrcStore[] = {{"src", {"Src"}, nullptr}, {"store", {"StoreName"}, nullptr}};
// "$[src]" names the certificate type here.
const PlaceholderSpec kStoreType[] = {{"store", {"StoreName"}, nullptr},
                                      {"src", {"CertType"}, nullptr}};
const PlaceholderSpec kNameType[] = {{"name", {"Name"}, nullptr}, {"type", {"Type"}, nullptr}};

const DescriptionTail kStartProcessTails[] = {
    {"CmdLine", nullptr, u" CmdLine=\"$[CmdLine]\"", nullptr},
    {"Silent", nullptr, u" Silent=\"true\"", u" Silent=\"false\""},
    {"Wait", nullptr, u" Wait=\"true\"", u" Wait=\"false\""},
};
// No blank before either.
const DescriptionTail kFileTails[] = {
    {"Register", nullptr, u"Register=\"True\"", nullptr},
    {"CmpVer", nullptr, u"CmpVer=\"True\"", nullptr},
};
const DescriptionTail kDelFileTails[] = {{"Unregister", nullptr, u" UnRegister=\"True\"", nullptr}};
const DescriptionTail kDelDirTails[] = {{"CheckIsEmpty", nullptr, u" CheckIsEmpty=\"True\"", nullptr}};
const DescriptionTail kDelRegisterTails[] = {
    {"Key64", nullptr, u" m_b64Key=true", u" m_b64Key=false"}};
const DescriptionTail kTaskTails[] = {{"Type", kTaskTypeCreate, u"[$[AppPath] $[Param]]", nullptr}};

#define CX_ROW(table) table, sizeof(table) / sizeof(table[0])
#define CX_NO_TAILS nullptr, 0

using O = OsRule;
using F = FailureRule;
constexpr bool kRedirectionOff = true;
constexpr bool kRedirectionOn = false;

const ActionType kTypes[] = {
    {kKillProcessType, CX_ROW(kKillProcess), CX_ROW(kPname), CX_NO_TAILS,
     O::kIgnored, kRedirectionOff, F::kGoesOn},
    {kStartProcessType, CX_ROW(kStartProcess), CX_ROW(kSrc), CX_ROW(kStartProcessTails),
     O::kIgnored, kRedirectionOn, F::kStopsRun},
    {kFileType, CX_ROW(kFile), CX_ROW(kSrcDest), CX_ROW(kFileTails),
     O::kOs64Only, kRedirectionOff, F::kStopsRun},
    {kDelFileType, CX_ROW(kDelFile), CX_ROW(kSrc), CX_ROW(kDelFileTails),
     O::kOs64Only, kRedirectionOff, F::kStopsRun},
    {kDelDirType, CX_ROW(kDelDir), CX_ROW(kSrc), CX_ROW(kDelDirTails),
     O::kIgnored, kRedirectionOff, F::kStopsRun},
    {kCreateShortcutType, CX_ROW(kCreateShortcut), CX_ROW(kShortcutPath), CX_NO_TAILS,
     O::kIgnored, kRedirectionOff, F::kStopsRun},
    {kAddRegisterType, CX_ROW(kAddRegister), CX_ROW(kRegistryPath), CX_NO_TAILS,
     O::kOs64Only, kRedirectionOff, F::kStopsRun},
    {kRunRegFileType, CX_ROW(kRunRegFile), CX_ROW(kSrc), CX_NO_TAILS,
     O::kSelectsBitness, kRedirectionOff, F::kStopsRun},
    {kDelRegisterType, CX_ROW(kDelRegister), CX_ROW(kRegistryPath), CX_ROW(kDelRegisterTails),
     O::kOs64Only, kRedirectionOff, F::kGoesOnWhenGone},
    {kAddTrustedSiteType, CX_ROW(kTrustedSite), CX_ROW(kUrl), CX_NO_TAILS,
     O::kIgnored, kRedirectionOn, F::kGoesOn},
    {kDelTrustedSiteType, CX_ROW(kTrustedSite), CX_ROW(kUrl), CX_NO_TAILS,
     O::kIgnored, kRedirectionOn, F::kGoesOn},
    {kRegCertFileType, CX_ROW(kRegCertFile), CX_ROW(kSrcStore), CX_NO_TAILS,
     O::kIgnored, kRedirectionOn, F::kStopsRun},
    {kUnRegCertType, CX_ROW(kUnRegCert), CX_ROW(kStoreType), CX_NO_TAILS,
     O::kIgnored, kRedirectionOn, F::kStopsRun},
    {kSetAppTaskSchedulerType, CX_ROW(kSetAppTaskScheduler), CX_ROW(kNameType), CX_ROW(kTaskTails),
     O::kIgnored, kRedirectionOn, F::kGoesOn},
};

#undef CX_ROW
#undef CX_NO_TAILS

bool Same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

}  // namespace

const char* LanguageTagOf(int languageCode) {
  return languageCode == 0 ? kLanguageTags[0] : languageCode == 2 ? kLanguageTags[2]
                                                                  : kLanguageTags[1];
}

const ActionType* ActionTypes(size_t* count) {
  if (count) *count = sizeof(kTypes) / sizeof(kTypes[0]);
  return kTypes;
}

const ActionType* FindActionType(const char* name) {
  for (const ActionType& t : kTypes)
    if (Same(t.name, name)) return &t;
  return nullptr;
}

const AttributeSpec* FindAttributeSpec(const ActionType& type, const char* name) {
  for (size_t i = 0; i < type.attributeCount; ++i)
    if (Same(type.attributes[i].name, name)) return &type.attributes[i];
  return nullptr;
}

bool FillsPlaceholder(const ActionType& type, const char* placeholder) {
  for (size_t i = 0; i < type.placeholderCount; ++i)
    if (Same(type.placeholders[i].name, placeholder)) return true;
  return false;
}

CxResult AttributeRuleResult(const AttributeSpec& spec, const char* value,
                             const char* conditionValue) {
  const bool conditionHolds = Same(spec.conditionValue, conditionValue);
  bool required = false;
  bool emptyAllowed = true;
  switch (spec.rule) {
    case AttrRule::kOptional: break;
    case AttrRule::kRequired: required = true; emptyAllowed = false; break;
    case AttrRule::kNonEmptyIfPresent: emptyAllowed = false; break;
    case AttrRule::kRequiredWhen:
      required = conditionHolds;
      emptyAllowed = false;
      break;
    case AttrRule::kRequiredEmptyWhen:
      required = true;
      emptyAllowed = conditionHolds;
      break;
    case AttrRule::kNonZeroWithout: {
      int number = 0;
      if (conditionValue || (IntFromText(value, &number) && number != 0)) return CX_OK;
      return CX_E_TEMPLATE_MISSING;
    }
  }
  if (!value) return required ? CX_E_ATTR_MISSING : CX_OK;
  if (!*value && !emptyAllowed) return CX_E_INVALID_ARG;
  return CX_OK;
}

bool RunsOnWindows(const ActionType& type, const char* os, bool is64) {
  const bool os64 = Same(os, kOs64);
  switch (type.osRule) {
    case OsRule::kIgnored: return true;
    case OsRule::kOs64Only: return !os64 || is64;
    case OsRule::kSelectsBitness: return os64 == is64;
  }
  return true;
}

CxResult RootKeyFromName(const char16_t* name, uint32_t* root) {
  const int i = WordIndex(kRegistryRootNames, name);
  if (i < 0 || !root) return CX_E_INVALID_ARG;
  *root = kRegistryRootKeys[i];
  return CX_OK;
}

uint32_t TaskOperationFromType(const char16_t* type) {
  const int i = WordIndex(kTaskTypes, type);
  return i < 0 ? 0 : static_cast<uint32_t>(i);
}
