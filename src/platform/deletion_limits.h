// The lower limits of DelDir and DelRegister: what a script may never delete
// whole, however its variables expand. A variable that expands to nothing
// turns "$(ToolDir)\" into "\" (the drive root) and a product's key into
// "SOFTWARE", so the rules look at the expanded target, not at the script.
//
// Folders: a drive or share root, the Windows folder and the system folders
// (System32, SysWOW64, Sysnative), both Program Files folders, ProgramData,
// the Users folder and every profile root (any folder right inside Users),
// the application data folders, and the Start Menu, Programs and desktop
// folders of the user and of all users. Neither these nor any folder that
// holds one may be deleted: a path must lie at least one level below them
// ("C:\Program Files (x86)\KOVA" may go, "C:\Program Files (x86)" may not).
// Paths that are not plain drive or share paths (\\?\, \\.\) are refused.
//
// Registry keys (whole-key deletes only): the first two levels of a hive
// (SOFTWARE, SOFTWARE\Microsoft, SYSTEM\CurrentControlSet, ...), and the
// Uninstall, Run, RunOnce, CLSID, Services and Control keys with every key
// that holds one. HKEY_CLASSES_ROOT counts as SOFTWARE\Classes, a hive of
// HKEY_USERS as its own root, WOW6432Node as not there, and any
// ControlSetNNN as CurrentControlSet. Names compare without regard to case.
//
// The rules are portable (table-tested, and used by lint); the machine's
// folders come from the system on Windows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"

struct ProtectedFolders {
  std::vector<std::u16string> folders;         // never deleted, nor a folder above one
  std::vector<std::u16string> profileParents;  // each folder right inside is a profile root
};

enum class DeletionRefusal {
  kNone,                // may be deleted
  kNotAPlainPath,       // relative, or a \\?\ or \\.\ path
  kRoot,                // a drive or share root
  kProtected,           // a protected folder or key itself
  kHoldsProtected,      // a folder or key that holds a protected one
  kProfileRoot,         // a user's profile folder
  kTopLevelKey,         // one of a hive's first two levels
};

// Why the full path `path` may not be deleted; kNone when it may.
DeletionRefusal CheckFolderDeletion(const std::u16string& path, const ProtectedFolders& folders);
// Why a whole-key delete of `subKey` under the root key `root` (registry.h's
// CX_HKEY_* values) may not be done; kNone when it may.
DeletionRefusal CheckKeyDeletion(uint32_t root, const std::u16string& subKey);
// A few words for the refusal ("a drive root").
const char* DeletionRefusalText(DeletionRefusal refusal);

// `path` made full against `workingFolder` the way Windows resolves it
// against the current folder: "\x" on its drive, "x" inside it.
std::u16string ResolveAgainst(const std::u16string& path, const std::u16string& workingFolder);
// The protected folders of a standard Windows in C:\Windows with the profile
// C:\Users\<userName>, 64-bit and 32-bit folders alike: for checks made
// away from the machine (lint).
ProtectedFolders StandardProtectedFolders(const std::u16string& userName);

// Windows only: 0 when DelDir may delete `path` on this machine (made full
// against the current folder, short names made long), else
// CX_E_DELETE_REFUSED.
CxResult CheckFolderMayGo(const char16_t* path);
