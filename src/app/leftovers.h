// What killed runs leave in the working folder: package folders
// (CxKeyPackage_*) and uninstaller copies (Uninstallation_*.exe). A run
// holds its own open without delete sharing for as long as it lasts (the
// package folder from its creation, the copy while it is used), so whatever
// can be opened for deletion belongs to no running setup. Only what this
// process's owner made is touched, and a leftover is deleted by handle
// (platform/tree_delete.h); what is in use stays. Windows only.
#pragma once
#include <string>
#include <vector>

// Deletes the leftovers in `folder` (ending with a backslash) and returns
// the paths of those deleted.
std::vector<std::u16string> RemoveLeftovers(const std::u16string& folder);

// RemoveLeftovers in the working folder, each removal logged.
void RemoveLeftoversAtStart();
