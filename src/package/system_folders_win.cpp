// Folder lookups through the shell, and the executable's own path.
#include <windows.h>
#include <shlobj.h>

#include "common/sysinfo.h"
#include "package/system_folders.h"

namespace {

CxResult ShellFolderPath(int csidl, std::u16string* out) {
  wchar_t buffer[MAX_PATH] = {};
  HRESULT hr = SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE | CSIDL_FLAG_DONT_UNEXPAND,
                                nullptr, SHGFP_TYPE_DEFAULT, buffer);
  if (FAILED(hr)) return static_cast<CxResult>(hr);
  buffer[MAX_PATH - 1] = L'\0';
  out->assign(reinterpret_cast<const char16_t*>(buffer));
  return CX_OK;
}

}  // namespace

CxResult QueryRawSystemFolders(RawSystemFolders* out) {
  if (!out) return CX_E_INVALID_ARG;
  RawSystemFolders f;
  f.is64 = IsOs64Bit() == 1;
  CxResult r = CX_OK;
  if (f.is64) {
    ScopedFsRedirectionOff redirectionOff;
    if (r == CX_OK) r = ShellFolderPath(CSIDL_PROGRAM_FILESX86, &f.programFilesX86);
    if (r == CX_OK) r = ShellFolderPath(CSIDL_PROGRAM_FILES, &f.programFiles);
    if (r == CX_OK) r = ShellFolderPath(CSIDL_SYSTEMX86, &f.systemX86);
    if (r == CX_OK) r = ShellFolderPath(CSIDL_SYSTEM, &f.system);
  } else {
    if (r == CX_OK) r = ShellFolderPath(CSIDL_PROGRAM_FILES, &f.programFiles);
    if (r == CX_OK) r = ShellFolderPath(CSIDL_SYSTEM, &f.system);
  }
  if (r == CX_OK) r = ShellFolderPath(CSIDL_WINDOWS, &f.windows);
  if (r == CX_OK) r = ShellFolderPath(CSIDL_APPDATA, &f.appData);
  if (r == CX_OK) r = ShellFolderPath(CSIDL_COMMON_APPDATA, &f.commonAppData);
  if (r == CX_OK) r = ShellFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY, &f.commonDesktop);
  if (r == CX_OK) r = ShellFolderPath(CSIDL_PROGRAMS, &f.programs);
  if (r == CX_OK) r = ShellFolderPath(CSIDL_COMMON_PROGRAMS, &f.commonPrograms);
  if (r == CX_OK) r = ShellFolderPath(CSIDL_DESKTOP, &f.desktop);
  if (r != CX_OK) return r;

  wchar_t exe[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  if (n == 0) return GetLastError();
  exe[MAX_PATH - 1] = L'\0';
  f.exePath.assign(reinterpret_cast<const char16_t*>(exe));
  *out = std::move(f);
  return CX_OK;
}
