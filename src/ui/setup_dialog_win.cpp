// The setup wizard dialog.
#include "ui/setup_dialog.h"

#include <commctrl.h>

#include "app/installer_engine.h"
#include "app/resource_ids.h"
#include "app/setup_log.h"
#include "common/strings.h"
#include "engine/admin_check.h"
#include "package/temp_folder.h"
#include "common/result_codes.h"
#include "engine/failure_policy.h"
#include "engine/property_store.h"
#include "ui/dialog_logic.h"
#include "ui/engine_image.h"

std::atomic<int32_t> g_cancelRequested{0};
std::atomic<int32_t> g_runState{kRunIdle};

namespace {

constexpr char16_t kScriptPath[] = u"\\PackageFiles\\SetupScript.xml";
constexpr uint32_t kBalloonMs = 3000;
constexpr int32_t kLogoFitPolicy = 1;
constexpr uint32_t kWorkerCancelled = 0xFFFFFFFF;
constexpr wchar_t kTooLargeText[] =
    L"This setup package is too large to be opened on this computer. Nothing was installed.";

}  // namespace

CSetupDlg::CSetupDlg(InstallerEngine* engine) : DialogBase(IDD_SETUP_DIALOG), engine_(engine) {
  icon_.Reset(static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_SETUP_ICON),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

// The worker is joined by DoModal (and by the base's destructor) before the
// tray icon and the dialog icon go away.
CSetupDlg::~CSetupDlg() { JoinWorker(); }

bool CSetupDlg::Text(const char* key, WString* out) const {
  out->Clear();
  return engine_->GetString(key, out) == 1;
}

RunOutcome CSetupDlg::PrepareRun(bool present) {
  SetupLog& log = ProcessLog();
  if (!engine_ || engine_->LoadPackage(IDR_SETUP_PACKAGE, kScriptPath, 0) != 1) {
    if (engine_ && engine_->PackageTooLarge()) {
      log.Write("the embedded package is too large to be opened on this computer");
      // The script's texts are not there to say it in the user's language.
      if (present && !engine_->IsSilent())
        ::MessageBoxW(Hwnd(), kTooLargeText, L"Setup", MB_ICONERROR | MB_TOPMOST);
    } else {
      log.Write("the embedded package could not be extracted or its script loaded");
    }
    return RunOutcome::kPackageDamaged;
  }
  if (present) {
    // The welcome page draws the logo from the package: that one file, not
    // its folder, which may hold the whole product.
    WString folder;
    engine_->GetPackageFolder(&folder);
    const WString logo = LogoPath(folder);
    if (!logo.IsEmpty()) engine_->ExtractPackageFile(logo.Wide());
  }
  const InstallContext& c = engine_->Context();
  std::u16string temp;
  if (GetTempFolder(&temp) == 1) log.UseDefaultFile(temp, c.productName.Str());
  log.Writef("package folder: %s", c.packageFolder.Narrow());
  log.Writef("product: %s (%s), %s, version %u.%u.%u.%u, install folder %s", c.productName.Narrow(),
             c.productCode.Narrow(), c.publisher.Narrow(), c.version[0], c.version[1], c.version[2],
             c.version[3], c.installDir.Narrow());
  if (!PassesInstanceCheck(present)) return RunOutcome::kAnotherInstance;
  if (!PassesInstalledVersionCheck(present)) return RunOutcome::kAlreadyInstalled;
  return RunOutcome::kSucceeded;
}

BOOL CSetupDlg::OnInitDialog() {
  g_cancelRequested = 0;
  g_runState = kRunIdle;
  ::SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
  ::SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));

  const RunOutcome ready = PrepareRun(true);
  if (ready != RunOutcome::kSucceeded) {
    outcome_ = ready;
    EndDialog(IDCANCEL);
    return TRUE;
  }

  if (StartsAtOnce(engine_->Mode(), engine_->IsSilent())) {
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    LONG_PTR ex = ::GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE);
    ex = (ex & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW;
    ::SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, ex);
    // Counts as running, so the close box cannot end the program mid-run.
    g_runState = kRunRunning;
    if (!StartWorker(&CSetupDlg::RunWorker, this)) {
      g_runState = kRunIdle;
      EndDialog(IDCANCEL);
    }
    return TRUE;
  }

  FillWelcomePage();
  return TRUE;
}

bool CSetupDlg::PassesInstanceCheck(bool present) {
  if (CheckSingleInstance(engine_, nullptr) == 1) return true;
  ProcessLog().Write("another setup of this product holds the instance lock");
  WString title, text;
  if (present && Text("IDS_MAIN_UI_INSTALL_TITLE", &title) && Text("IDS_INSTANCE_EXISTED", &text))
    ::MessageBoxW(Hwnd(), text.W(), title.W(), MB_ICONERROR | MB_TOPMOST);
  return false;
}

bool CSetupDlg::PassesInstalledVersionCheck(bool present) {
  if (!IsInstallSide(engine_->Mode())) return true;
  WString packageVersion;
  const bool haveVersion = Text("Version", &packageVersion);
  const InstalledState state = ProductInstalledState(
      engine_->Context().productCode.Wide(), haveVersion ? packageVersion.Wide() : nullptr);
  ProcessLog().Writef("installed-version state: %s", InstalledStateName(state));
  const char* warningKey = InstalledStateMessageKey(state);
  if (!warningKey) return true;
  WString title, text;
  if (present && Text("IDS_MAIN_UI_INSTALL_TITLE", &title) && Text(warningKey, &text))
    ::MessageBoxW(Hwnd(), text.W(), title.W(), MB_ICONINFORMATION | MB_TOPMOST);
  return false;
}

void CSetupDlg::FillWelcomePage() {
  const ModePage page = PageForMode(engine_->Mode());
  WString text;
  Text(page.titleKey, &text);
  SetTitle(text);
  Text(page.welcomeKey, &text);
  SetItemText(IDC_MESSAGE_TEXT, text);
  Text("IDS_BTN_INSTALL", &text);
  SetItemText(IDC_BTN_INSTALL, text);
  Text("IDS_BTN_CANCEL", &text);
  SetItemText(IDC_BTN_CANCEL, text);
  Text("IDS_BTN_UNINSTALL", &text);
  SetItemText(IDC_BTN_UNINSTALL, text);
  const bool haveFinish = Text("IDS_BTN_FININSH", &text);
  SetItemText(IDC_BTN_FINISH, text);

  ShowItem(page.runButtonId, true);
  ShowItem(page.otherButtonId, false);
  ShowItem(IDC_BTN_CANCEL, true);
  ShowItem(IDC_BTN_FINISH, false);
  SendItem(IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  // Without a Finish text the script is not one this dialog can present.
  if (!haveFinish) {
    ProcessLog().Write("the script has no IDS_BTN_FININSH text");
    outcome_ = RunOutcome::kPackageDamaged;
    EndDialog(IDCANCEL);
  }
}

bool CSetupDlg::OnCommand(WORD id, WORD, HWND) {
  switch (id) {
    case IDC_BTN_CANCEL: OnBtnCancel(); return true;
    case IDC_BTN_INSTALL: OnBtnInstall(); return true;
    case IDC_BTN_FINISH: OnBtnFinish(); return true;
    case IDC_BTN_UNINSTALL: OnBtnInstall(); return true;
    // Enter without a focused control and the dialog manager's Escape end
    // up here; neither may close the dialog.
    case IDOK:
    case IDCANCEL: return true;
    default: return false;
  }
}

bool CSetupDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return true;
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<LRESULT>(icon_.Get());
      return true;
    case kTrayNotifyMessage:
      *result = OnTrayNotify(wParam, lParam);
      return true;
    case WM_WINDOWPOSCHANGING:
      // A silent run has nothing to show, so its window is never shown: a
      // window that was shown must be taken down again at the end, which
      // under Wine without a window manager waits seconds for a
      // confirmation that never comes.
      if (engine_ && StartsAtOnce(engine_->Mode(), engine_->IsSilent()))
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
      return false;
    default:
      return false;
  }
}

bool CSetupDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message != WM_KEYDOWN) return false;
  HWND focus = ::GetFocus();
  const bool usable = focus && Hwnd() && ::IsChild(Hwnd(), focus) && ::IsWindowEnabled(focus) &&
                      ::IsWindowVisible(focus);
  switch (KeyAnswerFor(msg->message, static_cast<uint32_t>(msg->wParam), usable)) {
    case KeyAnswer::kPressFocused:
      ::SendMessageW(Hwnd(), WM_COMMAND, static_cast<WPARAM>(::GetDlgCtrlID(focus)),
                     reinterpret_cast<LPARAM>(focus));
      return true;
    case KeyAnswer::kSwallow:
      return true;
    case KeyAnswer::kPass:
    default:
      return false;
  }
}

void CSetupDlg::OnClose() {
  if (CloseIgnored(g_runState)) return;
  EndDialog(IDCANCEL);
}

void CSetupDlg::OnBtnInstall() {
  if (!CanStartRun(g_runState)) return;  // one run per dialog
  g_runState = kRunRunning;
  const ModePage page = PageForMode(engine_->Mode());
  EnableItem(page.runButtonId, false);
  WString tip;
  Text(page.tipKey, &tip);
  EnableItem(IDC_BTN_CANCEL, false);
  EnableItem(IDC_BTN_FINISH, false);
  SetItemText(IDC_MESSAGE_TEXT, tip);
  if (!StartWorker(&CSetupDlg::RunWorker, this)) {
    ShowFinishedPage(false);
    g_runState = kRunFinished;
  }
}

void CSetupDlg::OnBtnCancel() {
  engine_->Stop();
  g_cancelRequested = 1;
  if (g_runState == kRunIdle) EndDialog(IDCANCEL);
}

void CSetupDlg::OnBtnFinish() {
  if (!CanFinish(g_runState)) return;
  g_runState = kRunRunning;
  ProcessLog().WriteResult("finish list", engine_->RunFinishActions() == 1 ? CX_OK : CX_E_FAIL);
  Cleanup(engine_);
  g_runState = kRunFinished;
  EndDialog(IDCANCEL);
}

void CSetupDlg::ShowFinishedPage(bool succeeded) {
  const ModePage page = PageForMode(engine_->Mode());
  ShowItem(page.runButtonId, false);
  ShowItem(IDC_BTN_CANCEL, false);
  ShowItem(IDC_BTN_FINISH, true);
  EnableItem(IDC_BTN_FINISH, true);
  WString text;
  Text(succeeded ? page.okKey : page.failedKey, &text);
  SetItemText(IDC_MESSAGE_TEXT, text);
}

unsigned __stdcall CSetupDlg::RunWorker(void* dialog) {
  return static_cast<CSetupDlg*>(dialog)->Work();
}

RunOutcome CSetupDlg::OutcomeOfRun(bool succeeded) const {
  if (g_cancelRequested) return RunOutcome::kCancelled;
  if (succeeded) return RunOutcome::kSucceeded;
  // The runner refuses the whole run without administrator rights.
  if (engine_->LastRunCode() == CX_E_FAIL && IsUserAdmin() != 1) return RunOutcome::kNotAdmin;
  return RunOutcome::kActionFailed;
}

unsigned CSetupDlg::Work() {
  havePendingBefore_ = ReadPendingRenames(&pendingBefore_) == CX_OK;
  PropertyStore store;
  store.AddPointer(kPropertyTagDialog, this);
  const bool succeeded = engine_->RunActions(&CSetupDlg::OnActionProgress, &store) == 1;
  ProcessLog().WriteResult(succeeded ? "main list done" : "main list ended early",
                           engine_->LastRunCode());
  outcome_ = OutcomeOfRun(succeeded);

  if (g_cancelRequested) {
    ::PostMessageW(Hwnd(), WM_QUIT, 0, 0);
    g_runState = kRunFinished;
    return kWorkerCancelled;
  }
  const bool silent = engine_->IsSilent() != 0;
  // Finish must not be usable before the state says the run is over, or a
  // quick click on it is ignored; after a silent run the worker itself
  // still runs the finish list, so there the state changes at the end.
  if (!silent) g_runState = kRunFinished;
  ShowFinishedPage(succeeded);

  if (silent) {
    ProcessLog().WriteResult("finish list", engine_->RunFinishActions() == 1 ? CX_OK : CX_E_FAIL);
    Cleanup(engine_);
    if (IsInstallSide(engine_->Mode())) AnnounceSilentInstall();
    ::PostMessageW(Hwnd(), WM_QUIT, 0, 0);
  }
  g_runState = kRunFinished;
  return succeeded ? 1u : 0u;
}

RunOutcome CSetupDlg::RunUnattended() {
  g_cancelRequested = 0;
  g_runState = kRunRunning;
  const RunOutcome ready = PrepareRun(false);
  if (ready != RunOutcome::kSucceeded) {
    outcome_ = ready;
    g_runState = kRunFinished;
    return ready;
  }
  havePendingBefore_ = ReadPendingRenames(&pendingBefore_) == CX_OK;
  PropertyStore store;
  store.AddPointer(kPropertyTagDialog, this);
  const bool succeeded = engine_->RunActions(&CSetupDlg::OnActionProgress, &store) == 1;
  ProcessLog().WriteResult(succeeded ? "main list done" : "main list ended early",
                           engine_->LastRunCode());
  outcome_ = OutcomeOfRun(succeeded);
  ProcessLog().WriteResult("finish list", engine_->RunFinishActions() == 1 ? CX_OK : CX_E_FAIL);
  Cleanup(engine_);
  g_runState = kRunFinished;
  return outcome_;
}

std::vector<PendingRename> CSetupDlg::ScheduledForRestart(
    bool (*ignore)(const PendingRename& entry)) const {
  std::vector<PendingRename> now, result;
  if (!havePendingBefore_ || ReadPendingRenames(&now) != CX_OK) return result;
  wchar_t self[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::u16string selfPath = (n && n < MAX_PATH) ? std::u16string(AsU16(self)) : u"";
  for (const PendingRename& entry : NewPendingRenames(pendingBefore_, now)) {
    // The program's own deletion is the clean-up of an uninstall, not work
    // left for a restart.
    if (!selfPath.empty() && entry.IsDelete() &&
        StrCompareNoCaseW(FromNtPath(entry.source).c_str(), selfPath.c_str()) == 0)
      continue;
    if (ignore && ignore(entry)) continue;
    result.push_back(entry);
  }
  return result;
}

void CSetupDlg::AnnounceSilentInstall() {
  // The same two texts whether the run succeeded or failed.
  WString body, title;
  Text("IDS_SILENT_INSTALL_SUCCESSFULLY", &body);
  Text("IDS_SILENT_INSTALL_FINISHED", &title);
  tray_.Add(Item(IDC_BTN_INSTALL), kTrayNotifyMessage, u"", icon_.Get(), 0);
  tray_.ShowBalloon(body.Wide(), title.Wide(), kBalloonMs, NIIF_INFO);
  tray_.Remove();
}

uint32_t CSetupDlg::OnActionProgress(ProgressRecord* record, void* userData) {
  if (g_cancelRequested) return kProgressStop;
  if (!record) return kProgressStop;
  void* pointer = nullptr;
  auto* store = static_cast<PropertyStore*>(userData);
  if (!store || store->GetPointer(kPropertyTagDialog, &pointer) != CX_OK || !pointer) {
    ::MessageBoxW(nullptr, L"Ptr is NULL", record->name.W(), MB_ICONERROR);
    // Without the dialog there is no bar to move, but a failed action must
    // still end the run.
    return DialogProgressAnswer(*record, g_cancelRequested != 0);
  }
  auto* dialog = static_cast<CSetupDlg*>(pointer);
  if (record->phase == kPhaseAfterExecute) {
    ProcessLog().WriteResult(record->name.Narrow() + std::string(": ") + record->description.Narrow(),
                             record->result);
  }
  dialog->ShowItem(IDC_PROGRESS, true);
  const ProgressStep step = ProgressStepFor(record->total, record->completed, record->phase);
  if (step.runFirefoxStep) dialog->engine_->RunFirefoxStep();  // silent: result unused
  if (step.setPosition) dialog->SendItem(IDC_PROGRESS, PBM_SETPOS, step.position, 0);
  const uint32_t answer = DialogProgressAnswer(*record, g_cancelRequested != 0);
  if (answer == kProgressStop && record->phase == kPhaseAfterExecute)
    ProcessLog().Writef("the failure of %s stops the run", record->name.Narrow());
  return answer;
}

void CSetupDlg::OnPaint() {
  HWND hwnd = Hwnd();
  if (::IsIconic(hwnd)) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    ::SendMessageW(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(hwnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, icon_.Get());
    ::EndPaint(hwnd, &ps);
    return;
  }
  // The dialog's own painting (background and validation) first.
  PAINTSTRUCT ps;
  ::BeginPaint(hwnd, &ps);
  ::EndPaint(hwnd, &ps);

  WString folder;
  engine_->GetPackageFolder(&folder);
  const WString logo = LogoPath(folder);
  HWND area = Item(IDC_LOGO_AREA);
  if (logo.IsEmpty() || !area) return;
  RECT rect;
  ::GetWindowRect(area, &rect);
  ::MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT*>(&rect), 2);
  ScopedWindowDc dc({hwnd, ::GetDC(hwnd)});
  if (dc) DrawImageFile(dc.Get().dc, rect, logo.Wide(), kLogoFitPolicy);
}

LRESULT CSetupDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
  return tray_.OnTrayNotification(wParam, lParam);
}
