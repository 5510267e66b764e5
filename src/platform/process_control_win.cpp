// Process start through the shell, and the escalating process kill.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/process_control.h"
#include "platform/process_match.h"
#include "platform/system_tools.h"
#include "common/win_handles.h"

namespace {
constexpr int kTerminateAttempts = 10;
constexpr DWORD kTerminateWaitMs = 100;
constexpr DWORD kTaskkillWaitMs = 500;
// Image paths are read into a buffer this long, so that a long path is never
// cut into something that looks like a different, shorter path.
constexpr DWORD kImagePathChars = 32768;
// Bound on the z-order walk, in case the window list changes under it.
constexpr int kMaxTopWindows = 100000;

CxResult LastErrorOr(CxResult fallback) {
  DWORD e = ::GetLastError();
  return e != 0 ? static_cast<CxResult>(e) : fallback;
}

using QueryFullProcessImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

// Absent on the oldest Windows, so looked up once at run time.
QueryFullProcessImageNameFn QueryImageNameEntry() {
  static const QueryFullProcessImageNameFn entry = [] {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<QueryFullProcessImageNameFn>(
                        ::GetProcAddress(kernel, "QueryFullProcessImageNameW"))
                  : nullptr;
  }();
  return entry;
}

CxResult EnumerateProcessIds(uint32_t* ids, uint32_t capacity, uint32_t* bytesUsed) {
  DWORD used = 0;
  if (!::EnumProcesses(reinterpret_cast<DWORD*>(ids), capacity * sizeof(DWORD), &used)) {
    return LastErrorOr(CX_E_FAIL);
  }
  *bytesUsed = used;
  return CX_OK;
}

// The image path of a running process into `buffer`; false when the process
// cannot be opened or its path not read.
bool ReadImagePath(DWORD processId, std::vector<wchar_t>* buffer) {
  ScopedHandle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) process.Reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return false;
  DWORD size = static_cast<DWORD>(buffer->size());
  DWORD n = ::GetModuleFileNameExW(process.Get(), nullptr, buffer->data(), size);
  if (n > 0 && n < size) return true;
  QueryFullProcessImageNameFn query = QueryImageNameEntry();
  if (!query) return false;
  return query(process.Get(), 0, buffer->data(), &size) && size > 0;
}

// Enables a privilege of the process token for its own lifetime and then
// puts back the state it found, so that the privilege is on only around the
// calls that need it and no program started afterwards inherits it.
class ScopedPrivilege {
 public:
  explicit ScopedPrivilege(const wchar_t* name) {
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            token_.Receive()))
      return;
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid)) return;
    DWORD size = 0;
    adjusted_ = ::AdjustTokenPrivileges(token_.Get(), FALSE, &wanted, sizeof previous_, &previous_,
                                        &size) &&
                ::GetLastError() == ERROR_SUCCESS;
  }
  ~ScopedPrivilege() {
    // Nothing changed when the privilege was on already: the previous state
    // then lists nothing.
    if (adjusted_ && previous_.PrivilegeCount > 0)
      ::AdjustTokenPrivileges(token_.Get(), FALSE, &previous_, 0, nullptr, nullptr);
  }
  ScopedPrivilege(const ScopedPrivilege&) = delete;
  ScopedPrivilege& operator=(const ScopedPrivilege&) = delete;

 private:
  ScopedHandle token_;
  TOKEN_PRIVILEGES previous_ = {};
  bool adjusted_ = false;
};

// Opens a process for ending it, with the debug privilege on for the open
// only: it lets us reach processes of other users and services.
HANDLE OpenForEnding(DWORD processId) {
  ScopedPrivilege debug(L"SeDebugPrivilege");
  // The query right is what lets GetExitCodeProcess see the end; without it
  // every attempt would look failed.
  HANDLE process = ::OpenProcess(
      PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
  return process ? process : ::OpenProcess(PROCESS_TERMINATE, FALSE, processId);
}

bool HasEnded(HANDLE process) {
  DWORD code = 0;
  return ::GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
}
}  // namespace

CxResult RunProgram(const char16_t* file, const char16_t* parameters, int hidden, uint32_t waitMs) {
  if (!file || !*file) return CX_E_INVALID_ARG;
  ScopedComInit com;
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = AsWide(file);
  info.lpParameters = parameters ? AsWide(parameters) : L"";
  info.nShow = hidden ? SW_HIDE : SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return LastErrorOr(CX_E_FAIL);
  ScopedHandle process(info.hProcess);  // null when the shell reused a running program
  if (waitMs != CX_WAIT_NONE && process) ::WaitForSingleObject(process.Get(), waitMs);
  return CX_OK;
}

CxResult KillProcessesByImage(const char16_t* name) {
  if (!name || !*name) return CX_E_INVALID_ARG;
  ImageMatcher matcher(name);
  std::vector<uint32_t> ids;
  CxResult r = CollectProcessIds(EnumerateProcessIds, &ids);
  if (r != CX_OK) return r;
  std::vector<wchar_t> image;
  try {
    image.resize(kImagePathChars);
  } catch (const std::bad_alloc&) {
    return CX_E_OUT_OF_MEMORY;
  }
  const DWORD self = ::GetCurrentProcessId();
  std::vector<uint32_t> matching;
  {
    ScopedPrivilege debug(L"SeDebugPrivilege");  // reads the images of other users' processes
    for (uint32_t id : ids) {
      if (id == 0 || id == self) continue;
      if (ReadImagePath(id, &image) && matcher.Matches(AsU16(image.data())))
        matching.push_back(id);
    }
  }
  // Ended outside the privilege's scope: the last resort starts taskkill.
  for (uint32_t id : matching) KillProcessById(id);
  return CX_OK;
}

int KillProcessById(uint32_t processId) {
  // Ending ourselves would abort the run half-way with nobody to report it.
  if (processId == ::GetCurrentProcessId()) return CX_NOT_DONE;
  ScopedHandle process(OpenForEnding(processId));
  if (!process) return CX_NOT_DONE;

  if (HWND window = static_cast<HWND>(FindProcessWindow(processId))) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::PostMessageW(window, WM_QUIT, 0, 0);
  }
  for (int attempt = 0; attempt < kTerminateAttempts; ++attempt) {
    ::TerminateProcess(process.Get(), 0);
    if (::WaitForSingleObject(process.Get(), kTerminateWaitMs) == WAIT_FAILED) {
      ::Sleep(kTerminateWaitMs);
    }
    if (HasEnded(process.Get())) return CX_DONE;
  }
  std::u16string parameters = u"/F /PID ";
  for (char c : std::to_string(processId)) parameters += static_cast<char16_t>(c);
  CxResult started = RunSystemTool(u"taskkill.exe", parameters.c_str(), 1, kTaskkillWaitMs);
  return started == CX_OK ? CX_DONE : CX_NOT_DONE;
}

void* FindProcessWindow(uint32_t processId) {
  HWND window = ::GetTopWindow(nullptr);
  for (int i = 0; window && i < kMaxTopWindows; ++i) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == processId) return window;
    window = ::GetWindow(window, GW_HWNDNEXT);
  }
  return nullptr;
}
