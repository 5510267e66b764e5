// Starting the setup (or the product's uninstaller) by its full path and
// waiting for it, within a limit.
#pragma once
#include <windows.h>

#include <string>

#include "common/result_codes.h"

// An hour: a setup that runs longer hangs, and an install must end.
constexpr DWORD kSetupTimeLimitMs = 60 * 60 * 1000;

// Runs `program` with the full command line `commandLine` (which names the
// program first), in the folder `workingFolder`, inheriting no handles, and
// waits for it. 0 with `exitCode` set; WAIT_TIMEOUT when it ran past the
// limit (it is ended then); else the Windows error of the start.
CxResult RunAndWait(const std::wstring& program, const std::wstring& commandLine,
                    const std::wstring& workingFolder, DWORD limitMs, DWORD* exitCode);
