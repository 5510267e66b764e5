// The system variables of a setup script (pf32, sys64, usercommon, srcroot,
// language, ...): the Windows folder lookups, and the portable rules that
// turn their raw answers into the variable values.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/result_codes.h"

// Raw folder paths as the system reports them to this 32-bit process.
struct RawSystemFolders {
  bool is64 = false;               // the operating system is 64-bit
  std::u16string programFiles;     // CSIDL_PROGRAM_FILES (38)
  std::u16string programFilesX86;  // CSIDL_PROGRAM_FILESX86 (42), 64-bit only
  std::u16string system;           // CSIDL_SYSTEM (37)
  std::u16string systemX86;        // CSIDL_SYSTEMX86 (41), 64-bit only
  std::u16string windows;          // CSIDL_WINDOWS (36)
  std::u16string appData;          // CSIDL_APPDATA (26)
  std::u16string commonAppData;    // CSIDL_COMMON_APPDATA (35)
  std::u16string commonDesktop;    // CSIDL_COMMON_DESKTOPDIRECTORY (25)
  std::u16string programs;         // CSIDL_PROGRAMS (2)
  std::u16string commonPrograms;   // CSIDL_COMMON_PROGRAMS (23)
  std::u16string desktop;          // CSIDL_DESKTOP (0)
  std::u16string exePath;          // the running executable
};

// (name, value) pairs in the order they are set.
using SystemVariableList = std::vector<std::pair<std::string, std::u16string>>;

// The folders of a standard Windows installation (Windows in C:\Windows, a
// user profile C:\Users\<userName>) as this 32-bit program is told them on
// a 64-bit or a 32-bit Windows, with the setup program at `exePath`. For
// dry runs and checks on another machine.
RawSystemFolders StandardWindowsFolders(bool is64, const std::u16string& userName,
                                        const std::u16string& exePath);

// Asks the system. On 64-bit Windows the four Program Files and system
// folder lookups run with WOW64 file-system redirection off. 0, or the
// first failing lookup's error with `out` untouched. The native build
// answers with fixed Windows-looking paths (SetHostSystemFoldersForTesting).
CxResult QueryRawSystemFolders(RawSystemFolders* out);

// Native build only: the folders QueryRawSystemFolders reports (is64 is
// ignored: it follows IsOs64Bit). Restore with ResetHostSystemFoldersForTesting.
void SetHostSystemFoldersForTesting(const RawSystemFolders& folders);
void ResetHostSystemFoldersForTesting();

// "usercommon" from the common desktop: a final backslash is dropped and the
// text cut at the last remaining one. CX_E_BAD_DATA for an empty path, one
// longer than 259 characters or one without a backslash.
CxResult ParentFolderOf(const std::u16string& path, std::u16string* out);

// The system variables from the raw folders, the package folder and the
// language code. CX_E_INVALID_ARG for an empty package folder; CX_E_BAD_DATA
// when "usercommon" cannot be derived. `out` is untouched on failure.
CxResult BuildSystemVariables(const RawSystemFolders& folders, const std::u16string& packageFolder,
                              uint32_t languageCode, SystemVariableList* out);
