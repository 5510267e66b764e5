// Firefox profile discovery from profiles.ini.
#include "browser/firefox_profile.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "common/strings.h"
#include "common/win_handles.h"

bool FindFirefoxProfile(char16_t* profile, size_t capacity, uint32_t* cert9) {
  if (!profile || capacity == 0) return false;
  wchar_t appData[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE)) return false;
  char16_t list[MAX_PATH] = {};
  StrAppendW(list, MAX_PATH, AsU16(appData));
  StrAppendW(list, MAX_PATH, u"\\");
  StrAppendW(list, MAX_PATH, u"Mozilla\\Firefox");
  StrAppendW(list, MAX_PATH, u"\\");
  StrAppendW(list, MAX_PATH, u"profiles.ini");
  if (!::PathFileExistsW(AsWide(list))) return true;  // Firefox never ran for this user

  wchar_t path[MAX_PATH] = {};
  if (::GetPrivateProfileStringW(L"Profile0", L"Path", nullptr, path, MAX_PATH, AsWide(list)) ==
      0) {
    return false;
  }
  StrAppendW(profile, capacity, AsU16(appData));
  StrAppendW(profile, capacity, u"\\");
  StrAppendW(profile, capacity, u"Mozilla\\Firefox");
  StrAppendW(profile, capacity, u"\\");
  StrAppendW(profile, capacity, AsU16(path));
  if (!::PathFileExistsW(AsWide(profile))) return false;
  char16_t database[MAX_PATH] = {};
  StrFormatW(database, MAX_PATH, u"%s\\cert9.db", profile);
  if (cert9) *cert9 = ::PathFileExistsW(AsWide(database)) ? 1 : 0;
  return true;
}
