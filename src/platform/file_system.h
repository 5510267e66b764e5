// File-system services for the installer: copy a file over one that may be
// in use, delete files and folder trees that may be locked, copy folder
// trees, create folders, read file versions. What cannot be replaced or
// deleted now is moved aside and handed to Windows for removal (or
// replacement) at the next restart; such a file never stops the run.
//
// Paths are UTF-16. Results: 0, CX_E_INVALID_ARG, CX_E_BAD_DATA,
// CX_E_OUT_OF_MEMORY, or a Windows error code. Out-parameters are left
// untouched on failure, except the restart flag, which (when given) is always
// written: 1 when something was scheduled for the next restart, else 0.
// Implemented for Windows only (file_system_win.cpp).
#pragma once
#include <cstdint>
#include <functional>

#include "common/byte_sink.h"
#include "common/result_codes.h"
#include "common/wstring.h"

// Win32 defines ReplaceFile as a macro for ReplaceFileW; this module's
// operation has the same name. Include this header after <windows.h>.
#ifdef ReplaceFile
#undef ReplaceFile
#endif

// Highest n tried for the side name "<destination>_Discard_<n>". When all
// of 1..kMaxDiscardIndex exist, ReplaceFile fails with
// CX_WIN_ERROR_ALREADY_EXISTS and leaves the destination as it was.
constexpr int kMaxDiscardIndex = 999;

// Copies `source` over `destination`, creating or overwriting it, so that
// the destination holds at every moment either its old content or the new
// one, whole: the new content is written to a fresh name beside it and
// flushed, and only then renamed over it. A run that ends half way leaves
// no fresh file (a killed run's goes with its handle; one left by a power
// cut goes at the next replacement of the same destination).
// With compareVersion 1 an existing destination whose FileVersion is higher
// than the source's is kept (result 0). A running ".exe" destination has its
// processes ended first. A destination in use is moved to its side name
// (deleted at once, or at restart when it cannot be) and the new file put in
// place at once; if it cannot even be moved, the new file goes to the side
// name and two restart operations are registered: delete the destination,
// then move the side name onto it. A failure leaves the destination as it
// was. Too little room on the disk gives ERROR_DISK_FULL before anything is
// written, with a service note naming the file and the bytes it needs.
// CX_E_INVALID_ARG for empty paths or folders, 2 for a missing source.
CxResult ReplaceFile(const char16_t* source, const char16_t* destination, int compareVersion,
                     uint32_t* restartFlag);

// ReplaceFile with the new content given as `size` bytes (the package's
// files are written straight from the archive) and no version check. The
// new file gets the security its folder hands down, as a copy does.
// CX_E_INVALID_ARG for an empty destination or a folder.
CxResult ReplaceFileWithBytes(const void* bytes, uint32_t size, const char16_t* destination,
                              uint32_t* restartFlag);

// New content for a file: `size` bytes, which `write` hands to the sink it
// is given, in order (a package file decoded on its way, say). A `write`
// that fails, or gives more or fewer bytes, fails the writing.
struct FileContent {
  uint32_t size = 0;
  std::function<CxResult(const ByteSink& sink)> write;
};

// ReplaceFile with the new content given (the package's files are written
// straight from the package) and no version check: the same in-use
// handling, side names, restart operations and running-".exe" check. The
// new file gets the security its folder hands down, as a copy does.
// Several threads may write files at once.
// CX_E_INVALID_ARG for an empty destination, a folder or no content.
CxResult ReplaceFileWithContent(const FileContent& content, const char16_t* destination,
                                uint32_t* restartFlag);

// Deletes a file; a locked one is moved to a "_@" temporary name on its drive
// and scheduled for deletion at restart (restart flag 1). A missing file is
// success. CX_E_INVALID_ARG for a path under 4 characters or a folder.
CxResult DeleteFileOrSchedule(const char16_t* path, uint32_t* restartFlag);

// Deletes a folder with everything in it, going on past items that fail;
// what cannot go now is scheduled for restart. Done by handle from the
// folder down (platform/tree_delete.h): links are removed, never followed,
// and nothing outside the folder is touched. A missing path is success; a
// path that is a file, or a drive or share root, is CX_E_INVALID_ARG; a
// folder reached through a link that the system followed is left alone
// (kReachedThroughLink). The result reports the folder's own removal.
CxResult DeleteDirectoryTree(const char16_t* path, uint32_t* restartFlag);

// Copies the content of `source` into `destination` (created when missing),
// every file with ReplaceFile (no version check); subfolders are created as
// folders whatever their names. Stops at the first failing item and returns
// its code. CX_E_INVALID_ARG for empty paths or a source that is no folder,
// 2 for a missing source.
CxResult CopyDirectoryTree(const char16_t* source, const char16_t* destination);

// Creates the missing folders of a path. If the path contains a '.'
// anywhere, its part after the last backslash counts as a file name and is
// not created (so "C:\Data\v1.2" creates only C:\Data). CX_E_INVALID_ARG
// for a path under 4 characters.
CxResult CreateDirectoryPath(const char16_t* path);

// Creates every missing folder of `path`, its last part included, whatever
// the names hold. CX_E_INVALID_ARG for a path under 4 characters; the
// Windows error when a part cannot be created or is a file.
CxResult CreateFolderPath(const char16_t* path);

// path + "\", then "\\" -> "\" (non-overlapping, left to right) and "/" -> "\".
WString NormalizeFolderPath(const char16_t* path);

// 1 when the path exists and is a folder, else 0.
int IsDirectoryPath(const char16_t* path);

// The four numbers of the version resource's FileVersion text (not of the
// fixed numeric block), in the order major, minor, build, revision.
// CX_E_BAD_DATA when the text is empty or does not read as a version.
CxResult GetFileVersionNumbers(const char16_t* path, uint32_t parts[4]);
