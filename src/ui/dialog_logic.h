// Decisions of the setup dialog, kept apart from the window so they can be
// checked without one: which texts and buttons a run mode shows, where the
// progress bar goes after each report, what an installed version means for
// the install, how keys and the close box are treated, and the process's
// exit code. Portable.
#pragma once
#include <cstdint>

#include "common/wstring.h"

// Run states shared by the dialog, its worker and the progress callback.
constexpr int32_t kRunIdle = 0;      // welcome page
constexpr int32_t kRunRunning = 1;   // a list (main or finish) is running
constexpr int32_t kRunFinished = 2;  // worker done, Finish waits

// Texts and buttons of one side of the dialog. Install mode has the install
// side; every other mode is treated as uninstall.
struct ModePage {
  const char* titleKey;
  const char* welcomeKey;
  const char* tipKey;     // shown while the run goes on
  const char* okKey;      // run succeeded
  const char* failedKey;  // run failed
  int runButtonId;        // shown: Install (1002) or Uninstall (1004)
  int otherButtonId;      // hidden
};
ModePage PageForMode(int32_t mode);
bool IsInstallSide(int32_t mode);
// A silent install starts the run at once in an invisible window; in every
// other mode the silent flag only shortens the end of the run.
bool StartsAtOnce(int32_t mode, uint32_t silent);

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
// The warning shown before the dialog ends, or null when the install goes on.
const char* InstalledStateMessageKey(InstalledState state);
// Reads the uninstall entry named by `productKey` (the script's product
// code) and judges it against `packageVersion` as InstalledVersionState
// does; an entry marked as unfinished is kInstallUnfinished whatever its
// version. No window: unattended runs use it too. Windows build only.
InstalledState ProductInstalledState(const char16_t* productKey, const char16_t* packageVersion);

// How the modal loop treats a message before the dialog manager sees it.
enum class KeyAnswer { kPass, kPressFocused, kSwallow };
// Enter presses the focused control when there is one that can be used;
// Escape never closes the dialog.
KeyAnswer KeyAnswerFor(uint32_t message, uint32_t key, bool usableFocusedControl);

// The close box does nothing while a list runs.
bool CloseIgnored(int32_t runState);
// A run starts only from the welcome page, Finish only after the run, so a
// repeated or forged button command cannot start a second run.
bool CanStartRun(int32_t runState);
bool CanFinish(int32_t runState);

// The logo drawn into the dialog's top area, inside the package folder;
// empty while there is no package folder.
WString LogoPath(const WString& packageFolder);
