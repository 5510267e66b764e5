// Checks by handle on a file or folder the setup is about to trust: that it
// is what was asked for and not a link, that this process owns it, and that
// it is the very entry of its folder rather than something a link led to.
// Made on the open handle, so nothing can be swapped between check and use.
// Windows only.
#pragma once
#include <windows.h>

#include <string>

#include "common/result_codes.h"

// 0 when the object is a folder (`folder`) or a file (otherwise) and no
// reparse point; CX_E_FAIL when not; a Windows error when it cannot tell.
CxResult CheckObjectKind(HANDLE object, bool folder);

// 0 when the object's owner is this process's user or the owner it gives
// new objects (Administrators for an elevated administrator); CX_E_FAIL for
// any other owner. The handle needs READ_CONTROL.
CxResult CheckOwnedByProcess(HANDLE object);

// The object's full path as the system resolved it ("\\?\" dropped); empty
// when it cannot say.
std::u16string FinalPathOf(HANDLE object);

// True when `child`, opened as `name` inside the folder whose final path is
// `parentFinal`, resolves to exactly that entry: not true for an object
// reached through a link that the system followed on the way.
bool IsEntryOf(HANDLE child, const std::u16string& parentFinal, const std::u16string& name);
