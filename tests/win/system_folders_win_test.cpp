// System variables under Wine: the real shell folder lookups from a 32-bit
// process on 64-bit Windows, and a script loaded from a real file.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/sysinfo.h"
#include "package/setup_script.h"
#include "package/system_folders.h"
#include "win_test_support.h"

namespace {

std::wstring ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, buffer);
  return buffer;
}

// Paths compare without case, as Windows does.
bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         CompareStringOrdinal(text.c_str() + text.size() - tail.size(), -1, tail.c_str(), -1,
                              TRUE) == CSTR_EQUAL;
}

// Loads a script that copies every variable of interest into SetupInfo.
class SystemVariablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><Config><SetupInfo>"
        "<InstallDir>$(pf32)\\Vendor\\Tool</InstallDir></SetupInfo></Config>";
    const std::wstring path = folder_.Write(L"SetupScript.xml", xml);
    ASSERT_EQ(script_.Load(reinterpret_cast<const char16_t*>(path.c_str())), CX_OK);
    ASSERT_EQ(script_.SetSystemVariables("C:\\pkg"), CX_DONE);
    ASSERT_EQ(script_.ExpandVariables(), CX_OK);
  }

  std::wstring Get(const char* key) {
    WString out(u"<missing>");
    script_.GetString(key, &out);
    return out.W();
  }

  TestFolder folder_;
  SetupScript script_;
};

TEST_F(SystemVariablesTest, FoldersOnWow64) {
  ASSERT_EQ(IsOs64Bit(), 1) << "the test prefix is 64-bit";
  EXPECT_EQ(Get("pf32"), L"C:\\Program Files (x86)");
  EXPECT_EQ(Get("pf"), L"C:\\Program Files (x86)");
  EXPECT_EQ(Get("pf64"), L"C:\\Program Files");
  EXPECT_EQ(Get("InstallDir"), L"C:\\Program Files (x86)\\Vendor\\Tool");
  // Wine names the folder in lower case; the replacements leave that alone.
  EXPECT_TRUE(EndsWithNoCase(Get("sys32"), L"\\SysWow64")) << Get("sys32");
  EXPECT_EQ(Get("sys"), Get("sys32"));
  EXPECT_TRUE(EndsWithNoCase(Get("sys64"), L"\\System32")) << Get("sys64");

  std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  ASSERT_FALSE(desktop.empty());
  EXPECT_EQ(Get("commondesktop"), desktop);
  EXPECT_EQ(Get("usercommon"), desktop.substr(0, desktop.rfind(L'\\')));
  EXPECT_EQ(Get("win"), ShellFolder(CSIDL_WINDOWS));
  EXPECT_EQ(Get("userappdata"), ShellFolder(CSIDL_APPDATA));
  EXPECT_EQ(Get("srcroot"), L"C:\\pkg");

  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  EXPECT_EQ(Get("srcexe"), exe);

  uint32_t language = 99;
  ASSERT_EQ(GetSystemLanguageCode(&language), CX_OK);
  EXPECT_EQ(Get("language"), std::to_wstring(language));
}

TEST_F(SystemVariablesTest, RedirectionIsBackOnAfterTheLookups) {
  // With redirection on, a 32-bit process sees SysWOW64 under the System32
  // name; a file placed there only is visible through both names.
  wchar_t wow[MAX_PATH] = {};
  ASSERT_GT(GetSystemWow64DirectoryW(wow, MAX_PATH), 0u);
  const std::wstring name = L"\\cx_redirect_probe_" + std::to_wstring(GetCurrentProcessId());
  const std::wstring probe = std::wstring(wow) + name;
  ASSERT_TRUE(CloseHandle(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
  RawSystemFolders folders;
  EXPECT_EQ(QueryRawSystemFolders(&folders), CX_OK);
  const std::wstring viaSystem32 = ShellFolder(CSIDL_WINDOWS) + L"\\System32" + name;
  EXPECT_NE(GetFileAttributesW(viaSystem32.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(probe.c_str());
}

TEST(SetupScriptFile, GbkScriptFromDisk) {
  TestFolder folder;
  const std::wstring path = folder.Write(
      L"SetupScript.xml",
      "<?xml version=\"1.0\" encoding=\"GB2312\"?><Config><SetupInfo>"
      "<ProductName>\xB0\xB2\xD7\xB0</ProductName></SetupInfo></Config>");
  SetupScript script;
  ASSERT_EQ(script.Load(reinterpret_cast<const char16_t*>(path.c_str())), CX_OK);
  ASSERT_EQ(script.SetSystemVariables("C:\\pkg"), CX_DONE);
  ASSERT_EQ(script.ExpandVariables(), CX_OK);
  EXPECT_EQ(script.EncodingCode(), 3);
  WString name;
  ASSERT_EQ(script.GetString("ProductName", &name), CX_OK);
  EXPECT_EQ(name.Str(), u"\u5B89\u88C5");  // 安装
  const std::wstring missing = folder.File(L"none.xml");
  EXPECT_EQ(script.Load(reinterpret_cast<const char16_t*>(missing.c_str())),
            CX_WIN_ERROR_FILE_NOT_FOUND);
}

}  // namespace
