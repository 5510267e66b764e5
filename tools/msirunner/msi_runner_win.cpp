// cxsetup_msi_runner.dll: the custom actions of the MSI that `cxpack msi`
// writes. Both are deferred and run without impersonation, so Windows
// Installer runs them elevated in its own process (as SYSTEM under its
// service), with only Windows Installer's interface available: the
// CustomActionData property, log messages and the run mode.
//
//   CxInstallSetup    writes the setup carried behind this DLL's own bytes
//                     into a new admin-only folder (runner_folder_win.h),
//                     checks it against the SHA-256 the MSI names, runs it
//                     with /QUIET and /LOG, copies its log into the MSI log,
//                     and removes the folder.
//   CxUninstallSetup  runs the product's QuietUninstallString, as the
//                     script wrote it into the uninstall entry, and waits.
//
// A setup's exit code 0 succeeds, 3010 succeeds with a restart at the end,
// anything else fails the install (runner_rules.h).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/version_number.h"
#include "common/win_handles.h"
#include "runner_folder_win.h"
#include "runner_handles_win.h"
#include "runner_log_win.h"
#include "runner_process_win.h"
#include "runner_rules.h"

namespace {

constexpr wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr DWORD kMaxValueBytes = 64 * 1024;

std::wstring CustomActionData(MSIHANDLE session) {
  wchar_t empty[1] = L"";
  DWORD size = 0;
  if (MsiGetPropertyW(session, L"CustomActionData", empty, &size) != ERROR_MORE_DATA) return {};
  std::vector<wchar_t> value(size + 1);
  size = DWORD(value.size());
  if (MsiGetPropertyW(session, L"CustomActionData", value.data(), &size) != ERROR_SUCCESS) return {};
  return std::wstring(value.data(), size);
}

std::wstring Number(unsigned long value) { return std::to_wstring(value); }

// A REG_SZ value of the uninstall entry; empty when missing or of another type.
std::wstring ReadText(HKEY key, const wchar_t* name) {
  std::vector<BYTE> bytes(kMaxValueBytes + sizeof(wchar_t));
  DWORD type = 0, size = kMaxValueBytes;
  if (RegQueryValueExW(key, name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS || type != REG_SZ)
    return {};
  std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), size / sizeof(wchar_t));
  const size_t end = text.find(L'\0');
  return end == std::wstring::npos ? text : text.substr(0, end);
}

UINT Fail(const MsiLog& log, const std::wstring& why) {
  log.Line(why + L"; this action fails");
  return ERROR_INSTALL_FAILURE;
}

// Runs `commandLine` (starting with `program`, quoted; `what` names it in
// the log) with "/LOG=" into a new admin-only folder, copies that log into
// the MSI log and maps the exit code.
UINT RunLogged(MSIHANDLE session, const MsiLog& log, RunnerFolder* folder, const wchar_t* what,
               const std::wstring& program, const std::wstring& commandLine, const wchar_t* logName) {
  const std::wstring logFile = folder->File(logName);
  const std::wstring line = commandLine + L" \"/LOG=" + logFile + L"\"";
  log.Line(L"running " + line);
  DWORD exitCode = 0;
  const CxResult ran = RunAndWait(program, line, folder->Path(), kSetupTimeLimitMs, &exitCode);
  log.CopyLogFile(logFile);
  if (ran == WAIT_TIMEOUT) return Fail(log, std::wstring(what) + L" did not end within an hour and was ended");
  if (ran != CX_OK) return Fail(log, std::wstring(what) + L" could not be started (error " + Number(ran) + L")");
  const ActionResult mapped = MapSetupExitCode(exitCode);
  const char* meaning = SetupExitMeaning(exitCode);
  const std::wstring ended =
      std::wstring(what) + L" ended with exit code " + Number(exitCode) + L" (" + std::wstring(meaning, meaning + strlen(meaning)) + L")";
  if (mapped.result != ERROR_SUCCESS) return Fail(log, ended);
  log.Line(ended);
  if (mapped.restart) MsiSetMode(session, MSIRUNMODE_REBOOTATEND, TRUE);
  return ERROR_SUCCESS;
}

bool AcquireCrypto(ScopedCryptProv* crypto) {
  return CryptAcquireContextW(crypto->Receive(), nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT) != FALSE;
}

}  // namespace

extern "C" UINT __stdcall CxInstallSetup(MSIHANDLE session) {
  const MsiLog log(session, L"CxInstallSetup");
  InstallData data;
  if (!ParseInstallData(AsU16(CustomActionData(session).c_str()), &data))
    return Fail(log, L"its CustomActionData is not \"OFFSET SIZE SHA256\"");
  ScopedCryptProv crypto;
  if (!AcquireCrypto(&crypto)) return Fail(log, L"no CryptoAPI provider (error " + Number(GetLastError()) + L")");
  RunnerFolder folder;
  const CxResult made = folder.Create(crypto.Get());
  if (made != CX_OK) return Fail(log, L"no folder for the setup under the Windows Temp folder (error " + Number(made) + L")");
  const std::wstring setup = folder.File(L"Setup.exe");
  const CxResult extracted = folder.ExtractCarriedSetup(crypto.Get(), data, setup);
  if (extracted == CX_E_BAD_DATA)
    return Fail(log, L"the carried setup does not match its SHA-256 and was not run");
  if (extracted != CX_OK) return Fail(log, L"the carried setup could not be written (error " + Number(extracted) + L")");
  return RunLogged(session, log, &folder, L"the setup", setup, L"\"" + setup + L"\" /QUIET", L"Setup.log");
}

extern "C" UINT __stdcall CxUninstallSetup(MSIHANDLE session) {
  const MsiLog log(session, L"CxUninstallSetup");
  UninstallData data;
  if (!ParseUninstallData(AsU16(CustomActionData(session).c_str()), &data))
    return Fail(log, L"its CustomActionData is not \"VERSION PRODUCTCODE\"");
  const std::wstring keyPath = kUninstallRoot + std::wstring(AsWide(data.productKey.c_str()));
  // The setup is a 32-bit program and its script writes the entry there.
  ScopedRegKey key;
  const LONG opened =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.Receive());
  if (opened == ERROR_FILE_NOT_FOUND) {
    log.Line(L"HKLM\\" + keyPath + L" does not exist: the product is not installed, nothing to remove");
    return ERROR_SUCCESS;
  }
  if (opened != ERROR_SUCCESS) return Fail(log, L"HKLM\\" + keyPath + L" cannot be read (error " + Number(opened) + L")");
  // A newer package upgraded the product and now removes this package's
  // registration: the product is no longer this package's to remove.
  const std::wstring installed = ReadText(key.Get(), L"DisplayVersion");
  uint64_t installedVersion = 0;
  if (ParseVersionString(AsU16(installed.c_str()), &installedVersion) == CX_DONE && installedVersion != data.version) {
    log.Line(L"the installed product is version " + installed + L", not this package's: left in place");
    return ERROR_SUCCESS;
  }
  const std::wstring quiet = ReadText(key.Get(), L"QuietUninstallString");
  key.Reset();
  std::u16string program;
  if (!QuietUninstallProgram(AsU16(quiet.c_str()), &program))
    return Fail(log, L"QuietUninstallString [" + quiet + L"] does not start with a quoted full path");
  ScopedCryptProv crypto;
  if (!AcquireCrypto(&crypto)) return Fail(log, L"no CryptoAPI provider (error " + Number(GetLastError()) + L")");
  RunnerFolder folder;
  const CxResult made = folder.Create(crypto.Get());
  if (made != CX_OK) return Fail(log, L"no folder for the uninstall's log (error " + Number(made) + L")");
  return RunLogged(session, log, &folder, L"the uninstall", AsWide(program.c_str()), quiet, L"Uninstall.log");
}
