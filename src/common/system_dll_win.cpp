// Loading a DLL from the system folder only.
#include "common/system_dll.h"

#include <string>

namespace {

// By its full path in the system folder: a module of the same name that
// something else brought in from elsewhere is never taken for it. Its own
// imports are searched in the system folder alone (LOAD_LIBRARY_SEARCH_
// SYSTEM32). Systems without the update that added the flag refuse it as an
// invalid parameter; the altered search path then starts their search in
// the DLL's own folder, the system folder.
HMODULE LoadFromSystemFolder(const wchar_t* dll) {
  wchar_t folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, n) + L"\\" + dll;
  HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

SystemDllStatus LoadSystemDll(const wchar_t* dll, const SystemDllEntry* entries, size_t count) {
  SystemDllStatus status;
  status.dll = dll;
  HMODULE module = LoadFromSystemFolder(dll);
  if (!module) {
    const DWORD error = ::GetLastError();
    status.result = error ? error : ERROR_MOD_NOT_FOUND;
    return status;
  }
  for (size_t i = 0; i < count; ++i) {
    if (::GetProcAddress(module, entries[i].name)) continue;
    status.result = ERROR_PROC_NOT_FOUND;
    status.entry = entries[i].name;
    return status;  // the module stays: another table may share it
  }
  for (size_t i = 0; i < count; ++i) *entries[i].address = ::GetProcAddress(module, entries[i].name);
  status.result = CX_OK;
  return status;
}
