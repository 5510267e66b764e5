// Registry services and actions on the real registry, both views: writes,
// reads, deletes, the editor's import, the module registrar, and the
// installed-version state. Each test works in a key subtree of its own,
// removed from both views afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/sysinfo.h"
#include "common/win_handles.h"
#include "platform/registry.h"
#include "platform/tool_exit.h"
#include "platform/uninstall_registration.h"
#include "app/run_policy.h"
#include "tinyxml.h"
#include "win_test_support.h"

namespace {
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr REGSAM k64 = KEY_WOW64_64KEY;

// A key of this test's own under `parent` (HKLM), removed from both views.
class TestKey {
 public:
  explicit TestKey(const wchar_t* parent = L"SOFTWARE") {
    static int serial = 0;
    wchar_t name[64];
    swprintf(name, 64, L"cxsetup-test-%lu-%d", GetCurrentProcessId(), ++serial);
    name_ = name;
    parent_ = parent;
    Remove();
  }
  ~TestKey() { Remove(); }
  const std::wstring& Name() const { return name_; }
  std::wstring Path(const std::wstring& below = L"") const {
    return parent_ + L"\\" + name_ + (below.empty() ? L"" : L"\\" + below);
  }
  std::u16string Path16(const std::wstring& below = L"") const {
    const std::wstring p = Path(below);
    return std::u16string(p.begin(), p.end());
  }

 private:
  void Remove() const {
    for (REGSAM view : {k32, k64}) {
      ScopedRegKey h;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent_.c_str(), 0, KEY_ALL_ACCESS | view,
                        h.Receive()) == 0)
        RegDeleteTreeW(h.Get(), name_.c_str());
    }
  }
  std::wstring name_;
  std::wstring parent_;
};

bool KeyExists(const std::wstring& path, REGSAM view) {
  ScopedRegKey h;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, h.Receive()) == 0;
}

// The raw value as stored: type and bytes; type 0 when absent.
struct Raw {
  DWORD type = 0;
  std::string bytes;
};
Raw ReadRaw(const std::wstring& path, const wchar_t* name, REGSAM view) {
  Raw raw;
  ScopedRegKey h;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, h.Receive()) != 0)
    return raw;
  char data[512];
  DWORD size = sizeof(data);
  if (RegQueryValueExW(h.Get(), name, nullptr, &raw.type, reinterpret_cast<BYTE*>(data), &size) ==
      0)
    raw.bytes.assign(data, size);
  else
    raw.type = 0;
  return raw;
}

std::wstring AddRegister(const TestKey& key, const std::wstring& rest) {
  return L"<AddRegister Root='HKEY_LOCAL_MACHINE' SubKey='" + key.Path(L"V") + L"' " + rest + L"/>";
}

TEST(RegistryServices, ViewsStringsAndKeyPaths) {
  ASSERT_EQ(IsOs64Bit(), 1) << "the views need a 64-bit prefix";
  TestKey key;
  RegistryLocation loc;
  const std::u16string sub = key.Path16(L"A\\B");
  loc.subKey = sub.c_str();
  loc.valueName = u"V";
  ASSERT_EQ(RegWriteDword(&loc, 7), CX_OK);
  EXPECT_TRUE(KeyExists(L"SOFTWARE\\Wow6432Node\\" + key.Name() + L"\\A\\B", k64));
  EXPECT_FALSE(KeyExists(key.Path(), k64));

  // A string carries its terminator, as readers see it, and reads back.
  loc.valueName = u"S";
  ASSERT_EQ(RegWriteString(&loc, u"abc"), CX_OK);
  const Raw raw = ReadRaw(key.Path(L"A\\B"), L"S", k32);
  EXPECT_EQ(raw.type, DWORD(REG_SZ));
  EXPECT_EQ(raw.bytes, std::string("a\0b\0c\0\0\0", 8));
  char16_t small[3];
  uint32_t size = 3;
  EXPECT_EQ(RegReadString(&loc, small, &size), CX_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(size, 4u);
  char16_t text[8];
  size = 8;
  ASSERT_EQ(RegReadString(&loc, text, &size), CX_OK);
  EXPECT_EQ(std::u16string(text), u"abc");

  loc.key64 = 1;
  EXPECT_EQ(RegReadString(&loc, text, &size), CX_WIN_ERROR_FILE_NOT_FOUND);  // other view
  loc.valueName = u"W";
  ASSERT_EQ(RegWriteDword(&loc, 8), CX_OK);
  EXPECT_EQ(ReadRaw(key.Path(L"A\\B"), L"W", k64).type, DWORD(REG_DWORD));
  EXPECT_EQ(ReadRaw(key.Path(L"A\\B"), L"W", k32).type, 0u);  // not in the 32-bit view

  const std::u16string leading = u"\\" + key.Path16(L"X");
  loc.subKey = leading.c_str();
  EXPECT_EQ(RegWriteDword(&loc, 1), CX_E_FAIL);
  EXPECT_FALSE(KeyExists(key.Path(L"X"), k32) || KeyExists(key.Path(L"X"), k64));
}

TEST(AddRegisterAction, TypesRootsAndData) {
  TestKey key;
  const std::wstring v = key.Path(L"V");
  struct Case { std::wstring attrs; CxResult result; const wchar_t* name; DWORD type; std::string bytes; } cases[] = {
      {L"ValueName='d1' ValueType='REG_DWORD' ValueData='4294967295'", CX_OK, L"d1", REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4)},
      {L"ValueName='d2' ValueType='REG_DWORD' ValueData='-1'", CX_OK, L"d2", REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4)},
      {L"ValueName='d3' ValueType='REG_DWORD' ValueData='abc'", CX_OK, L"d3", REG_DWORD, std::string(4, '\0')},
      {L"ValueName='d4' ValueType='REG_DWORD' ValueData='4294967296'", CX_OK, L"d4", REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4)},
      {L"ValueName='d5' ValueType='REG_DWORD' ValueData='12ab'", CX_OK, L"d5", REG_DWORD, std::string("\x0C\0\0\0", 4)},
      {L"ValueName='b1' ValueType='REG_BINARY' ValueData=''", CX_OK, L"b1", REG_BINARY, ""},
      {L"ValueName='b2' ValueType='REG_BINARY' ValueData='0G'", CX_E_INVALID_ARG, L"b2", 0, ""},
      {L"ValueName='s1' ValueType='reg_sz' ValueData='x'", CX_E_INVALID_ARG, L"s1", 0, ""},  // exact case
      {L"ValueName='s2' ValueData='x'", CX_E_INVALID_ARG, L"s2", 0, ""},                     // no type
      {L"ValueName='b130' ValueType='REG_BINARY' ValueData='" + std::wstring(130, L'f') + L"'", CX_OK, L"b130",
       REG_BINARY, std::string(65, '\xFF')},
      {L"ValueName='b129' ValueType='REG_BINARY' ValueData='" + std::wstring(129, L'f') + L"'",
       CX_E_INVALID_ARG, L"b129", 0, ""},  // odd digit count
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunAction(TestElement(AddRegister(key, c.attrs))), c.result) << c.name;
    const Raw raw = ReadRaw(v, c.name, k32);
    EXPECT_EQ(raw.type, c.type) << c.name;
    EXPECT_EQ(raw.bytes, c.bytes) << c.name;
  }
  TestElement shortRoot(L"<AddRegister Root='HKLM' SubKey='" + v + L"' ValueType='REG_SZ' ValueData='x'/>");
  EXPECT_EQ(RunAction(shortRoot), CX_E_INVALID_ARG);
}

TEST(RegistryDeletion, TreesValuesAndRefusedSubkeys) {
  TestKey key;
  for (const wchar_t* leaf : {L"T\\A\\A1\\A11", L"T\\A\\A2", L"T\\B\\B1\\B11\\B111"}) {
    RegistryLocation loc;
    const std::u16string sub = key.Path16(leaf);
    loc.subKey = sub.c_str();
    loc.valueName = u"v";
    ASSERT_EQ(RegWriteDword(&loc, 1), CX_OK);
  }
  TestElement value(L"<DelRegister Root='HKEY_LOCAL_MACHINE' SubKey='" + key.Path(L"T\\A\\A2") + L"' ValueName='v'/>");
  EXPECT_EQ(RunAction(value), CX_OK);
  EXPECT_EQ(RunAction(value), CX_WIN_ERROR_FILE_NOT_FOUND);

  // Refused: each would name a key above the one meant.
  for (const std::wstring& bad : {key.Path(L"T") + L"\\", std::wstring(L"\\") + key.Path(L"T")}) {
    TestElement e(L"<DelRegister Root='HKEY_LOCAL_MACHINE' SubKey='" + bad + L"'/>");
    EXPECT_EQ(RunAction(e), CX_E_INVALID_ARG) << bad.c_str();
  }
  // Refused with its own code: a key of a hive's first two levels.
  TestElement top(L"<DelRegister Root='HKEY_LOCAL_MACHINE' SubKey='" + key.Path() + L"'/>");
  EXPECT_EQ(RunAction(top), CX_E_DELETE_REFUSED);
  EXPECT_TRUE(KeyExists(key.Path(L"T\\B\\B1\\B11\\B111"), k32));

  TestElement tree(L"<DelRegister Root='HKEY_LOCAL_MACHINE' SubKey='" + key.Path(L"T") + L"'/>");
  EXPECT_EQ(RunAction(tree), CX_OK);
  EXPECT_FALSE(KeyExists(key.Path(L"T"), k32));
  // A key already gone: the code the failure policy lets pass.
  EXPECT_EQ(RunAction(tree), CX_WIN_ERROR_FILE_NOT_FOUND);
}

TEST(RunRegFileAction, ImportsFromAFolderWithSpacesIntoTheNamedView) {
  TestKey key;
  TestFolder dir;
  const std::wstring folder = dir.File(L"Package Files");
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring wide = key.Path();
  const std::wstring reg = folder + L"\\provider.reg";
  WriteFileText(reg, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + std::string(wide.begin(), wide.end()) +
                         "]\r\n\"Imported\"=\"yes\"\r\n");

  TestElement view32(L"<RunRegFile Src='" + reg + L"' os='os64'/>");
  EXPECT_EQ(RunAction(view32), CX_OK);
  EXPECT_EQ(ReadRaw(key.Path(), L"Imported", k32).type, DWORD(REG_SZ));
  EXPECT_EQ(ReadRaw(key.Path(), L"Imported", k64).type, 0u);
  TestElement view64(L"<RunRegFile Src='" + reg + L"' os='os64' Key64='true'/>");
  EXPECT_EQ(RunAction(view64), CX_OK);
  EXPECT_EQ(ReadRaw(key.Path(), L"Imported", k64).type, DWORD(REG_SZ));
  TestElement only32Bit(L"<RunRegFile Src='" + dir.File(L"missing.reg") + L"'/>");
  EXPECT_EQ(RunAction(only32Bit), CX_OK);  // not on a 64-bit Windows
}

// What the registration probe recorded for `module`: the registrar's path,
// "regserver", or empty when it is not registered.
std::wstring Registrar(const std::wstring& module) {
  const std::wstring name = module.substr(module.rfind(L'\\') + 1);
  const std::wstring key = L"Software\\cxsetup-tests\\registrar\\" + name;
  wchar_t text[MAX_PATH] = {};
  DWORD size = sizeof(text);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Registrar", RRF_RT_REG_SZ, nullptr, text, &size) != 0)
    return L"";
  return text;
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = towlower(c);
  return s;
}

TEST(ModuleRegistration, FileRegistersAndDelFileUnregistersThroughTheRightRegistrar) {
  TestFolder dir;
  const std::wstring dll = dir.File(L"Program Files\\probe ") + std::to_wstring(GetCurrentProcessId()) + L".dll";
  TestElement copy(L"<File Src='" + TestHelperPath(L"cx_registrar_probe.dll") + L"' Dest='" + dll + L"' Register='true'/>");
  ASSERT_EQ(RunAction(copy), CX_OK);
  EXPECT_EQ(Lower(Registrar(dll)).substr(1), L":\\windows\\syswow64\\regsvr32.exe");

  TestElement del(L"<DelFile Src='" + dll + L"' Unregister='true'/>");
  EXPECT_EQ(RunAction(del), CX_OK);
  EXPECT_EQ(Registrar(dll), L"");
  EXPECT_FALSE(FileExists(dll));

  const std::wstring failing = dir.File(L"fails.dll");
  TestElement bad(L"<File Src='" + TestHelperPath(L"cx_registrar_probe_fails.dll") + L"' Dest='" + failing + L"' Register='true'/>");
  ForgetToolExit();
  const CxResult failed = RunAction(bad);
  EXPECT_NE(failed, CX_OK);
  // The run's log tells regsvr32's exit code from a Windows error by this note.
  ToolExit tool;
  ASSERT_TRUE(TakeToolExit(&tool));
  EXPECT_EQ(tool.code, failed);
  EXPECT_EQ(Lower(std::wstring(tool.program.begin(), tool.program.end())).substr(1),
            L":\\windows\\syswow64\\regsvr32.exe");
  // A module whose unregistration fails is still deleted.
  TestElement delBad(L"<DelFile Src='" + failing + L"' Unregister='true'/>");
  CopyFileW(TestHelperPath(L"cx_registrar_probe_exe.exe").c_str(), failing.c_str(), FALSE);
  EXPECT_EQ(RunAction(delBad), CX_OK);
  EXPECT_FALSE(FileExists(failing));

  const std::wstring exe = dir.File(L"probe ") + std::to_wstring(GetCurrentProcessId()) + L".EXE";
  ASSERT_TRUE(CopyFileW(TestHelperPath(L"cx_registrar_probe_exe.exe").c_str(), exe.c_str(), FALSE));
  EXPECT_EQ(RegisterServer(AsU16(exe.c_str()), 0, 1), CX_OK);
  EXPECT_EQ(Registrar(exe), L"regserver");
  EXPECT_EQ(RegisterServer(AsU16(exe.c_str()), 0, 0), CX_OK);
  EXPECT_EQ(Registrar(exe), L"");
}

TEST(InstalledVersion, StatesFromTheUninstallEntryInThe32BitView) {
  TestKey product(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  const std::u16string code(product.Name().begin(), product.Name().end());
  EXPECT_EQ(ProductInstalledState(code.c_str(), u"1.0.0.1"), kNotInstalled);
  struct Case { const char16_t* installed; InstalledState state; } cases[] = {
      {u"1.0.0.1", kInstalledSame},
      {u"6.3", kInstalledLower},  // not four parts: 0.0.0.0
  };
  RegistryLocation loc;
  const std::u16string sub = product.Path16();
  loc.subKey = sub.c_str();
  loc.valueName = u"DisplayVersion";
  for (const auto& c : cases) {
    loc.key64 = 0;
    ASSERT_EQ(RegWriteString(&loc, c.installed), CX_OK);
    EXPECT_EQ(ProductInstalledState(code.c_str(), u"1.0.0.1"), c.state) << (&c - cases);
  }
  // An install that began and never finished is no refusal, whatever its
  // version says; once finished, the same version is refused again.
  ASSERT_EQ(RegWriteString(&loc, u"1.0.0.1"), CX_OK);
  ASSERT_EQ(MarkInstallUnfinished(code.c_str()), CX_OK);
  EXPECT_EQ(ProductInstalledState(code.c_str(), u"1.0.0.1"), kInstallUnfinished);
  EXPECT_EQ(ClearInstallUnfinished(code.c_str()), CX_OK);
  EXPECT_EQ(ProductInstalledState(code.c_str(), u"1.0.0.1"), kInstalledSame);
  uint32_t version[4] = {9, 9, 9, 9};
  ASSERT_EQ(RegWriteString(&loc, u"6.3.0.10"), CX_OK);
  ASSERT_EQ(ReadInstalledVersion(code.c_str(), version), CX_OK);
  EXPECT_EQ(version[0] * 1000 + version[1] * 100 + version[2] * 10 + version[3], 6310u);
  EXPECT_EQ(RegDeleteKeyTree(&loc), CX_OK);
  // A mark that was all the entry held leaves no empty key behind.
  ASSERT_EQ(MarkInstallUnfinished(code.c_str()), CX_OK);
  EXPECT_EQ(ClearInstallUnfinished(code.c_str()), CX_OK);
  EXPECT_FALSE(KeyExists(product.Path(), k32));
  loc.key64 = 1;  // an entry only in the 64-bit view is not seen
  ASSERT_EQ(RegWriteString(&loc, u"1.0.0.1"), CX_OK);
  EXPECT_EQ(ProductInstalledState(code.c_str(), u"1.0.0.1"), kNotInstalled);
}
}  // namespace

