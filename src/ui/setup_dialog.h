// CSetupDlg: the setup program's one window. It presents a RunController's
// run: checks' messages, the welcome page in the mode's texts, the progress
// bar while the controller's worker runs the list, and the result with a
// Finish button; a silent install has an invisible window and ends with a
// notification balloon. The run itself is the controller's.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/run_observer.h"
#include "common/wstring.h"
#include "common/win_handles.h"
#include "ui/dialog_base.h"
#include "ui/tray_icon.h"

class RunController;

class CSetupDlg : public DialogBase, public RunObserver {
 public:
  explicit CSetupDlg(RunController* run);
  ~CSetupDlg() override;

  HICON Icon() const { return icon_.Get(); }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool PreTranslateMessage(MSG* msg) override;
  void OnClose() override;

  // RunObserver.
  void ShowMessage(const WString& text, const WString& caption, uint32_t style) override;
  void ShowProgressBar() override;
  void SetProgress(uint32_t percent) override;
  void ShowResult(bool succeeded) override;
  void Announce(const WString& body, const WString& title) override;
  void EndPresentation() override;

 private:
  // Worker thread: the controller's run.
  static unsigned __stdcall RunWorker(void* dialog);

  void OnBtnInstall();
  void OnBtnCancel();
  void OnBtnFinish();
  void OnPaint();
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);

  // Looks up an IDS_ text; `out` is emptied first, so a missing key leaves
  // an empty text. True when the key was found.
  bool Text(const char* key, WString* out) const;
  void FillWelcomePage();

  RunController* run_;
  ScopedIcon icon_;
  CTrayIcon tray_;
};
