// Registry text rules: root names, REG_DWORD and REG_BINARY data, access
// masks, the subkeys a tree delete accepts, the editor's and registrar's
// command lines, and the uninstall key path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry_text.h"
#include "platform/uninstall_registration.h"

namespace {
TEST(RegistryText, RootNames) {
  struct Case { const char16_t* name; CxResult result; uint32_t key; } cases[] = {
      {u"HKEY_CLASSES_ROOT", CX_OK, 0x80000000},  {u"HKEY_CURRENT_USER", CX_OK, 0x80000001},
      {u"HKEY_LOCAL_MACHINE", CX_OK, 0x80000002}, {u"HKEY_USERS", CX_OK, 0x80000003},
      {u"HKEY_CURRENT_CONFIG", CX_OK, 0x80000005},
      {u"HKLM", CX_E_INVALID_ARG, 7},                // short form
      {u"hkey_local_machine", CX_E_INVALID_ARG, 7},  // other case
      {u"HKEY_LOCAL_MACHINE ", CX_E_INVALID_ARG, 7}, // trailing blank
      {u"", CX_E_INVALID_ARG, 7},
  };
  for (const auto& c : cases) {
    uint32_t key = 7;
    EXPECT_EQ(RootKeyFromName(c.name, &key), c.result) << (&c - cases);
    EXPECT_EQ(key, c.key) << (&c - cases);
  }
}

TEST(RegistryText, DwordText) {
  struct Case { const char* text; uint32_t value; } cases[] = {
      {"1", 1},
      {"4294967295", 0xFFFFFFFF},   // the top of the unsigned range, not clamped to 0x7FFFFFFF
      {"-1", 0xFFFFFFFF},
      {"abc", 0},                   // not a number
      {"0x10", 0},                  // decimal only: stops at the first other character
      {"  \t42", 42},               // leading blanks skipped
      {"+7", 7},
      {"99999999999", 0xFFFFFFFF},  // beyond the range: saturates, never wraps
  };
  for (const auto& c : cases) EXPECT_EQ(DwordFromText(c.text), c.value) << c.text;
}

TEST(RegistryText, BinaryText) {
  struct Case { const char* text; CxResult result; std::vector<uint8_t> bytes; } cases[] = {
      {"", CX_OK, {}},                              // empty value
      {"00ffA5", CX_OK, {0x00, 0xFF, 0xA5}},        // either case
      {"0G", CX_E_INVALID_ARG, {9}},                // not a hex digit (must not read as 0x10)
      {"abc", CX_E_INVALID_ARG, {9}},               // odd length
      {"01 2", CX_E_INVALID_ARG, {9}},              // blank inside
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out{9};
    EXPECT_EQ(BytesFromHexText(c.text, &out), c.result) << c.text;
    EXPECT_EQ(out, c.bytes) << c.text;
  }
  std::vector<uint8_t> out;
  EXPECT_EQ(BytesFromHexText(std::string(130, 'a').c_str(), &out), CX_OK);
  EXPECT_EQ(out.size(), 65u);
  EXPECT_EQ(BytesFromHexText(std::string(129, 'a').c_str(), &out), CX_E_INVALID_ARG);
  EXPECT_EQ(out.size(), 65u);  // untouched
}

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
