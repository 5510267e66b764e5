// The setup wizard dialog.
#include "ui/setup_dialog.h"

#include <commctrl.h>

#include "app/resource_ids.h"
#include "app/run_controller.h"
#include "app/run_policy.h"
#include "package/script_vocabulary.h"
#include "ui/dialog_logic.h"
#include "ui/engine_image.h"

namespace {

constexpr uint32_t kBalloonMs = 3000;
constexpr int32_t kLogoFitPolicy = 1;

}  // namespace

CSetupDlg::CSetupDlg(RunController* run) : DialogBase(IDD_SETUP_DIALOG), run_(run) {
  icon_.Reset(static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_SETUP_ICON),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

// The worker is joined by DoModal (and by the base's destructor) before the
// tray icon and the dialog icon go away.
CSetupDlg::~CSetupDlg() { JoinWorker(); }

bool CSetupDlg::Text(const char* key, WString* out) const { return run_->Text(key, out); }

BOOL CSetupDlg::OnInitDialog() {
  ::SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
  ::SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));

  if (run_->Prepare(this) != RunOutcome::kSucceeded) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  // The page draws the logo from the package: that one file, not its
  // folder, which may hold the whole product.
  const WString logo = LogoPath(run_->PackageFolder());
  if (!logo.IsEmpty()) run_->ExtractPackageFile(logo.Wide());

  if (run_->StartsAtOnce()) {
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    LONG_PTR ex = ::GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE);
    ex = (ex & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW;
    ::SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, ex);
    // Counts as running, so the close box cannot end the program mid-run.
    if (!run_->Claim() || !StartWorker(&CSetupDlg::RunWorker, this)) {
      run_->RunNotStarted();
      EndDialog(IDCANCEL);
    }
    return TRUE;
  }

  FillWelcomePage();
  return TRUE;
}

void CSetupDlg::FillWelcomePage() {
  const ModePage page = PageForMode(run_->Mode());
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
  Text(kFinishButtonText, &text);
  SetItemText(IDC_BTN_FINISH, text);

  ShowItem(page.runButtonId, true);
  ShowItem(page.otherButtonId, false);
  ShowItem(IDC_BTN_CANCEL, true);
  ShowItem(IDC_BTN_FINISH, false);
  SendItem(IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
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
      if (run_ && run_->StartsAtOnce())
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
  if (CloseIgnored(run_->State())) return;
  EndDialog(IDCANCEL);
}

void CSetupDlg::OnBtnInstall() {
  if (!run_->Claim()) return;  // one run per dialog
  const ModePage page = PageForMode(run_->Mode());
  EnableItem(page.runButtonId, false);
  WString tip;
  Text(page.tipKey, &tip);
  EnableItem(IDC_BTN_CANCEL, false);
  EnableItem(IDC_BTN_FINISH, false);
  SetItemText(IDC_MESSAGE_TEXT, tip);
  if (!StartWorker(&CSetupDlg::RunWorker, this)) {
    ShowResult(false);
    run_->RunNotStarted();
  }
}

void CSetupDlg::OnBtnCancel() {
  run_->Cancel();
  if (run_->State() == kRunIdle) EndDialog(IDCANCEL);
}

void CSetupDlg::OnBtnFinish() {
  if (run_->Finish()) EndDialog(IDCANCEL);
}

unsigned __stdcall CSetupDlg::RunWorker(void* dialog) {
  return static_cast<CSetupDlg*>(dialog)->run_->Execute();
}

void CSetupDlg::ShowMessage(const WString& text, const WString& caption, uint32_t style) {
  ::MessageBoxW(Hwnd(), text.W(), caption.W(), style);
}

void CSetupDlg::ShowProgressBar() { ShowItem(IDC_PROGRESS, true); }

void CSetupDlg::SetProgress(uint32_t percent) { SendItem(IDC_PROGRESS, PBM_SETPOS, percent, 0); }

void CSetupDlg::ShowResult(bool succeeded) {
  const ModePage page = PageForMode(run_->Mode());
  ShowItem(page.runButtonId, false);
  ShowItem(IDC_BTN_CANCEL, false);
  ShowItem(IDC_BTN_FINISH, true);
  EnableItem(IDC_BTN_FINISH, true);
  WString text;
  Text(succeeded ? page.okKey : page.failedKey, &text);
  SetItemText(IDC_MESSAGE_TEXT, text);
}

void CSetupDlg::Announce(const WString& body, const WString& title) {
  tray_.Add(Item(IDC_BTN_INSTALL), kTrayNotifyMessage, u"", icon_.Get(), 0);
  tray_.ShowBalloon(body.Wide(), title.Wide(), kBalloonMs, NIIF_INFO);
  tray_.Remove();
}

void CSetupDlg::EndPresentation() { ::PostMessageW(Hwnd(), WM_QUIT, 0, 0); }

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

  const WString logo = LogoPath(run_->PackageFolder());
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
