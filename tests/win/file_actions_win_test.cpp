// File, DelFile and DelDir actions built from script text, on real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/file_io.h"
#include "common/result_codes.h"
#include "common/win_handles.h"
#include "engine/listed_action.h"
#include "platform/file_system.h"
#include "tinyxml.h"
#include "win_test_support.h"

namespace {
// The machine field of a PE file's header; 0 when it is none.
unsigned PeMachine(const std::wstring& path) {
  std::string b;
  if (ReadWholeFile(AsU16(path.c_str()), &b) != CX_OK || b.size() < 0x40) return 0;
  const size_t pe = static_cast<uint8_t>(b[0x3C]) | static_cast<uint8_t>(b[0x3D]) << 8;
  if (b.size() < pe + 6 || b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
  return static_cast<uint8_t>(b[pe + 4]) | static_cast<uint8_t>(b[pe + 5]) << 8;
}

// The runner holds redirection off while a File action lives: its System32
// is the 64-bit one, and everyone else's is the 32-bit one again after.
TEST(FileActionExecute, ReachesThe64BitSystemFolderOnlyWhileItRuns) {
  TestFolder dir;
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::wstring kernel = std::wstring(windows) + L"\\System32\\kernel32.dll";
  ASSERT_EQ(RunAction(TestElement(L"<File Src='" + kernel + L"' Dest='" + dir.File(L"k.dll") + L"'/>")),
            CX_OK);
  EXPECT_EQ(PeMachine(dir.File(L"k.dll")), 0x8664u);
  EXPECT_EQ(PeMachine(kernel), 0x14Cu);
}

TEST(FileActionExecute, CopiesAFileOrATreeIntoFoldersWithPoints) {
  TestFolder dir;
  std::wstring src = dir.Write(L"a.txt", "a");
  std::wstring dest = dir.File(L"Vendor\\Tool 2.0\\a.txt");
  TestElement one(L"<File Src='" + src + L"' Dest='" + dest + L"'/>");
  EXPECT_EQ(RunAction(one), CX_OK);
  EXPECT_EQ(ReadFileText(dest), L"a");
  TestElement bare(L"<File Src='" + src + L"' Dest='target.dll'/>");  // no folder: refused
  EXPECT_EQ(RunAction(bare), CX_E_BAD_DATA);
  EXPECT_FALSE(FileExists(L"target.dll"));

  CreateDirectoryW(dir.File(L"pkg").c_str(), nullptr);
  CreateDirectoryW(dir.File(L"pkg\\v1.2").c_str(), nullptr);
  dir.Write(L"pkg\\a.txt", "a");
  dir.Write(L"pkg\\v1.2\\b.txt", "b");
  std::wstring app = dir.File(L"Tool 2.0\\v1.2");
  TestElement tree(L"<File Src='" + dir.File(L"pkg\\*") + L"' Dest='" + app + L"\\*'/>");
  ListedAction action(BuiltinRegistry(), tree.Get());
  EXPECT_EQ(action.Execute(nullptr), CX_OK);
  EXPECT_EQ(ReadFileText(app + L"\\a.txt"), L"a");
  EXPECT_EQ(ReadFileText(app + L"\\v1.2\\b.txt"), L"b");
  DeleteFileW((app + L"\\a.txt").c_str());
  EXPECT_EQ(action.Execute(nullptr), CX_OK);  // a retry copies into the same folders
  EXPECT_EQ(ReadFileText(app + L"\\a.txt"), L"a");
}

TEST(DelFileAndDelDir, DeleteWhatExistsAndHonourCheckIsEmpty) {
  TestFolder dir;
  std::wstring file = dir.Write(L"f.txt", "f");
  TestElement delFile(L"<DelFile Src='" + file + L"' Unregister='true'/>");
  EXPECT_EQ(RunAction(delFile), CX_OK);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(RunAction(delFile), CX_OK);  // missing: 0

  std::wstring full = dir.File(L"full");
  CreateDirectoryW(full.c_str(), nullptr);
  dir.Write(L"full\\x.txt", "x");
  TestElement keep(L"<DelDir Src='" + full + L"'/>");
  EXPECT_EQ(RunAction(keep), CX_OK);
  EXPECT_TRUE(FileExists(full + L"\\x.txt"));  // not empty: kept
  TestElement wipe(L"<DelDir Src='" + full + L"' CheckIsEmpty='false'/>");
  EXPECT_EQ(RunAction(wipe), CX_OK);
  EXPECT_FALSE(FileExists(full));
  EXPECT_EQ(RunAction(wipe), CX_OK);  // missing: 0
}
}  // namespace
