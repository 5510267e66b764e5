// Temporary folders and helper processes for the Windows tests.
#include "win_test_support.h"

#include <gtest/gtest.h>

#include "common/win_handles.h"
#include "engine/builtin_actions.h"
#include "engine/listed_action.h"
#include "platform/pending_renames.h"

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  ScopedFindHandle h(FindFirstFileW((dir + L"*").c_str(), &fd));
  if (h) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full + L"\\");
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(h.Get(), &fd));
  }
  RemoveDirectoryW(dir.c_str());
}
}  // namespace

TestFolder::TestFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  // Never the path of an earlier folder of this process, even one already
  // removed: the file replacement sweeps a folder once per process.
  static unsigned made = 0;
  for (unsigned n = (GetTickCount() ^ (GetCurrentProcessId() << 16)) + (++made << 22);; ++n) {
    wchar_t name[MAX_PATH];
    swprintf(name, MAX_PATH, L"%lscxtest_%08X\\", temp, n);
    if (CreateDirectoryW(name, nullptr)) {
      path_ = name;
      break;
    }
  }
}

TestFolder::~TestFolder() { RemoveTree(path_); }

void WriteFileText(const std::wstring& path, const std::string& text) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f) {
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
  }
}

std::wstring TestFolder::Write(const wchar_t* name, const std::string& text) const {
  std::wstring p = File(name);
  WriteFileText(p, text);
  return p;
}

std::wstring WinePath(const char* unixPath) {
  std::wstring w(unixPath, unixPath + strlen(unixPath));
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return L"Z:" + w;
}

std::wstring TestHelperPath(const wchar_t* fileName) {
  return WinePath(CX_TEST_HELPER_DIR) + L"\\" + fileName;
}

Turn::Turn(const wchar_t* name) : mutex_(CreateMutexW(nullptr, FALSE, name)) {
  WaitForSingleObject(mutex_.Get(), 120000);
}

Turn::~Turn() { ReleaseMutex(mutex_.Get()); }

HelperProcess::HelperProcess(const std::wstring& args, const std::wstring& exePath) {
  std::wstring exe = exePath.empty() ? TestHelperPath(L"cx_test_helper.exe") : exePath;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  ScopedHandle readEnd, writeEnd;
  if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &sa, 0)) return;
  SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd.Get();
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  std::vector<wchar_t> buf(cmd.begin(), cmd.end());
  buf.push_back(0);
  PROCESS_INFORMATION pi = {};
  if (CreateProcessW(exe.c_str(), buf.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                     &pi)) {
    ScopedHandle thread(pi.hThread);
    process_.Reset(pi.hProcess);
    pid_ = pi.dwProcessId;
  }
  writeEnd.Reset();
  if (process_) {
    // Wait for "ready" (or the end of output, if the helper failed).
    char c;
    DWORD got;
    std::string line;
    while (ReadFile(readEnd.Get(), &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
  }
}

HelperProcess::~HelperProcess() {
  if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.Get(), 1);
    WaitForSingleObject(process_.Get(), 5000);
  }
}

bool HelperProcess::WaitEnded(DWORD ms) const {
  return process_ && WaitForSingleObject(process_.Get(), ms) == WAIT_OBJECT_0;
}

std::wstring ReadFileText(const std::wstring& path) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return L"";
  std::string bytes;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  fclose(f);
  return std::wstring(bytes.begin(), bytes.end());
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

bool ReadPending(std::vector<PendingRename>* entries) {
  entries->clear();
  ScopedRegKey key;
  DWORD type = 0, size = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.Receive()) ||
      RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type, nullptr, &size))
    return false;
  std::vector<uint8_t> bytes(size);
  if (size && RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type, bytes.data(), &size))
    return false;
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(ParsePendingRenames(bytes.data(), size, entries), CX_OK);
  return true;
}
}  // namespace

PendingRenamesGuard::PendingRenamesGuard(const std::wstring& prefix)
    : turn_(CreateMutexW(nullptr, FALSE, L"cxsetup_test_pending_renames")),
      prefix_(AsU16(prefix.c_str())) {
  if (turn_) WaitForSingleObject(turn_.Get(), INFINITE);
  std::vector<PendingRename> ignored;
  existed_ = ReadPending(&ignored);
}

PendingRenamesGuard::~PendingRenamesGuard() {
  std::vector<PendingRename> all, kept;
  ScopedRegKey key;
  if (ReadPending(&all) &&
      !RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.Receive())) {
    for (const PendingRename& e : all)
      if (!PendingRenameMentions(e, prefix_)) kept.push_back(e);
    std::vector<uint8_t> bytes = BuildPendingRenames(kept);
    if (kept.empty() && !existed_)
      RegDeleteValueW(key.Get(), kPendingValue);
    else
      RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ, bytes.data(),
                     static_cast<DWORD>(bytes.size()));
  }
  if (turn_) ReleaseMutex(turn_.Get());
}

std::vector<PendingRename> PendingRenamesGuard::Mine() const {
  std::vector<PendingRename> all, mine;
  ReadPending(&all);
  for (PendingRename e : all) {
    if (!PendingRenameMentions(e, prefix_)) continue;
    e.source = FromNtPath(e.source);
    e.target = FromNtPath(e.target);
    mine.push_back(e);
  }
  return mine;
}

TestElement::TestElement(const std::string& xml) {
  doc_.Parse(xml.c_str());
  element_ = std::make_unique<ScriptElement>(doc_.RootElement(), 0, 1);
}

TestElement::TestElement(const std::wstring& xml)
    : TestElement([&xml] {
        std::string utf8(xml.size() * 3 + 1, '\0');
        const int n = WideCharToMultiByte(CP_UTF8, 0, xml.c_str(), -1, &utf8[0],
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
        utf8.resize(n > 0 ? size_t(n - 1) : 0);
        return utf8;
      }()) {}

const ActionRegistry& BuiltinRegistry() {
  static const ActionRegistry* registry = [] {
    static ActionRegistry r;
    RegisterBuiltinActions(&r);
    return &r;
  }();
  return *registry;
}

CxResult RunAction(const TestElement& element, InstallContext* context) {
  return ListedAction(BuiltinRegistry(), element.Get()).Execute(context);
}

namespace {
bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE known[SECURITY_MAX_SID_SIZE];
  DWORD n = sizeof known;
  return CreateWellKnownSid(type, nullptr, known, &n) && EqualSid(sid, known);
}

bool IsProcessUser(PSID sid) {
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
  BYTE buffer[256];
  DWORD n = 0;
  return GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &n) &&
         EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}
}  // namespace

DaclSummary SummarizeDacl(PSECURITY_DESCRIPTOR sd) {
  DaclSummary s;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(sd, &control, &revision);
  s.isProtected = (control & SE_DACL_PROTECTED) != 0;
  char* sddl = nullptr;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
    ScopedLocalMem owner(sddl);
    s.text = sddl;
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!GetAce(dacl, i, &raw)) continue;
    auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    PSID sid = &ace->SidStart;
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) ++s.others;
    else if (IsSid(sid, WinBuiltinAdministratorsSid)) ++s.admins;
    else if (IsSid(sid, WinLocalSystemSid)) ++s.system;
    else if (IsProcessUser(sid)) ++s.user;
    else ++s.others;
    const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    if ((ace->Mask & FILE_ALL_ACCESS) != FILE_ALL_ACCESS || (ace->Header.AceFlags & inherit) != inherit)
      s.allFullAndInherited = false;
  }
  return s;
}

DaclSummary ReadBackDacl(const std::wstring& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
    return DaclSummary{};
  ScopedLocalMem owner(sd);
  return SummarizeDacl(sd);
}

void ExpectOnlyAdministratorsAndSystem(const DaclSummary& s) {
  EXPECT_EQ(s.others, 0) << s.text;
  EXPECT_EQ(s.system, 1) << s.text;
  EXPECT_EQ(s.admins + s.user, 1) << s.text;
}
