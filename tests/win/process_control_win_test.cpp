// Process control against real processes: copies of the test helper under
// unique image names stand in for a product's programs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/process_control.h"
#include "platform/system_tools.h"
#include "common/win_handles.h"
#include "win_test_support.h"

namespace {
// A copy of the helper in `folder` under an image name nobody else's process has.
std::wstring CopyHelperTo(const TestFolder& folder, std::wstring imageName = L"") {
  static unsigned counter = 0;
  if (imageName.empty())
    imageName = L"cx_proc_target_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(++counter) + L".exe";
  std::wstring path = folder.File(imageName.c_str());
  CopyFileW(TestHelperPath(L"cx_test_helper.exe").c_str(), path.c_str(), FALSE);
  return path;
}

bool IsRunning(const HelperProcess& p) { return p.Started() && !p.WaitEnded(0); }

std::u16string U16(const std::wstring& s) { return std::u16string(AsU16(s.c_str())); }

// Whether the debug privilege is on in this process's token: what every
// program it starts now would inherit.
bool DebugPrivilegeEnabled() {
  ScopedHandle token;
  LUID debug = {};
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()) ||
      !LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &debug))
    return true;
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size, &size)) return true;
  const auto* list = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < list->PrivilegeCount; ++i) {
    const LUID& id = list->Privileges[i].Luid;
    if (id.LowPart == debug.LowPart && id.HighPart == debug.HighPart)
      return (list->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  return false;
}
}  // namespace

TEST(KillProcessesByImage, FullPathEndsOnlyThatCopyAndBareNameEndsEvery) {
  TestFolder folderA, folderB;
  const std::wstring pathA = CopyHelperTo(folderA);
  const std::wstring name = pathA.substr(pathA.rfind(L'\\') + 1);
  const std::wstring pathB = CopyHelperTo(folderB, name);
  HelperProcess a(L"sleep 60000", pathA), b(L"sleep 60000", pathB);
  ASSERT_TRUE(IsRunning(a) && IsRunning(b));

  EXPECT_EQ(KillProcessesByImage(U16(pathA).c_str()), CX_OK);
  EXPECT_TRUE(a.WaitEnded(10000));
  EXPECT_TRUE(IsRunning(b));

  HelperProcess a2(L"sleep 60000", pathA);
  ASSERT_TRUE(IsRunning(a2));
  EXPECT_EQ(KillProcessesByImage(U16(name).c_str()), CX_OK);
  EXPECT_TRUE(a2.WaitEnded(10000));
  EXPECT_TRUE(b.WaitEnded(10000));
  EXPECT_EQ(KillProcessesByImage(U16(name).c_str()), CX_OK);  // nothing left to end
}

// The debug privilege is on only while processes are opened, and off again
// before anything (taskkill, the next action's program) can be started.
TEST(KillProcessesByImage, TheDebugPrivilegeIsOffAgainAfterEnding) {
  ASSERT_FALSE(DebugPrivilegeEnabled()) << "the test process starts without it";
  TestFolder folder;
  const std::wstring path = CopyHelperTo(folder);
  HelperProcess first(L"sleep 60000", path), second(L"sleep 60000", path);
  ASSERT_TRUE(IsRunning(first) && IsRunning(second));
  EXPECT_EQ(KillProcessesByImage(U16(path).c_str()), CX_OK);
  EXPECT_TRUE(first.WaitEnded(10000) && second.WaitEnded(10000));
  EXPECT_FALSE(DebugPrivilegeEnabled()) << "after KillProcessesByImage";
  HelperProcess third(L"sleep 60000", path);
  ASSERT_TRUE(IsRunning(third));
  EXPECT_EQ(KillProcessById(third.Pid()), CX_DONE);
  EXPECT_FALSE(DebugPrivilegeEnabled()) << "after KillProcessById";
}

TEST(KillProcessesByImage, NeverEndsTheInstallerItself) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  EXPECT_EQ(KillProcessesByImage(AsU16(self)), CX_OK);  // were it ended, no report came
  EXPECT_EQ(KillProcessById(GetCurrentProcessId()), CX_NOT_DONE);
}

TEST(KillProcessById, EndsAWindowThatIgnoresClose) {
  TestFolder folder;
  HelperProcess p(L"window 60000 ignoreclose", CopyHelperTo(folder));
  if (!IsRunning(p)) GTEST_SKIP() << "the window helper needs a display (DISPLAY)";
  ASSERT_NE(FindProcessWindow(p.Pid()), nullptr);
  EXPECT_EQ(KillProcessById(p.Pid()), CX_DONE);
  EXPECT_TRUE(p.WaitEnded(10000));
}

TEST(SystemTools, TaskkillRunsByFullPathFromTheSystemFolder) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  WString taskkill;
  ASSERT_EQ(SystemToolPath(u"taskkill.exe", &taskkill), CX_OK);
  EXPECT_EQ(std::wstring(taskkill.W()), std::wstring(system) + L"\\taskkill.exe");

  TestFolder folder;
  HelperProcess target(L"sleep 60000", CopyHelperTo(folder));
  ASSERT_TRUE(IsRunning(target));
  std::u16string parameters = u"/F /PID " + U16(std::to_wstring(target.Pid()));
  EXPECT_EQ(RunSystemTool(u"taskkill.exe", parameters.c_str(), 1, CX_WAIT_FOREVER), CX_OK);
  EXPECT_TRUE(target.WaitEnded(10000));
}

// A tool that outlives its limit is ended, and so is what it started; one
// that ends in time gives its exit code.
TEST(SystemTools, ToolPastItsLimitIsEndedWithWhatItStarted) {
  const std::wstring helper = TestHelperPath(L"cx_test_helper.exe");
  uint32_t code = 0;
  EXPECT_EQ(RunToolInJob(U16(helper).c_str(), U16(L"\"" + helper + L"\" exit 7").c_str(), 30000, &code),
            CX_OK);
  EXPECT_EQ(code, 7u);

  TestFolder folder;
  const std::wstring childFile = folder.File(L"child.txt");
  code = 99;
  EXPECT_EQ(RunToolInJob(U16(helper).c_str(),
                         U16(L"\"" + helper + L"\" spawn \"" + childFile + L"\" 60000").c_str(), 3000,
                         &code),
            static_cast<CxResult>(ERROR_TIMEOUT));
  EXPECT_EQ(code, 99u);
  const std::wstring childId = ReadFileText(childFile);
  ASSERT_FALSE(childId.empty()) << "the tool started nothing within its limit";
  ScopedHandle child(OpenProcess(SYNCHRONIZE, FALSE, std::stoul(childId)));
  EXPECT_TRUE(!child || WaitForSingleObject(child.Get(), 10000) == WAIT_OBJECT_0)
      << "the tool's own child outlived it";
}
