// Run modes from the command line and the executable's name.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {
struct Case {
  std::vector<std::u16string> args;
  const char16_t* module;
  int32_t mode;
  uint32_t silent, copy, selfDelete;
  bool relaunch;
  const char* why;
};

const Case kCases[] = {
    {{u"/s", u"/repair", u"/uninstall"}, u"C:\\d\\setup.exe", kModeRepair, 1, 0, 1, false,
     "first mode switch wins, silent anywhere"},
    {{u"/Uninstall_Copy"}, u"C:\\t\\Uninstallation_0000ABCD.exe", kModeUninstall, 0, 1, 1, false,
     "the relaunched copy"},
    {{u"-S"}, u"C:\\d\\setup.exe", kModeInstall, 1, 0, 1, false, "dash form of silent"},
    {{u"/silent=1"}, u"C:\\d\\setup.exe", kModeInstall, 0, 0, 1, false, "not a whole switch"},
    {{u"SILENT"}, u"C:\\d\\setup.exe", kModeInstall, 0, 0, 1, false, "no slash"},
    {{}, u"C:\\Program Files\\V\\Uninstall.exe", kModeUninstallLauncher, 0, 0, 0, true,
     "installed uninstaller relaunches"},
    {{u"/SILENT"}, u"C:\\Program Files\\V\\Uninstall.exe", kModeUninstallLauncher, 1, 0, 0, true,
     "silent launcher"},
    {{}, u"C:\\x\\MyUninstall.exe.bak", kModeUninstallLauncher, 0, 0, 0, true, "substring match"},
    {{}, u"C:\\t\\Uninstallation_0000ABCD.exe", kModeInstall, 0, 0, 1, false,
     "copy name is not an uninstaller"},
    {{u"/UNINSTALL"}, u"C:\\Program Files\\V\\Uninstall.exe", kModeUninstall, 0, 0, 1, false,
     "direct uninstall keeps self-delete"},
    {{u"/UPGRADE", u"/s"}, u"C:\\d\\setup.exe", kModeUpgrade, 1, 0, 1, false, "upgrade"},
    {{}, u"C:\\Uninstall.exe\\setup.exe", kModeInstall, 0, 0, 1, false,
     "only the file name counts"},
};
}  // namespace

TEST(CommandLine, ModesAndFlags) {
  for (const Case& c : kCases) {
    CommandLineFlags f = ParseCommandLine(c.args, c.module);
    EXPECT_EQ(f.mode, c.mode) << c.why;
    EXPECT_EQ(f.silent, c.silent) << c.why;
    EXPECT_EQ(f.isUninstallCopy, c.copy) << c.why;
    EXPECT_EQ(f.selfDeleteAllowed, c.selfDelete) << c.why;
    EXPECT_EQ(f.relaunch, c.relaunch) << c.why;
  }
}

TEST(CommandLine, RelaunchParametersCarrySilent) {
  EXPECT_EQ(RelaunchParameters(0), u"/UNINSTALL_COPY");
  EXPECT_EQ(RelaunchParameters(1), u"/UNINSTALL_COPY /S");
}

namespace {
struct DeployCase {
  std::vector<std::u16string> args;
  bool quiet, help, log;
  const char16_t* logPath;
  int32_t mode;
  uint32_t silent;
  const char* why;
};

const DeployCase kDeployCases[] = {
    {{u"/quiet"}, true, false, false, u"", kModeInstall, 0, "quiet ignores case, is not silent"},
    {{u"/UNINSTALL", u"/Quiet", u"/s"}, true, false, false, u"", kModeUninstall, 1,
     "quiet after a mode switch, silent kept"},
    {{u"/QUIET=1"}, false, false, false, u"", kModeInstall, 0, "not a whole switch"},
    {{u"/?"}, false, true, false, u"", kModeInstall, 0, "question mark"},
    {{u"/help", u"/QUIET"}, true, true, false, u"", kModeInstall, 0, "help under quiet"},
    {{u"/LOG"}, false, false, true, u"", kModeInstall, 0, "log without a path"},
    {{u"/log=C:\\a b\\x.log"}, false, false, true, u"C:\\a b\\x.log", kModeInstall, 0,
     "path keeps its case and spaces"},
    {{u"/LOG=a.log", u"/LOG=b.log"}, false, false, true, u"b.log", kModeInstall, 0,
     "the last log switch wins"},
    {{u"/LOG="}, false, false, false, u"", kModeInstall, 0, "an empty path is no switch"},
    {{u"/LOGFILE=x"}, false, false, false, u"", kModeInstall, 0, "another word"},
    {{u"/REPAIR", u"/LOG=x", u"/UNINSTALL"}, false, false, true, u"x", kModeRepair, 0,
     "log between mode switches leaves the first one winning"},
};
}  // namespace

TEST(CommandLine, DeploymentSwitches) {
  for (const DeployCase& c : kDeployCases) {
    CommandLineFlags f = ParseCommandLine(c.args, u"C:\\d\\setup.exe");
    EXPECT_EQ(f.quiet, c.quiet) << c.why;
    EXPECT_EQ(f.help, c.help) << c.why;
    EXPECT_EQ(f.log, c.log) << c.why;
    EXPECT_EQ(f.logPath, std::u16string(c.logPath)) << c.why;
    EXPECT_EQ(f.mode, c.mode) << c.why;
    EXPECT_EQ(f.silent, c.silent) << c.why;
  }
}

TEST(CommandLine, RelaunchParametersCarryQuietAndLog) {
  EXPECT_EQ(RelaunchParameters(0, true), u"/UNINSTALL_COPY /QUIET");
  EXPECT_EQ(RelaunchParameters(1, true, u"C:\\l g\\u.log"),
            u"/UNINSTALL_COPY /S /QUIET \"/LOG=C:\\l g\\u.log\"");
}

TEST(CommandLine, SelfDeleteCommandQuotesBothPaths) {
  // Where 8.3 names are disabled the short path keeps its spaces.
  EXPECT_EQ(SelfDeleteCommand(u"C:\\Windows\\system32\\cmd.exe", u"C:\\Users\\A B\\Temp\\U_1.exe", false),
            u"\"C:\\Windows\\system32\\cmd.exe\" /c del \"C:\\Users\\A B\\Temp\\U_1.exe\"");
  const std::u16string waiting =
      SelfDeleteCommand(u"C:\\cmd.exe", u"C:\\T\\A B\\U_1.exe", true);
  EXPECT_EQ(waiting.find(u"\"C:\\cmd.exe\" /c set /p "), 0u) << "waits for this process first";
  EXPECT_NE(waiting.find(u"del /f /q \"C:\\T\\A B\\U_1.exe\""), std::u16string::npos);
  EXPECT_EQ(waiting.find(u" C:\\T\\A B"), std::u16string::npos) << "no unquoted path";
}
