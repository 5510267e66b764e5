// The browser check against real processes, wSpawn.exe's frames, and the
// Firefox step with a stand-in certutil.exe and a profiles.ini in the
// prefix's roaming folder. Tests that start "browsers" or touch the roaming
// folder take turns through named mutexes, as ctest runs tests side by side.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "browser/browser_check.h"
#include "browser/firefox_import.h"
#include "browser/firefox_profile.h"
#include "common/win_handles.h"
#include "engine/install_context.h"
#include "win_test_support.h"

namespace {

std::wstring Copy(const std::wstring& from, const std::wstring& to) {
  EXPECT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << GetLastError();
  return to;
}

// A CertToReg folder: the stand-in certutil.exe, wSpawn.exe and a root.
struct CertToReg {
  CertToReg() {
    Copy(TestHelperPath(L"cx_certutil_standin.exe"), folder.File(L"certutil.exe"));
    Copy(WinePath(CX_WSPAWN_PATH), folder.File(L"wSpawn.exe"));
    Copy(WinePath(CX_TEST_CERT_DIR "/rsa.der"), folder.File(L"CxWssRoot.cer"));
    path = folder.Path().substr(0, folder.Path().size() - 1);  // no trailing backslash
  }
  std::string Log() const {
    std::wstring text = ReadFileText(folder.File(L"certutil.log"));
    return std::string(text.begin(), text.end());
  }
  const char16_t* Path() const { return AsU16(path.c_str()); }
  TestFolder folder;
  std::wstring path;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    out.push_back(text.substr(start, nl - start));
  }
  return out;
}

// A Firefox profile list of our own in the roaming folder, removed after.
class FirefoxProfiles {
 public:
  FirefoxProfiles() : turn_(L"cx_test_firefox_profiles") {
    wchar_t appData[MAX_PATH];
    SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, TRUE);
    mozilla_ = std::wstring(appData) + L"\\Mozilla";
    firefox_ = mozilla_ + L"\\Firefox";
    existed_ = GetFileAttributesW(mozilla_.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  ~FirefoxProfiles() {
    if (existed_) return;
    std::wstring from = mozilla_ + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
  }
  bool Usable() const { return !existed_; }
  // Writes profiles.ini naming Profiles/abcd.default, made with or without cert9.db.
  std::wstring Make(bool cert9) {
    WriteIni("[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/abcd.default\r\n");
    CreateDirectoryW((firefox_ + L"\\Profiles").c_str(), nullptr);
    const std::wstring profile = firefox_ + L"\\Profiles/abcd.default";
    CreateDirectoryW(profile.c_str(), nullptr);
    if (cert9) WriteFileText(profile + L"\\cert9.db", "");
    return profile;
  }
  void WriteIni(const std::string& text) {
    CreateDirectoryW(mozilla_.c_str(), nullptr);
    CreateDirectoryW(firefox_.c_str(), nullptr);
    WriteFileText(firefox_ + L"\\profiles.ini", text);
  }

 private:
  Turn turn_;
  std::wstring mozilla_;
  std::wstring firefox_;
  bool existed_ = false;
};

std::string Ansi(const std::wstring& w) { return std::string(w.begin(), w.end()); }

bool ProcessRunning(const wchar_t* image) {
  ScopedFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W e = {};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snapshot.Get(), &e); ok; ok = Process32NextW(snapshot.Get(), &e)) {
    if (_wcsicmp(e.szExeFile, image) == 0) return true;
  }
  return false;
}

}  // namespace

TEST(BrowserCheckWin, OnlyExactImageNamesCount) {
  Turn turn(L"cx_test_browser_processes");
  TestFolder folder;
  const std::wstring helper = TestHelperPath(L"cx_test_helper.exe");
  ASSERT_FALSE(IsBrowserRunning()) << "a browser runs before the test";
  {
    HelperProcess upper(L"sleep 30000", Copy(helper, folder.File(L"FIREFOX.EXE")));
    HelperProcess suffixed(L"sleep 30000", Copy(helper, folder.File(L"firefox.exe.bak")));
    ASSERT_TRUE(upper.Started() && suffixed.Started());
    EXPECT_FALSE(IsBrowserRunning());
  }
  HelperProcess chrome(L"sleep 30000", Copy(helper, folder.File(L"chrome.exe")));
  ASSERT_TRUE(chrome.Started());
  EXPECT_TRUE(IsBrowserRunning());
  EXPECT_TRUE(CheckBrowserBeforeRun(kModeRepair).refuse);
  EXPECT_FALSE(CheckBrowserBeforeRun(kModeUninstall).refuse) << "no check when uninstalling";
  EXPECT_FALSE(CheckBrowserBeforeRun(kModeUninstallLauncher).refuse);
}

// Run by ctest once per locale, with CX_EXPECTED_LANGUAGE_CODE set.
TEST(BrowserCheckWin, DISABLED_RefusalFollowsSystemLanguage) {
  Turn turn(L"cx_test_browser_processes");
  const char* expected = std::getenv("CX_EXPECTED_LANGUAGE_CODE");
  ASSERT_NE(expected, nullptr);
  TestFolder folder;
  HelperProcess firefox(L"sleep 30000", Copy(TestHelperPath(L"cx_test_helper.exe"), folder.File(L"firefox.exe")));
  ASSERT_TRUE(firefox.Started());
  const BrowserRefusal r = CheckBrowserBeforeRun(kModeInstall);
  const BrowserRefusal want = BrowserRefusalFor(true, uint32_t(std::atoi(expected)));
  EXPECT_TRUE(r.refuse);
  EXPECT_EQ(r.text, want.text);  // the same table entry, or null for other languages
  EXPECT_EQ(r.caption, want.caption);
}

namespace {
// Runs wSpawn directly and returns its raw output and exit code.
struct Spawned {
  std::string bytes;
  DWORD exitCode = 0xFFFF;
};
Spawned RunWSpawn(const CertToReg& tools, const std::string& command) {
  Spawned out;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  ScopedHandle r, w;
  CreatePipe(r.Receive(), w.Receive(), &sa, 0);
  SetHandleInformation(r.Get(), HANDLE_FLAG_INHERIT, 0);
  std::wstring line = L"wSpawn.exe -h " + std::to_wstring(reinterpret_cast<uintptr_t>(w.Get())) +
                      L" " + std::wstring(command.begin(), command.end());
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  const std::wstring exe = tools.folder.File(L"wSpawn.exe");
  if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    return out;
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  w.Reset();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(r.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    out.bytes.append(buffer, got);
  WaitForSingleObject(process.Get(), 60000);
  GetExitCodeProcess(process.Get(), &out.exitCode);
  return out;
}
// The frames' text; false when the frames are malformed or not ended.
bool Unframe(const std::string& bytes, std::string* text) {
  size_t pos = 0;
  for (;;) {
    if (bytes.size() - pos < 4) return false;
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | uint8_t(bytes[pos + i]);
    pos += 4;
    if (n == 0) return pos == bytes.size();
    if (bytes.size() - pos < n) return false;
    text->append(bytes, pos, n);
    pos += n;
  }
}
}  // namespace

TEST(WSpawnWin, FramesExitCodesAndLookupBesideItself) {
  CertToReg tools;
  const struct { const char* command; DWORD exitCode; size_t textLength; const char* text; } cases[] = {
      {"certutil.exe --bytes 0", 0, 0, ""},                           // empty output: the end frame alone
      {"certutil --bytes 1500000", 0, 1500000, nullptr},              // over 1 MiB, ".exe" added
      {"certutil.exe --stderr oops --exit 3", 1, 4, "oops"},          // failing command, its errors kept
      {"no-such-program.exe --bytes 5", 2, 0, ""},                    // missing program
      {"C:\\windows\\system32\\cmd.exe /c echo x", 2, 0, ""},        // a program elsewhere
  };
  for (const auto& c : cases) {
    const Spawned s = RunWSpawn(tools, c.command);
    std::string text;
    EXPECT_TRUE(Unframe(s.bytes, &text)) << c.command;
    EXPECT_EQ(s.exitCode, c.exitCode) << c.command;
    EXPECT_EQ(text.size(), c.textLength) << c.command;
    if (c.text) {
      EXPECT_EQ(text, c.text) << c.command;
    } else {
      EXPECT_EQ(text.substr(0, 12), "012345678901") << c.command;
    }
  }
  std::string captured;
  EXPECT_EQ(RunWithCapturedOutput(tools.Path(), "certutil.exe --bytes 1200000", &captured), kRunSucceeded);
  EXPECT_EQ(captured.size(), 1200000u);
  EXPECT_EQ(RunWithCapturedOutput(tools.Path(), "certutil.exe --exit 1", &captured), kRunFailed);
}

TEST(FirefoxStepWin, CommandsFollowTheProfile) {
  FirefoxProfiles profiles;
  if (!profiles.Usable()) GTEST_SKIP() << "the prefix has a Mozilla folder of its own";
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);

  {  // no profiles.ini: once, with an empty database folder
    CertToReg tools;
    EXPECT_EQ(RegisterFirefoxRootCert(tools.Path(), false), 1);
    const CertutilCommands c = FormatCertutilCommands("CxWssRoot.cer", "", 0);
    EXPECT_EQ(Lines(tools.Log()), (std::vector<std::string>{c.remove, c.add, c.list}));
  }
  char16_t found[MAX_PATH] = {};
  uint32_t cert9 = 7;
  profiles.WriteIni("[General]\r\nStartWithLastProfile=1\r\n");
  SetLastError(0);
  EXPECT_FALSE(FindFirefoxProfile(found, MAX_PATH, &cert9)) << "no Profile0";
  {  // only the older database: once, without a prefix
    const std::string profile = Ansi(profiles.Make(false));
    char16_t path[MAX_PATH] = {};
    cert9 = 0;
    EXPECT_TRUE(FindFirefoxProfile(path, MAX_PATH, &cert9));
    EXPECT_EQ(cert9, 0u);
    CertToReg tools;
    EXPECT_EQ(RegisterFirefoxRootCert(tools.Path(), false), 1);
    const CertutilCommands c = FormatCertutilCommands("CxWssRoot.cer", profile.c_str(), 0);
    EXPECT_EQ(Lines(tools.Log()), (std::vector<std::string>{c.remove, c.add, c.list}));
  }
  {  // with cert9.db: twice, the second time with "sql:"
    const std::string profile = Ansi(profiles.Make(true));
    CertToReg tools;
    EXPECT_EQ(RegisterFirefoxRootCert(tools.Path(), false), 1);
    const CertutilCommands a = FormatCertutilCommands("CxWssRoot.cer", profile.c_str(), 0);
    const CertutilCommands b = FormatCertutilCommands("CxWssRoot.cer", profile.c_str(), 1);
    EXPECT_EQ(Lines(tools.Log()), (std::vector<std::string>{a.remove, a.add, a.list, b.remove, b.add, b.list}));
    EXPECT_EQ(RunCertutil(tools.Path(), "CxWssRoot.cer", profile.c_str(), 0, false), 1)
        << "the listing names CXWSSROOT";

    CertToReg removal;  // uninstall: only the deletes
    EXPECT_EQ(RegisterFirefoxRootCert(removal.Path(), true), 1);
    EXPECT_EQ(Lines(removal.Log()), (std::vector<std::string>{a.remove, b.remove}));
  }
  profiles.WriteIni("[Profile0]\r\nPath=Profiles/gone.default\r\n");
  char16_t gone[MAX_PATH] = {};
  EXPECT_FALSE(FindFirefoxProfile(gone, MAX_PATH, &cert9)) << "a profile folder that was deleted";
  wchar_t after[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_STREQ(before, after) << "current directory restored";

  CertToReg noRoot;
  DeleteFileW(noRoot.folder.File(L"CxWssRoot.cer").c_str());
  EXPECT_EQ(RegisterFirefoxRootCert(noRoot.Path(), false), 0);
  EXPECT_EQ(noRoot.Log(), "") << "no command without a root certificate";
}

TEST(FirefoxStepWin, AChildThatNeverEndsIsEndedAfterTheTimeLimit) {
  FirefoxProfiles profiles;
  if (!profiles.Usable()) GTEST_SKIP() << "the prefix has a Mozilla folder of its own";
  CertToReg tools;
  SetEnvironmentVariableW(L"CX_STANDIN_HANG", L"1");
  const int result = RegisterFirefoxRootCert(tools.Path(), false, 1500);
  SetEnvironmentVariableW(L"CX_STANDIN_HANG", nullptr);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Lines(tools.Log()).size(), 3u) << "each command started once, each ended";
  for (int i = 0; i < 100 && ProcessRunning(L"certutil.exe"); ++i) Sleep(100);
  EXPECT_FALSE(ProcessRunning(L"certutil.exe")) << "no stand-in left running";
  EXPECT_FALSE(ProcessRunning(L"wSpawn.exe"));
}

// NSS's tools run with the user's own rights, and never beside a module
// the user's profile names: certutil would load it. Refused before any tool
// starts, at install and at uninstall alike, as is a profile with the older
// module database, which is not read.
TEST(FirefoxStepWin, ToolsRunUnelevatedAndNeverWithAModuleOfTheUsers) {
  FirefoxProfiles profiles;
  if (!profiles.Usable()) GTEST_SKIP() << "the prefix has a Mozilla folder of its own";
  const std::wstring profile = profiles.Make(true);
  const std::string internal =
      "library=\r\nname=NSS Internal PKCS #11 Module\r\n"
      "NSS=Flags=internal,critical trustOrder=75 cipherOrder=100\r\n";
  WriteFileText(profile + L"\\pkcs11.txt", internal);
  {
    CertToReg tools;
    std::string refusal;
    EXPECT_EQ(RegisterFirefoxRootCert(tools.Path(), false, kFirefoxChildTimeLimitMs, &refusal), 1);
    EXPECT_EQ(refusal, "");
    const std::wstring rights = ReadFileText(tools.folder.File(L"certutil.rights"));
    EXPECT_EQ(rights, L"user\nuser\nuser\nuser\nuser\nuser\n") << "each of the six runs";
  }

  const std::wstring module = profile + L"\\token-module.dll";
  ASSERT_TRUE(CopyFileW(WinePath(CX_MARKER_DLL).c_str(), module.c_str(), FALSE));
  WriteFileText(profile + L"\\pkcs11.txt", internal + "\r\nlibrary=" + Ansi(module) + "\r\nname=Token\r\n");
  DeleteFileW(L"C:\\cx-marker.log");
  for (bool uninstall : {false, true}) {
    CertToReg tools;
    std::string refusal;
    EXPECT_EQ(RegisterFirefoxRootCert(tools.Path(), uninstall, kFirefoxChildTimeLimitMs, &refusal), 0);
    EXPECT_NE(refusal.find("token-module.dll"), std::string::npos) << refusal;
    EXPECT_EQ(tools.Log(), "") << "a tool ran (uninstall " << uninstall << ")";
  }
  EXPECT_FALSE(FileExists(L"C:\\cx-marker.log")) << ReadFileText(L"C:\\cx-marker.log");

  DeleteFileW((profile + L"\\pkcs11.txt").c_str());
  WriteFileText(profile + L"\\secmod.db", std::string(16384, '\0'));
  CertToReg tools;
  std::string refusal;
  EXPECT_EQ(RegisterFirefoxRootCert(tools.Path(), false, kFirefoxChildTimeLimitMs, &refusal), 0);
  EXPECT_NE(refusal.find("secmod.db"), std::string::npos) << refusal;
  EXPECT_EQ(tools.Log(), "");
}
