// System variables under Wine: real shell folder lookups from a 32-bit process on 64-bit Windows.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

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

// Loads an empty script from a real file, with the system variables.
class SystemVariablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring path = folder_.Write(
        L"SetupScript.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><Config></Config>");
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
  EXPECT_EQ(Get("pf64"), L"C:\\Program Files");
  // Wine names the folder in lower case; the replacements leave that alone.
  EXPECT_TRUE(EndsWithNoCase(Get("sys32"), L"\\SysWow64")) << Get("sys32");

  std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  ASSERT_FALSE(desktop.empty());
  EXPECT_EQ(Get("commondesktop"), desktop);
  EXPECT_EQ(Get("usercommon"), desktop.substr(0, desktop.rfind(L'\\')));
}

TEST(SystemFolders, RedirectionIsBackOnAfterTheLookups) {
  // With redirection on, a file placed in SysWOW64 only is visible under the System32 name.
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

}  // namespace
