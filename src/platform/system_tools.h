// Where the programs that come with Windows are started from: always by
// their full path in the system folder or the Windows folder, never through
// the search path. The installer runs as administrator with the shared
// temporary folder as its current directory, so a tool looked up by bare name
// could be a planted program of the same name. A tool the installer waits
// for runs in a job that ends it, and whatever it started, at its time limit
// or when the installer itself ends.
#pragma once
#include <cstdint>

#include "common/result_codes.h"
#include "common/wstring.h"

// Joins `folder` and the relative `toolPath` ("taskkill.exe",
// "SysWOW64\regedit.exe") with one backslash. CX_E_INVALID_ARG for a null or
// empty argument, or a tool path that could leave the folder (absolute,
// drive-relative, starting with a separator, or with a ".." part); `out` is
// untouched on failure.
CxResult JoinToolPath(const char16_t* folder, const char16_t* toolPath, WString* out);

// The tool in the system folder (GetSystemDirectoryW), for example
// SystemToolPath(u"taskkill.exe", &p) gives "C:\windows\system32\taskkill.exe".
// For a 32-bit process on a 64-bit Windows that folder is redirected to the
// 32-bit tools unless redirection is off. 0, CX_E_INVALID_ARG, or the Windows
// error; `out` is untouched on failure.
CxResult SystemToolPath(const char16_t* toolName, WString* out);

// The Windows folder itself (GetSystemWindowsDirectoryW), as the system
// gives it. 0, CX_E_BUFFER_TOO_SMALL or the Windows error; `out` is
// untouched on failure.
CxResult WindowsFolderPath(WString* out);

// The tool under the Windows folder (GetSystemWindowsDirectoryW), for example
// WindowsToolPath(u"SysWOW64\\regedit.exe", &p). Results as SystemToolPath.
CxResult WindowsToolPath(const char16_t* toolPath, WString* out);

// Starts the system-folder tool through RunProgram (process_control.h):
// 0 when started, else CX_E_INVALID_ARG or the Windows error.
CxResult RunSystemTool(const char16_t* toolName, const char16_t* parameters, int hidden,
                       uint32_t waitMs);

// Starts `application` (a full path) hidden with `commandLine` in a job that
// ends it and everything it started when the job closes: at the time
// limit, and when this process ends first. 0 with `exitCode` set when it
// ended within `waitMs`; ERROR_TIMEOUT once it has been ended at the limit;
// else the Windows error of the start. `exitCode` is untouched on failure.
CxResult RunToolInJob(const char16_t* application, const char16_t* commandLine, uint32_t waitMs,
                      uint32_t* exitCode);
