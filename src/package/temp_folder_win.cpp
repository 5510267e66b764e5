// Asking Windows for the working folder candidates and checking them.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "common/win_handles.h"
#include "package/temp_folder.h"
#include "platform/admin_only_acl.h"
#include "platform/object_checks.h"

namespace {
constexpr DWORD kPathChars = 520;

std::u16string Text(const wchar_t* buffer, DWORD length) {
  if (length == 0 || length >= kPathChars) return {};
  return std::u16string(AsU16(buffer), length);
}

bool TokenIs(WELL_KNOWN_SID_TYPE type, bool user) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  if (!::CreateWellKnownSid(type, nullptr, sid, &size)) return false;
  if (!user) {
    BOOL member = FALSE;
    return ::CheckTokenMembership(nullptr, sid, &member) && member;
  }
  ScopedHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
  BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD got = 0;
  return ::GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &got) &&
         ::EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid);
}

// GetTempPath2W where the system has it; for a SYSTEM process it answers
// the protected SystemTemp folder. Empty for everyone else.
std::u16string SystemTempPath() {
  using TempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto tempPath2 = kernel ? reinterpret_cast<TempPath2Fn>(reinterpret_cast<void*>(
                                ::GetProcAddress(kernel, "GetTempPath2W")))
                          : nullptr;
  if (!tempPath2 || !TokenIs(WinLocalSystemSid, true)) return {};
  wchar_t buffer[kPathChars] = {};
  return Text(buffer, tempPath2(kPathChars, buffer));
}

// Opens a folder to check it, never following a link at its name.
ScopedFileHandle OpenFolder(const std::u16string& path, DWORD access) {
  return ScopedFileHandle(::CreateFileW(AsWide(path.c_str()), access,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
}

bool Accept(const TempFolderChoice& choice) {
  switch (choice.check) {
    case TempFolderCheck::kExists:
      return ::PathFileExistsW(AsWide(choice.path.c_str())) != FALSE;
    case TempFolderCheck::kRealFolder: {
      ScopedFileHandle folder = OpenFolder(choice.path, FILE_READ_ATTRIBUTES);
      return folder && CheckObjectKind(folder.Get(), true) == CX_OK;
    }
    case TempFolderCheck::kOwnFolder: {
      // Made with the admin-only list in the create call; found, it must be
      // one that this process's owner made (a user could make it first).
      AdminOnlySecurity protection;
      if (protection.Build() != CX_OK) return false;
      if (!::CreateDirectoryW(AsWide(choice.path.c_str()), protection.Attributes()) &&
          ::GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
      ScopedFileHandle folder = OpenFolder(choice.path, FILE_READ_ATTRIBUTES | READ_CONTROL);
      return folder && CheckObjectKind(folder.Get(), true) == CX_OK &&
             CheckOwnedByProcess(folder.Get()) == CX_OK;
    }
  }
  return false;
}

TempFolderCandidates AskTheSystem() {
  TempFolderCandidates c;
  c.elevated = TokenIs(WinBuiltinAdministratorsSid, false);
  c.systemTemp = SystemTempPath();
  wchar_t buffer[kPathChars] = {};
  c.windowsFolder = Text(buffer, ::GetSystemWindowsDirectoryW(buffer, kPathChars));
  wchar_t appData[MAX_PATH] = {};  // the call's buffer is MAX_PATH characters
  if (::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_COMMON_APPDATA, FALSE))
    c.commonAppData = AsU16(appData);
  c.tempPath = Text(buffer, ::GetTempPathW(kPathChars, buffer));
  if (!c.tempPath.empty()) {
    wchar_t longPath[kPathChars] = {};
    c.longTempPath = Text(longPath, ::GetLongPathNameW(buffer, longPath, kPathChars));
  }
  return c;
}
}  // namespace

int GetTempFolder(std::u16string* folder) {
  if (!folder) return 0;
  // Chosen once: every part of a run uses the same folder, and the checks
  // (and the own folder's creation) run once.
  static const std::u16string chosen = [] {
    std::u16string found;
    ChooseTempFolder(AskTheSystem(), Accept, &found);
    return found;
  }();
  if (chosen.empty()) return 0;
  *folder = chosen;
  return 1;
}
