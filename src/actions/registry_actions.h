// The registry actions of an action list: "AddRegister" writes one value
// (creating the key path on the way), "DelRegister" deletes one value or a
// whole key tree, "RunRegFile" imports a ".reg" file with the registry
// editor. Nothing is recorded for an undo: the uninstall list removes what
// the install list wrote with its own "DelRegister" elements.
//
// Each switches WOW64 file-system redirection off for its lifetime on a
// 64-bit Windows, so it must live on the worker thread, one at a time.
#pragma once
#include <cstdint>

#include "common/sysinfo.h"
#include "common/wstring.h"
#include "engine/action.h"

// "Root" and "SubKey" (required, not empty), "ValueName" (empty: the key's
// default value), "ValueType" ("REG_SZ", "REG_DWORD" or "REG_BINARY",
// exact case), "ValueData" (required; empty only for REG_BINARY), "Key64"
// (default false: the 32-bit view), "os" ("os64": only on a 64-bit Windows).
class AddRegisterAction : public Action {
 public:
  explicit AddRegisterAction(ScriptElement* element) : Action(element) {}

  // CX_E_ATTR_MISSING for a missing "Root", "SubKey" or "ValueData";
  // CX_E_INVALID_ARG without an element, for an empty "Root" or "SubKey",
  // or an empty "ValueData" with a type other than "REG_BINARY".
  CxResult Parse(int force) override;
  // Fills "$[path]" with root\subKey\valueName.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // The write's result; CX_E_INVALID_ARG for an unknown root name or value
  // type, REG_BINARY text of odd length or with a non-hexadecimal digit.
  CxResult Execute(InstallContext* context) override;

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString root_;
  WString subKey_;
  WString valueName_;
  WString valueType_;
  WString valueData_;
  uint32_t key64_ = 0;
  WString osFilter_;
};

// "Root" and "SubKey" (required, not empty), "ValueName" (empty: delete the
// whole key tree), "Key64", "os".
class DelRegisterAction : public Action {
 public:
  explicit DelRegisterAction(ScriptElement* element) : Action(element) {}

  CxResult Parse(int force) override;
  // Fills "$[path]" like AddRegister, then appends " m_b64Key=true" or
  // " m_b64Key=false".
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // The delete's result: 2 when the key or value does not exist (which the
  // failure policy tolerates); CX_E_INVALID_ARG for an unknown root name or
  // a subkey that a tree delete refuses.
  CxResult Execute(InstallContext* context) override;

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString root_;
  WString subKey_;
  WString valueName_;
  uint32_t key64_ = 0;
  WString osFilter_;
};

// "Src" (required, not empty), "Key64" (1: the 64-bit editor on a 64-bit
// Windows), "os": "os64" imports only on a 64-bit Windows, anything else
// only on a 32-bit one, so a script carries one element for each.
class RunRegFileAction : public Action {
 public:
  explicit RunRegFileAction(ScriptElement* element) : Action(element) {}

  CxResult Parse(int force) override;
  // Fills "$[src]".
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // 0 on the other bitness without importing; else ImportRegFile's result.
  CxResult Execute(InstallContext* context) override;

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString source_;
  uint32_t key64_ = 0;
  WString osFilter_;
};

// Factories for the action registry; null when memory runs out.
Action* CreateAddRegisterAction(ScriptElement* element);
Action* CreateDelRegisterAction(ScriptElement* element);
Action* CreateRunRegFileAction(ScriptElement* element);
