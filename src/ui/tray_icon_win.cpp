// Notification-area icon and balloon through Shell_NotifyIconW.
#include "ui/tray_icon.h"

#include <cstring>

#include "common/win_handles.h"

static_assert(NOTIFYICONDATAW_V2_SIZE == kTrayRecordSize, "balloon-era record layout");

namespace {
// Copies at most capacity - 1 characters and terminates; null copies as "".
void CopyCut(wchar_t* dest, size_t capacity, const char16_t* src) {
  size_t n = 0;
  if (src)
    for (; n + 1 < capacity && src[n]; ++n) dest[n] = static_cast<wchar_t>(src[n]);
  dest[n] = L'\0';
}
}  // namespace

CTrayIcon::CTrayIcon(ShellNotifyFn shell) : shell_(shell) { std::memset(&record_, 0, sizeof(record_)); }

CTrayIcon::~CTrayIcon() { Remove(); }

bool CTrayIcon::Add(HWND owner, UINT callbackMessage, const char16_t* tip, HICON icon,
                    UINT iconId) {
  if (LOBYTE(LOWORD(GetVersion())) < 4 || !owner || !IsWindow(owner) || !shell_) {
    added_ = false;
    return false;
  }
  record_.cbSize = kTrayRecordSize;
  record_.hWnd = owner;
  record_.uID = iconId;
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record_.uCallbackMessage = callbackMessage;
  record_.hIcon = icon;
  CopyCut(record_.szTip, sizeof(record_.szTip) / sizeof(record_.szTip[0]), tip);
  added_ = shell_(NIM_ADD, &record_) != FALSE;
  return added_;
}

BOOL CTrayIcon::ShowBalloon(const char16_t* text, const char16_t* title, UINT timeoutMs,
                            DWORD infoFlags) {
  record_.cbSize = kTrayRecordSize;
  record_.uTimeout = timeoutMs;
  record_.dwInfoFlags = infoFlags;
  record_.uFlags = NIF_INFO;
  CopyCut(record_.szInfo, sizeof(record_.szInfo) / sizeof(record_.szInfo[0]), text);
  CopyCut(record_.szInfoTitle, sizeof(record_.szInfoTitle) / sizeof(record_.szInfoTitle[0]),
          title);
  const BOOL shown = shell_ ? shell_(NIM_MODIFY, &record_) : FALSE;
  Sleep(timeoutMs);
  return shown;
}

void CTrayIcon::Remove() {
  if (!added_) return;
  record_.uFlags = 0;
  if (shell_) shell_(NIM_DELETE, &record_);
  added_ = false;
}

LRESULT CTrayIcon::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
  if (wParam != record_.uID) return 0;
  const UINT mouse = static_cast<UINT>(lParam);
  if (mouse != WM_RBUTTONUP && mouse != WM_LBUTTONDBLCLK) return 1;
  ScopedMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(record_.uID)));
  if (!menu) return 0;
  HMENU sub = GetSubMenu(menu.Get(), 0);
  if (!sub) return 0;
  if (mouse == WM_RBUTTONUP) {
    SetMenuDefaultItem(sub, 0, TRUE);
    POINT at = {};
    GetCursorPos(&at);
    SetForegroundWindow(record_.hWnd);
    TrackPopupMenu(sub, TPM_LEFTALIGN, at.x, at.y, 0, record_.hWnd, nullptr);
  } else {
    SetForegroundWindow(record_.hWnd);
    SendMessageW(record_.hWnd, WM_COMMAND, GetMenuItemID(sub, 0), 0);
  }
  return 1;
}
