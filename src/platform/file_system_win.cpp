// File-system services on Win32: deleting what may be locked, tree copy and
// removal, folder creation and file versions (replacing files is in
// file_replace_win.cpp).
#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "common/version_api.h"
#include "common/version_number.h"
#include "platform/file_system.h"
#include "common/win_handles.h"

namespace {
using U16 = std::u16string;

const wchar_t* W(const U16& s) { return AsWide(s.c_str()); }

// GetLastError, never 0: a failure must not read as success.
CxResult LastError() {
  DWORD e = ::GetLastError();
  return e ? static_cast<CxResult>(e) : CX_E_FAIL;
}

bool Exists(const U16& path) { return ::GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c; }

U16 WithSeparator(const U16& path) {
  if (!path.empty() && IsSeparator(path.back())) return path;
  return path + u"\\";
}

// The folder path without trailing separators, except for a drive root.
U16 WithoutSeparator(U16 path) {
  while (path.size() > 3 && IsSeparator(path.back())) path.pop_back();
  return path;
}

bool ScheduleDelete(const U16& path) {
  return ::MoveFileExW(W(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

// Folder for a "_@" placeholder on the drive of `path`: the Windows folder's
// TEMP when Windows is on that drive, else the drive root.
U16 PlaceholderFolder(const U16& path) {
  char16_t drive = 0;
  if (path.size() >= 2 && path[1] == u':') {
    drive = path[0];
  } else {
    wchar_t module[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    drive = static_cast<char16_t>(module[0]);
  }
  wchar_t windows[MAX_PATH] = {};
  UINT n = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (n && n < MAX_PATH && AsciiUpper(static_cast<char16_t>(windows[0])) == AsciiUpper(drive))
    return WithSeparator(AsU16(windows)) + u"TEMP\\";
  return U16(1, drive) + u":\\";
}

// Creates the missing folders for every backslash of `path` (which ends in
// one). Prefixes that exist are skipped, as is the server and share part of
// a UNC path.
CxResult CreatePrefixes(const U16& path) {
  size_t start = 0;
  if (path.size() > 2 && path[0] == u'\\' && path[1] == u'\\') {
    int seen = 0;
    for (start = 2; start < path.size() && seen < 2; ++start)
      if (path[start] == u'\\') ++seen;
  }
  for (size_t i = start; i < path.size(); ++i) {
    if (path[i] != u'\\' || i == 0) continue;
    U16 prefix = path.substr(0, i);
    if (Exists(prefix)) continue;
    if (!::CreateDirectoryW(W(prefix), nullptr)) {
      CxResult r = LastError();
      if (r == ERROR_ALREADY_EXISTS && IsDirectoryPath(prefix.c_str())) continue;  // a race
      return r;
    }
  }
  return CX_OK;
}
}  // namespace

int IsDirectoryPath(const char16_t* path) {
  if (!path) return 0;
  DWORD a = ::GetFileAttributesW(AsWide(path));
  if (a == INVALID_FILE_ATTRIBUTES) return 0;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

WString NormalizeFolderPath(const char16_t* path) {
  U16 in = path ? U16(path) : U16();
  in += u"\\";
  // A UNC path keeps its leading pair.
  U16 out;
  size_t i = 0;
  if (in.size() > 2 && in[0] == u'\\' && in[1] == u'\\' && in[2] != u'\\') {
    out = u"\\\\";
    i = 2;
  }
  while (i < in.size()) {
    if (in[i] == u'\\' && i + 1 < in.size() && in[i + 1] == u'\\') {
      out += u'\\';
      i += 2;
    } else {
      out += in[i] == u'/' ? u'\\' : in[i];
      ++i;
    }
  }
  return WString(out);
}

CxResult DeleteFileOrSchedule(const char16_t* path, uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if (!path || std::char_traits<char16_t>::length(path) < 4) return CX_E_INVALID_ARG;
  U16 p = path;
  if (!Exists(p)) return CX_OK;
  if (IsDirectoryPath(path)) return CX_E_INVALID_ARG;
  ::SetFileAttributesW(W(p), FILE_ATTRIBUTE_NORMAL);
  if (::DeleteFileW(W(p))) return CX_OK;

  // Locked. Move it to a placeholder on the same drive (a rename within the
  // volume) so its name is free now, and delete that at restart.
  wchar_t name[MAX_PATH] = {};
  if (!::GetTempFileNameW(W(PlaceholderFolder(p)), L"_@", 0, name)) return LastError();
  if (::MoveFileExW(W(p), name, MOVEFILE_REPLACE_EXISTING)) {
    if (!::MoveFileExW(name, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return LastError();
    if (restartFlag) *restartFlag = 1;
    return CX_OK;
  }
  // Not even a rename: delete it in place at restart.
  if (!::DeleteFileW(name)) return LastError();
  if (!ScheduleDelete(p)) return LastError();
  if (restartFlag) *restartFlag = 1;
  return CX_OK;
}

CxResult CopyDirectoryTree(const char16_t* source, const char16_t* destination) {
  if (!source || !*source || !destination || !*destination) return CX_E_INVALID_ARG;
  if (!Exists(source)) return CX_WIN_ERROR_FILE_NOT_FOUND;
  if (!IsDirectoryPath(source)) return CX_E_INVALID_ARG;
  U16 src = NormalizeFolderPath(source).Str();
  U16 dst = NormalizeFolderPath(destination).Str();
  if (!IsDirectoryPath(dst.c_str())) {
    CxResult r = CreateFolderPath(dst.c_str());
    if (r != CX_OK) return r;
  }
  WIN32_FIND_DATAW fd;
  ScopedFindHandle find(::FindFirstFileW(W(src + u"*"), &fd));
  if (!find) return LastError();
  do {
    U16 name = AsU16(fd.cFileName);
    if (name == u"." || name == u"..") continue;
    U16 from = src + name, to = dst + name;
    // Folders are created as folders here: a point in a folder name does
    // not make it a file.
    CxResult r = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? CopyDirectoryTree(from.c_str(), to.c_str())
                     : ReplaceFile(from.c_str(), to.c_str(), 0, nullptr);
    if (r != CX_OK) return r;
  } while (::FindNextFileW(find.Get(), &fd));
  return CX_OK;
}

CxResult CreateDirectoryPath(const char16_t* path) {
  if (!path || std::char_traits<char16_t>::length(path) < 4) return CX_E_INVALID_ARG;
  U16 p = path;
  if (p.find(u'.') != U16::npos) {
    size_t slash = p.rfind(u'\\');
    if (slash == U16::npos) return CX_OK;  // a bare file name: nothing to create
    p.erase(slash + 1);
  } else if (p.back() != u'\\') {
    p += u'\\';
  }
  return CreatePrefixes(p);
}

CxResult CreateFolderPath(const char16_t* path) {
  if (!path || std::char_traits<char16_t>::length(path) < 4) return CX_E_INVALID_ARG;
  U16 p = path;
  for (char16_t& c : p)
    if (c == u'/') c = u'\\';
  p = WithSeparator(p);
  CxResult r = CreatePrefixes(p);
  if (r != CX_OK) return r;
  return IsDirectoryPath(WithoutSeparator(p).c_str()) ? CX_OK : CX_WIN_ERROR_ALREADY_EXISTS;
}

CxResult GetFileVersionNumbers(const char16_t* path, uint32_t parts[4]) {
  if (!path || !*path || !parts) return CX_E_INVALID_ARG;
  const VersionApi* api = Version();
  if (!api) return VersionStatus().result;
  DWORD ignored = 0;
  DWORD size = api->GetFileVersionInfoSizeW(AsWide(path), &ignored);
  if (!size) return LastError();
  std::vector<uint8_t> block(size);
  if (!api->GetFileVersionInfoW(AsWide(path), 0, size, block.data())) return LastError();

  unsigned language = 0x0409, codePage = 0x04B0;
  void* value = nullptr;
  UINT length = 0;
  ::SetLastError(0);
  if (api->VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
    if (length >= 4) {
      const WORD* pair = static_cast<const WORD*>(value);
      language = pair[0];
      codePage = pair[1];
    }
  } else {
    DWORD e = ::GetLastError();
    if (e != 0 && e != ERROR_RESOURCE_TYPE_NOT_FOUND) return e;
  }
  wchar_t query[64];
  wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage);
  value = nullptr;
  length = 0;
  ::SetLastError(0);
  if (!api->VerQueryValueW(block.data(), query, &value, &length) || !value || !length) {
    DWORD e = ::GetLastError();
    return e ? e : CX_E_BAD_DATA;
  }
  const char16_t* text = static_cast<const char16_t*>(value);
  U16 versionText(text, length);
  versionText.resize(std::char_traits<char16_t>::length(versionText.c_str()));
  if (versionText.empty()) return CX_E_BAD_DATA;
  uint64_t number = 0;
  if (ParseVersionString(versionText.c_str(), &number) != CX_DONE) return CX_E_BAD_DATA;
  VersionParts(number, parts);
  return CX_OK;
}
