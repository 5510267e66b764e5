// Process entry of cxsetup.exe: hardens DLL loading, starts the base
// library, parses the command line into a run mode, refuses to install
// while a browser runs, and hands the run to its controller, presented by
// the wizard dialog or, under "/QUIET", with no window at all. The exit
// code tells a deployment tool how the run ended (exit_codes.h); "/LOG"
// records it. The engine's own destructor does the final clean-up when the
// process ends. Stands above both the dialog and the run.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/installer_engine.h"
#include "app/leftovers.h"
#include "app/run_controller.h"
#include "browser/browser_check.h"
#include "app/setup_log.h"
#include "app/startup_report.h"
#include "app/system_libraries.h"
#include "app/uninstall_handoff.h"
#include "common/common_lib.h"
#include "common/win_handles.h"
#include "engine/install_context.h"
#include "platform/service_notes.h"
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

void LogServiceNote(const std::string& text) { ProcessLog().Write(text); }

// The run, presented by the dialog or, under /QUIET, by nothing; the exit code.
uint32_t RunSetup(InstallerEngine* engine) {
  RunController run(engine);
  if (engine->IsQuiet()) {
    run.RunUnattended();
  } else {
    CSetupDlg dialog(&run);
    dialog.DoModal();
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
  }
  return run.Conclude();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystem32();
  const ULONGLONG started = ::GetTickCount64();

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  const bool libStarted = CommonLibInit() == CX_OK;

  const CommandLineFlags flags = ParseProcessCommandLine();
  StartLog(flags);
  if (!flags.help) RemoveLeftoversAtStart();
  SetServiceNoteSink(&LogServiceNote);
  // A copy started by a waiting launcher takes its link before anything
  // else can hand the standard handles on.
  if (flags.isUninstallCopy && flags.quiet) TheLauncherLink().Take();

  uint32_t exitCode = kExitActionFailed;
  InstallerEngine* engine = GetEngine();
  int exitNow = 0;
  if (!SystemLibrariesReady(flags.quiet)) {
    // named in the log, and in a message unless quiet: 1603
  } else if (flags.help) {
    if (!flags.quiet) ShowHelp();
    exitCode = ExitCodeFor(RunOutcome::kHelpShown, false);
  } else if (!engine || HandleCmdLine(engine, &exitNow) != 1) {
    ProcessLog().Write("the command line could not be carried out");
    if (!flags.quiet)
      ::MessageBoxW(nullptr, L"HandleCmdLine Fail", L"", MB_ICONERROR | MB_TOPMOST);
  } else if (exitNow) {
    // The relaunched uninstaller copy has taken over; a quiet launcher
    // waited for it and passes its code on.
    exitCode = engine->IsQuiet() ? engine->RelaunchExitCode() : kExitSuccess;
  } else if (const BrowserRefusal refusal = CheckBrowserBeforeRun(engine->Mode());
             refusal.refuse) {
    ProcessLog().Write("a browser that must be closed first is running");
    if (refusal.text && !engine->IsQuiet()) {
      ::MessageBoxW(nullptr, AsWide(refusal.text), AsWide(refusal.caption),
                    MB_ICONERROR | MB_TOPMOST);
    }
    exitCode = ExitCodeFor(RunOutcome::kBrowserRunning, false);
  } else {
    exitCode = RunSetup(engine);
  }

  ProcessLog().Writef("exit code %u after %llu ms", exitCode,
                      static_cast<unsigned long long>(::GetTickCount64() - started));
  EndLog();
  if (libStarted) CommonLibUninit();
  return static_cast<int>(exitCode);
}
