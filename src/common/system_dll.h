// DLLs that are not among the system's known DLLs are never in a program's
// import table: Windows would look for them in the program's own folder
// (a download folder, the temporary folder) before the system folder, and
// run whatever it found there elevated, before the program's first line.
// They are loaded here at run time from the system folder only, and their
// entry points looked up into a typed table (crypt32_api.h, version_api.h).
// Windows only: included by _win.cpp files.
#pragma once
#include <windows.h>

#include <cstddef>

#include "common/result_codes.h"

// One entry point wanted from a DLL: its exported name and where its
// address goes.
struct SystemDllEntry {
  const char* name;
  FARPROC* address;
};

// What loading one DLL came to: result 0, or the Windows error, with the
// DLL's name and, when an entry point was missing, that entry's name.
struct SystemDllStatus {
  CxResult result = CX_E_FAIL;
  const wchar_t* dll = nullptr;
  const char* entry = nullptr;  // null when the DLL itself did not load
};

// Loads `dll` (a bare file name) from the system folder and fills every
// entry. The module stays loaded for the life of the process. On failure
// every entry is left null.
SystemDllStatus LoadSystemDll(const wchar_t* dll, const SystemDllEntry* entries, size_t count);
