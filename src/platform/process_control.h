// Starting programs and ending running ones. Starting goes through the shell
// with an optional wait. Ending is built for programs that resist: it takes
// the debug privilege (around the opening of processes only, so that no
// program started afterwards inherits it), matches processes by full image
// path or by file name (process_match.h), asks the program's window to
// close, terminates it with up to ten attempts and finally hands it to the
// system's taskkill tool.
#pragma once
#include <cstdint>

#include "common/result_codes.h"

constexpr uint32_t CX_WAIT_NONE = 0;
constexpr uint32_t CX_WAIT_FOREVER = 0xFFFFFFFF;

// Opens `file` with the shell's default action. `parameters` may be null.
// hidden nonzero: SW_HIDE, else SW_SHOWNORMAL. With a nonzero `waitMs` it
// waits that long (CX_WAIT_FOREVER: until the program ends); the exit code is
// not read and a time-out is not reported. 0 when started, else the Windows
// error (CX_E_INVALID_ARG for a null or empty file).
CxResult RunProgram(const char16_t* file, const char16_t* parameters, int hidden, uint32_t waitMs);

// Ends every process whose image matches `name`: a full path ends only
// processes started from that file, a bare file name every process with that
// file name (case-insensitive). The installer's own process is never ended.
// 0 also when nothing matched; CX_E_INVALID_ARG for a null or empty name,
// CX_E_OUT_OF_MEMORY, or the Windows error of the process enumeration.
// Processes that cannot be opened or ended are skipped.
CxResult KillProcessesByImage(const char16_t* name);

// Ends one process: WM_CLOSE and WM_QUIT to its window, up to ten
// TerminateProcess attempts, then "taskkill /F /PID id" from the system
// folder. CX_DONE when it ended (or taskkill was started), CX_NOT_DONE when it
// could not be opened, or when it is the installer's own process.
int KillProcessById(uint32_t processId);

// The first top-level window (in z-order) owned by the process, as an HWND;
// null when it has none.
void* FindProcessWindow(uint32_t processId);
