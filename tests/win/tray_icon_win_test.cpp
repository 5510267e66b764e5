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

TEST_F(TrayIconTest, AddFillsTheRecordAndCutsTheTip) {
  CTrayIcon tray(RecordingShell);
  const std::u16string tip(200, u't');
  HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32516));  // IDI_INFORMATION
  ASSERT_TRUE(tray.Add(window_.Get(), kTrayNotifyMessage, tip.c_str(), icon, 7));
  EXPECT_TRUE(tray.IsAdded());
  ASSERT_EQ(g_calls.size(), 1u);
  const ShellCall& c = g_calls[0];
  EXPECT_EQ(c.message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(c.data.cbSize, 936u);
  EXPECT_EQ(c.data.hWnd, window_.Get());
  EXPECT_EQ(c.data.uID, 7u);
  EXPECT_EQ(c.data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(c.data.uCallbackMessage, 1135u);
  EXPECT_EQ(c.data.hIcon, icon);
  EXPECT_EQ(std::wstring(c.data.szTip).size(), 127u);
}

TEST_F(TrayIconTest, AddNeedsALiveOwnerAndFollowsTheShell) {
  CTrayIcon tray(RecordingShell);
  EXPECT_FALSE(tray.Add(nullptr, kTrayNotifyMessage, u"", nullptr, 0));
  HWND dead = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(dead, nullptr);
  DestroyWindow(dead);
  EXPECT_FALSE(tray.Add(dead, kTrayNotifyMessage, u"", nullptr, 0));
  EXPECT_TRUE(g_calls.empty());
  g_answer = FALSE;
  EXPECT_FALSE(tray.Add(window_.Get(), kTrayNotifyMessage, nullptr, nullptr, 0));
  EXPECT_FALSE(tray.IsAdded());
  tray.Remove();  // nothing added: the shell is not asked to delete
  EXPECT_EQ(g_calls.size(), 1u);
}

TEST_F(TrayIconTest, BalloonCutsTextsAndRemoveDeletesOnce) {
  {
    CTrayIcon tray(RecordingShell);
    ASSERT_TRUE(tray.Add(window_.Get(), kTrayNotifyMessage, u"", nullptr, 0));
    const std::u16string body(300, u'b'), title(100, u'T');
    EXPECT_TRUE(tray.ShowBalloon(body.c_str(), title.c_str(), 0, NIIF_INFO));
    ASSERT_EQ(g_calls.size(), 2u);
    const ShellCall& c = g_calls[1];
    EXPECT_EQ(c.message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(c.data.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(c.data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_EQ(std::wstring(c.data.szInfo).size(), 255u);
    EXPECT_EQ(std::wstring(c.data.szInfoTitle).size(), 63u);
    EXPECT_EQ(std::wstring(tray.Record().szTip), L"");  // the record beyond stays intact
    tray.Remove();
    tray.Remove();
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[2].message, static_cast<DWORD>(NIM_DELETE));
  }
  EXPECT_EQ(g_calls.size(), 3u);  // the destructor does not delete again

  // A balloon without an icon still asks the shell, with empty texts for null.
  g_calls.clear();
  g_answer = FALSE;
  CTrayIcon lone(RecordingShell);
  EXPECT_FALSE(lone.ShowBalloon(nullptr, nullptr, 0, NIIF_INFO));
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].data.szInfo[0], L'\0');
}

TEST_F(TrayIconTest, DestructorRemovesAnAddedIcon) {
  {
    CTrayIcon tray(RecordingShell);
    ASSERT_TRUE(tray.Add(window_.Get(), kTrayNotifyMessage, u"", nullptr, 3));
  }
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[1].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(g_calls[1].data.uID, 3u);
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
