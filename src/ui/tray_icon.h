// One icon in the Windows notification area, with a balloon message. The
// setup program uses it once, at the end of a silent install, from the
// worker thread:
//
//   CTrayIcon tray;                       // e.g. a member of the dialog
//   tray.Add(GetDlgItem(dialog, 1002), kTrayNotifyMessage, u"", dialogIcon, 0);
//   tray.ShowBalloon(successText.Wide(), finishedText.Wide(), 3000, NIIF_INFO);  // blocks 3000 ms
//   tray.Remove();
//
// and routes its kTrayNotifyMessage to OnTrayNotification(wParam, lParam).
// ShowBalloon waits for the whole time-out even when Add failed.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>

constexpr UINT kTrayNotifyMessage = WM_USER + 111;  // 1135, the dialog's callback message

// The shell's record up to and including the balloon fields.
constexpr DWORD kTrayRecordSize = 936;

class CTrayIcon {
 public:
  using ShellNotifyFn = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);

  // `shell` is the notification call to use; tests pass a recorder.
  explicit CTrayIcon(ShellNotifyFn shell = ::Shell_NotifyIconW);
  virtual ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Adds the icon with `owner` as the window that receives
  // `callbackMessage`. The tip is cut to 127 characters (null = empty).
  // False, with nothing added, for a missing or dead owner window, a system
  // older than Windows 4, or a shell refusal.
  bool Add(HWND owner, UINT callbackMessage, const char16_t* tip, HICON icon, UINT iconId);

  // Shows a balloon on the icon (body cut to 255 characters, title to 63,
  // null = empty), then blocks the calling thread for `timeoutMs`. Returns
  // the shell's result; the shell is asked even if Add failed.
  BOOL ShowBalloon(const char16_t* text, const char16_t* title, UINT timeoutMs, DWORD infoFlags);

  // Deletes the icon if it was added; a second call does nothing.
  void Remove();

  // Handles the callback message: wParam is the icon id, lParam the mouse
  // message. Returns 0 for another icon's id and when the menu resource
  // named by the icon id (or its first submenu) is missing; 1 otherwise.
  // A right-button release shows that submenu at the cursor; a left
  // double-click sends the owner WM_COMMAND with its first item's id.
  virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

  bool IsAdded() const { return added_; }
  const NOTIFYICONDATAW& Record() const { return record_; }

 private:
  bool added_ = false;
  NOTIFYICONDATAW record_;
  ShellNotifyFn shell_;
};
