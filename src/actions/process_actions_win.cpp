// KillProcess and StartProcess: the calls into process control.
#include "actions/process_actions.h"

#include "engine/package_paths.h"
#include "platform/process_control.h"

CxResult ExecuteKillProcess(ActionValues* values, InstallContext*) {
  const WString& name = values->Text("Name");
  if (!name.IsEmpty()) return KillProcessesByImage(name.Wide());
  const uint32_t pid = static_cast<uint32_t>(values->Int("Pid"));
  return KillProcessById(pid) == CX_DONE ? CX_OK : CX_E_FAIL;
}

CxResult ExecuteStartProcess(ActionValues* values, InstallContext* context) {
  const WString& source = values->Text("Src");
  const WString& cmdLine = values->Text("CmdLine");
  // A program from the package comes with what lies beside it, and so does
  // every package file its command line names.
  CxResult r = EnsurePackagePath(context, source.Wide());
  if (r == CX_OK) r = EnsurePackagePathsIn(context, cmdLine.Wide());
  if (r != CX_OK) return r;
  return RunProgram(source.Wide(), cmdLine.Wide(), values->Flag("Silent") ? 1 : 0,
                    values->Flag("Wait") ? CX_WAIT_FOREVER : CX_WAIT_NONE);
}
