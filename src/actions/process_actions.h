// The work of the process actions: "KillProcess" ends every running process
// started from a given file (or one process by id) before files are
// replaced or removed; "StartProcess" launches a program, waiting for it to
// end unless told otherwise. Their attributes, defaults and descriptions
// are their rows in package/script_vocabulary.cpp.
#pragma once
#include "engine/script_action.h"

// "Name" (full image path or bare file name): KillProcessesByImage's
// result, 0 whether or not anything ran. Otherwise "Pid": 0 when that
// process ended, CX_E_FAIL when it could not be opened.
CxResult ExecuteKillProcess(ActionValues* values, InstallContext* context);
// RunProgram's result: 0 when started, else the shell's Windows error. The
// program's exit code is never examined. A program in the package folder
// (and any package path in "CmdLine") is extracted first, with its folder;
// CX_E_FAIL when that fails.
CxResult ExecuteStartProcess(ActionValues* values, InstallContext* context);
