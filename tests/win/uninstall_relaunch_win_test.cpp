// The installed uninstaller under Wine: started as Uninstall.exe it copies
// itself to a new Uninstallation_XXXXXXXX.exe in the temporary folder,
// starts the copy with "/UNINSTALL_COPY" (and " /S" when silent) and ends;
// the copy uninstalls and arranges its own deletion.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/win_handles.h"
#include "win_test_support.h"

namespace {
// Wine's setup runs elevated: the working folder is the Windows folder's Temp.
std::wstring TempFolder() {
  wchar_t windows[MAX_PATH];
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\Temp\\";
}

std::vector<std::string> Lines(const std::wstring& path) {
  std::wstring text = ReadFileText(path);
  std::vector<std::string> lines;
  std::istringstream in(std::string(text.begin(), text.end()));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

DWORD RunAndWait(const std::wstring& exe, const std::wstring& args) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 0xFFFFFFFF;
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(process.Get(), 30000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}
}  // namespace

TEST(UninstallRelaunch, CopyRunsFromTempWithItsSwitchesAndDeletesItself) {
  const std::wstring temp = TempFolder();
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent" : "with window");
    TestFolder folder;
    PendingRenamesGuard pending(temp + L"Uninstallation_");
    const std::wstring exe = folder.File(L"Uninstall.exe");
    ASSERT_TRUE(CopyFileW(TestHelperPath(L"cx_relaunch_probe.exe").c_str(), exe.c_str(), FALSE));
    const std::wstring log = folder.File(L"log.txt");
    SetEnvironmentVariableW(L"CX_RELAUNCH_PROBE_LOG", log.c_str());

    EXPECT_EQ(RunAndWait(exe, silent ? L"/SILENT" : L""), 0u) << "the launcher ends at once";
    std::vector<std::string> lines;
    for (int i = 0; i < 200 && (lines = Lines(log)).size() < 3; ++i) Sleep(100);
    ASSERT_EQ(lines.size(), 3u) << "launcher and copy each report once";
    // The launcher's line may come before or after the copy's two.
    std::stable_partition(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("mode=3", 0) == 0; });

    EXPECT_NE(lines[0].find("mode=3 copy=0"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("exitNow=1 result=1"), std::string::npos) << lines[0];

    std::smatch m;
    const std::regex copyLine(
        R"(mode=4 copy=1 silent=(\d) exitNow=0 result=1 module=(.*\\Uninstallation_[0-9A-F]{16}\.exe) cmdline=.* (/UNINSTALL_COPY.*)$)");
    ASSERT_TRUE(std::regex_search(lines[1], m, copyLine)) << lines[1];
    EXPECT_EQ(m[1].str(), silent ? "1" : "0");
    EXPECT_EQ(m[3].str(), silent ? "/UNINSTALL_COPY /S" : "/UNINSTALL_COPY");
    const std::string copy = m[2].str();
    const std::wstring copyPath(copy.begin(), copy.end());
    EXPECT_EQ(_wcsnicmp(copyPath.c_str(), temp.c_str(), temp.size()), 0)
        << "the copy lives in the working folder";
    // While it runs, its file admits only administrators and cannot be renamed.
    ASSERT_TRUE(std::regex_search(lines[2], m, std::regex(R"(^rename=(\d+) dacl=(.*)$)"))) << lines[2];
    EXPECT_EQ(m[1].str(), "32") << "renamed while running";
    const std::string sddl = m[2].str();
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                                     &sd, nullptr))
        << sddl;
    ExpectOnlyAdministratorsAndSystem(SummarizeDacl(sd));
    LocalFree(sd);

    // The copy's shell deletes it once it has ended; should that lose the
    // race, the deletion at the next restart stands.
    bool gone = false;
    for (int i = 0; i < 100 && !(gone = !FileExists(copyPath)); ++i) Sleep(100);
    EXPECT_TRUE(gone || !pending.Mine().empty()) << copy;
    if (!gone) DeleteFileW(copyPath.c_str());
  }
}
