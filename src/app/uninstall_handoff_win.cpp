// The launcher and the copy of the waiting uninstall.
#include <windows.h>

#include "app/exit_codes.h"
#include "app/setup_log.h"
#include "app/uninstall_handoff.h"
#include "common/codepage.h"
#include "common/strings.h"

namespace {
constexpr DWORD kPollMs = 50;
// Names the two inherited handles ("<process>:<pipe>" in hexadecimal) for
// the copy; the copy removes it at once, so nothing it starts sees it.
const wchar_t kHandoffVariable[] = L"CXSETUP_UNINSTALL_HANDOFF";

struct FileId {
  DWORD volume = 0, high = 0, low = 0;
};

bool ReadFileId(const std::u16string& path, FileId* id) {
  ScopedFileHandle file(CreateFileW(AsWide(path.c_str()), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.Get(), &info)) return false;
  *id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(AsWide(path.c_str())) != INVALID_FILE_ATTRIBUTES;
}

// Deletes a file or an empty folder now; true when it is gone.
bool RemoveNow(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(AsWide(path.c_str()));
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesW(AsWide(path.c_str()), FILE_ATTRIBUTE_NORMAL);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(AsWide(path.c_str())) != 0;
  return DeleteFileW(AsWide(path.c_str())) != 0;
}

std::u16string ParentFolder(const std::u16string& path) {
  size_t slash = path.rfind(u'\\');
  return slash == std::u16string::npos || slash < 3 ? std::u16string() : path.substr(0, slash);
}
}  // namespace

int StartCopyAndWait(const std::u16string& copyPath, const std::u16string& parameters,
                     uint32_t* exitCode) {
  if (!exitCode) return 0;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, sizeof(uint32_t))) return 0;
  ScopedHandle reader(readEnd), writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0))
    return 0;
  ScopedHandle selfForCopy(self);

  std::u16string command = u"\"" + copyPath + u"\" " + parameters;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  // Inherited handles keep their values in the child.
  wchar_t handoff[40];
  wsprintfW(handoff, L"%lx:%lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(self)),
            static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(writer.Get())));
  SetEnvironmentVariableW(kHandoffVariable, handoff);
  PROCESS_INFORMATION pi = {};
  const BOOL started = CreateProcessW(AsWide(copyPath.c_str()), AsWide(&command[0]), nullptr,
                                      nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  const DWORD startError = GetLastError();
  SetEnvironmentVariableW(kHandoffVariable, nullptr);
  if (!started) {
    ProcessLog().WriteResult("starting the uninstaller copy", startError);
    return 0;
  }
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  // Only the copy holds the write end now: its end breaks the pipe.
  writer.Reset();
  selfForCopy.Reset();
  ProcessLog().Writef("started the uninstaller copy (process %lu), waiting for its report",
                      static_cast<unsigned long>(pi.dwProcessId));

  for (;;) {
    DWORD available = 0;
    if (PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) &&
        available >= sizeof(uint32_t)) {
      uint32_t code = 0;
      DWORD got = 0;
      if (ReadFile(reader.Get(), &code, sizeof code, &got, nullptr) && got == sizeof code) {
        *exitCode = code;
        return 1;
      }
    }
    if (WaitForSingleObject(process.Get(), kPollMs) == WAIT_OBJECT_0) {
      // A report written just before the end is still in the pipe.
      if (PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) &&
          available >= sizeof(uint32_t))
        continue;
      DWORD code = 0;
      if (!GetExitCodeProcess(process.Get(), &code)) code = kExitActionFailed;
      ProcessLog().Writef("the uninstaller copy ended without a report, exit code %lu",
                          static_cast<unsigned long>(code));
      *exitCode = code;
      return 1;
    }
  }
}

bool LauncherLink::Take() {
  if (taken_) return true;
  wchar_t handoff[40] = {};
  DWORD n = GetEnvironmentVariableW(kHandoffVariable, handoff, 40);
  SetEnvironmentVariableW(kHandoffVariable, nullptr);
  if (n == 0 || n >= 40) {
    ProcessLog().Write("no waiting launcher handed over");
    return false;
  }
  wchar_t* rest = nullptr;
  HANDLE given = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(wcstoul(handoff, &rest, 16)));
  HANDLE report = (rest && *rest == L':')
                      ? reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(wcstoul(rest + 1, nullptr, 16)))
                      : nullptr;
  if (!given || GetProcessId(given) == 0 || !report || GetFileType(report) != FILE_TYPE_PIPE) {
    ProcessLog().Write("the launcher's handles are not usable");
    return false;
  }
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!QueryFullProcessImageNameW(given, 0, path, &size)) {
    ProcessLog().WriteResult("the launcher's file name", GetLastError());
    return false;
  }
  // Only an installed uninstaller is a launcher whose file may be removed.
  std::u16string name(AsU16(path), size);
  std::u16string lower = name.substr(name.rfind(u'\\') + 1);
  StrLowerW(&lower[0], lower.size());
  if (lower.find(u"uninstall.exe") == std::u16string::npos) return false;
  taken_ = true;
  process_.Reset(given);
  report_.Reset(report);
  // Neither handle may pass on to programs the uninstall starts.
  SetHandleInformation(given, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(report, HANDLE_FLAG_INHERIT, 0);
  path_ = name;
  FileId id;
  if (ReadFileId(path_, &id)) {
    haveId_ = true;
    volume_ = id.volume;
    indexHigh_ = id.high;
    indexLow_ = id.low;
  }
  return true;
}

bool LauncherLink::IsLauncherFile(const std::u16string& path) const {
  if (!Present()) return false;
  if (StrCompareNoCaseW(path.c_str(), path_.c_str()) == 0) return true;
  FileId id;
  return haveId_ && ReadFileId(path, &id) && id.volume == volume_ && id.high == indexHigh_ &&
         id.low == indexLow_;
}

void LauncherLink::Report(uint32_t exitCode) {
  if (!report_) return;
  DWORD written = 0;
  WriteFile(report_.Get(), &exitCode, sizeof exitCode, &written, nullptr);
  report_.Reset();
}

std::vector<PendingRename> LauncherLink::FinishAfterLauncher(
    const std::vector<PendingRename>& scheduled, bool uninstalled) {
  std::vector<PendingRename> left = scheduled;
  if (!process_) return left;
  if (WaitForSingleObject(process_.Get(), kLauncherEndTimeoutMs) != WAIT_OBJECT_0) {
    ProcessLog().Write("the uninstall launcher did not end; its file stays");
    return left;
  }
  process_.Reset();
  if (uninstalled) {
    if (Exists(path_)) RemoveNow(path_);
    const std::u16string folder = ParentFolder(path_);
    if (!folder.empty()) RemoveDirectoryW(AsWide(folder.c_str()));
  }

  std::vector<PendingRename> done;
  left.clear();
  for (const PendingRename& entry : scheduled) {
    if (entry.IsDelete() && RemoveNow(FromNtPath(entry.source))) {
      done.push_back(entry);
      ProcessLog().Writef("removed now instead of at the restart: %s",
                          Utf16ToUtf8(FromNtPath(entry.source)).c_str());
    } else {
      left.push_back(entry);
    }
  }
  if (!done.empty()) TakeBackOwnPendingRenames(done);
  return left;
}

LauncherLink& TheLauncherLink() {
  static LauncherLink link;
  return link;
}
