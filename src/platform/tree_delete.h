// Deleting a folder tree by handle. Every folder is opened inside the one
// above it (relative to that handle, never by a path that could be bent
// elsewhere), without following a link at its name, and held without
// delete sharing while its content goes; each entry is deleted through its
// own handle. A link (a reparse point) is removed itself, never followed;
// an entry that resolves anywhere but inside its folder (as a link the
// system follows without saying so) is left alone. So the deletion never
// leaves the folder it was asked to delete. Windows only; DeleteDirectoryTree
// of file_system.h goes through here.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "common/win_handles.h"

// Access a folder needs to be deleted by DeleteOpenTree.
constexpr DWORD kTreeDeleteFolderAccess = DELETE | FILE_LIST_DIRECTORY | FILE_TRAVERSE |
                                          FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
// Access a file needs to be deleted.
constexpr DWORD kTreeDeleteFileAccess =
    DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
// The result for an entry that a link took somewhere else.
constexpr CxResult kReachedThroughLink = ERROR_CANT_RESOLVE_FILENAME;

// One entry of a folder as listed by its handle.
struct FolderEntry {
  std::u16string name;
  DWORD attributes = 0;
};

// The entries of the folder open as `folder` (with FILE_LIST_DIRECTORY),
// without "." and "..". 0 or the Windows error; `entries` untouched then.
CxResult ListFolderEntries(HANDLE folder, std::vector<FolderEntry>* entries);

// Opens the entry `name` of the folder open as `parent` with `access` and
// `share`, without following a link at `name`. 0 or the system's error as a
// Windows error code; `out` untouched on failure.
CxResult OpenInFolder(HANDLE parent, const std::u16string& name, DWORD access, DWORD share,
                      ScopedFileHandle* out);

// What to do with entries that are in use.
enum class InUse {
  kSchedule,  // delete at the next restart (as everywhere in the installer)
  kKeep,      // leave them (a sweep must not touch what a run still uses)
};

// Deletes everything in the folder open as `folder` (kTreeDeleteFolderAccess,
// opened without delete sharing), then the folder itself. `path` names it,
// for the restart operations of what is in use. Goes on past entries that
// fail; the result reports the folder's own removal (0 also when it was
// handed to the restart). The restart flag, when given, is always written.
CxResult DeleteOpenTree(HANDLE folder, const std::u16string& path, InUse inUse,
                        uint32_t* restartFlag);
