// Starting certutil.exe and wSpawn.exe from the CertToReg folder, reading
// the launcher's frames, and the import step itself.
#include <windows.h>

#include <string>

#include "browser/firefox_import.h"
#include "browser/firefox_profile.h"
#include "browser/nss_module_list.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "common/strings.h"
#include "common/win_handles.h"
#include "platform/user_token.h"

namespace {

constexpr DWORD kPollMs = 10;
constexpr DWORD kReapMs = 5000;  // after TerminateProcess

std::u16string JoinTool(const char16_t* folder, const std::u16string& name) {
  std::u16string path = folder;
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  return path + name;
}

// The file name of a command line's program ("certutil.exe" of
// "certutil.exe -L", "wSpawn.exe" of ".\wSpawn.exe -h 4 ..."); only the name
// is kept, so the program always comes from the tool folder.
std::u16string ProgramName(const char* commandLine) {
  std::string token;
  const char* p = commandLine;
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) token.push_back(*p);
  } else {
    for (; *p && *p != ' ' && *p != '\t'; ++p) token.push_back(*p);
  }
  const size_t slash = token.find_last_of("\\/:");
  if (slash != std::string::npos) token.erase(0, slash + 1);
  std::u16string wide;
  MultiByteToUtf16(CX_CP_ANSI, token.c_str(), token.size(), &wide);
  return wide;
}

// The started tool, in a job that ends it and what it started (the
// launcher starts certutil) when the job closes: at the time limit, and
// when the installer itself ends first.
struct Child {
  ScopedHandle job;
  ScopedHandle process;
  ScopedHandle thread;
};

// Starts `commandLine` (ANSI) hidden with `application` as the program,
// input and output on the NUL device, inheriting handles, with the user's
// own rights and never the elevation (user_token.h): NSS loads the modules
// the user's profile names.
bool StartHidden(const std::u16string& application, const char* commandLine, Child* child) {
  ScopedHandle token;
  if (CreateUnelevatedUserToken(&token) != CX_OK) return false;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  ScopedFileHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!nul) return false;
  std::u16string wide;
  if (MultiByteToUtf16(CX_CP_ANSI, commandLine, std::char_traits<char>::length(commandLine),
                       &wide) != CX_OK) {
    return false;
  }
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = nul.Get();
  si.hStdOutput = nul.Get();
  si.hStdError = nul.Get();
  ScopedHandle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job || !::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                         sizeof limits))
    return false;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessAsUserW(token.Get(), AsWide(application.c_str()), AsWide(wide.data()), nullptr,
                              nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  child->process.Reset(pi.hProcess);
  child->thread.Reset(pi.hThread);
  // Where jobs cannot nest (Windows 7 inside another job) the tool itself is
  // still ended at the limit.
  if (::AssignProcessToJobObject(job.Get(), pi.hProcess)) child->job = std::move(job);
  ::ResumeThread(pi.hThread);
  return true;
}

void EndChild(const Child& child) {
  if (child.job)
    ::TerminateJobObject(child.job.Get(), 1);
  else
    ::TerminateProcess(child.process.Get(), 1);
  ::WaitForSingleObject(child.process.Get(), kReapMs);
}

// Waits for the child until `deadline` (GetTickCount64 time); ends it when
// it runs longer. True when it ended by itself.
bool WaitUntil(const Child& child, ULONGLONG deadline) {
  const ULONGLONG now = ::GetTickCount64();
  const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
  if (::WaitForSingleObject(child.process.Get(), left) == WAIT_OBJECT_0) return true;
  EndChild(child);
  return false;
}

struct PipeContext {
  HANDLE pipe;
  ULONGLONG deadline;
  bool timedOut;
};

// Reads what the pipe has, waiting for data up to the deadline. The end of
// the data (every write end closed) is a read of 0 bytes.
bool ReadPipe(void* context, uint8_t* buffer, uint32_t wanted, uint32_t* received) {
  auto* c = static_cast<PipeContext*>(context);
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(c->pipe, nullptr, 0, nullptr, &available, nullptr)) {
      *received = 0;
      return ::GetLastError() == ERROR_BROKEN_PIPE;
    }
    if (available > 0) {
      DWORD got = 0;
      if (!::ReadFile(c->pipe, buffer, available < wanted ? available : wanted, &got, nullptr)) {
        return false;
      }
      *received = got;
      return true;
    }
    if (::GetTickCount64() >= c->deadline) {
      c->timedOut = true;
      return false;
    }
    ::Sleep(kPollMs);
  }
}

bool SameText(const char16_t* a, const char16_t* b) { return std::u16string_view(a) == b; }

// Puts `folder` as the current directory for its lifetime, restoring the old
// one afterwards.
class CurrentDirectoryScope {
 public:
  bool Enter(const char16_t* folder) {
    if (::GetCurrentDirectoryW(MAX_PATH, AsWide(saved_)) == 0 && ::GetLastError() != 0)
      return false;
    if (SameText(saved_, folder)) return true;
    if (!::SetCurrentDirectoryW(AsWide(folder))) return false;
    restore_ = true;
    return true;
  }
  ~CurrentDirectoryScope() {
    if (restore_) ::SetCurrentDirectoryW(AsWide(saved_));
  }

 private:
  char16_t saved_[MAX_PATH] = {};
  bool restore_ = false;
};

// The first entry of `folder` that is the root certificate, as an ANSI name.
bool FindRootCertificate(const char16_t* folder, char* name, uint32_t capacity) {
  char16_t pattern[MAX_PATH] = {};
  StrFormatW(pattern, MAX_PATH, u"%s\\*.*", folder);
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(::FindFirstFileW(AsWide(pattern), &found));
  if (!find) return false;
  constexpr size_t kPathCapacity = 1024;
  do {
    const char16_t* entry = AsU16(found.cFileName);
    if (SameText(entry, u".") || SameText(entry, u"..")) continue;
    char16_t full[kPathCapacity] = {};
    StrCopyW(full, kPathCapacity, folder);
    StrAppendW(full, kPathCapacity, u"\\");
    StrAppendW(full, kPathCapacity, entry);
    if (!IsRootCertificateEntry(full, entry)) continue;
    uint32_t size = capacity;
    return WideToAnsi(entry, name, &size) == CX_OK;
  } while (::FindNextFileW(find.Get(), &found));
  return false;
}

// Why the profile's module lists must not be handed to NSS's tools, or
// empty when they may: pkcs11.txt naming a module other than NSS's own, one
// too large to read, or a secmod.db at all (a binary database whose module
// list this program does not read, so it cannot be shown to be harmless).
std::string ModuleListRefusal(const char16_t* profile) {
  if (!profile[0]) return std::string();
  const std::u16string folder = profile;
  const std::u16string secmod = folder + u"\\secmod.db";
  if (PathExists(secmod.c_str()))
    return "the Firefox profile has a secmod.db, whose modules cannot be checked";
  const std::u16string list = folder + u"\\pkcs11.txt";
  if (!PathExists(list.c_str())) return std::string();
  std::string text;
  const CxResult read = ReadFileChunks(list.c_str(), [&text](const char* data, size_t size) {
    if (text.size() + size > kModuleListMaxBytes) return false;
    text.append(data, size);
    return true;
  });
  if (read != CX_OK) return "the Firefox profile's pkcs11.txt could not be read, or is too large";
  std::string foreign;
  if (NamesOnlyNssModules(text, &foreign)) return std::string();
  return "the Firefox profile's pkcs11.txt names the module " + foreign;
}

}  // namespace

int RunAndWait(const char16_t* toolFolder, const char* commandLine, uint32_t timeLimitMs) {
  if (!toolFolder || !commandLine) return kRunFailed;
  Child child;
  const ULONGLONG deadline = ::GetTickCount64() + timeLimitMs;
  if (!StartHidden(JoinTool(toolFolder, ProgramName(commandLine)), commandLine, &child)) {
    return kRunFailed;
  }
  WaitUntil(child, deadline);
  return kRunSucceeded;
}

int RunWithCapturedOutput(const char16_t* toolFolder, const char* commandLine, std::string* output,
                          uint32_t timeLimitMs) {
  if (!toolFolder || !commandLine || !output) return kRunFailed;
  // The command's program must be one of the folder's tools too: the
  // launcher would otherwise look for it elsewhere.
  if (::GetFileAttributesW(AsWide(JoinTool(toolFolder, ProgramName(commandLine)).c_str())) ==
      INVALID_FILE_ATTRIBUTES) {
    return kRunFailed;
  }
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  ScopedHandle readEnd;
  ScopedHandle writeEnd;
  {
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    if (!::CreatePipe(&r, &w, &inherit, 0)) return kRunFailed;
    readEnd.Reset(r);
    writeEnd.Reset(w);
  }
  // Only the write end goes to the launcher.
  if (!::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0)) return kRunFailed;
  char launcher[kCertutilCommandCapacity] = {};
  StrFormatA(launcher, sizeof(launcher), ".\\wSpawn.exe -h %d %s",
             static_cast<int>(reinterpret_cast<uintptr_t>(writeEnd.Get())), commandLine);
  const ULONGLONG deadline = ::GetTickCount64() + timeLimitMs;
  Child child;
  if (!StartHidden(JoinTool(toolFolder, u"wSpawn.exe"), launcher, &child)) return kRunFailed;
  writeEnd.Reset();  // the launcher's end closing ends our reading

  PipeContext pipe = {readEnd.Get(), deadline, false};
  const FrameReadOutcome outcome = ReadFrames(&ReadPipe, &pipe, output);
  readEnd.Reset();  // a launcher still writing now fails instead of blocking
  if (pipe.timedOut) {
    EndChild(child);
    return kRunFailed;
  }
  if (outcome == FrameReadOutcome::kNoData) return kRunFailed;
  if (!WaitUntil(child, deadline)) return kRunFailed;
  DWORD exitCode = 1;
  if (!::GetExitCodeProcess(child.process.Get(), &exitCode)) return kRunFailed;
  return exitCode == 0 ? kRunSucceeded : kRunFailed;
}

int RunCertutil(const char16_t* toolFolder, const char* certFile, const char* profileDir, int sql,
                bool deleteOnly, uint32_t timeLimitMs) {
  const CertutilCommands commands = FormatCertutilCommands(certFile, profileDir, sql);
  std::string ignored;
  RunWithCapturedOutput(toolFolder, commands.remove.c_str(), &ignored, timeLimitMs);
  if (deleteOnly) return 0;
  if (RunAndWait(toolFolder, commands.add.c_str(), timeLimitMs) != kRunSucceeded) return 0;
  std::string listing;
  const int listed =
      RunWithCapturedOutput(toolFolder, commands.list.c_str(), &listing, timeLimitMs);
  return listed == kRunSucceeded && listing.find(kFirefoxNickname) != std::string::npos ? 1 : 0;
}

int RegisterFirefoxRootCert(const char16_t* folder, bool deleteOnly, uint32_t timeLimitMs,
                            std::string* refusal) {
  if (!folder || !folder[0]) return 0;
  CurrentDirectoryScope directory;
  if (!directory.Enter(folder)) return 0;

  char16_t profile[MAX_PATH] = {};
  uint32_t cert9 = 0;
  ::SetLastError(0);
  if (!FindFirefoxProfile(profile, MAX_PATH, &cert9) && ::GetLastError() != 0) return 0;
  std::string refused = ModuleListRefusal(profile);
  ScopedHandle unelevated;
  if (refused.empty() && CreateUnelevatedUserToken(&unelevated) != CX_OK)
    refused = "the user's own rights without the elevation could not be had";
  if (!refused.empty()) {
    if (refusal) *refusal = refused;
    return 0;
  }
  char profileAnsi[1204] = {};
  uint32_t size = sizeof(profileAnsi);
  if (WideToAnsi(profile, profileAnsi, &size) != CX_OK) return 0;

  char certName[1024] = {};
  if (!FindRootCertificate(folder, certName, sizeof(certName))) return 0;
  RunCertutil(folder, certName, profileAnsi, 0, deleteOnly, timeLimitMs);
  if (cert9) RunCertutil(folder, certName, profileAnsi, 1, deleteOnly, timeLimitMs);
  return 1;
}
