// One setup run: its steps, its progress callback and its exit code.
#include "app/run_controller.h"

#include <windows.h>

#include "app/installer_engine.h"
#include "app/run_observer.h"
#include "app/run_policy.h"
#include "app/setup_log.h"
#include "app/startup_report.h"
#include "app/uninstall_handoff.h"
#include "common/strings.h"
#include "engine/admin_check.h"
#include "engine/failure_policy.h"
#include "engine/property_store.h"
#include "package/script_vocabulary.h"
#include "package/temp_folder.h"
#include "platform/tool_exit.h"

namespace {

constexpr uint32_t kWorkerCancelled = 0xFFFFFFFF;
constexpr char16_t kTooLargeText[] =
    u"This setup package is too large to be opened on this computer. Nothing was installed.";

// The waiting uninstall launcher's file is removed by its copy after the
// report, so it is no work left for a restart.
bool IsLauncherFileEntry(const PendingRename& entry) {
  return entry.IsDelete() && TheLauncherLink().IsLauncherFile(FromNtPath(entry.source));
}

}  // namespace

RunController::RunController(InstallerEngine* engine, uint32_t packageId)
    : engine_(engine), packageId_(packageId) {}

RunOutcome RunController::Prepare(RunObserver* observer) {
  observer_ = observer;
  // In this order: the lock is named by the package's product code.
  using Step = RunOutcome (RunController::*)();
  static constexpr Step kSteps[] = {&RunController::LoadPackage, &RunController::TakeInstanceLock,
                                    &RunController::CheckInstalledVersion,
                                    &RunController::CheckPageTexts};
  for (Step step : kSteps) {
    const RunOutcome outcome = (this->*step)();
    if (outcome != RunOutcome::kSucceeded) {
      outcome_ = outcome;
      return outcome;
    }
  }
  return RunOutcome::kSucceeded;
}

RunOutcome RunController::LoadPackage() {
  SetupLog& log = ProcessLog();
  if (!engine_ || engine_->LoadPackage(packageId_, kScriptPackagePath, 0) != 1) {
    if (engine_ && engine_->PackageTooLarge()) {
      log.Write("the embedded package is too large to be opened on this computer");
      // The script's texts are not there to say it in the user's language.
      if (observer_ && !engine_->IsSilent())
        observer_->ShowMessage(kTooLargeText, u"Setup", MB_ICONERROR | MB_TOPMOST);
    } else {
      log.Write("the embedded package could not be extracted or its script loaded");
    }
    return RunOutcome::kPackageDamaged;
  }
  const InstallContext& c = engine_->Context();
  std::u16string temp;
  if (GetTempFolder(&temp) == 1) log.UseDefaultFile(temp, c.productName.Str());
  log.Writef("package folder: %s", c.packageFolder.Narrow());
  log.Writef("product: %s (%s), %s, version %u.%u.%u.%u, install folder %s", c.productName.Narrow(),
             c.productCode.Narrow(), c.publisher.Narrow(), c.version[0], c.version[1], c.version[2],
             c.version[3], c.installDir.Narrow());
  return RunOutcome::kSucceeded;
}

void RunController::ShowMessage(const char* textKey, uint32_t style) const {
  WString title, text;
  if (observer_ && Text("IDS_MAIN_UI_INSTALL_TITLE", &title) && Text(textKey, &text))
    observer_->ShowMessage(text, title, style);
}

RunOutcome RunController::TakeInstanceLock() {
  if (CheckSingleInstance(engine_, nullptr) == 1) return RunOutcome::kSucceeded;
  ProcessLog().Write("another setup of this product holds the instance lock");
  ShowMessage("IDS_INSTANCE_EXISTED", MB_ICONERROR | MB_TOPMOST);
  return RunOutcome::kAnotherInstance;
}

RunOutcome RunController::CheckInstalledVersion() {
  if (!IsInstallSide(engine_->Mode())) return RunOutcome::kSucceeded;
  WString packageVersion;
  const bool haveVersion = Text("Version", &packageVersion);
  const InstalledState state = ProductInstalledState(
      engine_->Context().productCode.Wide(), haveVersion ? packageVersion.Wide() : nullptr);
  ProcessLog().Writef("installed-version state: %s", InstalledStateName(state));
  const char* warningKey = InstalledStateMessageKey(state);
  if (!warningKey) return RunOutcome::kSucceeded;
  ShowMessage(warningKey, MB_ICONINFORMATION | MB_TOPMOST);
  return RunOutcome::kAlreadyInstalled;
}

RunOutcome RunController::CheckPageTexts() {
  // Without a Finish text the script is not one a welcome page can present.
  WString finish;
  if (!observer_ || StartsAtOnce() || Text(kFinishButtonText, &finish))
    return RunOutcome::kSucceeded;
  ProcessLog().Write("the script has no IDS_BTN_FININSH text");
  return RunOutcome::kPackageDamaged;
}

void RunController::RunUnattended() {
  if (Prepare(nullptr) != RunOutcome::kSucceeded || !Claim()) return;
  Execute();
}

bool RunController::StartsAtOnce() const {
  return engine_ && ::StartsAtOnce(engine_->Mode(), engine_->IsSilent());
}

bool RunController::Claim() {
  int32_t idle = kRunIdle;
  return state_.compare_exchange_strong(idle, kRunRunning);
}

void RunController::RunNotStarted() { state_ = kRunFinished; }

bool RunController::RunMainList() {
  havePendingBefore_ = ReadPendingRenames(&pendingBefore_) == CX_OK;
  ownImage_.Remember();
  PropertyStore store;
  store.AddPointer(kPropertyTagDialog, this);
  const bool succeeded = engine_->RunActions(&RunController::OnActionProgress, &store) == 1;
  ProcessLog().WriteResult(succeeded ? "main list done" : "main list ended early",
                           engine_->LastRunCode());
  outcome_ = OutcomeOfRun(succeeded);
  return succeeded;
}

RunOutcome RunController::OutcomeOfRun(bool succeeded) const {
  if (cancelRequested_) return RunOutcome::kCancelled;
  if (succeeded) return RunOutcome::kSucceeded;
  // The runner refuses the whole run without administrator rights.
  if (engine_->LastRunCode() == CX_E_FAIL && IsUserAdmin() != 1) return RunOutcome::kNotAdmin;
  return RunOutcome::kActionFailed;
}

uint32_t RunController::Execute() {
  const bool succeeded = RunMainList();
  if (cancelRequested_) {
    if (observer_) observer_->EndPresentation();
    state_ = kRunFinished;
    return kWorkerCancelled;
  }
  // Without anyone to press Finish the run finishes itself.
  const bool endsAtOnce = !observer_ || engine_->IsSilent() != 0;
  // Finish must not be usable before the state says the run is over, or a
  // quick click on it is ignored; a run that finishes itself changes the
  // state at its end.
  if (!endsAtOnce) state_ = kRunFinished;
  if (observer_) observer_->ShowResult(succeeded);
  if (endsAtOnce) {
    RunFinishListAndCleanUp();
    if (observer_ && IsInstallSide(engine_->Mode())) AnnounceSilentInstall();
    if (observer_) observer_->EndPresentation();
  }
  state_ = kRunFinished;
  return succeeded ? 1u : 0u;
}

bool RunController::Finish() {
  if (!CanFinish(state_)) return false;
  state_ = kRunRunning;
  RunFinishListAndCleanUp();
  state_ = kRunFinished;
  return true;
}

void RunController::Cancel() {
  engine_->Stop();
  cancelRequested_ = true;
}

void RunController::RunFinishListAndCleanUp() {
  CxResult code = CX_OK;
  // A script need not have a finish list: that is no failure.
  if (engine_->RunFinishActions(&code) == 1) ProcessLog().WriteResult("finish list", CX_OK);
  else if (code == CX_E_MISSING) ProcessLog().Write("no finish list");
  else ProcessLog().WriteResult("finish list", code);
  Cleanup(engine_);
}

void RunController::AnnounceSilentInstall() {
  // The same two texts whether the run succeeded or failed.
  WString body, title;
  Text("IDS_SILENT_INSTALL_SUCCESSFULLY", &body);
  Text("IDS_SILENT_INSTALL_FINISHED", &title);
  observer_->Announce(body, title);
}

uint32_t RunController::OnActionProgress(ProgressRecord* record, void* userData) {
  if (!record) return kProgressStop;
  void* pointer = nullptr;
  auto* store = static_cast<PropertyStore*>(userData);
  if (!store || store->GetPointer(kPropertyTagDialog, &pointer) != CX_OK || !pointer) {
    ::MessageBoxW(nullptr, L"Ptr is NULL", record->name.W(), MB_ICONERROR);
    // Without the run there is no bar to move, but a failed action must
    // still end the run.
    return DialogProgressAnswer(*record, false);
  }
  auto* run = static_cast<RunController*>(pointer);
  if (run->cancelRequested_) return kProgressStop;
  if (record->phase == kPhaseBeforeExecute) ForgetToolExit();
  if (record->phase == kPhaseAfterExecute) {
    // A system tool's exit code handed on as the result is the tool's, not
    // a Windows error code.
    const std::string what = record->name.Narrow() + std::string(": ") + record->description.Narrow();
    ToolExit tool;
    if (TakeToolExit(&tool) && tool.code != 0 && tool.code == record->result)
      ProcessLog().WriteToolResult(what, Utf16ToUtf8(tool.program), tool.code);
    else
      ProcessLog().WriteResult(what, record->result);
  }
  if (run->observer_) run->observer_->ShowProgressBar();
  const ProgressStep step = ProgressStepFor(record->total, record->completed, record->phase);
  if (step.runFirefoxStep) run->engine_->RunFirefoxStep();  // silent: result unused
  if (step.setPosition && run->observer_) run->observer_->SetProgress(step.position);
  const uint32_t answer = DialogProgressAnswer(*record, run->cancelRequested_);
  if (answer == kProgressStop && record->phase == kPhaseAfterExecute)
    ProcessLog().Writef("the failure of %s stops the run", record->name.Narrow());
  return answer;
}

std::vector<PendingRename> RunController::ScheduledForRestart() const {
  std::vector<PendingRename> now, result;
  if (!havePendingBefore_ || ReadPendingRenames(&now) != CX_OK) return result;
  wchar_t self[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::u16string selfPath = (n && n < MAX_PATH) ? std::u16string(AsU16(self)) : u"";
  for (const PendingRename& entry : NewPendingRenames(pendingBefore_, now)) {
    // The program's own deletion is the clean-up of an uninstall, not work
    // left for a restart; so is that of its file moved aside by the run.
    const std::u16string path = FromNtPath(entry.source);
    if (entry.IsDelete() && !selfPath.empty() && StrCompareNoCaseW(path.c_str(), selfPath.c_str()) == 0)
      continue;
    if (entry.IsDelete() && ownImage_.Is(path)) {
      ProcessLog().Writef("this program's own file, moved aside, goes at the next restart (no restart "
                          "needed): %s", Utf16ToUtf8(path).c_str());
      continue;
    }
    result.push_back(entry);
  }
  return result;
}

uint32_t RunController::Conclude() {
  LauncherLink& link = TheLauncherLink();
  const std::vector<PendingRename> scheduled = ScheduledForRestart();
  std::vector<PendingRename> counted;
  for (const PendingRename& entry : scheduled)
    if (!IsLauncherFileEntry(entry)) counted.push_back(entry);
  LogRestartOperations(counted);
  const RunOutcome outcome = Outcome();
  const uint32_t code = ExitCodeFor(outcome, !counted.empty());
  ProcessLog().Writef("outcome: %s", OutcomeName(outcome));
  if (link.Present()) {
    link.Report(code);
    link.FinishAfterLauncher(scheduled, outcome == RunOutcome::kSucceeded);
  }
  return code;
}

int32_t RunController::Mode() const { return engine_->Mode(); }

bool RunController::Text(const char* key, WString* out) const {
  out->Clear();
  return engine_->GetString(key, out) == 1;
}

WString RunController::PackageFolder() const {
  WString folder;
  engine_->GetPackageFolder(&folder);
  return folder;
}

CxResult RunController::ExtractPackageFile(const char16_t* path) {
  return engine_->ExtractPackageFile(path);
}
