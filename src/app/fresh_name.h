// Fresh names in the shared working folder for the package folder and the
// uninstaller copy: "<prefix><16 hexadecimal digits><suffix>", the digits 64
// bits from the system's random generator, so nobody can take the names
// first. Whatever the draw, a name that exists is never used: the object is
// created with its protection in the create call itself, then opened and
// checked (a folder or a file, owned by this process, no reparse point) and
// held for the run. Windows only.
#pragma once
#include <windows.h>

#include <string>

#include "common/result_codes.h"
#include "common/win_handles.h"

// Creates the new folder "<folder><prefix>...\" with `security` (null: the
// parent's defaults) and holds it: opened for listing and deletion
// (platform/tree_delete.h) without delete sharing, so no other process can
// rename or remove it, and a sweep of leftovers sees it in use. 0 with
// `made` and `held` set, else the last failure (also when the system's
// generator fails: a guessable name is never used instead).
CxResult CreateFreshFolder(const std::u16string& folder, const char16_t* prefix,
                           SECURITY_ATTRIBUTES* security, std::u16string* made,
                           ScopedFileHandle* held);

// Copies `source` to the new file "<folder><prefix>...<suffix>" created with
// `security`, and holds the copy for reading, sharing only reading. 0 with
// `made` and `held` set, else the last failure.
CxResult CopyToFreshFile(const std::u16string& source, const std::u16string& folder,
                         const char16_t* prefix, const char16_t* suffix,
                         SECURITY_ATTRIBUTES* security, std::u16string* made,
                         ScopedFileHandle* held);
