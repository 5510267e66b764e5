// RunController: one setup run in every mode, from the package to the exit
// code. It loads the package, takes the single-instance lock, checks the
// installed version, runs the mode's list with its failure policy and the
// Firefox step, runs the finish list and the clean-up, finds what was left
// for the next restart, and turns the outcome into the exit code, logging
// each step. Whoever presents the run (the wizard dialog) passes a
// RunObserver, starts Execute on its worker thread and forwards the user's
// buttons; "/QUIET" calls RunUnattended and nothing is shown. Windows only.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "app/exit_codes.h"
#include "app/own_image.h"
#include "app/resource_ids.h"
#include "app/run_policy.h"
#include "common/result_codes.h"
#include "common/wstring.h"
#include "engine/progress.h"
#include "platform/pending_renames.h"

class InstallerEngine;
class RunObserver;

class RunController {
 public:
  // `packageId` is the embedded package's resource id.
  explicit RunController(InstallerEngine* engine, uint32_t packageId = IDR_SETUP_PACKAGE);
  RunController(const RunController&) = delete;
  RunController& operator=(const RunController&) = delete;

  // The steps before any page or run: load the package, take the instance
  // lock, check the installed version and, when a welcome page will show,
  // its texts. kSucceeded when the run may start; otherwise the outcome,
  // kept for Outcome. `observer` (null: quiet) sees the messages and every
  // later report.
  RunOutcome Prepare(RunObserver* observer);
  // "/QUIET": Prepare without an observer, then the whole run on this
  // thread.
  void RunUnattended();

  // A silent install: no page, the run starts at once.
  bool StartsAtOnce() const;
  // Claims the run for a worker: false unless the run is idle, so there is
  // one run per program.
  bool Claim();
  // The claimed run could not start: it counts as over.
  void RunNotStarted();
  // The worker's body: the main list; then the result page, or, when no one
  // will press Finish (silent, quiet), the finish list, the clean-up, the
  // balloon of a silent install and the end. The run's result (1 or 0), or
  // 0xFFFFFFFF when it was cancelled.
  uint32_t Execute();
  // Finish pressed: the finish list and the clean-up, once the run is over.
  // False (nothing done) before that.
  bool Finish();
  // Cancel pressed: the runner stops before its next action and the run
  // ends as cancelled.
  void Cancel();

  int32_t State() const { return state_.load(); }
  // How the run ended; kCancelled until a run or a check decides otherwise.
  RunOutcome Outcome() const { return outcome_.load(); }
  // The end: logs the restart operations and the outcome, reports to a
  // waiting uninstall launcher, and returns the exit code.
  uint32_t Conclude();

  // For the presentation: the mode, a text of the script (`out` emptied
  // first; true when found), the package folder, and one file of the
  // package extracted now (CX_E_MISSING when there is none).
  int32_t Mode() const;
  bool Text(const char* key, WString* out) const;
  WString PackageFolder() const;
  CxResult ExtractPackageFile(const char16_t* path);

 private:
  // Prepare's steps, in order; each kSucceeded to go on.
  RunOutcome LoadPackage();
  RunOutcome TakeInstanceLock();
  RunOutcome CheckInstalledVersion();
  RunOutcome CheckPageTexts();
  // Execute's steps.
  bool RunMainList();
  void RunFinishListAndCleanUp();
  void AnnounceSilentInstall();
  RunOutcome OutcomeOfRun(bool succeeded) const;
  // What was registered for the next restart since the run started,
  // without this program's own file (deleted, or moved aside and deleted).
  std::vector<PendingRename> ScheduledForRestart() const;
  void ShowMessage(const char* textKey, uint32_t style) const;

  // The runner's progress callback; userData is the PropertyStore holding
  // the controller. 0 go on, 1 stop.
  static uint32_t OnActionProgress(ProgressRecord* record, void* userData);

  InstallerEngine* engine_;
  uint32_t packageId_;
  RunObserver* observer_ = nullptr;
  std::atomic<int32_t> state_{kRunIdle};
  // Written by the presenting thread while the worker reads it.
  std::atomic<bool> cancelRequested_{false};
  std::atomic<RunOutcome> outcome_{RunOutcome::kCancelled};
  std::vector<PendingRename> pendingBefore_;
  bool havePendingBefore_ = false;
  OwnImage ownImage_;  // noted before the main list, which may move it aside
};
