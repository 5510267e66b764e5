// CreateShortcut on real links: written by the action, loaded back through
// IShellLinkW, in the test's own folder.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/result_codes.h"
#include "common/win_handles.h"
#include "platform/shell_links.h"
#include "tinyxml.h"
#include "win_test_support.h"

namespace {
struct LinkFields {
  bool loaded = false;
  std::wstring target, arguments, folder, icon;
  int iconIndex = -99;
};

LinkFields ReadLink(const std::wstring& path) {
  LinkFields f;
  ScopedComInit com;
  ScopedComPtr<IShellLinkW> link;
  ScopedComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(link.Receive()))) ||
      FAILED(
          link.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()))) ||
      FAILED(file.Get()->Load(path.c_str(), STGM_READ)))
    return f;
  wchar_t text[MAX_PATH] = {};
  link.Get()->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  f.target = text;
  text[0] = 0;
  link.Get()->GetArguments(text, MAX_PATH);
  f.arguments = text;
  text[0] = 0;
  link.Get()->GetWorkingDirectory(text, MAX_PATH);
  f.folder = text;
  text[0] = 0;
  link.Get()->GetIconLocation(text, MAX_PATH, &f.iconIndex);
  f.icon = text;
  f.loaded = true;
  return f;
}

std::wstring Shortcut(const std::wstring& root, const std::wstring& sub, const std::wstring& name,
                      const std::wstring& src, const std::wstring& extra = L"") {
  return L"<CreateShortcut RootPath='" + root + L"' SubDirName='" + sub + L"' Name='" + name +
         L"' Src='" + src + L"' " + extra + L"/>";
}

TEST(CreateShortcutAction, LinkLoadsBackWithTargetArgumentsFolderAndIcon) {
  TestFolder dir;
  CreateDirectoryW(dir.File(L"App").c_str(), nullptr);
  std::wstring tool = dir.Write(L"App\\Tool.exe", "MZ");
  std::wstring icons = dir.Write(L"App\\icons.dll", "MZ");
  TestElement full(Shortcut(dir.File(L"Menu"), L"Vendor\\Tool", L"Tool Manager", tool,
                        L"Icon='" + icons + L"' Index='-2' CmdLine='/check /q'"));
  ASSERT_EQ(RunAction(full), CX_OK);
  LinkFields f = ReadLink(dir.File(L"Menu\\Vendor\\Tool\\Tool Manager.lnk"));
  ASSERT_TRUE(f.loaded);
  EXPECT_EQ(f.target, tool);
  EXPECT_EQ(f.arguments, L"/check /q");
  EXPECT_EQ(f.folder, dir.File(L"App"));
  EXPECT_EQ(f.icon, icons);
  EXPECT_EQ(f.iconIndex, -2);

  // No icon: the target's own, at the given index. A target in a drive root
  // keeps "C:\" as its folder.
  TestElement plain(
      Shortcut(dir.File(L"Menu"), L"", L"Root", L"C:\\cx_no_such_tool.exe", L"Index='3'"));
  ASSERT_EQ(RunAction(plain), CX_OK);
  f = ReadLink(dir.File(L"Menu\\Root.lnk"));
  ASSERT_TRUE(f.loaded);
  EXPECT_EQ(f.icon, L"C:\\cx_no_such_tool.exe");
  EXPECT_EQ(f.iconIndex, 3);
  EXPECT_EQ(f.folder, L"C:\\");
  EXPECT_EQ(f.arguments, L"");
}

TEST(CreateShortcutAction, NamesAndFoldersWithPoints) {
  TestFolder dir;
  std::wstring tool = dir.Write(L"Tool.exe", "MZ");
  // "Tool.LNK" keeps its one extension; an empty SubDirName puts the link in
  // the root, whose own name has a point.
  TestElement upper(Shortcut(dir.File(L"first.last"), L"", L"Tool.LNK", tool));
  EXPECT_EQ(RunAction(upper), CX_OK);
  EXPECT_TRUE(ReadLink(dir.File(L"first.last\\Tool.LNK")).loaded);
  EXPECT_FALSE(FileExists(dir.File(L"first.last\\Tool.LNK.lnk")));
  // A last folder with a point in it is still made as a folder.
  TestElement dotted(Shortcut(dir.File(L"Menu"), L"Vendor\\Tool 2.0", L"Uninstall", tool));
  EXPECT_EQ(RunAction(dotted), CX_OK);
  EXPECT_TRUE(ReadLink(dir.File(L"Menu\\Vendor\\Tool 2.0\\Uninstall.lnk")).loaded);
}

TEST(CreateShortcutAction, SaveFailuresAreReportedAndLeaveNoCutFile) {
  TestFolder dir;
  std::wstring tool = dir.Write(L"Tool.exe", "MZ");
  // A name that does not fit with ".lnk": one character over the limit.
  std::wstring longName(256 - dir.Path().size(), L'n');
  EXPECT_EQ(CreateShortcutFile(AsU16(dir.Path().c_str()), u"", AsU16(longName.c_str()),
                               AsU16(tool.c_str()), u"", 0, u""),
            CX_WIN_ERROR_FILENAME_EXCED_RANGE);
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW(dir.File(L"nnn*").c_str(), &found));
  EXPECT_FALSE(find.IsValid()) << "left behind: "
                               << std::string(found.cFileName,
                                              found.cFileName + wcslen(found.cFileName));

  // A folder where the link file should go: the save fails and says so.
  CreateDirectoryW(dir.File(L"Busy.lnk").c_str(), nullptr);
  CxResult r =
      CreateShortcutFile(AsU16(dir.Path().c_str()), u"", u"Busy", AsU16(tool.c_str()), u"", 0, u"");
  EXPECT_NE(r, CX_OK);
  EXPECT_TRUE(r & 0x80000000u) << std::hex << r;  // the Save HRESULT
}
}  // namespace
