// The script linter: a clean script that uses every action type, then one
// fault per case with the line it must be reported on and the message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "common/codepage.h"
#include "common/file_io.h"
#include "authoring/script_lint.h"
#include "authoring/script_reference.h"
#include "package/value_rules.h"

namespace {

const std::string kPackage = std::string(CX_TEST_DATA_DIR) + "/lint/all-actions";

std::string CleanScript() {
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(Utf8ToUtf16(kPackage + "/PackageFiles/SetupScript.xml").c_str(), &bytes),
            CX_OK);
  return bytes;
}

std::vector<LintFinding> Lint(const std::string& script) {
  LintOptions options;
  options.packageDir = Utf8ToUtf16(kPackage);
  return LintScript(script, options);
}

int LineOf(const std::string& text, const std::string& marker) {
  const size_t at = text.find(marker);
  return at == std::string::npos ? -1 : 1 + int(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string Dump(const std::vector<LintFinding>& f) { return FormatLintFindings(f, "S"); }

constexpr LintSeverity kE = LintSeverity::kError, kW = LintSeverity::kWarning;

}  // namespace

TEST(ScriptLint, EveryActionInAValidUseGivesNoFinding) {
  const std::vector<LintFinding> findings = Lint(CleanScript());
  EXPECT_TRUE(findings.empty()) << Dump(findings);
}

TEST(ScriptLint, OneFaultPerCase) {
  const struct {
    const char* from;  // text of the clean script to replace (first occurrence)
    const char* to;
    const char* marker;  // the finding's line is the first line holding this
    LintSeverity severity;
    const char* message;  // the finding's message begins with this
  } cases[] = {
      // Well-formedness and the declaration.
      {"<KillProcess Pid=\"1234\"/>", "<KillProcess Pid=\"1234\">", "<KillProcess Pid", kE,
       "not well-formed: <KillProcess> is never closed (</Action> at line"},
      {"<KillProcess Pid=\"1234\"/>", "<KillProcess Pid=\"1234\"/></Kill>", "</Kill>", kE,
       "not well-formed: </Kill> closes no open element"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "", "<!--", kE,
       "the script must begin with an XML declaration"},
      {"encoding=\"UTF-8\"", "encoding=\"latin1\"", "<?xml", kW, "encoding \"latin1\" is not UTF-8"},
      {"<en_us>Text</en_us>", "<en_us>T\xE9xt</en_us>", "T\xE9xt", kE, "the text is not valid UTF-8"},
      // SetupInfo.
      {"<Version>1.0.0.1</Version>", "<Version>1.0.70000.1</Version>", "<Version>",
       kE, "Version \"1.0.70000.1\" must have four parts"},
      {"<Publisher>R&amp;D Tests</Publisher>", "", "<SetupInfo>", kE, "SetupInfo has no Publisher"},
      {"<InstallDir>$(pf32)\\KOVA\\LintTest</InstallDir>", "<InstallDir></InstallDir>",
       "<InstallDir>", kE, "InstallDir is empty"},
      // Texts and templates.
      {"<IDS_BTN_FININSH><zh_cn>文字</zh_cn>", "<IDS_BTN_FININSH>", "<IDS_BTN_FININSH>",
       kE, "IDS_BTN_FININSH has no zh_cn text: the dialog ends at once in zh_cn"},
      {"<IDS_WELCOME_INSTALL><zh_cn>文字</zh_cn><en_us>Text</en_us><zh_tw>文字</zh_tw></IDS_WELCOME_INSTALL>",
       "", "<CustomString>", kE, "no IDS_WELCOME_INSTALL text: the dialog shows it empty"},
      {"<DelDir><zh_cn>Removing $[src]</zh_cn><en_us>Removing $[src]</en_us><zh_tw>Removing "
       "$[src]</zh_tw></DelDir>", "", "<DelDir Src=\"$(InstallDir)\\old\"", kE,
       "no description template for DelDir"},
      {"<en_us>Copying $[src] to $[dest]</en_us>", "<en_us>Copying $[Src]</en_us>",
       "<File><zh_cn>", kW, "$[Src] in the File template is not filled in"},
      {"<UnRegCert><zh_cn>Removing $[src] from $[store]</zh_cn>", "<UnRegCert>",
       "<UnRegCert><en_us>", kW, "the UnRegCert template has no zh_cn text"},
      // Elements where texts belong.
      {"<DelDir><zh_cn>Removing", "<KillProcess Name=\"Tool.exe\"/><DelDir><zh_cn>Removing",
       "<KillProcess Name=\"Tool.exe\"/><DelDir>", kE,
       "stray element <KillProcess> with attributes in ActionDescString"},
      {"<IDS_BTN_FININSH><zh_cn>文字</zh_cn>", "<IDS_BTN_FININSH><zh_cn>文字</zh_cn><fr_fr>x</fr_fr>",
       "<IDS_BTN_FININSH>", kE, "stray element <fr_fr> inside <IDS_BTN_FININSH> of CustomString"},
      {"<IDS_NEED_ADMIN><zh_cn>文字</zh_cn>", "<IDS_NEED_ADMIN><zh_cn>文<b>字</b></zh_cn>", "<IDS_NEED_ADMIN>",
       kE, "stray element <b> inside the zh_cn text of <IDS_NEED_ADMIN>"},
      {"<Tool>$(InstallDir)\\Tool.exe</Tool>", "<Tool>$(InstallDir)\\Tool.exe<Dir/></Tool>", "<Tool>", kE,
       "stray element <Dir> inside the value <Tool> of CustomInfo"},
      // Lists and elements.
      {"<Action name=\"Install Finish\"/>", "<Action name=\"Install Finish\"/><Action name=\"Install\"/>",
       "<Action name=\"Install Finish\"/>", kW, "list \"Install\" is never run; did you mean \"Insall\"?"},
      {"<Action name=\"Uninstall\">", "<Action name=\"Uninstal\">", "<Config>",
       kE, "no \"Uninstall\" list: the uninstall fails"},
      {"<KillProcess Pid=\"1234\"/>", "<Killprocess Pid=\"1234\"/>", "<Killprocess", kE,
       "unknown action \"Killprocess\": the run stops here (0xE0600008); did you mean \"KillProcess\"?"},
      {"<DelDir Src=\"$(pf32)\\KOVA\"/>", "<DellDir Src=\"x\"/>", "<DellDir",
       kW, "unknown action \"DellDir\": skipped; did you mean \"DelDir\"?"},
      // Attributes: presence and emptiness.
      {"<KillProcess Pid=\"1234\"/>", "<KillProcess/>", "<KillProcess/>", kE,
       "KillProcess needs Name or a nonzero Pid"},
      {"<KillProcess Name=\"Tool.exe\"/>", "<KillProcess Name=\"\"/>", "<KillProcess Name",
       kE, "KillProcess's Name is empty"},
      {" Dest=\"$(InstallDir)\\tool.dat\"", "", "PackageFiles\\Bin\\tool.dat", kE, "File needs Dest"},
      {"Type=\"Create\" AppPath=\"&quot;$(Tool)&quot;\" ", "Type=\"Create\" ", "Type=\"Create\"",
       kE, "SetAppTaskScheduler needs AppPath when Type is Create"},
      {"ValueType=\"REG_SZ\" ValueData=\"$(InstallDir)\"", "ValueType=\"REG_SZ\" ValueData=\"\"",
       "ValueName=\"Path\" ValueType", kE, "AddRegister's ValueData is empty"},
      {"ValueName=\"Path\" ValueType=\"REG_SZ\" ", "ValueName=\"Path\" ",
       "ValueName=\"Path\" ValueData", kE, "AddRegister needs ValueType"},
      // Attribute values.
      {"Type=\"Delete\"", "Type=\"delete\"", "Type=\"delete\"", kE,
       "Type=\"delete\" must be written Delete (exact case)"},
      {"Interval=\"10\"", "Interval=\"10m\"", "Interval=", kW,
       "Interval=\"10m\" is read as 10 minutes"},  // as the program reads it
      {"Interval=\"10\"", "Interval=\"ten\"", "Interval=", kE,
       "Interval=\"ten\" must be a whole number of minutes from 1 to 1439"},
      {"Interval=\"10\"", "Interval=\"1440\"", "Interval=", kE, "Interval=\"1440\" must be a whole number"},
      {"Root=\"HKEY_CURRENT_CONFIG\"", "Root=\"HKCC\"", "HKCC", kE,
       "Root=\"HKCC\" is not one of HKEY_CLASSES_ROOT"},
      {"ValueData=\"00ffA1\"", "ValueData=\"00ffA\"", "00ffA", kE,
       "ValueData=\"00ffA\" has an odd number of hexadecimal digits"},
      {"ValueData=\"00ffA1\"", "ValueData=\"00-fA1\"", "00-fA1", kE,
       "ValueData=\"00-fA1\" is not hexadecimal text"},
      // Letters past F: the program refuses them.
      {"ValueData=\"00ffA1\"", "ValueData=\"00ZZ\"", "00ZZ", kE, "ValueData=\"00ZZ\" is not hexadecimal text"},
      {"KeySpec=\"KEYEXCHANGE|SIGNATURE\"", "KeySpec=\"signature\"", "KeySpec=",
       kE, "KeySpec=\"signature\" names none of KEYEXCHANGE and SIGNATURE"},
      {"CertType=\"RSA|SM2\"", "CertType=\"rsa\"", "CertType=", kW,
       "CertType=\"rsa\" names none of RSA and SM2"},
      {"StoreName=\"Root\"", "StoreName=\"Rooot\"", "Rooot", kW,
       "StoreName=\"Rooot\" is not a standard system store"},
      {"CmpVer=\"true\" os=\"os64\"", "CmpVer=\"true\" os=\"OS64\"", "OS64",
       kW, "os=\"OS64\" is not os64: the action runs on every Windows"},
      {"Key64=\"true\" os=\"os64\"/>\n    <AddTrustedSite", "Key64=\"true\" os=\"64\"/>\n    <AddTrustedSite",
       "os=\"64\"", kW, "os=\"64\" is not os64: the file is imported only on a 32-bit"},
      {"<DelDir Src=\"$(InstallDir)\\old\" CheckIsEmpty=\"false\"/>",
       "<DelDir Src=\"$(InstallDir)\\old\" CheckIsEmpty=\"false\" os=\"os64\"/>", "\\old\"",
       kW, "DelDir has no \"os\" filter: it runs on every Windows"},
      {"Register=\"true\"", "Register=\"1\"", "Register=", kW,
       "Register=\"1\" is read as false: write true or false"},
      {"Unregister=\"true\"", "UnRegister=\"true\"", "UnRegister", kW,
       "unknown attribute \"UnRegister\" of DelFile is ignored; did you mean \"Unregister\"?"},
      {"Index=\"-1\"", "Index=\"first\"", "Index=", kW, "Index=\"first\" is not a number: read as 0"},
      // Variables.
      {"<Tool>$(InstallDir)\\Tool.exe</Tool>", "<Tool>$(InstalDir)\\Tool.exe</Tool>", "<Tool>",
       kE, "$(InstalDir) is undefined: loading fails; did you mean \"InstallDir\"?"},
      {"<Tool>$(InstallDir)\\Tool.exe</Tool>", "<Tool>$(Tool)\\Tool.exe</Tool>", "<Tool>",
       kE, "$(Tool) refers to itself: loading fails"},
      {"<Tool>$(InstallDir)\\Tool.exe</Tool>",
       "<Tool>$(Dir)\\Tool.exe</Tool><Dir>$(Tool)</Dir>", "<Tool>", kE,
       "$(Tool) refers to itself through $(Dir)"},
      {"<Tool>$(InstallDir)\\Tool.exe</Tool>", "<Tool>$(IDS_BTN_FININSH_X)</Tool>", "<Tool>",
       kE, "$(IDS_BTN_FININSH_X) is undefined"},
      {"</CustomInfo>\n  <CustomString>",
       "<T2>$(Local)</T2></CustomInfo>\n  <CustomString><Local><en_us>x</en_us></Local>", "<T2>",
       kE, "$(Local) has no zh_cn text: loading fails in zh_cn"},
      {"<Tool>$(InstallDir)\\Tool.exe</Tool>", "<Tool>$(InstallDir\\Tool.exe</Tool>", "<Tool>",
       kE, "\"$(\" without a closing \")\" on its line"},
      // Package files, compared ignoring case: what actions read.
      {"<StartProcess Src=\"$(Tool)\"", "<StartProcess Src=\"&quot;$(srcroot)PackageFiles\\Bin\\tool.exe&quot;\"",
       "Silent=\"false\"", kE, "StartProcess source \"PackageFiles\\Bin\\tool.exe\" is not in the package"},
      {"CmdLine=\"/x\"", "CmdLine=\"/x &quot;$(srcroot)PackageFiles\\Bin\\TOOL.dat&quot; $(srcroot)Bin\\gone.txt\"",
       "Silent=\"false\"", kE, "StartProcess's CmdLine names \"Bin\\gone.txt\", which is not in the package"},
      {"PackageFiles\\Reg\\settings.reg\"/>", "PackageFiles\\Reg\\setting.reg\"/>", "setting.reg", kE,
       "RunRegFile source \"PackageFiles\\Reg\\setting.reg\" is not in the package"},
      {"packagefiles\\BIN\\*", "packagefiles\\BIN2\\*", "BIN2", kE,
       "File source \"packagefiles\\BIN2\\\" is not in the package"},
  };
  const std::string clean = CleanScript();
  const std::vector<ReferenceEntry> entries = ScriptReferenceEntries();
  for (const auto& c : cases) {
    std::string script = clean;
    const size_t at = script.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    script.replace(at, std::strlen(c.from), c.to);
    const std::vector<LintFinding> findings = Lint(script);
    const int line = LineOf(script, c.marker);
    ASSERT_GT(line, 0) << c.marker;
    bool found = false;
    for (const LintFinding& f : findings)
      found = found || (f.line == line && f.severity == c.severity &&
                        f.message.compare(0, std::strlen(c.message), c.message) == 0);
    EXPECT_TRUE(found) << "expected at line " << line << ": " << c.message << "\ngot:\n"
                       << Dump(findings);
    // Each finding points to the reference entry that explains it.
    for (const LintFinding& f : findings)
      EXPECT_NE(FindReferenceEntry(entries, f.entry), nullptr) << f.message << " names entry [" << f.entry << "]";
  }
}

TEST(ScriptLint, RegDwordDataPassesWhereTheProgramWritesWhatItSays) {
  // DwordFromText is the program's reading; lint warns, naming the value
  // written, only where that is not the number the text says.
  const struct { const char* data; uint32_t written; const char* warning; } cases[] = {
      {"4294967295", 0xFFFFFFFF, nullptr},  // the top of the unsigned range
      {"-1", 0xFFFFFFFF, nullptr},          // two's complement, as written
      {"4294967296", 0xFFFFFFFF,
       "ValueData=\"4294967296\" is out of range: REG_DWORD writes 4294967295 (0xFFFFFFFF)"},
      {"12ab", 12, "ValueData=\"12ab\" is not a decimal number: REG_DWORD writes 12 (0x0000000C)"},
  };
  const std::string clean = CleanScript();
  for (const auto& c : cases) {
    EXPECT_EQ(DwordFromText(c.data), c.written) << c.data;
    std::string script = clean;
    const size_t at = script.find("ValueData=\"-1\"");
    ASSERT_NE(at, std::string::npos);
    script.replace(at + 11, 2, c.data);
    const std::vector<LintFinding> findings = Lint(script);
    if (!c.warning) {
      EXPECT_TRUE(findings.empty()) << c.data << "\n" << Dump(findings);
      continue;
    }
    ASSERT_EQ(findings.size(), 1u) << Dump(findings);
    EXPECT_EQ(findings[0].severity, kW) << c.data;
    EXPECT_EQ(findings[0].line, LineOf(script, c.data));
    EXPECT_EQ(findings[0].message, c.warning);
  }
}

TEST(ScriptLint, ExpansionRoomWarnsNearTheBoundAndFailsBeyondIt) {
  // $(Wide) expands to ten long folder paths; each reference in a comment
  // grows the script by about 1 KiB on a machine with long folder names.
  auto script = [](int references) {
    std::string s = CleanScript();
    std::string refs;
    for (int i = 0; i < references; ++i) refs += "$(Wide)";
    s.replace(s.find("</CustomInfo>"), 13,
              "<Wide>$(userprograms)$(userprograms)$(userprograms)$(userprograms)"
              "$(userprograms)$(userprograms)$(userprograms)$(userprograms)$(userprograms)"
              "$(userprograms)</Wide></CustomInfo><!-- " + refs + " -->");
    return s;
  };
  auto has = [](const std::vector<LintFinding>& f, LintSeverity s, const char* start) {
    for (const LintFinding& x : f)
      if (x.severity == s && x.message.rfind(start, 0) == 0) return true;
    return false;
  };
  const auto few = Lint(script(10));
  EXPECT_TRUE(few.empty()) << Dump(few);
  const auto near = Lint(script(60));
  EXPECT_TRUE(has(near, kW, "the expanded script takes")) << Dump(near);
  EXPECT_FALSE(HasLintErrors(near)) << Dump(near);
  const auto beyond = Lint(script(200));
  EXPECT_TRUE(has(beyond, kE, "the expanded script outgrows its room"))
      << Dump(beyond);
}

TEST(ScriptLint, DeletionsTheSetupRefusesAreFoundThroughEmptyVariables) {
  const struct {
    const char* variables;  // added to CustomInfo
    const char* strings;    // added to CustomString
    const char* from;       // replaced in the uninstall list
    const char* to;
    const char* message;    // the warning on the replaced line begins with this
  } cases[] = {
      {"<ToolDir/>", "", "<DelDir Src=\"$(InstallDir)\" CheckIsEmpty=\"false\"/>",
       "<DelDir Src=\"$(ToolDir)\\\" CheckIsEmpty=\"false\"/>",
       "DelDir Src=\"$(ToolDir)\\\" becomes \"\\\", as $(ToolDir) is empty (CustomInfo): a drive "
       "root, which the setup refuses to delete"},
      // Empty in one language only.
      {"", "<Vendor><zh_cn>KOVA</zh_cn><en_us>KOVA</en_us><zh_tw></zh_tw></Vendor>",
       "<DelDir Src=\"$(InstallDir)\" CheckIsEmpty=\"false\"/>",
       "<DelDir Src=\"$(pf32)\\$(Vendor)\" CheckIsEmpty=\"false\"/>",
       "DelDir Src=\"$(pf32)\\$(Vendor)\" becomes \"C:\\Program Files (x86)\\\" in zh_tw on a 64-bit "
       "Windows, as $(Vendor) is empty (its zh_tw text): a protected system folder"},
      // Empty through another variable, and an empty ValueName deletes the whole key.
      {"<Product/><ProductKey>SOFTWARE\\$(Product)</ProductKey>", "",
       "SubKey=\"SOFTWARE\\KOVA\\LintTest\" ValueName=\"\"", "SubKey=\"$(ProductKey)\" ValueName=\"$(Product)\"",
       "DelRegister SubKey=\"$(ProductKey)\" becomes \"SOFTWARE\\\", as $(Product) is empty (CustomInfo)"},
      {"", "", "SubKey=\"SOFTWARE\\KOVA\\LintTest\" ValueName=\"\"",
       "SubKey=\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\" ValueName=\"\"",
       "DelRegister SubKey=\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\" becomes"},
  };
  for (const auto& c : cases) {
    std::string script = CleanScript();
    script.replace(script.find("<CustomInfo>") + 12, 0, c.variables);
    script.replace(script.find("<CustomString>") + 14, 0, c.strings);
    const size_t at = script.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    script.replace(at, std::strlen(c.from), c.to);
    const std::vector<LintFinding> findings = Lint(script);
    const int line = LineOf(script, c.to);
    bool found = false;
    for (const LintFinding& f : findings)
      found = found || (f.line == line && f.severity == kW &&
                        f.message.compare(0, std::strlen(c.message), c.message) == 0);
    EXPECT_TRUE(found) << "expected at line " << line << ": " << c.message << "\ngot:\n"
                       << Dump(findings);
  }
}

TEST(ScriptLint, OneFaultPerPackageContent) {
  namespace fs = std::filesystem;
  const std::string logo = "PackageFiles/ProgramFiles(x86)/KOVA/Corvexa/Res/Logo_Long.bmp";
  const struct {
    std::string add;     // "path=contents;..." written into a copy of the package
    std::string remove;  // a path removed from the copy, or ""
    std::string file;    // the finding's file; "" for the script
    LintSeverity severity;
    std::string message;  // begins with this
    bool reported;        // false: such a finding is a fault
  } cases[] = {
      // The wizard draws its logo from one place only.
      {"", logo, logo, LintSeverity::kNote, "no logo here: the wizard's banner stays blank", true},
      {logo + "=<svg/>", "", logo, kW, "the logo is no BMP, PNG or GIF", true},
      // The Firefox step's tools.
      {"PackageFiles/CertToReg/certutil.exe=x;PackageFiles/CertToReg/Root.cer=x", "", "PackageFiles/CertToReg",
       kE, "certutil.exe without wSpawn.exe", true},
      {"PackageFiles/CertToReg/certutil.exe=x;PackageFiles/CertToReg/wSpawn.exe=x", "", "PackageFiles/CertToReg",
       kE, "certutil.exe without a root certificate", true},
      // A file a build stages later counts as there; one it does not stage does not.
      {"staged-files.txt=# built\nPackageFiles/Reg/settings.reg\n", "PackageFiles/Reg/settings.reg", "", kE,
       "RunRegFile source", false},
      {"staged-files.txt=PackageFiles/Reg/other.reg\n", "PackageFiles/Reg/settings.reg", "", kE,
       "RunRegFile source \"PackageFiles\\Reg\\settings.reg\" is not in the package", true},
  };
  const fs::path work = fs::temp_directory_path() / ("cx_lint_package_" + std::to_string(::getpid()));
  for (const auto& c : cases) {
    fs::remove_all(work);
    fs::copy(kPackage, work, fs::copy_options::recursive);
    for (size_t start = 0; start < c.add.size();) {
      size_t end = c.add.find(';', start);
      if (end == std::string::npos) end = c.add.size();
      const std::string item = c.add.substr(start, end - start);
      const size_t eq = item.find('=');
      const fs::path file = work / fs::u8path(item.substr(0, eq));
      fs::create_directories(file.parent_path());
      const std::string bytes = item.substr(eq + 1);
      ASSERT_EQ(WriteWholeFile(file.u16string().c_str(), bytes.data(), bytes.size()), CX_OK);
      start = end + 1;
    }
    if (!c.remove.empty()) fs::remove(work / fs::u8path(c.remove));
    LintOptions options;
    options.packageDir = work.u16string();
    const std::vector<LintFinding> findings = LintScript(CleanScript(), options);
    bool found = false;
    for (const LintFinding& f : findings)
      found = found || (f.file == c.file && f.severity == c.severity && f.message.rfind(c.message, 0) == 0);
    EXPECT_EQ(found, c.reported) << c.add << " / " << c.remove << ": " << c.message << "\ngot:\n"
                                 << Dump(findings);
  }
  fs::remove_all(work);
}
