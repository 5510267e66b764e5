// The process exit codes an unattended deployment (Intune, Configuration
// Manager, winget, scripts) judges a run by, and the one decision that maps
// a run's outcome to them. Windows Installer's codes are used wherever one
// has the same meaning, so deployment tools read them without a mapping.
// Portable.
#pragma once
#include <cstdint>

constexpr uint32_t kExitSuccess = 0;
constexpr uint32_t kExitRestartRequired = 3010;   // done; something waits for the next restart
constexpr uint32_t kExitUserCancelled = 1602;
constexpr uint32_t kExitActionFailed = 1603;      // also: the program could not start its work
constexpr uint32_t kExitAnotherInstance = 1618;
constexpr uint32_t kExitPackageDamaged = 1620;    // embedded package or its script unusable
constexpr uint32_t kExitAlreadyInstalled = 1638;  // this version or a newer one is installed
constexpr uint32_t kExitNeedsAdmin = 740;
// Our own: a browser must be closed before the install. Not an MSI code.
constexpr uint32_t kExitBrowserRunning = 4100;

// How a run ended, as the shell and the dialog see it.
enum class RunOutcome : int32_t {
  kSucceeded,
  kCancelled,         // welcome page closed, or the run cancelled
  kActionFailed,      // an action stopped the run, or the shell failed to start it
  kAnotherInstance,   // the single-instance lock is held elsewhere
  kAlreadyInstalled,  // same or newer version installed
  kPackageDamaged,    // extraction, script loading or expansion failed
  kNotAdmin,          // the run refused for missing administrator rights
  kBrowserRunning,    // Firefox or Chrome must be closed first
  kHelpShown,         // /? or /HELP: nothing else done
};

// The exit code of a run. `restartScheduled` turns a success into 3010 and
// changes nothing else.
uint32_t ExitCodeFor(RunOutcome outcome, bool restartScheduled);

// A short readable name of an outcome, for the log.
const char* OutcomeName(RunOutcome outcome);
