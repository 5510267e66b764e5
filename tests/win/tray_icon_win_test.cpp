// The tray icon against a recording shell and, when a display is there,
// against Wine's real notification area.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ui/tray_icon.h"

namespace {

struct ShellCall {
  DWORD message;
  NOTIFYICONDATAW data;
};
std::vector<ShellCall> g_calls;
BOOL g_answer = TRUE;

BOOL WINAPI RecordingShell(DWORD message, PNOTIFYICONDATAW data) {
  g_calls.push_back({message, *data});
  return g_answer;
}

// A hidden top-level window to own the icon; null when there is no display.
class HiddenWindow {
 public:
  HiddenWindow() {
    hwnd_ = CreateWindowExW(0, L"STATIC", L"cx tray test", WS_POPUP, 0, 0, 10, 10, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~HiddenWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HWND Get() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    g_answer = TRUE;
    if (!window_.Get()) GTEST_SKIP() << "no window could be created (no display)";
  }
  HiddenWindow window_;
};

TEST_F(TrayIconTest, AddBalloonRemoveFillTheRecord) {
  {
    CTrayIcon tray(RecordingShell);
    const std::u16string tip(200, u't'), body(300, u'b'), title(100, u'T');
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32516));  // IDI_INFORMATION
    ASSERT_TRUE(tray.Add(window_.Get(), kTrayNotifyMessage, tip.c_str(), icon, 7));
    EXPECT_TRUE(tray.ShowBalloon(body.c_str(), title.c_str(), 0, NIIF_INFO));
    tray.Remove();
    tray.Remove();  // a second remove does not reach the shell
  }  // nor does the destructor after a remove
  ASSERT_EQ(g_calls.size(), 3u);
  const NOTIFYICONDATAW& add = g_calls[0].data;
  EXPECT_EQ(g_calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(add.cbSize, 936u);
  EXPECT_EQ(add.hWnd, window_.Get());
  EXPECT_EQ(add.uID, 7u);
  EXPECT_EQ(add.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(add.uCallbackMessage, 1135u);
  EXPECT_EQ(std::wstring(add.szTip).size(), 127u);  // cut, not written past
  const NOTIFYICONDATAW& balloon = g_calls[1].data;
  EXPECT_EQ(g_calls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(std::wstring(balloon.szInfo).size(), 255u);
  EXPECT_EQ(std::wstring(balloon.szInfoTitle).size(), 63u);
  EXPECT_EQ(g_calls[2].message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(TrayIconTest, FailedAddStillShowsBalloonAndNeverDeletes) {
  {
    CTrayIcon tray(RecordingShell);
    EXPECT_FALSE(tray.Add(nullptr, kTrayNotifyMessage, u"", nullptr, 0));
    HWND dead = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(dead);
    EXPECT_FALSE(tray.Add(dead, kTrayNotifyMessage, u"", nullptr, 0));
    EXPECT_TRUE(g_calls.empty());  // no owner: the shell is not asked
    g_answer = FALSE;
    EXPECT_FALSE(tray.Add(window_.Get(), kTrayNotifyMessage, nullptr, nullptr, 0));
    EXPECT_FALSE(tray.ShowBalloon(nullptr, nullptr, 0, NIIF_INFO));
  }
  ASSERT_EQ(g_calls.size(), 2u);  // add and balloon; no delete, not even by the destructor
  EXPECT_EQ(g_calls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(g_calls[1].data.szInfo[0], L'\0');
}

TEST_F(TrayIconTest, NotificationsWithoutMenuResource) {
  CTrayIcon tray(RecordingShell);
  ASSERT_TRUE(tray.Add(window_.Get(), kTrayNotifyMessage, u"", nullptr, 5));
  EXPECT_EQ(tray.OnTrayNotification(4, WM_RBUTTONUP), 0);   // another icon
  EXPECT_EQ(tray.OnTrayNotification(5, WM_MOUSEMOVE), 1);   // ours, nothing to do
  EXPECT_EQ(tray.OnTrayNotification(5, WM_RBUTTONUP), 0);   // menu 5 does not exist
  EXPECT_EQ(tray.OnTrayNotification(5, WM_LBUTTONDBLCLK), 0);
}

TEST_F(TrayIconTest, RealShellAddBalloonDelete) {
  HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  CTrayIcon tray;
  if (!tray.Add(window_.Get(), kTrayNotifyMessage, u"cxsetup test", icon, 0))
    GTEST_SKIP() << "the shell has no notification area here";
  EXPECT_TRUE(tray.ShowBalloon(u"Installed", u"Finished", 0, NIIF_INFO));
  NOTIFYICONDATAW record = tray.Record();
  tray.Remove();
  EXPECT_FALSE(tray.IsAdded());
  // Gone: modifying the deleted icon is refused.
  record.uFlags = NIF_TIP;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &record));
}

}  // namespace
