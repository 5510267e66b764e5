// Asking Windows for the temporary folder candidates.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "package/temp_folder.h"
#include "common/win_handles.h"

namespace {
constexpr DWORD kPathChars = 520;

std::u16string Text(const wchar_t* buffer, DWORD length) {
  if (length == 0 || length >= kPathChars) return {};
  return std::u16string(AsU16(buffer), length);
}

bool PathExists(const std::u16string& path) { return PathFileExistsW(AsWide(path.c_str())) != FALSE; }

// GetTempPath2W where the system has it: for a SYSTEM process (as under a
// deployment agent) it answers the protected SystemTemp folder instead of
// the world-writable Windows\Temp; for everyone else it is GetTempPathW.
DWORD TempPath(DWORD size, wchar_t* buffer) {
  using TempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
  static const TempPath2Fn tempPath2 = [] {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<TempPath2Fn>(GetProcAddress(kernel, "GetTempPath2W"))
                  : nullptr;
  }();
  return tempPath2 ? tempPath2(size, buffer) : GetTempPathW(size, buffer);
}
}  // namespace

int GetTempFolder(std::u16string* folder) {
  TempFolderCandidates c;
  wchar_t buffer[kPathChars] = {};
  c.tempPath = Text(buffer, TempPath(kPathChars, buffer));
  if (!c.tempPath.empty()) {
    wchar_t longPath[kPathChars] = {};
    c.longTempPath = Text(longPath, GetLongPathNameW(buffer, longPath, kPathChars));
  }
  c.windowsFolder = Text(buffer, GetWindowsDirectoryW(buffer, kPathChars));
  wchar_t appData[MAX_PATH] = {};  // the call's buffer is MAX_PATH characters
  if (SHGetSpecialFolderPathW(nullptr, appData, CSIDL_COMMON_APPDATA, FALSE))
    c.commonAppData = AsU16(appData);
  return ChooseTempFolder(c, PathExists, folder);
}
