// cxpack msi's and its runner DLL's portable rules: the runner's inputs and
// exit-code mapping, what an MSI can hold, its GUIDs and the checksum.
#include <gtest/gtest.h>

#include "tools/cxpack/msi_tables.h"
#include "tools/cxpack/sha256.h"
#include "tools/msirunner/runner_rules.h"

namespace {
const std::string kSha(64, 'a');
std::u16string U(const std::string& s) { return std::u16string(s.begin(), s.end()); }
}  // namespace

TEST(MsiRunnerRules, InstallData) {
  InstallData d;
  ASSERT_TRUE(ParseInstallData(U("322048 3325952 " + kSha), &d));
  EXPECT_EQ(d.offset, 322048u);
  EXPECT_EQ(d.size, 3325952u);
  EXPECT_EQ(d.sha256, kSha);
  const std::string refused[] = {
      "",                                              // nothing
      "1 2",                                           // no checksum
      "1 0 " + kSha,                                   // an empty setup
      "1  2 " + kSha,                                  // two blanks
      "-1 2 " + kSha,                                  // a sign
      "1 2 " + kSha + "a",                             // 65 digits
      "1 2 " + std::string(63, 'a') + "A",             // upper case
      "18446744073709551615 1 " + kSha,                // offset + size past 64 bits
      "18446744073709551616 1 " + kSha,                // offset past 64 bits
  };
  for (const std::string& text : refused) {
    InstallData untouched;
    untouched.size = 7;
    EXPECT_FALSE(ParseInstallData(U(text), &untouched)) << text;
    EXPECT_EQ(untouched.size, 7u) << text;
  }
}

TEST(MsiRunnerRules, UninstallData) {
  UninstallData d;
  ASSERT_TRUE(ParseUninstallData(u"1.0.0.2 KOVA Corvexa", &d));
  EXPECT_EQ(d.version, 0x0001000000000002ull);
  EXPECT_EQ(d.productKey, u"KOVA Corvexa");  // the rest, blanks included
  for (const char16_t* text : {u"", u"1.0.0.2", u"1.0.0.2 ", u"1.0.0 KOVA", u"x KOVA"})
    EXPECT_FALSE(ParseUninstallData(text, &d));
}

TEST(MsiRunnerRules, QuietUninstallProgram) {
  std::u16string program;
  ASSERT_TRUE(QuietUninstallProgram(u"\"C:\\Program Files (x86)\\KOVA\\Corvexa\\Uninstall.exe\" /QUIET", &program));
  EXPECT_EQ(program, u"C:\\Program Files (x86)\\KOVA\\Corvexa\\Uninstall.exe");
  ASSERT_TRUE(QuietUninstallProgram(u"\"d:\\u.exe\"", &program));
  const char16_t* refused[] = {
      u"C:\\Program Files\\KOVA\\Uninstall.exe /QUIET",  // unquoted: C:\Program.exe first
      u"\"Uninstall.exe\" /QUIET",                       // searched for
      u"\"\\Uninstall.exe\" /QUIET",                      // the current drive's root
      u"\"C:Uninstall.exe\"",                             // the drive's current folder
      u"\"\\\\server\\share\\u.exe\"",                    // a share
      u"\"C:\\u.exe /QUIET",                              // no closing quote
      u"\"C:\\u\".exe /QUIET",                            // the path goes on after the quote
      u"",
  };
  for (const char16_t* text : refused) {
    std::u16string untouched = u"x";
    EXPECT_FALSE(QuietUninstallProgram(text, &untouched));
    EXPECT_EQ(untouched, u"x");
  }
}

TEST(MsiRunnerRules, SetupExitCodes) {
  struct {
    uint32_t exitCode, result;
    bool restart;
  } const cases[] = {
      {0, 0, false},    {3010, 0, true},     {1603, 1603, false}, {1602, 1603, false},
      {1618, 1603, false}, {1638, 1603, false}, {1620, 1603, false}, {4100, 1603, false},
      {1, 1603, false}, {0xC0000005, 1603, false},
  };
  for (const auto& c : cases) {
    const ActionResult r = MapSetupExitCode(c.exitCode);
    EXPECT_EQ(r.result, c.result) << c.exitCode;
    EXPECT_EQ(r.restart, c.restart) << c.exitCode;
  }
  EXPECT_STREQ(SetupExitMeaning(1638), "this version or a newer one is already installed");
}

TEST(MsiRunnerRules, LogTextIsTakenLiterally) {
  EXPECT_EQ(MsiLogLiteral(u"HKCR\\CLSID\\{37}\\ [ProductCode]"), u"HKCR\\CLSID\\[\\{]37[\\}]\\ [\\[]ProductCode[\\]]");
}

TEST(MsiTables, ProductProblems) {
  MsiProduct good;
  good.scriptProductCode = "KOVA_ZAVOzu";
  good.productName = "Corvexa";
  good.publisher = "KOVA";
  good.version = "255.255.65535.65535";
  const uint32_t top[4] = {255, 255, 65535, 65535};
  std::copy(top, top + 4, good.versionParts);
  EXPECT_EQ(MsiProductProblem(good), "");
  MsiProduct p = good;
  p.versionParts[0] = 256;  // the MSI major version is one byte
  EXPECT_NE(MsiProductProblem(p), "");
  p = good;
  p.versionParts[1] = 256;  // and so is the minor version
  EXPECT_NE(MsiProductProblem(p), "");
  p = good;
  p.productName = "Cor\tvexa";  // a tab would split the IDT row
  EXPECT_NE(MsiProductProblem(p), "");
  p = good;
  p.publisher = "\xE5\x87\xAF\xE7\x93\xA6";  // Chinese, not in code page 1252
  EXPECT_NE(MsiProductProblem(p).find("--codepage 936"), std::string::npos);
  p.codePage = 936;
  EXPECT_EQ(MsiProductProblem(p), "");
}

TEST(MsiTables, GuidsComeFromTheirInputsOnly) {
  MsiProduct a;
  a.scriptProductCode = "KOVA_ZAVOzu";
  a.version = "1.0.0.1";
  MsiProduct b = a;
  b.version = "1.0.0.2";
  EXPECT_EQ(MsiUpgradeCode(a), MsiUpgradeCode(b));
  EXPECT_NE(MsiProductCode(a), MsiProductCode(b));
  EXPECT_EQ(MsiProductCode(a), MsiProductCode(MsiProduct(a)));
  EXPECT_NE(MsiPackageCode(a, kSha), MsiPackageCode(a, std::string(64, 'b')));
  const std::string guid = MsiProductCode(a);
  ASSERT_EQ(guid.size(), 38u);
  EXPECT_EQ(guid.substr(15, 1), "8");  // version 8: a name-based SHA-256 UUID
  for (char c : guid) EXPECT_TRUE(std::string("{}-0123456789ABCDEF").find(c) != std::string::npos) << guid;
}

TEST(MsiTables, Sha256) {
  struct {
    std::string input, hex;
  } const cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 56 bytes: the length no longer fits the first block.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
  };
  for (const auto& c : cases) {
    Sha256 sha;
    sha.Update(c.input);
    EXPECT_EQ(Sha256::Hex(sha.Finish()), c.hex) << c.input;
  }
  Sha256 pieces;  // fed in pieces that straddle blocks
  const std::string million(1000000, 'a');
  for (size_t i = 0; i < million.size(); i += 999) pieces.Update(million.data() + i, std::min<size_t>(999, million.size() - i));
  EXPECT_EQ(Sha256::Hex(pieces.Finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
