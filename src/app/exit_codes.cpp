// Run outcome to exit code.
#include "app/exit_codes.h"

uint32_t ExitCodeFor(RunOutcome outcome, bool restartScheduled) {
  switch (outcome) {
    case RunOutcome::kSucceeded: return restartScheduled ? kExitRestartRequired : kExitSuccess;
    case RunOutcome::kHelpShown: return kExitSuccess;
    case RunOutcome::kCancelled: return kExitUserCancelled;
    case RunOutcome::kAnotherInstance: return kExitAnotherInstance;
    case RunOutcome::kAlreadyInstalled: return kExitAlreadyInstalled;
    case RunOutcome::kPackageDamaged: return kExitPackageDamaged;
    case RunOutcome::kNotAdmin: return kExitNeedsAdmin;
    case RunOutcome::kBrowserRunning: return kExitBrowserRunning;
    case RunOutcome::kActionFailed:
    default: return kExitActionFailed;
  }
}

const char* OutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kSucceeded: return "succeeded";
    case RunOutcome::kCancelled: return "cancelled";
    case RunOutcome::kActionFailed: return "an action failed";
    case RunOutcome::kAnotherInstance: return "another setup of this product is running";
    case RunOutcome::kAlreadyInstalled: return "this version or a newer one is installed";
    case RunOutcome::kPackageDamaged: return "the package or its script is damaged";
    case RunOutcome::kNotAdmin: return "administrator rights missing";
    case RunOutcome::kBrowserRunning: return "a browser must be closed first";
    case RunOutcome::kHelpShown: return "help shown";
    default: return "unknown";
  }
}
