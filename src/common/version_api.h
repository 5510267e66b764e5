// The file-version functions of version.dll, loaded from the system folder
// at run time (system_dll.h): version.dll is not a known DLL, so it never
// appears in a program's import table.
// Windows only: included by _win.cpp files.
#pragma once
#include <windows.h>

#include "common/system_dll.h"

struct VersionApi {
  decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW;
  decltype(&::GetFileVersionInfoW) GetFileVersionInfoW;
  decltype(&::VerQueryValueW) VerQueryValueW;
};

// Loads version.dll on the first call (thread-safe) and tells how that went.
const SystemDllStatus& VersionStatus();
// The table, or null when version.dll or one of its entry points is missing.
const VersionApi* Version();
