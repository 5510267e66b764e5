// The uninstaller's start for the relaunch tests: parses its command line as
// the setup does (relaunching a copy when named like an uninstaller) and
// appends what it decided to the file named by CX_RELAUNCH_PROBE_LOG. A copy
// also reports whether its own file can be renamed while it runs, and the
// file's access list. The engine's clean-up at exit arranges a copy's
// self-deletion, as in a run.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <string>

#include "app/installer_engine.h"

namespace {
// The error of renaming `path` (0 when it could be, and was put back).
DWORD RenameError(const std::wstring& path) {
  const std::wstring moved = path + L".moved";
  if (!MoveFileW(path.c_str(), moved.c_str())) return GetLastError();
  MoveFileW(moved.c_str(), path.c_str());
  return 0;
}

std::wstring DaclText(const std::wstring& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
    return L"-";
  wchar_t* text = nullptr;
  std::wstring out = L"-";
  if (ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, &text, nullptr))
    out = text;
  LocalFree(text);
  LocalFree(sd);
  return out;
}
}  // namespace

int wmain() {
  InstallerEngine* engine = GetEngine();
  int exitNow = 0;
  int result = HandleCmdLine(engine, &exitNow);
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  const wchar_t* log = _wgetenv(L"CX_RELAUNCH_PROBE_LOG");
  if (FILE* f = log ? _wfopen(log, L"a") : nullptr) {
    std::fprintf(f, "mode=%d copy=%u silent=%u exitNow=%d result=%d module=%ls cmdline=%ls\n",
                 engine->Mode(), engine->IsUninstallCopy(), engine->IsSilent(), exitNow, result,
                 module, GetCommandLineW());
    if (engine->IsUninstallCopy())
      std::fprintf(f, "rename=%lu dacl=%ls\n", RenameError(module), DaclText(module).c_str());
    fclose(f);
  }
  return result == 1 ? 0 : 1;
}
