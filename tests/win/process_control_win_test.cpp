// Process control against real processes: copies of the test helper under
// unique image names stand in for a product's programs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/process_control.h"
#include "platform/system_tools.h"
#include "platform/win_handles.h"
#include "win_test_support.h"

namespace {
// An image name nobody else's process has.
std::wstring UniqueImageName() {
  static unsigned counter = 0;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  wchar_t name[64];
  swprintf(name, 64, L"cx_proc_target_%08lX%04X.exe",
           static_cast<unsigned long>(now.LowPart ^ (GetCurrentProcessId() << 16)), ++counter);
  return name;
}

std::wstring CopyHelperTo(const TestFolder& folder, const std::wstring& imageName) {
  std::wstring path = folder.File(imageName.c_str());
  CopyFileW(TestHelperPath(L"cx_test_helper.exe").c_str(), path.c_str(), FALSE);
  return path;
}

bool IsRunning(const HelperProcess& p) { return p.Started() && !p.WaitEnded(0); }

std::u16string U16(const std::wstring& s) { return std::u16string(AsU16(s.c_str())); }
}  // namespace

TEST(KillProcessesByImage, FullPathEndsOnlyThatCopyAndBareNameEndsEvery) {
  TestFolder folderA, folderB;
  std::wstring name = UniqueImageName();
  std::wstring pathA = CopyHelperTo(folderA, name), pathB = CopyHelperTo(folderB, name);
  HelperProcess a(L"sleep 60000", pathA), b(L"sleep 60000", pathB);
  ASSERT_TRUE(IsRunning(a) && IsRunning(b));

  // A name ending in a backslash is a path no image has.
  EXPECT_EQ(KillProcessesByImage(U16(pathA + L"\\").c_str()), CX_OK);
  EXPECT_TRUE(IsRunning(a));

  EXPECT_EQ(KillProcessesByImage(U16(pathA).c_str()), CX_OK);
  EXPECT_TRUE(a.WaitEnded(10000));
  EXPECT_TRUE(IsRunning(b));

  HelperProcess a2(L"sleep 60000", pathA);
  ASSERT_TRUE(IsRunning(a2));
  EXPECT_EQ(KillProcessesByImage(U16(name).c_str()), CX_OK);
  EXPECT_TRUE(a2.WaitEnded(10000));
  EXPECT_TRUE(b.WaitEnded(10000));
}

TEST(KillProcessesByImage, NothingToEndAndBadNames) {
  EXPECT_EQ(KillProcessesByImage(U16(UniqueImageName()).c_str()), CX_OK);
  EXPECT_EQ(KillProcessesByImage(nullptr), CX_E_INVALID_ARG);
  EXPECT_EQ(KillProcessesByImage(u""), CX_E_INVALID_ARG);
}

TEST(KillProcessesByImage, NeverEndsTheInstallerItselfNorUnopenableIds) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  // Were it ended, this test could not report success.
  EXPECT_EQ(KillProcessesByImage(AsU16(self)), CX_OK);
  EXPECT_EQ(KillProcessById(GetCurrentProcessId()), CX_NOT_DONE);
  // Process ids are multiples of four; this one is never handed out.
  EXPECT_EQ(KillProcessById(0xFFFFFFFC), CX_NOT_DONE);
}

TEST(KillProcessById, EndsAWindowThatIgnoresClose) {
  TestFolder folder;
  std::wstring path = CopyHelperTo(folder, UniqueImageName());
  HelperProcess p(L"window 60000 ignoreclose", path);
  if (!IsRunning(p)) GTEST_SKIP() << "the window helper needs a display (DISPLAY)";
  HWND window = static_cast<HWND>(FindProcessWindow(p.Pid()));
  ASSERT_NE(window, nullptr);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, p.Pid());

  EXPECT_EQ(KillProcessById(p.Pid()), CX_DONE);
  EXPECT_TRUE(p.WaitEnded(10000));
}

TEST(EnablePrivilege, KnownAndUnknownPrivileges) {
  EXPECT_EQ(EnablePrivilege(u"SeDebugPrivilege", 1), CX_DONE);
  EXPECT_EQ(EnablePrivilege(u"SeNoSuchPrivilege", 1), CX_NOT_DONE);
  EXPECT_EQ(EnablePrivilege(nullptr, 1), CX_NOT_DONE);
}

TEST(SystemTools, RunFromTheSystemFolderNotTheCurrentDirectory) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  WString taskkill;
  ASSERT_EQ(SystemToolPath(u"taskkill.exe", &taskkill), CX_OK);
  EXPECT_EQ(std::wstring(taskkill.W()), std::wstring(system) + L"\\taskkill.exe");
  EXPECT_TRUE(FileExists(taskkill.W()));

  // A planted taskkill.exe in the current directory (a helper copy, which
  // ends nothing) must not be what runs. (Wine's shell prefers the system
  // folder even for a bare name; Windows searches the current directory.)
  TestFolder planted;
  CopyHelperTo(planted, L"taskkill.exe");
  TestFolder folder;
  HelperProcess target(L"sleep 60000", CopyHelperTo(folder, UniqueImageName()));
  ASSERT_TRUE(IsRunning(target));
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(planted.Path().c_str()));
  std::u16string parameters = u"/F /PID " + U16(std::to_wstring(target.Pid()));
  CxResult r = RunSystemTool(u"taskkill.exe", parameters.c_str(), 1, CX_WAIT_FOREVER);
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(r, CX_OK);
  EXPECT_TRUE(target.WaitEnded(10000));
}
