// Help box and the log's opening lines.
#include <windows.h>

#include "app/startup_report.h"

#include "app/setup_log.h"
#include "common/codepage.h"
#include "common/sysinfo.h"
#include "common/win_handles.h"
#include "package/temp_folder.h"
#include "platform/file_system.h"

namespace {
const wchar_t kHelp[] =
    L"Usage: setup.exe [switches]\n"
    L"\n"
    L"/QUIET\tno window, message or balloon at all; the result is the exit code\n"
    L"/S, /SILENT, -S\tinstall without the wizard page; a balloon at the end\n"
    L"/UNINSTALL\tremove the product\n"
    L"/REPAIR, /UPGRADE\trun no action, as a setup script has no list for either: exit code 1603\n"
    L"/LOG=path\twrite a UTF-8 log to path\n"
    L"/LOG\twrite the log to the temporary folder, named after the product and the time\n"
    L"/?, /HELP\tthis help\n"
    L"\n"
    L"Uninstall.exe /QUIET returns only when the product is gone.\n"
    L"\n"
    L"Exit codes:\n"
    L"0\tsuccess\n"
    L"3010\tsuccess; a restart completes it\n"
    L"1602\tcancelled by the user\n"
    L"1603\tan action failed\n"
    L"1618\tanother setup of this product is running\n"
    L"1620\tthe embedded package or its script is damaged\n"
    L"1638\tthis version or a newer one is already installed\n"
    L"740\tadministrator rights missing\n"
    L"4100\ta browser must be closed first\n";

const char* ModeName(int32_t mode) {
  switch (mode) {
    case kModeInstall: return "install";
    case kModeRepair: return "repair";
    case kModeUpgrade: return "upgrade";
    case kModeUninstallLauncher: return "uninstall launcher";
    case kModeUninstall: return "uninstall";
    default: return "unset";
  }
}

std::string ModulePathUtf8() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return (n && n < MAX_PATH) ? Utf16ToUtf8(AsU16(path)) : std::string();
}
}  // namespace

const wchar_t* HelpText() { return kHelp; }

void ShowHelp() { MessageBoxW(nullptr, kHelp, L"Setup", MB_ICONINFORMATION | MB_TOPMOST); }

void StartLog(const CommandLineFlags& flags) {
  if (!flags.log) return;
  SetupLog& log = ProcessLog();
  log.Enable(flags.logPath);
  std::u16string temp;
  const bool haveTemp = GetTempFolder(&temp) == 1;
  if (flags.logPath.empty() && flags.mode == kModeUninstallLauncher && haveTemp)
    log.UseDefaultFile(temp, u"Uninstall");

  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  uint32_t version[4] = {0, 0, 0, 0};
  GetFileVersionNumbers(AsU16(module), version);
  log.Writef("%s version %u.%u.%u.%u", ModulePathUtf8().c_str(), version[0], version[1],
             version[2], version[3]);
  log.Writef("command line: %s", Utf16ToUtf8(AsU16(GetCommandLineW())).c_str());
  log.Writef("mode: %s%s%s", ModeName(flags.mode), flags.silent ? ", silent" : "",
             flags.quiet ? ", quiet" : "");
  OsVersionRecord os;
  GetOsVersionInfo(&os);
  uint32_t language = 0;
  GetSystemLanguageCode(&language);
  log.Writef("Windows %u.%u.%u, %s-bit, user interface language 0x%04X (setup language %u)",
             os.major, os.minor, os.build, IsOs64Bit() ? "64" : "32",
             static_cast<unsigned>(GetUserDefaultUILanguage()), language);
  log.Writef("temporary folder: %s", haveTemp ? Utf16ToUtf8(temp).c_str() : "(none)");
}

void EndLog() {
  SetupLog& log = ProcessLog();
  std::u16string temp;
  if (log.Enabled() && log.Path().empty() && GetTempFolder(&temp) == 1)
    log.UseDefaultFile(temp, u"");
}

void LogRestartOperations(const std::vector<PendingRename>& entries) {
  SetupLog& log = ProcessLog();
  for (const PendingRename& e : entries) {
    const std::string source = Utf16ToUtf8(FromNtPath(e.source));
    if (e.IsDelete())
      log.Writef("scheduled for the next restart: delete %s", source.c_str());
    else
      log.Writef("scheduled for the next restart: move %s to %s", source.c_str(),
                 Utf16ToUtf8(FromNtPath(e.target)).c_str());
  }
}
