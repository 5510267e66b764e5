// The process actions of an action list: "KillProcess" ends every running
// process started from a given file (or one process by id) before files are
// replaced or removed; "StartProcess" launches a program, waiting for it to
// end unless told otherwise.
#pragma once
#include "common/sysinfo.h"
#include "common/wstring.h"
#include "engine/action.h"

// "Name": full image path or bare file name; "Pid": process id, used only
// when "Name" is absent. Switches WOW64 file-system redirection off for its
// lifetime on a 64-bit Windows, so it must live on the worker thread.
class KillProcessAction : public Action {
 public:
  explicit KillProcessAction(ScriptElement* element) : Action(element) {}

  // CX_E_INVALID_ARG without an element or with an empty "Name";
  // CX_E_TEMPLATE_MISSING with neither "Name" nor a nonzero "Pid".
  CxResult Parse(int force) override;
  // Fills "$[pname]" with the name, or the pid when there is no name.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // By name: KillProcessesByImage's result (0 whether or not anything ran).
  // By pid: 0 when the process ended, CX_E_FAIL when it could not be opened.
  CxResult Execute(InstallContext* context) override;

  const WString& Name() const { return name_; }
  int Pid() const { return pid_; }

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString name_;
  int pid_ = 0;
};

// "Src" (required, not empty; passed to the shell as written), "CmdLine"
// (default empty), "Silent" (default true: hidden), "Wait" (default true:
// until the program ends).
class StartProcessAction : public Action {
 public:
  explicit StartProcessAction(ScriptElement* element) : Action(element) {}

  // CX_E_INVALID_ARG without an element or with an empty "Src";
  // CX_E_ATTR_MISSING without "Src".
  CxResult Parse(int force) override;
  // Fills "$[src]", then appends ` CmdLine="..."` (when there is one),
  // ` Silent="true|false"` and ` Wait="true|false"`.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // RunProgram's result: 0 when started, else the shell's Windows error. The
  // program's exit code is never examined. A program in the package folder
  // (and any package path in "CmdLine") is extracted first, with its
  // folder; CX_E_FAIL when that fails.
  CxResult Execute(InstallContext* context) override;

  const WString& Source() const { return source_; }
  const WString& CmdLine() const { return cmdLine_; }
  bool Silent() const { return silent_; }
  bool Wait() const { return wait_; }

 private:
  WString source_;
  WString cmdLine_;
  bool silent_ = true;
  bool wait_ = true;
};

// Factories for the action registry; null when memory runs out.
Action* CreateKillProcessAction(ScriptElement* element);
Action* CreateStartProcessAction(ScriptElement* element);
