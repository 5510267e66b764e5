// The log file under Wine: a relative /LOG path is made full once, against
// the folder the setup started in, and only a plain file with one name is
// ever written: never a second name of another file, a folder or a device,
// which is not even opened (a pipe's server would see a client).
#include <windows.h>
#include <gtest/gtest.h>

#include "app/setup_log.h"
#include "common/win_handles.h"
#include "win_test_support.h"

TEST(SetupLogFile, APathIsFixedOnceAndOnlyAPlainFileIsWritten) {
  TestFolder folder;
  wchar_t start[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, start);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
  SetupLog log;
  log.Enable(u"rel.log");
  SetCurrentDirectoryW(start);  // as the engine moves to the working folder
  log.Write("line");
  EXPECT_EQ(log.Path(), AsU16(folder.File(L"rel.log").c_str()));
  EXPECT_NE(ReadFileText(folder.File(L"rel.log")).find(L"line"), std::wstring::npos);

  const std::wstring victim = folder.Write(L"victim.ini", "victim");
  ASSERT_TRUE(CreateHardLinkW(folder.File(L"hard.log").c_str(), victim.c_str(), nullptr));
  wchar_t pipeName[64];
  swprintf(pipeName, 64, L"\\\\.\\pipe\\cx-log-test-%lu", GetCurrentProcessId());
  ScopedFileHandle pipe(CreateNamedPipeW(pipeName, PIPE_ACCESS_INBOUND, PIPE_NOWAIT, 1, 0, 4096, 0,
                                         nullptr));
  ASSERT_TRUE(pipe);
  const struct { std::wstring path; const char* why; } cases[] = {
      {folder.File(L"hard.log"), "a second name of another file"},
      {folder.Path().substr(0, folder.Path().size() - 1), "a folder"},
      {folder.File(L"NUL"), "a device name"},
      {pipeName, "a pipe"},
  };
  for (const auto& c : cases) {
    SetupLog other;
    other.Enable(AsU16(c.path.c_str()));
    other.Write("appended");
    EXPECT_FALSE(other.HasFile()) << c.why;
  }
  EXPECT_EQ(ReadFileText(victim), L"victim");
  EXPECT_FALSE(ConnectNamedPipe(pipe.Get(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_LISTENING)) << "the pipe was opened";
}
