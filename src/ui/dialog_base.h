// DialogBase: the thin Win32 dialog layer the setup window is built on.
// A modal dialog made from a template resource, run by our own message loop
// so that PreTranslateMessage sees every message before IsDialogMessage;
// message handling by virtual dispatch; small control helpers; and one
// worker thread whose handle the dialog owns and joins when it closes.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/wstring.h"
#include "common/win_handles.h"

class DialogBase {
 public:
  // Result of DoModal when WM_QUIT ended the modal loop, or when the window
  // could not be created.
  static constexpr INT_PTR kModalQuit = -1;

  explicit DialogBase(UINT templateId, HINSTANCE instance = nullptr);
  virtual ~DialogBase();
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;

  // Creates the window from the template, runs the modal loop until
  // EndDialog or WM_QUIT, destroys the window and joins the worker thread.
  // The owner (if any) is disabled meanwhile. The window is destroyed
  // before it is shown when OnInitDialog already ended the dialog.
  INT_PTR DoModal(HWND owner = nullptr);
  // Ends the modal loop after the current message. Dialog thread only.
  void EndDialog(INT_PTR result);

  HWND Hwnd() const { return hwnd_; }
  bool IsEnded() const { return ended_; }

  // Control helpers; all tolerate a missing control.
  HWND Item(int id) const;
  void SetItemText(int id, const char16_t* text) const;
  void SetItemText(int id, const WString& text) const { SetItemText(id, text.Wide()); }
  void ShowItem(int id, bool show) const;
  void EnableItem(int id, bool enable) const;
  LRESULT SendItem(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void SetTitle(const WString& text) const;

 protected:
  // Called on WM_INITDIALOG. Return TRUE to let the system set the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // WM_COMMAND; true when handled.
  virtual bool OnCommand(WORD id, WORD code, HWND control);
  // Every other message; true when handled, with `*result` the answer.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Sees each message of the modal loop first; true when it was consumed.
  virtual bool PreTranslateMessage(MSG* msg);
  // WM_CLOSE; the default ends the dialog with IDCANCEL.
  virtual void OnClose() { EndDialog(IDCANCEL); }

  // Starts `proc(arg)` on a new thread of normal priority, owned by the
  // dialog. Refused (false) while an earlier worker still runs.
  bool StartWorker(unsigned(__stdcall* proc)(void*), void* arg);
  // Waits for the worker to end while still answering messages sent to
  // this thread's windows, so a worker that talks to the controls cannot
  // deadlock the wait.
  void JoinWorker();
  bool WorkerRunning() const;

  HINSTANCE Instance() const { return instance_; }

 private:
  static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

  UINT templateId_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  bool ended_ = false;
  INT_PTR result_ = kModalQuit;
  ScopedHandle worker_;
};
