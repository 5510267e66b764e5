// The wizard dialog's template and the dialog layer's modal loop in this
// process, then a whole setup program driven from outside.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resource_ids.h"
#include "ui/dialog_base.h"
#include "win_test_support.h"

namespace {

bool CanCreateWindows() {  // windows need a display (an X server under Wine)
  HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
  if (probe) ::DestroyWindow(probe);
  return probe != nullptr;
}
#define SKIP_WITHOUT_DISPLAY() \
  if (!CanCreateWindows()) GTEST_SKIP() << "no display for windows"

constexpr UINT kStep = WM_APP + 1;

// A dialog on the real template whose steps are driven by posted messages.
class Probe : public DialogBase {
 public:
  enum class Plan { kTemplate, kEndInInit, kQuit, kKeys, kWorkerSendsWhileClosing };
  explicit Probe(Plan plan) : DialogBase(IDD_SETUP_DIALOG), plan_(plan) {}
  std::vector<int> wrong;              // kTemplate: ids of controls not as the template says
  std::vector<UINT> keysSeen;          // WM_KEYDOWN keys PreTranslateMessage saw
  std::vector<WORD> commandsSeen;      // WM_COMMAND ids that reached the dialog
  HANDLE sending = nullptr;            // set by the worker just before it sends
  HWND target = nullptr;               // a window of this thread the worker sends to

 protected:
  BOOL OnInitDialog() override {
    if (plan_ == Plan::kEndInInit) EndDialog(7);
    if (plan_ == Plan::kQuit) ::PostMessageW(Hwnd(), WM_QUIT, 0, 0);
    if (plan_ == Plan::kKeys) {
      HWND button = Item(IDC_BTN_INSTALL);
      ::SetFocus(button);
      ::PostMessageW(button, WM_KEYDOWN, VK_ESCAPE, 0);
      ::PostMessageW(button, WM_KEYDOWN, VK_RETURN, 0);
    }
    if (plan_ != Plan::kEndInInit && plan_ != Plan::kQuit) ::PostMessageW(Hwnd(), kStep, 0, 0);
    return FALSE;
  }
  bool PreTranslateMessage(MSG* msg) override {
    if (msg->message != WM_KEYDOWN) return false;
    keysSeen.push_back(static_cast<UINT>(msg->wParam));
    return msg->wParam == VK_ESCAPE;  // consumed: the dialog manager never sees it
  }
  bool OnCommand(WORD id, WORD, HWND) override {
    commandsSeen.push_back(id);
    return true;
  }
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT*) override {
    if (msg != kStep) return false;
    if (plan_ == Plan::kTemplate) Inspect();
    if (plan_ == Plan::kWorkerSendsWhileClosing) {
      EXPECT_TRUE(StartWorker(&Probe::Worker, this));
      EXPECT_FALSE(StartWorker(&Probe::Worker, this));  // one at a time
      ::WaitForSingleObject(sending, INFINITE);
      // Close once the worker's message is queued here: only the join can answer it.
      while (!(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)) ::Sleep(1);
    }
    EndDialog(9);
    return true;
  }

 private:
  void Inspect() {
    const struct { int id; const wchar_t* cls; bool visible; RECT units; } wants[] = {
        // x, y, width, height in dialog units
        {IDC_LOGO_AREA, L"Static", false, {0, 0, 292, 60}},
        {IDC_MESSAGE_TEXT, L"Static", true, {4, 85, 282, 45}},
        {IDC_BTN_INSTALL, L"Button", true, {52, 165, 60, 20}},
        {IDC_BTN_UNINSTALL, L"Button", false, {52, 165, 60, 20}},
        {IDC_BTN_CANCEL, L"Button", true, {178, 165, 60, 20}},
        {IDC_BTN_FINISH, L"Button", false, {178, 165, 60, 20}},
        {IDC_PROGRESS, L"msctls_progress32", false, {1, 135, 290, 16}},
    };
    for (const auto& w : wants) {
      HWND item = ::GetDlgItem(Hwnd(), w.id);
      wchar_t cls[64] = {};
      RECT got{}, origin = {w.units.left, w.units.top, 0, 0}, size = {w.units.right, w.units.bottom, 0, 0};
      if (item) {
        ::GetClassNameW(item, cls, 64);
        ::GetWindowRect(item, &got);
        ::MapWindowPoints(HWND_DESKTOP, Hwnd(), reinterpret_cast<POINT*>(&got), 2);
      }
      ::MapDialogRect(Hwnd(), &origin);  // as the dialog manager does: place and size apart
      ::MapDialogRect(Hwnd(), &size);
      if (!item || _wcsicmp(cls, w.cls) != 0 || (::IsWindowVisible(item) != FALSE) != w.visible ||
          got.left != origin.left || got.top != origin.top ||
          got.right != origin.left + size.left || got.bottom != origin.top + size.top)
        wrong.push_back(w.id);
    }
  }
  static unsigned __stdcall Worker(void* arg) {
    auto* self = static_cast<Probe*>(arg);
    ::SetEvent(self->sending);
    ::SendMessageW(self->target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"from the worker"));
    return 0;
  }
  Plan plan_;
};

TEST(SetupDialogTemplate, ControlsClassesAndPlaces) {
  SKIP_WITHOUT_DISPLAY();
  Probe probe(Probe::Plan::kTemplate);
  ASSERT_EQ(probe.DoModal(), 9);
  EXPECT_TRUE(probe.wrong.empty()) << "control " << probe.wrong[0] << " and " << probe.wrong.size() - 1 << " more";
}

TEST(DialogLayer, ModalLoopEndsByEndDialogOrQuit) {
  SKIP_WITHOUT_DISPLAY();
  Probe early(Probe::Plan::kEndInInit);
  EXPECT_EQ(early.DoModal(), 7);
  EXPECT_EQ(early.Hwnd(), nullptr);
  Probe quit(Probe::Plan::kQuit);
  EXPECT_EQ(quit.DoModal(), DialogBase::kModalQuit);
  MSG left;  // the quit message was the loop's own, not left for the caller
  EXPECT_FALSE(::PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(DialogLayer, EscapeConsumedByPreTranslateMessage) {
  SKIP_WITHOUT_DISPLAY();
  Probe probe(Probe::Plan::kKeys);
  EXPECT_EQ(probe.DoModal(), 9);
  EXPECT_EQ(probe.keysSeen, (std::vector<UINT>{VK_ESCAPE, VK_RETURN}));
  for (WORD id : probe.commandsSeen) EXPECT_NE(id, IDCANCEL);  // no IDCANCEL made of it
}

TEST(DialogLayer, ClosingAnswersAWorkerThatTalksToThisThread) {
  SKIP_WITHOUT_DISPLAY();
  Probe probe(Probe::Plan::kWorkerSendsWhileClosing);
  probe.sending = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Outlives the dialog, so the worker's message stays pending until the join.
  probe.target = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(probe.target, nullptr);
  EXPECT_EQ(probe.DoModal(), 9);  // returns only if the join delivers the message
  wchar_t text[32] = {};
  ::GetWindowTextW(probe.target, text, 32);
  EXPECT_STREQ(text, L"from the worker");
  ::DestroyWindow(probe.target);
  ::CloseHandle(probe.sending);
}

// A setup program with a package of its own (tests/data/dialog), driven as a user would.
// Runs take turns across test processes: a second setup of the same product
// running at once would meet the single-instance lock and stop at its message.
class SetupRun {
 public:
  explicit SetupRun(const wchar_t* args) : turn_(::CreateMutexW(nullptr, FALSE, L"CxTestDialogSetupTurn")) {
    if (turn_) ::WaitForSingleObject(turn_, 120000);
    std::wstring cmd = L"\"" + TestHelperPath(L"cx_dialog_setup.exe") + L"\" " + args;
    STARTUPINFOW si = {sizeof si};
    if (::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_))
      ::CloseHandle(info_.hThread);
  }
  ~SetupRun() {
    if (info_.hProcess) {
      ::TerminateProcess(info_.hProcess, 99);  // no effect once it has ended
      ::WaitForSingleObject(info_.hProcess, 10000);
      ::CloseHandle(info_.hProcess);
    }
    if (turn_) {
      ::ReleaseMutex(turn_);
      ::CloseHandle(turn_);
    }
  }
  // The visible wizard window (it has the text control); null if the program ended first.
  HWND WaitForDialog() {
    for (int i = 0; info_.hProcess && i < 3000; ++i) {
      found_ = nullptr;
      ::EnumWindows(&SetupRun::Match, reinterpret_cast<LPARAM>(this));
      if (found_) return found_;
      if (::WaitForSingleObject(info_.hProcess, 20) != WAIT_TIMEOUT) break;
    }
    return nullptr;
  }
  DWORD WaitExit() const {  // STILL_ACTIVE when it did not end in a minute
    DWORD code = STILL_ACTIVE;
    ::WaitForSingleObject(info_.hProcess, 60000);
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  static BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
    auto* self = reinterpret_cast<SetupRun*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (pid == self->info_.dwProcessId && wcscmp(cls, L"#32770") == 0 &&
        ::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, IDC_MESSAGE_TEXT))
      self->found_ = hwnd;
    return self->found_ == nullptr;
  }
  HANDLE turn_;
  PROCESS_INFORMATION info_ = {};
  HWND found_ = nullptr;
};

bool Visible(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE; }
std::wstring MessageText(HWND dialog) {
  wchar_t buffer[256] = {};
  ::GetWindowTextW(::GetDlgItem(dialog, IDC_MESSAGE_TEXT), buffer, 256);
  return buffer;
}
void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

TEST(SetupDialogRun, WelcomePageThenCancel) {
  SKIP_WITHOUT_DISPLAY();
  SetupRun run(L"");
  HWND dialog = run.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Visible(dialog, IDC_BTN_INSTALL) && Visible(dialog, IDC_BTN_CANCEL));
  EXPECT_FALSE(Visible(dialog, IDC_BTN_UNINSTALL) || Visible(dialog, IDC_BTN_FINISH));
  EXPECT_NE(MessageText(dialog), L"Setup");  // the template's placeholder was replaced
  // The dialog manager's IDOK/IDCANCEL never close it.
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
  HWND dialog = run.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  const std::wstring welcome = MessageText(dialog);
  Press(dialog, IDC_BTN_INSTALL);
  Press(dialog, IDC_BTN_INSTALL);  // a second press must not start a second run
  for (int i = 0; i < 3000 && ::IsWindow(dialog) && !Visible(dialog, IDC_BTN_FINISH); ++i) ::Sleep(20);
  ASSERT_TRUE(Visible(dialog, IDC_BTN_FINISH));
  EXPECT_FALSE(Visible(dialog, IDC_BTN_INSTALL) || Visible(dialog, IDC_BTN_CANCEL));
  EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
  EXPECT_NE(MessageText(dialog), welcome);
  Press(dialog, IDC_BTN_FINISH);
  EXPECT_EQ(run.WaitExit(), 0u);
}

TEST(SetupDialogRun, SilentInstallEndsByItselfWithSuccess) {
  SKIP_WITHOUT_DISPLAY();
  EXPECT_EQ(SetupRun(L"/S").WaitExit(), 0u);
}

}  // namespace
