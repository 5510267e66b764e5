// Shortcut files (.lnk) written through the shell's link object: the folder
// that holds the link is created, then target, working folder, show command,
// icon and arguments are filled in and the link saved (an existing link of
// the same name is overwritten). COM is initialised on the calling thread
// for the duration of the call. Implemented for Windows only.
#pragma once
#include <cstdint>

#include "common/result_codes.h"

// Writes rootPath\subDir\name(.lnk) pointing at `target` (paths are laid out
// by BuildShortcutPaths). subDir, icon and arguments may be empty; an empty
// icon takes the icon at iconIndex of the target itself. The working folder
// is the target's folder (ShortcutWorkingFolder).
// 0 when the link was saved. Otherwise: CX_E_INVALID_ARG for an empty
// rootPath, name or target; CX_WIN_ERROR_FILENAME_EXCED_RANGE when the link
// path does not fit (nothing is created); the folder creation's code; or the
// failing COM result (creating the link object, IPersistFile, Save).
CxResult CreateShortcutFile(const char16_t* rootPath, const char16_t* subDir,
                            const char16_t* name, const char16_t* target, const char16_t* icon,
                            int32_t iconIndex, const char16_t* arguments);
