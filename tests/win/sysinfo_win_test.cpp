// System information against the real system (Wine's 64-bit prefix).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/sysinfo.h"
#include "common/win_handles.h"
#include "win_test_support.h"

// Run by base.cmake under several locales, with the code it must give.
// Disabled in the plain run: only the locale entries of base.cmake run it.
TEST(SysInfoWinLanguage, DISABLED_FollowsSystemLocale) {
  char expected[16] = {};
  if (!GetEnvironmentVariableA("CX_EXPECTED_LANGUAGE_CODE", expected, sizeof expected))
    GTEST_SKIP() << "run through the locale entries of base.cmake";
  uint32_t code = 99;
  ASSERT_EQ(GetSystemLanguageCode(&code), CX_OK);
  EXPECT_EQ(code, std::strtoul(expected, nullptr, 10)) << std::hex << GetSystemDefaultLangID();
}

TEST(SysInfoWin, VersionAndBitness) {
  OsVersionRecord record;
  GetOsVersionInfo(&record);
  EXPECT_EQ(record.size, sizeof(OsVersionRecord));  // the extended record was filled
  EXPECT_GE(GetOsVersionCode(), CX_OS_VISTA);
  EXPECT_EQ(IsOs64Bit(), 1);  // a 32-bit process in a 64-bit prefix
}

// A file made in the real 64-bit system folder is seen only inside the bracket.
TEST(SysInfoWin, RedirectionBracketReachesTheRealSystemFolder) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  const std::wstring path =
      std::wstring(system) + L"\\cx_base_probe_" + std::to_wstring(GetCurrentProcessId());
  {
    ScopedFsRedirectionOff off;
    ScopedFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file.IsValid()) << GetLastError();
  }
  EXPECT_FALSE(FileExists(path));  // redirection is restored after the bracket
  ScopedFsRedirectionOff off;
  EXPECT_TRUE(FileExists(path));
  DeleteFileW(path.c_str());
}

TEST(SysInfoWin, UuidStringNeedsRoomForTheTerminator) {
  char small[36];
  std::memset(small, '#', sizeof small);
  UuidString(small, sizeof small);
  for (char c : small) EXPECT_EQ(c, 0);  // cleared, left empty
  char a[37], b[37];  // exactly enough
  UuidString(a, sizeof a);
  UuidString(b, sizeof b);
  EXPECT_EQ(std::strlen(a), 36u);
  EXPECT_STRNE(a, b);
}

// Another process holding the file open for reading does not keep us out.
TEST(SysInfoWin, OpenFileSharedWhileAnotherProcessHoldsIt) {
  TestFolder folder;
  const std::wstring path = folder.Write(L"held.txt", "content");
  HelperProcess holder(L"hold \"" + path + L"\" read 20000");
  ASSERT_TRUE(holder.Started());
  FILE* file = nullptr;
  ASSERT_EQ(OpenFileSharedW(&file, AsU16(path.c_str()), u"rb"), CX_OK);
  std::fclose(file);
}
