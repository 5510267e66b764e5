// System information against the real system (Wine's 64-bit prefix).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/sysinfo.h"
#include "platform/win_handles.h"
#include "win_test_support.h"

// Run by base.cmake under several locales, with the code it must give.
TEST(SysInfoWinLanguage, FollowsSystemLocale) {
  char expected[16] = {};
  if (!GetEnvironmentVariableA("CX_EXPECTED_LANGUAGE_CODE", expected, sizeof expected))
    GTEST_SKIP() << "run through the locale entries of base.cmake";
  uint32_t code = 99;
  ASSERT_EQ(GetSystemLanguageCode(&code), CX_OK);
  EXPECT_EQ(code, std::strtoul(expected, nullptr, 10)) << "LANGID " << std::hex
                                                       << GetSystemDefaultLangID();
  EXPECT_EQ(GetSystemLanguageCode(nullptr), CX_E_INVALID_ARG);
}

TEST(SysInfoWin, VersionAndBitness) {
  OsVersionRecord record;
  GetOsVersionInfo(&record);
  EXPECT_EQ(record.size, sizeof(OsVersionRecord));  // the extended record was filled
  EXPECT_GE(record.major, 6u);
  EXPECT_NE(record.build, 0u);
  EXPECT_GE(GetOsVersionCode(), CX_OS_VISTA);
  EXPECT_EQ(IsOs64Bit(), 1);  // a 32-bit process in a 64-bit prefix
}

// A file put into the real 64-bit system folder is visible to this 32-bit
// process only while redirection is off.
TEST(SysInfoWin, RedirectionBracketReachesTheRealSystemFolder) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  const std::wstring path = std::wstring(system) + L"\\cx_base_probe_" +
                            std::to_wstring(GetCurrentProcessId()) + L".txt";
  {
    ScopedFsRedirectionOff off;
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                      nullptr));
    ASSERT_TRUE(file.IsValid()) << GetLastError();
  }
  const bool seenRedirected = FileExists(path);
  bool seenReal = false;
  {
    ScopedFsRedirectionOff off;
    seenReal = FileExists(path);
    DeleteFileW(path.c_str());
  }
  EXPECT_FALSE(seenRedirected);  // redirection is restored after the bracket
  EXPECT_TRUE(seenReal);
  ScopedFsRedirectionOff off;
  EXPECT_FALSE(FileExists(path));  // cleaned up
}

TEST(SysInfoWin, UuidString) {
  char small[36];
  std::memset(small, '#', sizeof small);
  UuidString(small, sizeof small);
  for (char c : small) EXPECT_EQ(c, 0);

  char a[64], b[64];
  UuidString(a, sizeof a);
  UuidString(b, sizeof b);
  ASSERT_EQ(std::strlen(a), 36u);
  for (int i : {8, 13, 18, 23}) EXPECT_EQ(a[i], '-');
  EXPECT_STRNE(a, b);
}

TEST(SysInfoWin, OpenFileSharedWhileAnotherProcessHoldsIt) {
  TestFolder folder;
  const std::wstring path = folder.Write(L"held.txt", "content");
  const std::u16string path16(AsU16(path.c_str()));
  {
    HelperProcess holder(L"hold \"" + path + L"\" read 20000");
    ASSERT_TRUE(holder.Started());
    FILE* file = nullptr;
    ASSERT_EQ(OpenFileSharedW(&file, path16.c_str(), u"rb"), CX_OK);
    char text[16] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text - 1, file), 7u);
    EXPECT_STREQ(text, "content");
    std::fclose(file);
  }
  {
    HelperProcess holder(L"hold \"" + path + L"\" none 20000");
    ASSERT_TRUE(holder.Started());
    FILE* file = reinterpret_cast<FILE*>(0x1);
    EXPECT_EQ(OpenFileSharedW(&file, path16.c_str(), u"rb"), CX_E_OPEN_FAILED);
    EXPECT_EQ(file, reinterpret_cast<FILE*>(0x1));  // untouched on failure
  }
  FILE* file = nullptr;
  EXPECT_EQ(OpenFileSharedA(&file, nullptr, "rb"), CX_E_INVALID_ARG);
}
