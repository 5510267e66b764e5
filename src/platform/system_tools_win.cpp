// Full paths of the tools in the system and Windows folders, and the tool
// runner that waits with a limit.
#include <windows.h>

#include <vector>

#include "platform/process_control.h"
#include "platform/system_tools.h"
#include "common/win_handles.h"

namespace {
// How long a tool ended at its limit gets to be gone, so its files are free.
constexpr DWORD kEndedToolWaitMs = 5000;

using FolderQuery = UINT(WINAPI*)(LPWSTR, UINT);

CxResult FolderOf(FolderQuery query, WString* out) {
  wchar_t folder[MAX_PATH];
  UINT n = query(folder, MAX_PATH);
  if (n == 0) {
    DWORD e = ::GetLastError();
    return e != 0 ? static_cast<CxResult>(e) : CX_E_FAIL;
  }
  if (n >= MAX_PATH) return CX_E_BUFFER_TOO_SMALL;
  out->Assign(AsU16(folder));
  return CX_OK;
}

CxResult ToolUnder(FolderQuery query, const char16_t* toolPath, WString* out) {
  if (!toolPath || !out) return CX_E_INVALID_ARG;
  WString folder;
  CxResult r = FolderOf(query, &folder);
  return r != CX_OK ? r : JoinToolPath(folder.Wide(), toolPath, out);
}
}  // namespace

CxResult WindowsFolderPath(WString* out) {
  return out ? FolderOf(::GetSystemWindowsDirectoryW, out) : CX_E_INVALID_ARG;
}

CxResult SystemToolPath(const char16_t* toolName, WString* out) {
  return ToolUnder(::GetSystemDirectoryW, toolName, out);
}

CxResult WindowsToolPath(const char16_t* toolPath, WString* out) {
  return ToolUnder(::GetSystemWindowsDirectoryW, toolPath, out);
}

CxResult RunSystemTool(const char16_t* toolName, const char16_t* parameters, int hidden,
                       uint32_t waitMs) {
  WString path;
  CxResult r = SystemToolPath(toolName, &path);
  if (r != CX_OK) return r;
  return RunProgram(path.Wide(), parameters, hidden, waitMs);
}

CxResult RunToolInJob(const char16_t* application, const char16_t* commandLine, uint32_t waitMs,
                      uint32_t* exitCode) {
  if (!application || !*application || !commandLine || !exitCode) return CX_E_INVALID_ARG;
  ScopedHandle job(::CreateJobObjectW(nullptr, nullptr));
  if (!job) return ::GetLastError() ? ::GetLastError() : CX_E_FAIL;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits))
    return ::GetLastError() ? ::GetLastError() : CX_E_FAIL;

  std::u16string line(commandLine);
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  // Suspended until it is in the job, so nothing it starts escapes.
  if (!::CreateProcessW(AsWide(application), writable.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &si, &pi))
    return ::GetLastError() ? ::GetLastError() : CX_E_FAIL;
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  // Where jobs cannot nest (Windows 7 inside another job), the tool itself
  // is still ended at the limit.
  const bool inJob = ::AssignProcessToJobObject(job.Get(), process.Get()) != 0;
  ::ResumeThread(thread.Get());
  const DWORD waited = ::WaitForSingleObject(process.Get(), waitMs);
  if (waited != WAIT_OBJECT_0) {
    if (inJob)
      ::TerminateJobObject(job.Get(), ERROR_TIMEOUT);
    else
      ::TerminateProcess(process.Get(), ERROR_TIMEOUT);
    ::WaitForSingleObject(process.Get(), kEndedToolWaitMs);
    return ERROR_TIMEOUT;
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.Get(), &code))
    return ::GetLastError() ? ::GetLastError() : CX_E_FAIL;
  *exitCode = code;
  return CX_OK;
}
