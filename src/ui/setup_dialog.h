// CSetupDlg: the setup program's one window. It loads the package, checks
// for another instance and for an installed version, shows the welcome page
// in the mode's texts, runs the mode's action list on a worker thread with a
// progress bar, and shows the result with a Finish button. A silent install
// runs in an invisible window, ends with a notification balloon and ends
// the program itself.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "app/exit_codes.h"
#include "common/wstring.h"
#include "platform/pending_renames.h"
#include "engine/progress.h"
#include "common/win_handles.h"
#include "ui/dialog_base.h"
#include "ui/tray_icon.h"

class InstallerEngine;

// Shared by the dialog, its worker and the progress callback without a lock.
extern std::atomic<int32_t> g_cancelRequested;  // 1 once the user asked to cancel
extern std::atomic<int32_t> g_runState;         // kRunIdle / kRunRunning / kRunFinished

class CSetupDlg : public DialogBase {
 public:
  explicit CSetupDlg(InstallerEngine* engine);
  ~CSetupDlg() override;

  // How the dialog (or the unattended run) ended; kCancelled until a run
  // or a check decides otherwise.
  RunOutcome Outcome() const { return outcome_.load(); }

  // "/QUIET": the whole run without any window, message box or balloon, on
  // the calling thread. Every outcome that would have shown something is
  // only recorded (Outcome) and logged.
  RunOutcome RunUnattended();

  // What was registered for the next restart since the run started, without
  // this program's own deletion and the files `ignore` accepts (the waiting
  // uninstall launcher's file, which its copy removes itself).
  std::vector<PendingRename> ScheduledForRestart(
      bool (*ignore)(const PendingRename& entry) = nullptr) const;
  HICON Icon() const { return icon_.Get(); }

  // Worker thread: runs the list, shows the finished page; exit code the
  // run's result, or 0xFFFFFFFF when it was cancelled.
  static unsigned __stdcall RunWorker(void* dialog);
  // Progress callback handed to the runner; userData is the PropertyStore
  // holding the dialog under kPropertyTagDialog. 0 go on, 1 stop.
  static uint32_t OnActionProgress(ProgressRecord* record, void* userData);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool PreTranslateMessage(MSG* msg) override;
  void OnClose() override;

 private:
  void OnBtnInstall();
  void OnBtnCancel();
  void OnBtnFinish();
  void OnPaint();
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);

  // Looks up an IDS_ text; `out` is emptied first, so a missing key leaves
  // an empty text. True when the key was found.
  bool Text(const char* key, WString* out) const;
  // Loads the package and makes the checks before a run; kSucceeded when
  // the run may start. Messages are shown only when `present`.
  RunOutcome PrepareRun(bool present);
  // The end of the initialisation checks: false when the dialog must end.
  bool PassesInstanceCheck(bool present);
  bool PassesInstalledVersionCheck(bool present);
  // The run's outcome from the main list's result.
  RunOutcome OutcomeOfRun(bool succeeded) const;
  void FillWelcomePage();
  void ShowFinishedPage(bool succeeded);
  unsigned Work();
  void AnnounceSilentInstall();

  InstallerEngine* engine_;
  ScopedIcon icon_;
  CTrayIcon tray_;
  std::atomic<RunOutcome> outcome_{RunOutcome::kCancelled};
  std::vector<PendingRename> pendingBefore_;
  bool havePendingBefore_ = false;
};
