// The attribute table of the fourteen built-in action types.
#include "engine/action_schema.h"

#include <cstring>

namespace {

using R = AttrRule;
using K = AttrKind;

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                  "HKEY_USERS", "HKEY_CURRENT_CONFIG", nullptr};
const char* const kValueTypes[] = {"REG_SZ", "REG_DWORD", "REG_BINARY", nullptr};
const char* const kTaskTypes[] = {"Create", "Delete", "Run", "End", nullptr};
const char* const kCertTypes[] = {"RSA", "SM2", nullptr};
const char* const kKeySpecs[] = {"KEYEXCHANGE", "SIGNATURE", nullptr};

constexpr AttributeSpec Attr(const char* name, R rule, K kind, const char* def = "",
                             const char* const* values = nullptr) {
  return {name, rule, kind, def, values, nullptr, nullptr};
}
constexpr AttributeSpec When(const char* name, R rule, K kind, const char* def,
                             const char* conditionAttr, const char* conditionValue) {
  return {name, rule, kind, def, nullptr, conditionAttr, conditionValue};
}
constexpr AttributeSpec Os() { return Attr("os", R::kOptional, K::kOsFilter); }

const AttributeSpec kKillProcess[] = {
    Attr("Name", R::kNonEmptyIfPresent, K::kPath),  // or "Pid"
    Attr("Pid", R::kOptional, K::kInt, "0"),
};
const AttributeSpec kStartProcess[] = {
    Attr("Src", R::kRequired, K::kCommand),
    Attr("CmdLine", R::kOptional, K::kText),
    Attr("Silent", R::kOptional, K::kBool, "true"),
    Attr("Wait", R::kOptional, K::kBool, "true"),
};
const AttributeSpec kFile[] = {
    Attr("Src", R::kRequired, K::kSourcePath),
    Attr("Dest", R::kRequired, K::kPath),
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
    Attr("SubDirName", R::kOptional, K::kText),
    Attr("Name", R::kRequired, K::kText),
    Attr("Src", R::kRequired, K::kPath),
    Attr("Icon", R::kOptional, K::kPath),
    Attr("Index", R::kOptional, K::kInt, "0"),
    Attr("CmdLine", R::kOptional, K::kText),
};
const AttributeSpec kAddRegister[] = {
    Attr("Root", R::kRequired, K::kEnum, "", kRootNames),
    Attr("SubKey", R::kRequired, K::kText),
    Attr("ValueName", R::kOptional, K::kText),
    Attr("ValueType", R::kOptional, K::kEnum, "", kValueTypes),
    When("ValueData", R::kRequiredEmptyWhen, K::kRegData, "", "ValueType", "REG_BINARY"),
    Attr("Key64", R::kOptional, K::kBool, "false"),
    Os(),
};
const AttributeSpec kRunRegFile[] = {
    Attr("Src", R::kRequired, K::kSourcePath),
    Attr("Key64", R::kOptional, K::kBool, "false"),
    Os(),
};
const AttributeSpec kDelRegister[] = {
    Attr("Root", R::kRequired, K::kEnum, "", kRootNames),
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
    Attr("StoreName", R::kNonEmptyIfPresent, K::kStoreName, "MY"),
};
const AttributeSpec kUnRegCert[] = {
    Attr("StoreName", R::kRequired, K::kStoreName),
    Attr("CertType", R::kRequired, K::kFlagWords, "", kCertTypes),
    Attr("KeySpec", R::kRequired, K::kFlagWords, "", kKeySpecs),
    Attr("CspName", R::kOptional, K::kText),
    Attr("CntName", R::kOptional, K::kText),
};
const AttributeSpec kSetAppTaskScheduler[] = {
    Attr("Name", R::kRequired, K::kText),
    Attr("Type", R::kRequired, K::kEnum, "", kTaskTypes),
    Attr("Param", R::kNonEmptyIfPresent, K::kText),
    When("AppPath", R::kRequiredWhen, K::kCommand, "", "Type", "Create"),
    Attr("Description", R::kOptional, K::kText),
    When("Interval", R::kRequiredWhen, K::kMinutes, "0", "Type", "Create"),
};

const char* const kPname[] = {"pname", nullptr};
const char* const kSrc[] = {"src", nullptr};
const char* const kSrcDest[] = {"src", "dest", nullptr};
const char* const kPath[] = {"path", nullptr};
const char* const kUrl[] = {"url", nullptr};
const char* const kSrcStore[] = {"src", "store", nullptr};
const char* const kNameType[] = {"name", "type", nullptr};

#define CX_ATTRS(table) table, sizeof(table) / sizeof(table[0])

const ActionSchema kSchemas[] = {
    {"KillProcess", CX_ATTRS(kKillProcess), kPname, OsRule::kIgnored},
    {"StartProcess", CX_ATTRS(kStartProcess), kSrc, OsRule::kIgnored},
    {"File", CX_ATTRS(kFile), kSrcDest, OsRule::kOs64Only},
    {"DelFile", CX_ATTRS(kDelFile), kSrc, OsRule::kOs64Only},
    {"DelDir", CX_ATTRS(kDelDir), kSrc, OsRule::kIgnored},
    {"CreateShortcut", CX_ATTRS(kCreateShortcut), kPath, OsRule::kIgnored},
    {"AddRegister", CX_ATTRS(kAddRegister), kPath, OsRule::kOs64Only},
    {"RunRegFile", CX_ATTRS(kRunRegFile), kSrc, OsRule::kSelectsBitness},
    {"DelRegister", CX_ATTRS(kDelRegister), kPath, OsRule::kOs64Only},
    {"AddTrustedSite", CX_ATTRS(kTrustedSite), kUrl, OsRule::kIgnored},
    {"DelTrustedSite", CX_ATTRS(kTrustedSite), kUrl, OsRule::kIgnored},
    {"RegCertFile", CX_ATTRS(kRegCertFile), kSrcStore, OsRule::kIgnored},
    // Its "$[src]" shows the certificate type.
    {"UnRegCert", CX_ATTRS(kUnRegCert), kSrcStore, OsRule::kIgnored},
    {"SetAppTaskScheduler", CX_ATTRS(kSetAppTaskScheduler), kNameType, OsRule::kIgnored},
};

#undef CX_ATTRS

}  // namespace

const ActionSchema* ActionSchemas(size_t* count) {
  if (count) *count = sizeof(kSchemas) / sizeof(kSchemas[0]);
  return kSchemas;
}

const ActionSchema* FindActionSchema(const char* type) {
  if (!type) return nullptr;
  for (const ActionSchema& s : kSchemas)
    if (std::strcmp(s.type, type) == 0) return &s;
  return nullptr;
}

const AttributeSpec* FindAttributeSpec(const ActionSchema& schema, const char* name) {
  if (!name) return nullptr;
  for (size_t i = 0; i < schema.attributeCount; ++i)
    if (std::strcmp(schema.attributes[i].name, name) == 0) return &schema.attributes[i];
  return nullptr;
}

bool FillsPlaceholder(const ActionSchema& schema, const char* placeholder) {
  if (!placeholder) return false;
  for (const char* const* p = schema.placeholders; *p; ++p)
    if (std::strcmp(*p, placeholder) == 0) return true;
  return false;
}

bool ConditionHolds(const AttributeSpec& spec, const char* conditionValue) {
  return spec.conditionValue && conditionValue &&
         std::strcmp(spec.conditionValue, conditionValue) == 0;
}

CxResult AttributeRuleResult(const AttributeSpec& spec, const char* value,
                             const char* conditionValue) {
  bool required = false;
  bool emptyAllowed = true;
  switch (spec.rule) {
    case AttrRule::kOptional: break;
    case AttrRule::kRequired: required = true; emptyAllowed = false; break;
    case AttrRule::kNonEmptyIfPresent: emptyAllowed = false; break;
    case AttrRule::kRequiredWhen:
      required = ConditionHolds(spec, conditionValue);
      emptyAllowed = false;
      break;
    case AttrRule::kRequiredEmptyWhen:
      required = true;
      emptyAllowed = ConditionHolds(spec, conditionValue);
      break;
  }
  if (!value) return required ? CX_E_ATTR_MISSING : CX_OK;
  if (!*value && !emptyAllowed) return CX_E_INVALID_ARG;
  return CX_OK;
}
