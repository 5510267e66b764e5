// Loading a DLL from the system folder only.
#include "common/system_dll.h"

#include <string>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32 searches the system folder alone, for the
// DLL and for what it imports. Systems without the update that added the
// flag refuse it as an invalid parameter: the full path then names the
// file, and the altered search path starts its imports' search there too.
HMODULE LoadFromSystemFolder(const wchar_t* dll) {
  HMODULE module = ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  wchar_t folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, n) + L"\\" + dll;
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
