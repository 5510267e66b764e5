// The shell's own operations: command line, uninstaller relaunch, the
// single-instance lock, clean-up and self-deletion.
#include <windows.h>
#include <shellapi.h>


#include "app/command_line.h"
#include "app/fresh_name.h"
#include "app/installer_engine.h"
#include "app/setup_log.h"
#include "app/uninstall_handoff.h"
#include "engine/admin_check.h"
#include "platform/admin_only_acl.h"
#include "common/named_objects.h"
#include "common/object_security.h"
#include "common/codepage.h"
#include "common/strings.h"
#include "package/temp_folder.h"
#include "platform/process_control.h"
#include "platform/system_tools.h"

namespace {
// Files this process keeps open for reading until it ends: its uninstaller
// copy (as launcher) or its own program file (as the copy), so that nobody
// renames or replaces them while they run.
std::vector<ScopedFileHandle>& HeldUntilExit() {
  static std::vector<ScopedFileHandle> held;
  return held;
}

std::vector<std::u16string> ProcessArguments() {
  std::vector<std::u16string> args;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return args;
  ScopedLocalMem owner(argv);
  for (int i = 1; i < argc; ++i) args.emplace_back(AsU16(argv[i]));
  return args;
}

std::u16string ModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return AsU16(path);
}
}  // namespace

int HandleCmdLineWith(InstallerEngine* engine, const std::vector<std::u16string>& args,
                      const char16_t* modulePath, int* exitNow) {
  if (!engine || !exitNow) return 0;
  *exitNow = 0;
  CommandLineFlags flags = ParseCommandLine(args, modulePath);
  engine->SetRunFlags(flags.mode, flags.silent, flags.isUninstallCopy, flags.selfDeleteAllowed);
  engine->SetQuiet(flags.quiet);
  // Help asks for nothing else to happen, the relaunch included.
  if (!flags.relaunch || flags.help) return 1;
  *exitNow = 1;
  return RelaunchUninstallCopy(engine);
}

CommandLineFlags ParseProcessCommandLine() {
  return ParseCommandLine(ProcessArguments(), ModulePath().c_str());
}

int HandleCmdLine(InstallerEngine* engine, int* exitNow) {
  const int result = HandleCmdLineWith(engine, ProcessArguments(), ModulePath().c_str(), exitNow);
  if (result == 1 && engine->IsUninstallCopy()) {
    // The copy runs from the shared working folder: its file stays open with
    // read sharing only, so it can be neither renamed nor replaced.
    ScopedFileHandle self(CreateFileW(AsWide(ModulePath().c_str()), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    if (self) HeldUntilExit().push_back(std::move(self));
  }
  return result;
}

int RelaunchUninstallCopy(InstallerEngine* engine) {
  if (!engine) return 0;
  std::u16string self = ModulePath();
  std::u16string temp;
  if (GetTempFolder(&temp) != 1) {
    ProcessLog().Write("no working folder for the uninstaller copy");
    return 0;
  }
  // Never overwrite or follow a file someone else placed in the shared
  // working folder: copy only to a name that does not exist yet. Elevated,
  // the copy admits only Administrators and SYSTEM from its creation on;
  // held for reading until this process ends, nobody can swap it.
  std::u16string target;
  AdminOnlySecurity protection;
  SECURITY_ATTRIBUTES* security = ProtectionFor(IsUserAdmin() == 1, &protection);
  ScopedFileHandle held;
  if (CopyToFreshFile(self, temp, u"Uninstallation_", u".exe", security, &target, &held) != CX_OK) {
    ProcessLog().Write("the uninstaller could not copy itself to the temporary folder");
    return 0;
  }
  HeldUntilExit().push_back(std::move(held));
  ProcessLog().Writef("uninstaller copy: %s", Utf16ToUtf8(target).c_str());
  std::u16string params =
      RelaunchParameters(engine->IsSilent(), engine->IsQuiet(), ProcessLog().Path());
  if (engine->IsQuiet()) {
    uint32_t code = 0;
    if (StartCopyAndWait(target, params, &code) != 1) return 0;
    engine->SetRelaunchExitCode(code);
    return 1;
  }
  return RunProgram(target.c_str(), params.c_str(), engine->IsSilent() ? 1 : 0, 0) == CX_OK ? 1 : 0;
}

int CheckSingleInstance(InstallerEngine* engine, const char* name) {
  if (!engine) return 0;
  WString lockName;
  if (name && *name) lockName.Assign(name, CX_CP_UTF8);
  else lockName = engine->Context().productCode;
  // One create decides: whoever makes the mutex holds the lock. Opening
  // first would let two setups both find nothing and both go on.
  CxObjectHandle mutex = nullptr;
  int createdNew = 0;
  const CxResult r = CreateNamedMutex(0, lockName.Ansi(), &createdNew, &mutex);
  if (r == CX_OK && createdNew) {
    engine->InstanceLock().Reset(mutex);
    return 1;
  }
  const bool elevated = ProcessIsElevated();
  if (r == CX_OK) {
    // Only an elevated setup can have made a mutex that Administrators own;
    // one that a process of the unelevated user made first is not another
    // setup and must not keep this one from running.
    const bool anotherSetup = !elevated || MadeByAdministrators(static_cast<HANDLE>(mutex));
    CloseObjectHandle(mutex);
    if (anotherSetup) return 0;
  } else if (r != ERROR_ACCESS_DENIED || !elevated) {
    // Creating failed; or, unelevated, the mutex it may not open is an
    // elevated setup's.
    return 0;
  }
  ProcessLog().Writef(
      "the instance lock's name %s is taken by an object no elevated setup made; "
      "going on without the lock",
      Utf16ToUtf8(lockName.Str()).c_str());
  return 1;
}

int Cleanup(InstallerEngine* engine) {
  if (!engine) return 0;
  ScopedObjectHandle& lock = engine->InstanceLock();
  if (lock) {
    ReleaseNamedMutex(lock.Get());
    lock.Reset();
  }
  engine->RemovePackageFolder();
  return DeleteSelf(engine);
}

int DeleteSelf(InstallerEngine* engine) {
  if (!engine) return 0;
  if (engine->Mode() != kModeUninstall ||
      (engine->IsUninstallCopy() != 1 && engine->SelfDeleteAllowed() != 1))
    return 1;
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;
  // The system's own command interpreter, never the one COMSPEC names: the
  // user sets that variable, and this process is elevated.
  WString interpreter;
  if (SystemToolPath(u"cmd.exe", &interpreter) != CX_OK) return 0;
  // The copy of a waiting uninstall leaves nothing for a restart: its
  // deleter waits for this process to end. Otherwise the fallback: Windows
  // removes the file at the next restart.
  const bool waited = TheLauncherLink().Present();
  if (!waited) MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  if (GetShortPathNameW(path, path, MAX_PATH) == 0) return 0;
  std::u16string command = SelfDeleteCommand(interpreter.Str(), AsU16(path), waited);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  ScopedHandle waitRead, waitWrite;
  if (waited) {
    // The deleter reads a line from a pipe whose write end only this
    // process holds; the read ends when this process has ended.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, &inherit, 0)) return 0;
    waitRead.Reset(r);
    waitWrite.Reset(w);
    SetHandleInformation(waitWrite.Get(), HANDLE_FLAG_INHERIT, 0);
    si.dwFlags |= STARTF_USESTDHANDLES;
    si.hStdInput = waitRead.Get();
  }
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(AsWide(interpreter.Wide()), AsWide(&command[0]), nullptr, nullptr,
                      waited ? TRUE : FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi))
    return 0;
  // Held until the process ends (never closed), so the deleter waits.
  if (waited) waitWrite.Take();
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  // The deleting shell waits at idle priority until this process has ended.
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
  SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
  SetPriorityClass(process.Get(), IDLE_PRIORITY_CLASS);
  ResumeThread(thread.Get());
  return 1;
}
