// Registry text rules: REG_SZ sizes, access masks, the subkeys a tree
// delete accepts, the editor's and registrar's command lines, and the
// uninstall key path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry_text.h"
#include "platform/uninstall_registration.h"

namespace {
TEST(RegistryText, StringSizeCountsTheNullAndAccessNamesTheViewOnlyOn64BitWindows) {
  EXPECT_EQ(RegStringDataSize(u"abc"), 8u);  // 3 characters and the null
  EXPECT_EQ(RegStringDataSize(u""), 2u);     // an empty text is one null
  EXPECT_EQ(RegStringDataSize(nullptr), 0u);
  EXPECT_EQ(RegistryAccess(1, 1, 1), 0xF013Fu);
  EXPECT_EQ(RegistryAccess(1, 0, 1), 0xF023Fu);
  EXPECT_EQ(RegistryAccess(0, 0, 1), 0x20219u);
  EXPECT_EQ(RegistryAccess(0, 1, 0), 0x20019u);  // a 32-bit Windows has one view
}

TEST(RegistryText, TreeDeleteRefusesSubkeysNamingAParent) {
  struct Case { const char16_t* subKey; bool ok; } cases[] = {
      {u"SOFTWARE\\KOVA\\Corvexa", true},
      {u"", false},
      {nullptr, false},
      {u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\", false},  // empty product code
      {u"\\SOFTWARE", false},  // leading separator
  };
  for (const auto& c : cases) EXPECT_EQ(IsDeletableSubKey(c.subKey), c.ok) << (&c - cases);
}

TEST(RegistryText, RegistrarCommands) {
  struct Case {
    const char16_t* module; int is64; int reg; int wow64;
    const char16_t* app; const char16_t* cmd;
  } cases[] = {
      {u"C:\\X\\tool.EXE", 0, 1, 1, u"C:\\X\\tool.EXE", u"\"C:\\X\\tool.EXE\" /regserver"},
      {u"C:\\X\\tool.exe", 1, 0, 1, u"C:\\X\\tool.exe", u"\"C:\\X\\tool.exe\" /unregserver"},
      {u"C:\\P F\\a.dll", 0, 0, 1, u"C:\\W\\SysWOW64\\regsvr32.exe",
       u"\"C:\\W\\SysWOW64\\regsvr32.exe\" /u /s \"C:\\P F\\a.dll\""},
      {u"C:\\P F\\a.dll", 1, 1, 1, u"C:\\W\\System32\\regsvr32.exe",
       u"\"C:\\W\\System32\\regsvr32.exe\" /s \"C:\\P F\\a.dll\""},
      {u"C:\\a.dll", 0, 1, 0, u"C:\\W\\System32\\regsvr32.exe",     // 32-bit Windows
       u"\"C:\\W\\System32\\regsvr32.exe\" /s \"C:\\a.dll\""},
      {u"C:\\a.dll", 1, 1, 0, u"", u""},                            // no 64-bit registrar
      {u"C:\\x.exe.dll", 0, 1, 1, u"C:\\W\\SysWOW64\\regsvr32.exe",  // only the last extension counts
       u"\"C:\\W\\SysWOW64\\regsvr32.exe\" /s \"C:\\x.exe.dll\""},
  };
  for (const auto& c : cases) {
    ToolCommand out;
    out.application.Assign(u"old");  // replaced, never appended to
    out.commandLine.Assign(u"old");
    ASSERT_EQ(RegistrarCommand(u"C:\\W", c.module, c.is64, c.reg, c.wow64, &out), CX_OK);
    EXPECT_EQ(out.application.Str(), c.app) << (&c - cases);
    EXPECT_EQ(out.commandLine.Str(), c.cmd) << (&c - cases);
  }
  ToolCommand out;
  EXPECT_EQ(RegistrarCommand(u"C:\\W", u"", 0, 1, 1, &out), CX_E_INVALID_ARG);
}

TEST(RegistryText, EditorCommandQuotesTheFileAndPicksTheView) {
  ToolCommand out;
  ASSERT_EQ(RegImportCommand(u"C:\\W\\", u"C:\\Users\\A B\\x.reg", 0, 1, &out), CX_OK);
  EXPECT_EQ(out.application.Str(), u"C:\\W\\SysWOW64\\regedit.exe");
  EXPECT_EQ(out.commandLine.Str(), u"\"C:\\W\\SysWOW64\\regedit.exe\" /s \"C:\\Users\\A B\\x.reg\"");
  ASSERT_EQ(RegImportCommand(u"C:\\W", u"x.reg", 1, 1, &out), CX_OK);
  EXPECT_EQ(out.application.Str(), u"C:\\W\\regedit.exe");
  ASSERT_EQ(RegImportCommand(u"C:\\W", u"x.reg", 0, 0, &out), CX_OK);  // 32-bit Windows
  EXPECT_EQ(out.application.Str(), u"C:\\W\\regedit.exe");
}

TEST(UninstallKeyPath, NamesTheProductAndCutsAt259Characters) {
  WString out(u"untouched");
  EXPECT_EQ(UninstallKeyPath(u"", &out), CX_E_INVALID_ARG);
  EXPECT_EQ(out.Str(), u"untouched");
  ASSERT_EQ(UninstallKeyPath(u"KOVA_ZAVOzu", &out), CX_OK);
  EXPECT_EQ(out.Str(), u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KOVA_ZAVOzu");
  ASSERT_EQ(UninstallKeyPath(std::u16string(300, u'k').c_str(), &out), CX_OK);
  EXPECT_EQ(out.Length(), 259u);
  EXPECT_EQ(out.Str().back(), u'k');
}
}  // namespace
