// wSpawn.exe: runs a command with its output captured and hands the output
// to the process that started it through an inherited pipe handle.
//
//   wSpawn.exe -h HANDLE COMMANDLINE
//
// HANDLE is the decimal value of an inherited, writable handle. The
// command's standard output and standard error are written to it as frames:
// a u32 little-endian length, then that many bytes; a frame of length 0
// ends the output (also when the command could not start). The command's
// program must lie in wSpawn's own folder, so only the tools that travel
// with it are run, never one of the same name found elsewhere. The command
// reads its input from the NUL device and dies with wSpawn.
//
// Exit status: 0 when the command ran and ended with 0; 1 when it ended
// with another code; 2 when it could not start; 3 for a bad command line.
#include <windows.h>

#include <cwchar>
#include <string>

#include "common/win_handles.h"

namespace {

constexpr int kExitCommandFailed = 1;
constexpr int kExitNotStarted = 2;
constexpr int kExitUsage = 3;
constexpr DWORD kChunkBytes = 16 * 1024;

const wchar_t* SkipSpaces(const wchar_t* p) {
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

// Skips one command-line token (quoted or not).
const wchar_t* SkipToken(const wchar_t* p) {
  if (*p == L'"') {
    for (++p; *p && *p != L'"'; ++p) {
    }
    return *p ? p + 1 : p;
  }
  while (*p && *p != L' ' && *p != L'\t') ++p;
  return p;
}

bool WriteAll(HANDLE out, const void* data, DWORD size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(out, p, size, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

bool WriteFrame(HANDLE out, const void* data, DWORD size) {
  const unsigned char length[4] = {
      static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
      static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)};
  return WriteAll(out, length, 4) && (size == 0 || WriteAll(out, data, size));
}

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"";
  std::wstring s(path, n);
  const size_t slash = s.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"" : s.substr(0, slash + 1);
}

bool FileExists(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The program of `command` in wSpawn's own folder; empty when it is not
// there (or is named by a path elsewhere).
std::wstring ProgramInOwnFolder(const wchar_t* command) {
  std::wstring token;
  const wchar_t* p = command;
  if (*p == L'"') {
    for (++p; *p && *p != L'"'; ++p) token.push_back(*p);
  } else {
    for (; *p && *p != L' ' && *p != L'\t'; ++p) token.push_back(*p);
  }
  const size_t slash = token.find_last_of(L"\\/:");
  std::wstring name = slash == std::wstring::npos ? token : token.substr(slash + 1);
  // Only bare names and ".\name" are looked up beside us.
  if (slash != std::wstring::npos && token.compare(0, 2, L".\\") != 0) return L"";
  if (name.empty()) return L"";
  if (name.find(L'.') == std::wstring::npos) name += L".exe";
  const std::wstring candidate = OwnFolder() + name;
  return FileExists(candidate) ? candidate : L"";
}

int Run(HANDLE out, const wchar_t* command) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  ScopedHandle readEnd;
  ScopedHandle writeEnd;
  if (!::CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0)) return kExitNotStarted;
  ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
  ScopedFileHandle nul(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));

  // The command dies with us: a caller that gives up on us ends it too.
  ScopedHandle job(::CreateJobObjectW(nullptr, nullptr));
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                              sizeof(limits));
  }

  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = nul ? nul.Get() : nullptr;
  si.hStdOutput = writeEnd.Get();
  si.hStdError = writeEnd.Get();
  std::wstring commandLine = command;
  const std::wstring program = ProgramInOwnFolder(command);
  PROCESS_INFORMATION pi = {};
  if (program.empty() ||
      !::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    WriteFrame(out, nullptr, 0);
    return kExitNotStarted;
  }
  ScopedHandle process(pi.hProcess);
  ScopedHandle thread(pi.hThread);
  if (job) ::AssignProcessToJobObject(job.Get(), process.Get());
  ::ResumeThread(thread.Get());
  writeEnd.Reset();  // the command's end closing ends our reading

  bool writable = true;
  static char chunk[kChunkBytes];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(readEnd.Get(), chunk, sizeof(chunk), &got, nullptr) || got == 0) break;
    if (writable) writable = WriteFrame(out, chunk, got);
  }
  ::WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = 1;
  ::GetExitCodeProcess(process.Get(), &code);
  WriteFrame(out, nullptr, 0);
  return code == 0 ? 0 : kExitCommandFailed;
}

}  // namespace

int wmain() {
  const wchar_t* p = SkipSpaces(SkipToken(SkipSpaces(::GetCommandLineW())));
  if (std::wcsncmp(p, L"-h", 2) != 0 || (p[2] != L' ' && p[2] != L'\t')) return kExitUsage;
  p = SkipSpaces(p + 2);
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(p, &end, 10);
  if (end == p || (*end != L' ' && *end != L'\t')) return kExitUsage;
  const wchar_t* command = SkipSpaces(end);
  if (!*command) return kExitUsage;
  HANDLE out = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
  // The command must not hold our caller's pipe open after we end.
  if (!::SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0)) return kExitUsage;
  ScopedHandle owned(out);
  return Run(out, command);
}
