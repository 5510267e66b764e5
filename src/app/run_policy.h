// Decisions of one setup run, kept apart from Windows so they can be checked
// without it: the run's states, which side of the product a mode runs, when
// a run starts at once, where the progress goes after each report (and when
// the Firefox step runs), and what an installed version means for an
// install. Portable.
#pragma once
#include <cstdint>

// Run states, written by the run and read by whoever presents it.
constexpr int32_t kRunIdle = 0;      // welcome page
constexpr int32_t kRunRunning = 1;   // a list (main or finish) is running
constexpr int32_t kRunFinished = 2;  // main list done, Finish waits

// Install mode has the install side; every other mode is treated as
// uninstall.
bool IsInstallSide(int32_t mode);
// A silent install starts the run at once in an invisible window; in every
// other mode the silent flag only shortens the end of the run.
bool StartsAtOnce(int32_t mode, uint32_t silent);
// A run starts only from the welcome page, Finish only after the run, so a
// repeated or forged button command cannot start a second run.
bool CanStartRun(int32_t runState);
bool CanFinish(int32_t runState);

// What one progress report does to the bar.
struct ProgressStep {
  bool setPosition;
  uint32_t position;    // 0..100, when setPosition
  bool runFirefoxStep;  // before setting the position
};
// After the next-to-last action has run (completed + 1 == total, phase 1)
// the Firefox step runs and the bar goes to 100; the report before the last
// action leaves the bar alone. Otherwise completed * 100 / total.
ProgressStep ProgressStepFor(uint32_t total, uint32_t completed, uint32_t phase);

// What the version already on the machine means for an install.
enum InstalledState : int32_t {
  kInstalledUnknown = -1,  // read error or unusable package version: go on
  kNotInstalled = 0,
  kInstalledSame = 1,
  kInstalledLower = 2,
  kInstalledHigher = 3,
  kInstallUnfinished = 4,  // an install began and never finished: go on, as not installed
};
// `readResult` is the installed-version read's code (0 with `installed`
// set, 2 when the product is not installed); `packageVersion` is the
// script's "Version" text, or null when the script has none.
InstalledState InstalledVersionState(uint32_t readResult, const uint32_t installed[4],
                                     const char16_t* packageVersion);
// A readable name of the state, for the log.
const char* InstalledStateName(InstalledState state);
// The warning shown before the run ends, or null when the install goes on.
const char* InstalledStateMessageKey(InstalledState state);
// Reads the uninstall entry named by `productKey` (the script's product
// code) and judges it against `packageVersion` as InstalledVersionState
// does. Windows build only.
InstalledState ProductInstalledState(const char16_t* productKey, const char16_t* packageVersion);
