// CreateProcess by full path, waited for within a limit.
#include "runner_process_win.h"

#include <vector>

#include "common/win_handles.h"

namespace {
constexpr DWORD kEndWaitMs = 10 * 1000;
}  // namespace

CxResult RunAndWait(const std::wstring& program, const std::wstring& commandLine,
                    const std::wstring& workingFolder, DWORD limitMs, DWORD* exitCode) {
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.c_str(), &startup, &info))
    return GetLastError();
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  const DWORD waited = WaitForSingleObject(process.Get(), limitMs);
  if (waited == WAIT_TIMEOUT) {
    TerminateProcess(process.Get(), ERROR_TIMEOUT);
    WaitForSingleObject(process.Get(), kEndWaitMs);
    return WAIT_TIMEOUT;
  }
  if (waited != WAIT_OBJECT_0) return GetLastError();
  DWORD code = 0;
  if (!GetExitCodeProcess(process.Get(), &code)) return GetLastError();
  *exitCode = code;
  return CX_OK;
}
