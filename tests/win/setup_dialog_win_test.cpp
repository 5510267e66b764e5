// The wizard dialog's template and the dialog layer's modal loop, in this
// process: controls, styles and places in dialog units; how the loop ends;
// keys reaching PreTranslateMessage first; a worker that talks to the
// controls while the dialog closes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resource_ids.h"
#include "ui/dialog_base.h"
#include "win_test_support.h"

namespace {

// Windows need a display (an X server under Wine); without one these tests
// have nothing to look at.
bool CanCreateWindows() {
  HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
  if (!probe) return false;
  ::DestroyWindow(probe);
  return true;
}

#define SKIP_WITHOUT_DISPLAY() \
  if (!CanCreateWindows()) GTEST_SKIP() << "no display for windows"

constexpr UINT kInspect = WM_APP + 1;

struct ControlSeen {
  int id = 0;
  std::wstring className;
  std::wstring text;
  LONG style = 0;
  RECT rect{};      // client coordinates of the dialog
  RECT expected{};  // the template's dialog units, mapped
};

// The real template, inspected once the window is up, then ended.
class TemplateProbe : public DialogBase {
 public:
  TemplateProbe() : DialogBase(IDD_SETUP_DIALOG) {}
  std::vector<ControlSeen> controls;
  std::wstring caption, fontFace;
  LONG style = 0, exStyle = 0;
  RECT client{}, expectedClient{};
  bool wasVisible = false;

 protected:
  BOOL OnInitDialog() override {
    ::PostMessageW(Hwnd(), kInspect, 0, 0);
    return TRUE;
  }
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT*) override {
    if (msg != kInspect) return false;
    Inspect();
    EndDialog(42);
    return true;
  }

 private:
  void Inspect() {
    HWND dlg = Hwnd();
    wchar_t buffer[256];
    ::GetWindowTextW(dlg, buffer, 256);
    caption = buffer;
    style = static_cast<LONG>(::GetWindowLongPtrW(dlg, GWL_STYLE));
    exStyle = static_cast<LONG>(::GetWindowLongPtrW(dlg, GWL_EXSTYLE));
    wasVisible = ::IsWindowVisible(dlg) != FALSE;
    ::GetClientRect(dlg, &client);
    expectedClient = {0, 0, 292, 200};
    ::MapDialogRect(dlg, &expectedClient);
    LOGFONTW font{};
    HFONT hfont = reinterpret_cast<HFONT>(::SendMessageW(dlg, WM_GETFONT, 0, 0));
    if (hfont && ::GetObjectW(hfont, sizeof(font), &font)) fontFace = font.lfFaceName;

    const struct { int id; RECT units; } places[] = {
        // x, y, width, height
        {IDC_LOGO_AREA, {0, 0, 292, 60}},      {IDC_MESSAGE_TEXT, {4, 85, 282, 45}},
        {IDC_BTN_INSTALL, {52, 165, 60, 20}},  {IDC_BTN_UNINSTALL, {52, 165, 60, 20}},
        {IDC_BTN_CANCEL, {178, 165, 60, 20}},  {IDC_BTN_FINISH, {178, 165, 60, 20}},
        {IDC_PROGRESS, {1, 135, 290, 16}},
    };
    for (const auto& place : places) {
      ControlSeen seen;
      seen.id = place.id;
      HWND item = ::GetDlgItem(dlg, place.id);
      if (item) {
        ::GetClassNameW(item, buffer, 256);
        seen.className = buffer;
        ::GetWindowTextW(item, buffer, 256);
        seen.text = buffer;
        seen.style = static_cast<LONG>(::GetWindowLongPtrW(item, GWL_STYLE));
        ::GetWindowRect(item, &seen.rect);
        ::MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&seen.rect), 2);
      }
      // The dialog manager maps the place and the size separately.
      RECT origin = {place.units.left, place.units.top, 0, 0};
      RECT size = {place.units.right, place.units.bottom, 0, 0};
      ::MapDialogRect(dlg, &origin);
      ::MapDialogRect(dlg, &size);
      seen.expected = {origin.left, origin.top, origin.left + size.left, origin.top + size.top};
      controls.push_back(seen);
    }
  }
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(SetupDialogTemplate, ControlsStylesAndPlaces) {
  SKIP_WITHOUT_DISPLAY();
  TemplateProbe probe;
  ASSERT_EQ(probe.DoModal(), 42);
  EXPECT_EQ(probe.Hwnd(), nullptr);  // destroyed when the loop ended

  EXPECT_EQ(probe.caption, L"CxSetupNew");
  EXPECT_EQ(probe.fontFace, L"Tahoma");
  EXPECT_TRUE(probe.wasVisible);
  const LONG wantStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(probe.style & wantStyle, wantStyle);
  EXPECT_TRUE(probe.exStyle & WS_EX_APPWINDOW);
  EXPECT_TRUE(SameRect(probe.client, probe.expectedClient));

  struct Want {
    const wchar_t* className;
    const wchar_t* text;
    bool visible, tabStop;
  };
  const Want wants[] = {
      {L"Static", L"", false, false},  {L"Static", nullptr, true, false},
      {L"Button", L"\u5B89\u88C5", true, true},  {L"Button", L"\u5378\u8F7D", false, true},
      {L"Button", L"\u53D6\u6D88", true, true},  {L"Button", L"\u5B8C\u6210", false, false},
      {L"msctls_progress32", L"", false, false},
  };
  ASSERT_EQ(probe.controls.size(), sizeof(wants) / sizeof(wants[0]));
  for (size_t i = 0; i < probe.controls.size(); ++i) {
    const ControlSeen& seen = probe.controls[i];
    const Want& want = wants[i];
    SCOPED_TRACE(seen.id);
    EXPECT_EQ(_wcsicmp(seen.className.c_str(), want.className), 0) << seen.className;
    if (want.text) {
      EXPECT_EQ(seen.text, want.text);
    }
    EXPECT_EQ((seen.style & WS_VISIBLE) != 0, want.visible);
    EXPECT_EQ((seen.style & WS_TABSTOP) != 0, want.tabStop);
    EXPECT_TRUE(SameRect(seen.rect, seen.expected))
        << seen.rect.left << "," << seen.rect.top << "," << seen.rect.right << ","
        << seen.rect.bottom << " want " << seen.expected.left << "," << seen.expected.top << ","
        << seen.expected.right << "," << seen.expected.bottom;
  }
  EXPECT_EQ(probe.controls[0].style & SS_TYPEMASK, SS_BLACKFRAME);
  EXPECT_EQ(probe.controls[1].style & SS_TYPEMASK, SS_LEFT);
  for (size_t i = 2; i <= 5; ++i) EXPECT_EQ(probe.controls[i].style & BS_TYPEMASK, BS_PUSHBUTTON);

  HICON icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                               MAKEINTRESOURCEW(IDI_SETUP_ICON), IMAGE_ICON, 0,
                                               0, LR_DEFAULTSIZE));
  EXPECT_NE(icon, nullptr);
  if (icon) ::DestroyIcon(icon);
}

// A dialog on the real template whose steps are driven by posted messages.
class LoopProbe : public DialogBase {
 public:
  enum class Plan { kEndInInit, kQuit, kKeys, kWorkerSendsWhileClosing };
  explicit LoopProbe(Plan plan) : DialogBase(IDD_SETUP_DIALOG), plan_(plan) {}
  bool initEnded = false;
  std::vector<UINT> keysSeen;       // WM_KEYDOWN keys PreTranslateMessage saw
  std::vector<WORD> commandsSeen;   // WM_COMMAND ids that reached the dialog
  HANDLE sending = nullptr;         // set by the worker just before it sends
  HWND target = nullptr;            // a window of this thread the worker sends to

 protected:
  BOOL OnInitDialog() override {
    switch (plan_) {
      case Plan::kEndInInit:
        EndDialog(7);
        break;
      case Plan::kQuit:
        ::PostMessageW(Hwnd(), WM_QUIT, 0, 0);
        break;
      case Plan::kKeys: {
        HWND button = Item(IDC_BTN_INSTALL);
        ::SetFocus(button);
        ::PostMessageW(button, WM_KEYDOWN, VK_ESCAPE, 0);
        ::PostMessageW(button, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(Hwnd(), kInspect, 0, 0);
        break;
      }
      case Plan::kWorkerSendsWhileClosing:
        ::PostMessageW(Hwnd(), kInspect, 0, 0);
        break;
    }
    return FALSE;
  }
  bool PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) {
      keysSeen.push_back(static_cast<UINT>(msg->wParam));
      return msg->wParam == VK_ESCAPE;  // consumed: the dialog manager never sees it
    }
    return false;
  }
  bool OnCommand(WORD id, WORD, HWND) override {
    commandsSeen.push_back(id);
    return true;
  }
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT*) override {
    if (msg != kInspect) return false;
    if (plan_ == Plan::kWorkerSendsWhileClosing) {
      ::ResetEvent(sending);
      EXPECT_TRUE(StartWorker(&LoopProbe::Worker, this));
      EXPECT_FALSE(StartWorker(&LoopProbe::Worker, this));  // one at a time
      ::WaitForSingleObject(sending, INFINITE);
      // Wait until the worker's message is really queued for this thread,
      // then close without answering it: only the join can answer it now.
      while (!(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)) ::Sleep(1);
    }
    EndDialog(9);
    return true;
  }

 private:
  static unsigned __stdcall Worker(void* arg) {
    auto* self = static_cast<LoopProbe*>(arg);
    ::SetEvent(self->sending);
    ::SendMessageW(self->target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"from the worker"));
    return 0;
  }
  Plan plan_;
};

TEST(DialogLayer, ModalLoopEndsByEndDialogOrQuit) {
  SKIP_WITHOUT_DISPLAY();
  LoopProbe early(LoopProbe::Plan::kEndInInit);
  EXPECT_EQ(early.DoModal(), 7);
  EXPECT_EQ(early.Hwnd(), nullptr);

  LoopProbe quit(LoopProbe::Plan::kQuit);
  EXPECT_EQ(quit.DoModal(), DialogBase::kModalQuit);
  EXPECT_EQ(quit.Hwnd(), nullptr);
  MSG left;  // the quit message was the loop's own, not left for the caller
  EXPECT_FALSE(::PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(DialogLayer, KeysReachPreTranslateMessageFirst) {
  SKIP_WITHOUT_DISPLAY();
  LoopProbe probe(LoopProbe::Plan::kKeys);
  EXPECT_EQ(probe.DoModal(), 9);
  ASSERT_EQ(probe.keysSeen.size(), 2u);
  EXPECT_EQ(probe.keysSeen[0], static_cast<UINT>(VK_ESCAPE));
  EXPECT_EQ(probe.keysSeen[1], static_cast<UINT>(VK_RETURN));
  // Escape was consumed, so the dialog manager made no IDCANCEL of it;
  // Enter went on to the dialog manager.
  for (WORD id : probe.commandsSeen) EXPECT_NE(id, IDCANCEL);
}

TEST(DialogLayer, ClosingAnswersAWorkerThatTalksToThisThread) {
  SKIP_WITHOUT_DISPLAY();
  LoopProbe probe(LoopProbe::Plan::kWorkerSendsWhileClosing);
  probe.sending = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(probe.sending, nullptr);
  // Outlives the dialog, so the worker's message stays pending until the
  // closing dialog's thread answers it.
  probe.target = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(probe.target, nullptr);
  // Returns only if the join delivers the worker's pending message.
  EXPECT_EQ(probe.DoModal(), 9);
  wchar_t text[32] = {};
  ::GetWindowTextW(probe.target, text, 32);
  EXPECT_STREQ(text, L"from the worker");
  ::DestroyWindow(probe.target);
  ::CloseHandle(probe.sending);
}

// A setup program with a package of its own (tests/data/dialog), driven
// from outside as a user or an automation tool would: find its #32770
// window, read the controls, send the buttons' commands.
class SetupRun {
 public:
  explicit SetupRun(const wchar_t* args) {
    std::wstring cmd = L"\"" + TestHelperPath(L"cx_dialog_setup.exe") + L"\" " + args;
    std::vector<wchar_t> buffer(cmd.begin(), cmd.end());
    buffer.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                         &info_))
      ::CloseHandle(info_.hThread);
    else
      info_ = {};
  }
  ~SetupRun() {
    if (!info_.hProcess) return;
    if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info_.hProcess, 99);
    ::CloseHandle(info_.hProcess);
  }
  bool Started() const { return info_.hProcess != nullptr; }

  // The wizard window (not a message box: it has the text control), once
  // it is visible; null when the program ended first or never showed it.
  HWND WaitForDialog() const {
    for (int i = 0; i < 3000; ++i) {
      Search search{info_.dwProcessId, nullptr};
      ::EnumWindows(&SetupRun::Match, reinterpret_cast<LPARAM>(&search));
      if (search.found) return search.found;
      if (::WaitForSingleObject(info_.hProcess, 20) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
  }
  // The exit code, or 259 (still active) when it did not end in a minute.
  DWORD WaitExit() const {
    ::WaitForSingleObject(info_.hProcess, 60000);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  struct Search {
    DWORD pid;
    HWND found;
  };
  static BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (pid == search->pid && wcscmp(cls, L"#32770") == 0 && ::IsWindowVisible(hwnd) &&
        ::GetDlgItem(hwnd, IDC_MESSAGE_TEXT)) {
      search->found = hwnd;
      return FALSE;
    }
    return TRUE;
  }
  PROCESS_INFORMATION info_ = {};
};

bool Visible(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE; }
bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
std::wstring TextOf(HWND window) {
  wchar_t buffer[256] = {};
  ::GetWindowTextW(window, buffer, 256);
  return buffer;
}
void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

TEST(SetupDialogRun, WelcomePageInTheScriptsTextsThenCancel) {
  SKIP_WITHOUT_DISPLAY();
  SetupRun run(L"");
  ASSERT_TRUE(run.Started());
  HWND dialog = run.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  const std::wstring title = TextOf(dialog);
  EXPECT_TRUE(title == L"Dialog Test Setup" || title == L"\u5BF9\u8BDD\u6846\u6D4B\u8BD5 \u5B89\u88C5" ||
              title == L"\u5C0D\u8A71\u6846\u6E2C\u8A66 \u5B89\u88DD")
      << "title is the script's install title";
  EXPECT_TRUE(Visible(dialog, IDC_BTN_INSTALL) && Enabled(dialog, IDC_BTN_INSTALL));
  EXPECT_FALSE(Visible(dialog, IDC_BTN_UNINSTALL));
  EXPECT_TRUE(Visible(dialog, IDC_BTN_CANCEL) && Enabled(dialog, IDC_BTN_CANCEL));
  EXPECT_FALSE(Visible(dialog, IDC_BTN_FINISH));
  EXPECT_FALSE(Visible(dialog, IDC_PROGRESS));
  EXPECT_FALSE(TextOf(::GetDlgItem(dialog, IDC_MESSAGE_TEXT)).empty());
  EXPECT_NE(TextOf(::GetDlgItem(dialog, IDC_MESSAGE_TEXT)), L"Setup");  // the placeholder

  // Escape and the dialog manager's IDOK/IDCANCEL never close it.
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ::SendMessageW(dialog, WM_NULL, 0, 0);  // both handled once this returns
  EXPECT_TRUE(::IsWindow(dialog));

  Press(dialog, IDC_BTN_CANCEL);
  EXPECT_EQ(run.WaitExit(), 1u);  // no run, no success
}

TEST(SetupDialogRun, InstallRunsToTheFinishedPageAndFinishEndsWithSuccess) {
  SKIP_WITHOUT_DISPLAY();
  SetupRun run(L"");
  ASSERT_TRUE(run.Started());
  HWND dialog = run.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  const std::wstring welcome = TextOf(::GetDlgItem(dialog, IDC_MESSAGE_TEXT));
  Press(dialog, IDC_BTN_INSTALL);
  Press(dialog, IDC_BTN_INSTALL);  // a second press must not start a second run
  for (int i = 0; i < 3000 && ::IsWindow(dialog) && !Visible(dialog, IDC_BTN_FINISH); ++i) ::Sleep(20);
  ASSERT_TRUE(Visible(dialog, IDC_BTN_FINISH));
  EXPECT_TRUE(Enabled(dialog, IDC_BTN_FINISH));
  EXPECT_FALSE(Visible(dialog, IDC_BTN_INSTALL));
  EXPECT_FALSE(Visible(dialog, IDC_BTN_CANCEL));
  EXPECT_TRUE(Visible(dialog, IDC_PROGRESS));
  EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
  const std::wstring result = TextOf(::GetDlgItem(dialog, IDC_MESSAGE_TEXT));
  EXPECT_FALSE(result.empty());
  EXPECT_NE(result, welcome);

  Press(dialog, IDC_BTN_FINISH);
  EXPECT_EQ(run.WaitExit(), 0u);  // the tolerated KillProcess failure left the run a success
}

TEST(SetupDialogRun, SilentInstallEndsByItselfWithSuccess) {
  SKIP_WITHOUT_DISPLAY();
  SetupRun run(L"/S");
  ASSERT_TRUE(run.Started());
  EXPECT_EQ(run.WaitExit(), 0u);
}

}  // namespace
