// The uninstaller's start for the relaunch tests: parses its command line as
// the setup does (relaunching a copy when named like an uninstaller) and
// appends what it decided to the file named by CX_RELAUNCH_PROBE_LOG. The
// engine's clean-up at exit arranges a copy's self-deletion, as in a run.
#include <windows.h>

#include <cstdio>

#include "app/installer_engine.h"

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
    fclose(f);
  }
  return result == 1 ? 0 : 1;
}
