// Protection for what an elevated setup writes into a temporary folder that
// its unelevated user can write to as well (the package folder, the
// uninstaller's temporary copy): an access list that admits only
// Administrators and SYSTEM, so another process of the same user cannot swap
// an extracted program, DLL or .reg file, or the copy itself, between its
// writing and its use. Windows only.
#pragma once
#include <windows.h>

#include "common/result_codes.h"
#include "common/win_handles.h"

class AdminOnlySecurity {
 public:
  // Builds the descriptor: a protected access list (nothing inherited from
  // the parent) granting full access to Administrators and SYSTEM, inherited
  // by files and folders created inside. 0 or the Windows error.
  CxResult Build();
  // For the Create* calls; null until Build succeeded.
  SECURITY_ATTRIBUTES* Attributes();

 private:
  ScopedLocalMem descriptor_;
  SECURITY_ATTRIBUTES attributes_ = {};
};

// Attributes for a new folder or file of the setup: admin-only when the
// process is elevated (`elevated`), else null (the folder's defaults).
// `holder` keeps the descriptor alive.
SECURITY_ATTRIBUTES* ProtectionFor(bool elevated, AdminOnlySecurity* holder);

// Copies `source` to the new file `target` (which must not exist) created
// with `attributes` and kept unshared until it is complete, so nothing can
// open it in between. ERROR_FILE_EXISTS when the name is taken; other
// Windows errors as they come; a partly written target is deleted. With
// `held`, the copy is then reopened for reading with read sharing only (a
// program still starts from it, nobody can change, rename or delete it) and
// held there; CX_E_FAIL when what reopens is not the file written.
CxResult CopyToNewFile(const char16_t* source, const char16_t* target,
                       SECURITY_ATTRIBUTES* attributes, ScopedFileHandle* held = nullptr);
