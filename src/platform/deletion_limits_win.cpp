// This machine's protected folders, asked of the system (never of the
// environment), and the DelDir check against them.
#include <windows.h>
#include <shlobj.h>

#include "common/sysinfo.h"
#include "common/win_handles.h"
#include "platform/deletion_limits.h"

namespace {

void AddShellFolder(int csidl, std::vector<std::u16string>* out) {
  wchar_t buffer[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr,
                                   SHGFP_TYPE_CURRENT, buffer)) &&
      buffer[0])
    out->push_back(AsU16(buffer));
}

std::u16string ParentOf(const std::u16string& path) {
  const size_t cut = path.find_last_of(u'\\');
  return (cut == std::u16string::npos || cut < 3) ? std::u16string() : path.substr(0, cut);
}

// The 64-bit Program Files, which a 32-bit process is not told by the shell.
void AddNativeProgramFiles(std::vector<std::u16string>* out) {
  ScopedRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Receive()) != ERROR_SUCCESS)
    return;
  for (const wchar_t* name : {L"ProgramW6432Dir", L"ProgramFilesDir"}) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value - sizeof(wchar_t), type = 0;
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ && value[0])
      out->push_back(AsU16(value));
  }
}

ProtectedFolders QueryProtectedFolders() {
  ProtectedFolders f;
  wchar_t windows[MAX_PATH] = {};
  const UINT n = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (n && n < MAX_PATH) {
    f.folders.push_back(AsU16(windows));
    f.folders.push_back(std::u16string(AsU16(windows)) + u"\\Sysnative");
  }
  for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES,
                    CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA, CSIDL_APPDATA,
                    CSIDL_LOCAL_APPDATA, CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS,
                    CSIDL_COMMON_PROGRAMS, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
    AddShellFolder(csidl, &f.folders);
  if (IsOs64Bit()) AddNativeProgramFiles(&f.folders);
  // The Users folder: above the user's own profile and the public one.
  std::vector<std::u16string> profiles;
  AddShellFolder(CSIDL_PROFILE, &profiles);
  AddShellFolder(CSIDL_COMMON_DOCUMENTS, &profiles);
  if (profiles.size() == 2) profiles[1] = ParentOf(profiles[1]);
  for (const std::u16string& profile : profiles) {
    const std::u16string users = ParentOf(profile);
    if (users.empty()) continue;
    f.profileParents.push_back(users);
    f.folders.push_back(users);
  }
  return f;
}

}  // namespace

CxResult CheckFolderMayGo(const char16_t* path) {
  if (!path || !*path) return CX_E_INVALID_ARG;
  static const ProtectedFolders machine = QueryProtectedFolders();
  wchar_t full[MAX_PATH];
  const DWORD n = ::GetFullPathNameW(AsWide(path), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return CX_E_DELETE_REFUSED;
  // Short names made long, so that C:\PROGRA~1 is known as Program Files.
  wchar_t longPath[MAX_PATH];
  const DWORD m = ::GetLongPathNameW(full, longPath, MAX_PATH);
  const std::u16string target = (m && m < MAX_PATH) ? AsU16(longPath) : AsU16(full);
  return CheckFolderDeletion(target, machine) == DeletionRefusal::kNone ? CX_OK
                                                                        : CX_E_DELETE_REFUSED;
}
