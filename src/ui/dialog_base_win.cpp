// The thin Win32 dialog layer: modal loop, dispatch, control helpers, worker.
#include "ui/dialog_base.h"

#include <process.h>

namespace {

// Messages whose answer a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
  switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

}  // namespace

DialogBase::DialogBase(UINT templateId, HINSTANCE instance)
    : templateId_(templateId), instance_(instance ? instance : ::GetModuleHandleW(nullptr)) {}

DialogBase::~DialogBase() {
  if (hwnd_) ::DestroyWindow(hwnd_);
  JoinWorker();
}

INT_PTR DialogBase::DoModal(HWND owner) {
  ended_ = false;
  result_ = kModalQuit;
  HWND created = ::CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), owner, StaticProc,
                                      reinterpret_cast<LPARAM>(this));
  if (!created) {
    // Either OnInitDialog ended the dialog (and the window was destroyed
    // before it was ever shown) or the template could not be used.
    JoinWorker();
    return ended_ ? result_ : kModalQuit;
  }
  const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);

  MSG msg;
  while (!ended_ && hwnd_) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {  // WM_QUIT (consumed here) or a broken queue
      result_ = kModalQuit;
      break;
    }
    if (PreTranslateMessage(&msg)) continue;
    if (hwnd_ && ::IsDialogMessageW(hwnd_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }

  // Re-enable the owner first so that activation returns to it.
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (hwnd_) ::DestroyWindow(hwnd_);
  JoinWorker();
  return result_;
}

void DialogBase::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  // Wakes GetMessage in case the request came without a message behind it.
  if (hwnd_) ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

HWND DialogBase::Item(int id) const { return hwnd_ ? ::GetDlgItem(hwnd_, id) : nullptr; }

void DialogBase::SetItemText(int id, const char16_t* text) const {
  if (HWND item = Item(id)) ::SetWindowTextW(item, AsWide(text ? text : u""));
}

void DialogBase::ShowItem(int id, bool show) const {
  if (HWND item = Item(id)) ::ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

void DialogBase::EnableItem(int id, bool enable) const {
  if (HWND item = Item(id)) ::EnableWindow(item, enable ? TRUE : FALSE);
}

LRESULT DialogBase::SendItem(int id, UINT msg, WPARAM wParam, LPARAM lParam) const {
  HWND item = Item(id);
  return item ? ::SendMessageW(item, msg, wParam, lParam) : 0;
}

void DialogBase::SetTitle(const WString& text) const {
  if (hwnd_) ::SetWindowTextW(hwnd_, text.W());
}

bool DialogBase::OnCommand(WORD, WORD, HWND) { return false; }

bool DialogBase::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool DialogBase::PreTranslateMessage(MSG*) { return false; }

bool DialogBase::StartWorker(unsigned(__stdcall* proc)(void*), void* arg) {
  if (WorkerRunning()) return false;
  worker_.Reset();
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, proc, arg, 0, nullptr);
  if (thread == 0) return false;
  worker_.Reset(reinterpret_cast<HANDLE>(thread));
  return true;
}

bool DialogBase::WorkerRunning() const {
  return worker_ && ::WaitForSingleObject(worker_.Get(), 0) == WAIT_TIMEOUT;
}

void DialogBase::JoinWorker() {
  if (!worker_) return;
  HANDLE thread = worker_.Get();
  for (;;) {
    // Answers the messages already sent to this thread; the wait below
    // would not wake for those it has seen before.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    const DWORD woke =
        ::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (woke != WAIT_OBJECT_0 + 1) break;  // ended, or the wait itself failed
  }
  worker_.Reset();
}

INT_PTR CALLBACK DialogBase::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DialogBase* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<DialogBase*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<DialogBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  const INT_PTR answer = self->Dispatch(msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return answer;
}

INT_PTR DialogBase::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    const BOOL focus = OnInitDialog();
    if (ended_) {
      // Ended during initialisation: destroy the window before the system
      // shows it; CreateDialogParamW then returns null.
      ::DestroyWindow(hwnd_);
      return FALSE;
    }
    return focus;
  }
  LRESULT result = 0;
  bool handled;
  if (msg == WM_COMMAND) {
    handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
  } else {
    handled = OnMessage(msg, wParam, lParam, &result);
    if (!handled && msg == WM_CLOSE) {
      OnClose();
      handled = true;
    }
  }
  if (!handled) return FALSE;
  if (AnswersDirectly(msg)) return static_cast<INT_PTR>(result);
  if (hwnd_) ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}
