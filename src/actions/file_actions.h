// The work of the file actions: "File" copies one file (optionally keeping
// a newer installed one, optionally registering it) or a whole folder tree
// into place; "DelFile" removes one file; "DelDir" removes a folder tree.
// Locked files never stop them: they are handed to Windows for the next
// restart (platform/file_system.h). Their attributes, defaults,
// descriptions, "os" rules and redirection are their rows in
// package/script_vocabulary.cpp.
#pragma once
#include "engine/script_action.h"

// A "Src" ending in "\*" or "\" copies the folder's tree into "Dest" (which
// then ends in "\*" too, or names the folder); the shortened paths are kept
// so a retry takes the same branch. A source in the package that is not on
// disk yet is written straight from the archive (engine/package_paths.h);
// ReplaceFile's rules hold all the same. 0 on success (also when a newer
// installed file was kept with "CmpVer"); CX_E_BAD_DATA for a "Dest"
// without a folder part; otherwise the file services' code, or with
// "Register" the registrar's (a single file only; the 64-bit registrar for
// "os64").
CxResult ExecuteFile(ActionValues* values, InstallContext* context);
// DeleteFileOrSchedule's result; a missing file is 0. With "Unregister"
// the module is unregistered first (the 64-bit registrar for "os64"); a
// failed unregistration does not keep the file.
CxResult ExecuteDelFile(ActionValues* values, InstallContext* context);
// 0 without deleting when "CheckIsEmpty" holds and the folder is not empty
// (or missing); else DeleteDirectoryTree's result.
CxResult ExecuteDelDir(ActionValues* values, InstallContext* context);
