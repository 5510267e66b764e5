// File, DelFile and DelDir actions built from script text, on real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "actions/file_actions.h"
#include "common/result_codes.h"
#include "platform/file_system.h"
#include "tinyxml.h"
#include "win_test_support.h"

namespace {
TEST(FileActionParse, FlagsAndRequiredAttributes) {
  TestElement flags(L"<File Src='a' Dest='b' Register='TRUE' CmpVer='yes'/>");
  FileAction action(flags.Get());
  ASSERT_EQ(action.Parse(0), CX_OK);
  EXPECT_TRUE(action.Register());          // any case of "true"
  EXPECT_FALSE(action.CompareVersion());   // anything else is false
  TestElement noDest(L"<File Src='a'/>");
  EXPECT_EQ(FileAction(noDest.Get()).Parse(0), CX_E_ATTR_MISSING);
}

TEST(FileActionDescribe, FillsPlaceholdersAndAppendsFlags) {
  TestElement templates(L"<ActionDescString><File>Copy $[src] to $[dest]</File>"
                    L"<DelDir>Remove $[src]</DelDir></ActionDescString>");
  TestElement file(L"<File Src='s' Dest='d' Register='true' CmpVer='true'/>");
  TestElement dir(L"<DelDir Src='x'/>");
  WString out;
  EXPECT_EQ(FileAction(file.Get()).Describe(templates.Get(), nullptr, &out), CX_OK);
  EXPECT_EQ(out.Str(), u"Copy s to dRegister=\"True\"CmpVer=\"True\"");  // no blanks between
  EXPECT_EQ(DelDirAction(dir.Get()).Describe(templates.Get(), nullptr, &out), CX_OK);
  EXPECT_EQ(out.Str(), u"Remove x CheckIsEmpty=\"True\"");  // on by default
}

TEST(FileActionExecute, CopiesAFileOrATreeIntoFoldersWithPoints) {
  TestFolder dir;
  std::wstring src = dir.Write(L"a.txt", "a");
  std::wstring dest = dir.File(L"Vendor\\Tool 2.0\\a.txt");
  TestElement one(L"<File Src='" + src + L"' Dest='" + dest + L"'/>");
  EXPECT_EQ(FileAction(one.Get()).Execute(nullptr), CX_OK);
  EXPECT_EQ(ReadFileText(dest), L"a");
  TestElement bare(L"<File Src='" + src + L"' Dest='target.dll'/>");  // no folder: refused
  EXPECT_EQ(FileAction(bare.Get()).Execute(nullptr), CX_E_BAD_DATA);
  EXPECT_FALSE(FileExists(L"target.dll"));

  CreateDirectoryW(dir.File(L"pkg").c_str(), nullptr);
  CreateDirectoryW(dir.File(L"pkg\\v1.2").c_str(), nullptr);
  dir.Write(L"pkg\\a.txt", "a");
  dir.Write(L"pkg\\v1.2\\b.txt", "b");
  std::wstring app = dir.File(L"Tool 2.0\\v1.2");
  TestElement tree(L"<File Src='" + dir.File(L"pkg\\*") + L"' Dest='" + app + L"\\*'/>");
  FileAction action(tree.Get());
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
  EXPECT_EQ(DelFileAction(delFile.Get()).Execute(nullptr), CX_OK);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(DelFileAction(delFile.Get()).Execute(nullptr), CX_OK);  // missing: 0

  std::wstring full = dir.File(L"full");
  CreateDirectoryW(full.c_str(), nullptr);
  dir.Write(L"full\\x.txt", "x");
  TestElement keep(L"<DelDir Src='" + full + L"'/>");
  EXPECT_EQ(DelDirAction(keep.Get()).Execute(nullptr), CX_OK);
  EXPECT_TRUE(FileExists(full + L"\\x.txt"));  // not empty: kept
  TestElement wipe(L"<DelDir Src='" + full + L"' CheckIsEmpty='false'/>");
  EXPECT_EQ(DelDirAction(wipe.Get()).Execute(nullptr), CX_OK);
  EXPECT_FALSE(FileExists(full));
  EXPECT_EQ(DelDirAction(wipe.Get()).Execute(nullptr), CX_OK);  // missing: 0
}
}  // namespace
