// The setup wizard dialog.
#include "ui/setup_dialog.h"

#include <commctrl.h>

#include "app/installer_engine.h"
#include "app/resource_ids.h"
#include "common/result_codes.h"
#include "engine/failure_policy.h"
#include "engine/property_store.h"
#include "ui/dialog_logic.h"
#include "ui/engine_image.h"

std::atomic<int32_t> g_cancelRequested{0};
std::atomic<int32_t> g_runState{kRunIdle};

namespace {

constexpr char16_t kScriptPath[] = u"\\PackageFiles\\SetupScript.xml";
constexpr char16_t kProductKey[] = u"KOVA_ZAVOzu";
constexpr uint32_t kBalloonMs = 3000;
constexpr int32_t kLogoFitPolicy = 1;
constexpr uint32_t kWorkerCancelled = 0xFFFFFFFF;
constexpr wchar_t kTooLargeText[] =
    L"This setup package is too large to be opened on this computer. Nothing was installed.";

// Seam: the installed-version read of the uninstall registration. Until it
// lands every machine counts as "not installed" (code 2).
uint32_t ReadInstalledVersion(const char16_t* productKey, uint32_t version[4]) {
  (void)productKey;
  for (int i = 0; i < 4; ++i) version[i] = 0;
  return CX_WIN_ERROR_FILE_NOT_FOUND;
}

// Seam: the root-certificate import into the user's Firefox profile. Does
// nothing until the browser module lands; its result is never used.
void RegisterFirefoxRootCert(InstallerEngine* engine) { (void)engine; }

// The dialog's client-area device context, released with the window.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

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

BOOL CSetupDlg::OnInitDialog() {
  g_cancelRequested = 0;
  g_runState = kRunIdle;
  runSucceeded_ = false;
  ::SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
  ::SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));

  if (!engine_ || engine_->LoadPackage(IDR_SETUP_PACKAGE, kScriptPath, 0) != 1) {
    // The script's texts are not there to say it in the user's language.
    if (engine_ && engine_->PackageTooLarge() && !engine_->IsSilent())
      ::MessageBoxW(Hwnd(), kTooLargeText, L"Setup", MB_ICONERROR | MB_TOPMOST);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  {
    // The welcome page draws the logo from the package: that one file, not
    // its folder, which may hold the whole product.
    WString folder;
    engine_->GetPackageFolder(&folder);
    const WString logo = LogoPath(folder);
    if (!logo.IsEmpty()) engine_->ExtractPackageFile(logo.Wide());
  }
  if (!PassesInstanceCheck() || !PassesInstalledVersionCheck()) {
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

bool CSetupDlg::PassesInstanceCheck() {
  if (CheckSingleInstance(engine_, nullptr) == 1) return true;
  WString title, text;
  if (Text("IDS_MAIN_UI_INSTALL_TITLE", &title) && Text("IDS_INSTANCE_EXISTED", &text))
    ::MessageBoxW(Hwnd(), text.W(), title.W(), MB_ICONERROR | MB_TOPMOST);
  return false;
}

bool CSetupDlg::PassesInstalledVersionCheck() {
  if (!IsInstallSide(engine_->Mode())) return true;
  uint32_t installed[4] = {0, 0, 0, 0};
  const uint32_t read = ReadInstalledVersion(kProductKey, installed);
  WString packageVersion;
  const bool haveVersion = Text("Version", &packageVersion);
  const InstalledState state =
      InstalledVersionState(read, installed, haveVersion ? packageVersion.Wide() : nullptr);
  const char* warningKey = InstalledStateMessageKey(state);
  if (!warningKey) return true;
  WString title, text;
  if (Text("IDS_MAIN_UI_INSTALL_TITLE", &title) && Text(warningKey, &text))
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
  if (!haveFinish) EndDialog(IDCANCEL);
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
  engine_->RunFinishActions();
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

unsigned CSetupDlg::Work() {
  PropertyStore store;
  store.AddPointer(kPropertyTagDialog, this);
  const bool succeeded = engine_->RunActions(&CSetupDlg::OnActionProgress, &store) == 1;

  if (g_cancelRequested) {
    ::PostMessageW(Hwnd(), WM_QUIT, 0, 0);
    g_runState = kRunFinished;
    return kWorkerCancelled;
  }
  runSucceeded_ = succeeded;
  ShowFinishedPage(succeeded);

  if (engine_->IsSilent()) {
    engine_->RunFinishActions();
    Cleanup(engine_);
    if (IsInstallSide(engine_->Mode())) AnnounceSilentInstall();
    ::PostMessageW(Hwnd(), WM_QUIT, 0, 0);
  }
  g_runState = kRunFinished;
  return succeeded ? 1u : 0u;
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
  dialog->ShowItem(IDC_PROGRESS, true);
  const ProgressStep step = ProgressStepFor(record->total, record->completed, record->phase);
  if (step.runFirefoxStep) RegisterFirefoxRootCert(dialog->engine_);
  if (step.setPosition) dialog->SendItem(IDC_PROGRESS, PBM_SETPOS, step.position, 0);
  return DialogProgressAnswer(*record, g_cancelRequested != 0);
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
  WindowDc dc(hwnd);
  if (dc.Get()) DrawImageFile(dc.Get(), rect, logo.Wide(), kLogoFitPolicy);
}

LRESULT CSetupDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
  return tray_.OnTrayNotification(wParam, lParam);
}
