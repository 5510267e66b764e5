// Run-mode parsing.
#include "app/command_line.h"

#include "common/strings.h"

namespace {
struct Switch {
  const char16_t* text;
  int32_t mode;  // kModeUnset for the silent switches
  bool uninstallCopy;
};

// In the order they are tried.
constexpr Switch kSwitches[] = {
    {u"/SILENT", kModeUnset, false},  {u"/S", kModeUnset, false},
    {u"-S", kModeUnset, false},       {u"/UNINSTALL", kModeUninstall, false},
    {u"/UNINSTALL_COPY", kModeUninstall, true}, {u"/REPAIR", kModeRepair, false},
    {u"/UPGRADE", kModeUpgrade, false},
};

bool IsUninstallerName(const char16_t* modulePath) {
  if (!modulePath) return false;
  std::u16string path(modulePath);
  if (path.size() > 259) path.resize(259);  // the module path buffer holds 260
  size_t slash = path.rfind(u'\\');
  std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
  StrLowerW(&name[0], name.size());
  return name.find(u"uninstall.exe") != std::u16string::npos;
}


// The switches of unattended deployment; true when `arg` was one of them.
bool ApplyDeploymentSwitch(const std::u16string& arg, CommandLineFlags* flags) {
  if (StrCompareNoCaseW(arg.c_str(), u"/QUIET") == 0) {
    flags->quiet = true;
  } else if (StrCompareNoCaseW(arg.c_str(), u"/?") == 0 ||
             StrCompareNoCaseW(arg.c_str(), u"/HELP") == 0) {
    flags->help = true;
  } else if (StrCompareNoCaseW(arg.c_str(), u"/LOG") == 0) {
    flags->log = true;
    flags->logPath.clear();
  } else if (arg.size() > 5 && StrCompareNoCaseW(arg.substr(0, 5).c_str(), u"/LOG=") == 0) {
    flags->log = true;
    flags->logPath = arg.substr(5);
  } else {
    return false;
  }
  return true;
}
}  // namespace

CommandLineFlags ParseCommandLine(const std::vector<std::u16string>& args,
                                  const char16_t* modulePath) {
  CommandLineFlags flags;
  for (const std::u16string& arg : args) {
    if (ApplyDeploymentSwitch(arg, &flags)) continue;
    for (const Switch& s : kSwitches) {
      if (StrCompareNoCaseW(arg.c_str(), s.text) != 0) continue;
      if (s.mode == kModeUnset) {
        flags.silent = 1;
      } else if (flags.mode == kModeUnset) {
        flags.mode = s.mode;
        if (s.uninstallCopy) flags.isUninstallCopy = 1;
      }
      break;
    }
  }
  if (flags.mode != kModeUnset) return flags;
  if (IsUninstallerName(modulePath)) {
    flags.mode = kModeUninstallLauncher;
    flags.selfDeleteAllowed = 0;
    flags.relaunch = true;
  } else {
    flags.mode = kModeInstall;
  }
  return flags;
}

std::u16string RelaunchParameters(uint32_t silent, bool quiet, const std::u16string& logPath) {
  std::u16string params = u"/UNINSTALL_COPY";
  if (silent) params += u" /S";
  if (quiet) params += u" /QUIET";
  if (!logPath.empty()) params += u" \"/LOG=" + logPath + u"\"";
  return params;
}

std::u16string SelfDeleteCommand(const std::u16string& interpreter, const std::u16string& path,
                                 bool waitForEnd) {
  const std::u16string program = u"\"" + interpreter + u"\"";
  const std::u16string file = u"\"" + path + u"\"";
  if (!waitForEnd) return program + u" /c del " + file;
  return program + u" /c set /p cxwait= & for /l %i in (1,1,400) do if exist " + file +
         u" del /f /q " + file;
}
