// Fresh names in the shared working folder for the package folder and the
// uninstaller copy: "<prefix><16 hexadecimal digits><suffix>", the digits 64
// bits from the system's random generator, so nobody can take the names
// first. Whatever the draw, a name that exists is never used: the object is
// created with its protection in the create call itself, then opened and
// checked (a folder or a file, owned by this process, no reparse point) and
// held for the run. Windows only.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "common/result_codes.h"
#include "common/win_handles.h"

// Draws up to `tries` names in `folder` (which ends with a backslash) and
// calls `claim` with each. `claim` returns 0 when it made the object, 1 when
// the name was taken, anything else to give up. Returns true with `made` set
// when a name was claimed; false, `made` untouched, otherwise (also when the
// system's generator fails: a guessable name is never used instead).
bool ClaimFreshName(const std::u16string& folder, const char16_t* prefix, const char16_t* suffix,
                    int tries, const std::function<int(const char16_t* name)>& claim,
                    std::u16string* made);

// Creates the new folder "<folder><prefix>...\" with `security` (null: the
// parent's defaults) and holds it: opened for listing and deletion
// (platform/tree_delete.h) without delete sharing, so no other process can
// rename or remove it, and a sweep of leftovers sees it in use. 0 with
// `made` and `held` set, else the last failure.
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
