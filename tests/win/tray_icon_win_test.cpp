// The tray icon against a recording shell and Wine's real notification area.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ui/tray_icon.h"

namespace {

std::vector<std::pair<DWORD, NOTIFYICONDATAW>> g_calls;
BOOL g_answer = TRUE;

BOOL WINAPI RecordingShell(DWORD message, PNOTIFYICONDATAW data) {
  g_calls.push_back({message, *data});
  return g_answer;
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    g_answer = TRUE;
    window_ = CreateWindowExW(0, L"STATIC", L"cx tray test", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) GTEST_SKIP() << "no window could be created (no display)";
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(TrayIconTest, TextsAreCutAndTheIconDeletedOnce) {
  {
    CTrayIcon tray(RecordingShell);
    const std::u16string tip(200, u't'), body(300, u'b'), title(100, u'T');
    ASSERT_TRUE(tray.Add(window_, kTrayNotifyMessage, tip.c_str(), nullptr, 7));
    EXPECT_TRUE(tray.ShowBalloon(body.c_str(), title.c_str(), 0, NIIF_INFO));
    tray.Remove();
    tray.Remove();  // neither this nor the destructor reaches the shell again
  }
  ASSERT_EQ(g_calls.size(), 3u);
  EXPECT_EQ(g_calls[0].first, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(g_calls[0].second.uID, 7u);
  EXPECT_EQ(std::wstring(g_calls[0].second.szTip).size(), 127u);  // cut, not written past
  EXPECT_EQ(g_calls[1].first, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(std::wstring(g_calls[1].second.szInfo).size(), 255u);
  EXPECT_EQ(std::wstring(g_calls[1].second.szInfoTitle).size(), 63u);
  EXPECT_EQ(g_calls[2].first, static_cast<DWORD>(NIM_DELETE));

  g_calls.clear();
  g_answer = FALSE;
  { EXPECT_FALSE(CTrayIcon(RecordingShell).Add(window_, kTrayNotifyMessage, u"", nullptr, 0)); }
  EXPECT_EQ(g_calls.size(), 1u);  // a failed add is never deleted
}

TEST_F(TrayIconTest, RealShellAddBalloonDelete) {
  HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  CTrayIcon tray;
  if (!tray.Add(window_, kTrayNotifyMessage, u"cxsetup test", icon, 0))
    GTEST_SKIP() << "the shell has no notification area here";
  EXPECT_TRUE(tray.ShowBalloon(u"Installed", u"Finished", 0, NIIF_INFO));
  NOTIFYICONDATAW record = tray.Record();
  tray.Remove();
  record.uFlags = NIF_TIP;  // gone: modifying the deleted icon is refused
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &record));
}

}  // namespace
