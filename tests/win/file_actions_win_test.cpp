// File, DelFile and DelDir actions built from script text, on real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "actions/file_actions.h"
#include "common/result_codes.h"
#include "platform/file_system.h"
#include "platform/win_handles.h"
#include "tinyxml.h"
#include "win_test_support.h"

namespace {
std::string Utf8(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
  return s;
}

// One script element parsed from XML text.
struct Element {
  explicit Element(const std::wstring& xml) {
    doc.Parse(Utf8(xml).c_str());
    element = std::make_unique<ScriptElement>(doc.RootElement(), 0, 1);
  }
  ScriptElement* Get() { return element.get(); }
  TiXmlDocument doc;
  std::unique_ptr<ScriptElement> element;
};

const wchar_t kTemplates[] =
    L"<ActionDescString><File>Copy $[src] to $[dest]</File><DelFile>Delete $[src]</DelFile>"
    L"<DelDir>Remove $[src]</DelDir></ActionDescString>";

TEST(FileActionParse, ReadsRequiredAttributesAndFlags) {
  struct Case {
    const wchar_t* xml;
    CxResult result;
    bool reg;
    bool cmp;
  } cases[] = {
      {L"<File Src='a' Dest='b'/>", CX_OK, false, false},
      {L"<File Src='a' Dest='b' Register='TRUE' CmpVer='True'/>", CX_OK, true, true},  // any case
      {L"<File Src='a' Dest='b' Register='1' CmpVer='yes'/>", CX_OK, false, false},    // not "true"
      {L"<File Src='a'/>", CX_E_ATTR_MISSING, false, false},       // no Dest
      {L"<File Dest='b'/>", CX_E_ATTR_MISSING, false, false},      // no Src
      {L"<File Src='' Dest='b'/>", CX_E_INVALID_ARG, false, false},  // empty Src
      {L"<File Src='a' Dest=''/>", CX_E_INVALID_ARG, false, false},  // empty Dest
  };
  for (const Case& c : cases) {
    Element e(c.xml);
    FileAction action(e.Get());
    EXPECT_EQ(action.Parse(0), c.result) << "case " << (&c - cases);
    EXPECT_EQ(action.IsParsed(), c.result == CX_OK) << "case " << (&c - cases);
    if (c.result != CX_OK) continue;
    EXPECT_EQ(action.Register(), c.reg) << "case " << (&c - cases);
    EXPECT_EQ(action.CompareVersion(), c.cmp) << "case " << (&c - cases);
  }
  FileAction orphan(nullptr);
  EXPECT_EQ(orphan.Parse(0), CX_E_INVALID_ARG);
  Element noSrc(L"<DelFile Unregister='true'/>");
  EXPECT_EQ(DelFileAction(noSrc.Get()).Parse(0), CX_E_ATTR_MISSING);
  Element emptyDir(L"<DelDir Src=''/>");
  EXPECT_EQ(DelDirAction(emptyDir.Get()).Parse(0), CX_E_INVALID_ARG);
}

TEST(FileActionDescribe, FillsPlaceholdersAndAppendsFlags) {
  Element templates(kTemplates);
  struct Case {
    const wchar_t* xml;
    const char16_t* text;
  } cases[] = {
      {L"<File Src='s' Dest='d' Register='true' CmpVer='true'/>",
       u"Copy s to dRegister=\"True\"CmpVer=\"True\""},  // no blanks between
      {L"<File Src='s' Dest='d' CmpVer='true'/>", u"Copy s to dCmpVer=\"True\""},
      {L"<DelFile Src='f' Unregister='true'/>", u"Delete f UnRegister=\"True\""},
      {L"<DelFile Src='f'/>", u"Delete f"},
      {L"<DelDir Src='x'/>", u"Remove x CheckIsEmpty=\"True\""},  // on by default
      {L"<DelDir Src='x' CheckIsEmpty='false'/>", u"Remove x"},
  };
  for (const Case& c : cases) {
    Element e(c.xml);
    std::unique_ptr<Action> action;
    std::string tag = e.Get()->Name();
    if (tag == "File") action.reset(CreateFileAction(e.Get()));
    if (tag == "DelFile") action.reset(CreateDelFileAction(e.Get()));
    if (tag == "DelDir") action.reset(CreateDelDirAction(e.Get()));
    WString out;
    EXPECT_EQ(action->Describe(templates.Get(), nullptr, &out), CX_OK) << "case " << (&c - cases);
    EXPECT_EQ(out.Str(), std::u16string(c.text)) << "case " << (&c - cases);
  }
  Element noTemplates(L"<ActionDescString/>");
  Element file(L"<File Src='s' Dest='d'/>");
  FileAction action(file.Get());
  WString out(u"kept");
  EXPECT_EQ(action.Describe(noTemplates.Get(), nullptr, &out), CX_E_TEMPLATE_MISSING);
  EXPECT_EQ(out.Str(), u"kept");
}

TEST(FileActionExecute, CopiesOneFileIntoAFolderWithAPoint) {
  TestFolder dir;
  std::wstring src = dir.Write(L"a.txt", "a");
  std::wstring dest = dir.File(L"Vendor\\Tool 2.0\\a.txt");
  Element e(L"<File Src='" + src + L"' Dest='" + dest + L"'/>");
  FileAction action(e.Get());
  EXPECT_EQ(action.Execute(nullptr), CX_OK);
  EXPECT_EQ(ReadFileText(dest), L"a");

  Element bare(L"<File Src='" + src + L"' Dest='target.dll'/>");
  EXPECT_EQ(FileAction(bare.Get()).Execute(nullptr), CX_E_BAD_DATA);
  EXPECT_FALSE(FileExists(L"target.dll"));
  Element missing(L"<File Src='" + dir.File(L"none.txt") + L"' Dest='" + dest + L"'/>");
  EXPECT_EQ(FileAction(missing.Get()).Execute(nullptr), CX_WIN_ERROR_FILE_NOT_FOUND);

  // CmpVer keeps a newer installed module (the version cases are ReplaceFile's).
  std::wstring module = dir.File(L"m.dll");
  ASSERT_TRUE(CopyFileW(TestHelperPath(L"cx_version_dll_newer.dll").c_str(), module.c_str(), FALSE));
  Element keep(L"<File Src='" + TestHelperPath(L"cx_version_dll.dll") + L"' Dest='" + module +
               L"' CmpVer='true'/>");
  EXPECT_EQ(FileAction(keep.Get()).Execute(nullptr), CX_OK);
  uint32_t parts[4] = {};
  ASSERT_EQ(GetFileVersionNumbers(AsU16(module.c_str()), parts), CX_OK);
  EXPECT_EQ(parts[2], 4u);  // still 1.2.4.0
}

TEST(FileActionExecute, CopiesATreeAndDoesTheSameOnRetry) {
  TestFolder dir;
  CreateDirectoryW(dir.File(L"pkg").c_str(), nullptr);
  CreateDirectoryW(dir.File(L"pkg\\sub").c_str(), nullptr);
  dir.Write(L"pkg\\a.txt", "a");
  dir.Write(L"pkg\\sub\\b.txt", "b");
  std::wstring app = dir.File(L"Tool 2.0\\app");
  Element e(L"<File Src='" + dir.File(L"pkg\\*") + L"' Dest='" + app + L"\\*' Register='true'/>");
  FileAction action(e.Get());
  EXPECT_EQ(action.Execute(nullptr), CX_OK);
  EXPECT_EQ(ReadFileText(app + L"\\sub\\b.txt"), L"b");
  EXPECT_EQ(action.Destination().Str(), std::u16string(AsU16((app + L"\\").c_str())));

  DeleteFileW((app + L"\\a.txt").c_str());
  EXPECT_EQ(action.Execute(nullptr), CX_OK);  // same folders again
  EXPECT_EQ(ReadFileText(app + L"\\a.txt"), L"a");

  // A destination without the trailing '*' keeps its last character.
  std::wstring other = dir.File(L"other");
  Element plain(L"<File Src='" + dir.File(L"pkg\\*") + L"' Dest='" + other + L"'/>");
  EXPECT_EQ(FileAction(plain.Get()).Execute(nullptr), CX_OK);
  EXPECT_EQ(ReadFileText(other + L"\\a.txt"), L"a");
}

TEST(DelFileAndDelDir, DeleteWhatExistsAndHonourCheckIsEmpty) {
  TestFolder dir;
  std::wstring file = dir.Write(L"f.txt", "f");
  Element delFile(L"<DelFile Src='" + file + L"' Unregister='true'/>");
  EXPECT_EQ(DelFileAction(delFile.Get()).Execute(nullptr), CX_OK);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(DelFileAction(delFile.Get()).Execute(nullptr), CX_OK);  // already gone

  std::wstring full = dir.File(L"full");
  CreateDirectoryW(full.c_str(), nullptr);
  dir.Write(L"full\\x.txt", "x");
  Element keep(L"<DelDir Src='" + full + L"'/>");
  EXPECT_EQ(DelDirAction(keep.Get()).Execute(nullptr), CX_OK);
  EXPECT_TRUE(FileExists(full + L"\\x.txt"));  // not empty: kept
  Element wipe(L"<DelDir Src='" + full + L"' CheckIsEmpty='false' os='os64'/>");
  EXPECT_EQ(DelDirAction(wipe.Get()).Execute(nullptr), CX_OK);
  EXPECT_FALSE(FileExists(full));

  std::wstring empty = dir.File(L"empty");
  CreateDirectoryW(empty.c_str(), nullptr);
  Element drop(L"<DelDir Src='" + empty + L"'/>");
  EXPECT_EQ(DelDirAction(drop.Get()).Execute(nullptr), CX_OK);
  EXPECT_FALSE(FileExists(empty));
  EXPECT_EQ(DelDirAction(drop.Get()).Execute(nullptr), CX_OK);  // missing: no error
}
}  // namespace
