// The file actions of an action list: "File" copies one file (optionally
// keeping a newer installed one, optionally registering it) or a whole
// folder tree into place; "DelFile" removes one file; "DelDir" removes a
// folder tree. Locked files never stop them: they are handed to Windows for
// the next restart (platform/file_system.h).
//
// Each switches WOW64 file-system redirection off for its lifetime on a
// 64-bit Windows (so the real System32 is reached); it must therefore be
// created, used and destroyed on the worker thread, one at a time.
#pragma once
#include <cstdint>

#include "common/sysinfo.h"
#include "common/wstring.h"
#include "engine/action.h"

// "Dest" and "Src" (required, not empty), "Register", "CmpVer" (default
// false), "os" ("os64": only on a 64-bit Windows).
// A "Src" ending in "\*" or "\" copies the folder's tree into "Dest"
// (which then ends in "\*" too, or names the folder).
// A source in the package that is not on disk yet is written straight from
// the archive (engine/package_paths.h); ReplaceFile's rules hold all the same.
class FileAction : public Action {
 public:
  explicit FileAction(ScriptElement* element) : Action(element) {}

  // CX_E_INVALID_ARG without an element or with an empty "Dest"/"Src";
  // CX_E_ATTR_MISSING when one is absent.
  CxResult Parse(int force) override;
  // Fills "$[src]" and "$[dest]"; appends Register="True" and then
  // CmpVer="True" for the flags that are set, with no blank before them.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // 0 on success (also when a newer installed file was kept, and when the
  // os filter skips the action); CX_E_BAD_DATA for a "Dest" without a
  // folder part; otherwise the file services' code, or with "Register" the
  // registrar's (a single file only; 64-bit registrar when "os64" matched).
  CxResult Execute(InstallContext* context) override;

  const WString& Source() const { return source_; }
  const WString& Destination() const { return destination_; }
  bool Register() const { return register_ == 1; }
  bool CompareVersion() const { return compareVersion_ == 1; }

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString source_;
  WString destination_;
  uint32_t register_ = 0;
  uint32_t compareVersion_ = 0;
  WString osFilter_;
};

// "Src" (required, not empty), "Unregister" (unregister the module as a COM
// server before deleting it; default false), "os".
class DelFileAction : public Action {
 public:
  explicit DelFileAction(ScriptElement* element) : Action(element) {}

  CxResult Parse(int force) override;
  // Fills "$[src]"; appends ` UnRegister="True"` when the flag is set.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // DeleteFileOrSchedule's result; a missing file is 0. With "Unregister"
  // the module is unregistered first (64-bit registrar when "os64"
  // matched); a failed unregistration does not keep the file.
  CxResult Execute(InstallContext* context) override;

  const WString& Source() const { return source_; }

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString source_;
  uint32_t unregister_ = 0;
  WString osFilter_;
};

// "Src" (required, not empty), "CheckIsEmpty" (default true: delete only an
// empty folder). No "os" filter.
class DelDirAction : public Action {
 public:
  explicit DelDirAction(ScriptElement* element) : Action(element) {}

  CxResult Parse(int force) override;
  // Fills "$[src]"; appends ` CheckIsEmpty="True"` when the flag is set.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // 0 without deleting when CheckIsEmpty holds and the folder is not empty
  // (or missing); else DeleteDirectoryTree's result.
  CxResult Execute(InstallContext* context) override;

  const WString& Source() const { return source_; }

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString source_;
  uint32_t checkIsEmpty_ = 1;
};

// Factories for the action registry; null when memory runs out.
Action* CreateFileAction(ScriptElement* element);
Action* CreateDelFileAction(ScriptElement* element);
Action* CreateDelDirAction(ScriptElement* element);
