// Process entry of cxsetup.exe: hardens DLL loading, starts the base
// library, parses the command line into a run mode, refuses to install
// while a browser runs, and runs the wizard dialog. The engine's own
// destructor does the final clean-up when the process ends.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "app/installer_engine.h"
#include "browser/browser_check.h"
#include "common/common_lib.h"
#include "common/win_handles.h"
#include "engine/install_context.h"
#include "ui/dialog_logic.h"
#include "ui/setup_dialog.h"

namespace {

// Only System32 for DLLs loaded from here on, so that a DLL planted beside
// the setup (a download folder) is never picked up. The call is missing on
// systems without the update that added it; there is nothing to do then.
void RestrictDllSearchToSystem32() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  auto setDirs = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      ::GetProcAddress(kernel, "SetDefaultDllDirectories"));
  if (setDirs) setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystem32();

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  const bool libStarted = CommonLibInit() == CX_OK;

  int exitCode = 1;
  InstallerEngine* engine = GetEngine();
  int exitNow = 0;
  if (!engine || HandleCmdLine(engine, &exitNow) != 1) {
    ::MessageBoxW(nullptr, L"HandleCmdLine Fail", L"", MB_ICONERROR | MB_TOPMOST);
  } else if (exitNow) {
    exitCode = 0;  // the relaunched uninstaller copy has taken over
  } else if (const BrowserRefusal refusal = CheckBrowserBeforeRun(engine->Mode());
             refusal.refuse) {
    if (refusal.text) {
      ::MessageBoxW(nullptr, AsWide(refusal.text), AsWide(refusal.caption),
                    MB_ICONERROR | MB_TOPMOST);
    }
  } else {
    CSetupDlg dialog(engine);
    dialog.DoModal();
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    exitCode = ProcessExitCode(dialog.RunSucceeded());
  }

  if (libStarted) CommonLibUninit();
  return exitCode;
}
