// Where a shortcut goes and what it points into, decided apart from the
// shell's COM objects: the link's folder, its file name and the working
// folder stored in the link.
#pragma once
#include <cstddef>
#include <string>

#include "common/result_codes.h"

// Longest link path in characters: the Windows path limit less the terminator.
constexpr size_t kMaxLinkPathChars = 259;

struct ShortcutPaths {
  std::u16string folder;    // ends with a backslash: every part is a folder, points or not
  std::u16string linkFile;  // folder + name (+ ".lnk")
};

// folder = rootPath + "\" + subDir (one separator between them; an empty
// subDir gives rootPath itself), always ending in a backslash. linkFile =
// folder + name, with ".lnk" appended unless the name's extension already is
// ".lnk" in any case. CX_E_INVALID_ARG for an empty rootPath or name;
// CX_WIN_ERROR_FILENAME_EXCED_RANGE when the link path would be longer than
// kMaxLinkPathChars (nothing is cut). `out` is untouched on failure.
CxResult BuildShortcutPaths(const std::u16string& rootPath, const std::u16string& subDir,
                            const std::u16string& name, ShortcutPaths* out);

// The target's folder: everything from its last backslash on removed, except
// that a target in a drive root keeps "C:\" (a bare "C:" would mean the
// drive's current folder). A target without a backslash is returned unchanged.
std::u16string ShortcutWorkingFolder(const std::u16string& target);
