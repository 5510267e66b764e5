// File-system services on Win32: replacing files that may be in use,
// deleting what may be locked, tree copy and removal, folder creation and
// file versions.
#include <windows.h>
#include <shlwapi.h>

#include <functional>
#include <string>
#include <vector>

#include "common/version_number.h"
#include "platform/file_system.h"
#include "platform/pending_renames.h"
#include "platform/process_control.h"
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

// A name counts as free only when Windows says it is not there; a name it
// cannot look up (e.g. a file waiting for deletion) is taken.
bool NameIsFree(const U16& path) {
  if (::GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD e = ::GetLastError();
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c; }

bool HasExeExtension(const U16& path) {
  size_t slash = path.find_last_of(u"\\/");
  size_t dot = path.rfind(u'.');
  if (dot == U16::npos || (slash != U16::npos && dot < slash)) return false;
  U16 ext = path.substr(dot);
  if (ext.size() != 4) return false;
  return ext[0] == u'.' && AsciiUpper(ext[1]) == u'E' && AsciiUpper(ext[2]) == u'X' &&
         AsciiUpper(ext[3]) == u'E';
}

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

// Takes back the most recent restart-delete of `path` from the pending list.
void CancelScheduledDelete(const U16& path) {
  ScopedRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                      0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS)
    return;
  const wchar_t* name = L"PendingFileRenameOperations";
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return;
  std::vector<uint8_t> bytes(size);
  if (size && ::RegQueryValueExW(key.Get(), name, nullptr, &type, bytes.data(), &size) !=
                  ERROR_SUCCESS)
    return;
  std::vector<PendingRename> entries;
  if (ParsePendingRenames(bytes.data(), size, &entries) != CX_OK) return;
  wchar_t full[MAX_PATH];
  DWORD n = ::GetFullPathNameW(W(path), MAX_PATH, full, nullptr);
  U16 dosPath = (n && n < MAX_PATH) ? U16(AsU16(full)) : path;
  if (!RemoveLastPendingDelete(&entries, dosPath)) return;
  std::vector<uint8_t> rebuilt = BuildPendingRenames(entries);
  ::RegSetValueExW(key.Get(), name, 0, REG_MULTI_SZ, rebuilt.data(),
                   static_cast<DWORD>(rebuilt.size()));
}

// Puts the new content at a path that is free or may be overwritten.
using ContentWriter = std::function<CxResult(const U16& destination)>;

CxResult CopyOver(const U16& source, const U16& destination) {
  return ::CopyFileW(W(source), W(destination), FALSE) ? CX_OK : LastError();
}

// Writes the content as a new file. Like a copy, the file gets the security
// its folder hands down (no descriptor given). A failed write removes the
// partial file.
CxResult WriteOver(const FileContent& content, const U16& destination) {
  ScopedFileHandle file(::CreateFileW(W(destination), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError();
  // Pieces bound what the system buffers at once for one call. Never more
  // than the declared size is written.
  constexpr size_t kPiece = 8u << 20;
  uint32_t done = 0;
  CxResult failure = CX_OK;
  const ByteSink put = [&](const uint8_t* bytes, size_t size) {
    if (size > content.size - done) {
      failure = CX_E_BAD_DATA;
      return false;
    }
    for (size_t at = 0; at < size;) {
      const DWORD piece = DWORD(size - at < kPiece ? size - at : kPiece);
      DWORD written = 0;
      if (!::WriteFile(file.Get(), bytes + at, piece, &written, nullptr) || written != piece) {
        failure = LastError();
        return false;
      }
      at += piece;
    }
    done += uint32_t(size);
    return true;
  };
  CxResult r = content.write(put);
  if (failure != CX_OK) r = failure;
  if (r == CX_OK && done != content.size) r = CX_E_BAD_DATA;
  if (r != CX_OK) {
    file.Reset();
    ::DeleteFileW(W(destination));
  }
  return r;
}

// The destination exists and may be in use. The old file is moved out of
// the way before the new one is written, so a failed copy can put it back.
CxResult ReplaceExisting(const ContentWriter& write, const U16& destination,
                         uint32_t* restartFlag) {
  U16 side;
  for (int n = 1; n <= kMaxDiscardIndex; ++n) {
    U16 candidate = destination + u"_Discard_" + AsU16(std::to_wstring(n).c_str());
    if (NameIsFree(candidate)) {
      side = candidate;
      break;
    }
  }
  if (side.empty()) return CX_WIN_ERROR_ALREADY_EXISTS;

  DWORD oldAttributes = ::GetFileAttributesW(W(destination));
  ::SetFileAttributesW(W(destination), FILE_ATTRIBUTE_NORMAL);

  if (::MoveFileExW(W(destination), W(side), 0)) {
    CxResult r = write(destination);
    if (r != CX_OK) {
      // Put the old file back; if even that fails it stays at the side name.
      ::DeleteFileW(W(destination));
      if (::MoveFileExW(W(side), W(destination), 0) && oldAttributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(W(destination), oldAttributes);
      return r;
    }
    // A file held open with delete sharing goes when its last handle closes;
    // one that cannot be deleted now (a running image) goes at restart.
    if (!::DeleteFileW(W(side)) && ScheduleDelete(side) && restartFlag) *restartFlag = 1;
    return CX_OK;
  }

  // Not even a rename: the new file waits at the side name, and at restart
  // Windows deletes the old one and then moves the new one in (the order of
  // registration is the order of execution).
  CxResult r = write(side);
  if (r != CX_OK) {
    ::DeleteFileW(W(side));
    return r;
  }
  if (!ScheduleDelete(destination)) {
    r = LastError();
    ::DeleteFileW(W(side));
    return r;
  }
  if (!::MoveFileExW(W(side), W(destination),
                     MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
    // Without the move the restart would delete the old file and leave none.
    r = LastError();
    CancelScheduledDelete(destination);
    ::DeleteFileW(W(side));
    return r;
  }
  if (restartFlag) *restartFlag = 1;
  return CX_OK;
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

CxResult ReplaceFile(const char16_t* source, const char16_t* destination, int compareVersion,
                     uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if (!source || !*source || !destination || !*destination) return CX_E_INVALID_ARG;
  U16 src = source, dst = destination;
  if (!Exists(src)) return CX_WIN_ERROR_FILE_NOT_FOUND;
  if (IsDirectoryPath(source) || IsDirectoryPath(destination)) return CX_E_INVALID_ARG;
  if (!Exists(dst)) return CopyOver(src, dst);

  if (compareVersion == 1) {
    uint32_t a[4], b[4];
    if (GetFileVersionNumbers(source, a) == CX_OK &&
        GetFileVersionNumbers(destination, b) == CX_OK && CompareVersions(a, b) == -1)
      return CX_OK;  // the installed file is newer
  }
  if (HasExeExtension(dst)) KillProcessesByImage(destination);
  return ReplaceExisting([&src](const U16& to) { return CopyOver(src, to); }, dst, restartFlag);
}

CxResult ReplaceFileWithContent(const FileContent& content, const char16_t* destination,
                                uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if (!content.write || !destination || !*destination) return CX_E_INVALID_ARG;
  auto write = [&content](const U16& to) { return WriteOver(content, to); };
  U16 dst = destination;
  // One look serves both checks: a tree copy makes thousands of these calls.
  const DWORD attributes = ::GetFileAttributesW(W(dst));
  if (attributes == INVALID_FILE_ATTRIBUTES) return write(dst);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return CX_E_INVALID_ARG;
  if (HasExeExtension(dst)) KillProcessesByImage(destination);
  return ReplaceExisting(write, dst, restartFlag);
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

CxResult DeleteDirectoryTree(const char16_t* path, uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if (!path || !*path) return CX_E_INVALID_ARG;
  U16 dir = WithoutSeparator(path);
  DWORD attributes = ::GetFileAttributesW(W(dir));
  if (attributes == INVALID_FILE_ATTRIBUTES) return CX_OK;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return CX_E_INVALID_ARG;

  CxResult result = CX_OK;
  uint32_t restart = 0;
  // A link to a folder is removed itself; what it points to is not ours.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    U16 base = WithSeparator(dir);
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW(W(base + u"*"), &fd));
    if (!find) {
      result = LastError();
    } else {
      do {
        U16 name = AsU16(fd.cFileName);
        if (name == u"." || name == u"..") continue;
        U16 child = base + name;
        uint32_t childRestart = 0;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          DeleteDirectoryTree(child.c_str(), &childRestart);
        else
          DeleteFileOrSchedule(child.c_str(), &childRestart);
        if (childRestart) restart = 1;
      } while (::FindNextFileW(find.Get(), &fd));
    }
  }
  ::SetFileAttributesW(W(dir), FILE_ATTRIBUTE_NORMAL);
  if (!::RemoveDirectoryW(W(dir))) {
    if (ScheduleDelete(dir))
      restart = 1;
    else
      result = LastError();
  }
  if (restartFlag) *restartFlag = restart;
  return result;
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
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(AsWide(path), &ignored);
  if (!size) return LastError();
  std::vector<uint8_t> block(size);
  if (!::GetFileVersionInfoW(AsWide(path), 0, size, block.data())) return LastError();

  unsigned language = 0x0409, codePage = 0x04B0;
  void* value = nullptr;
  UINT length = 0;
  ::SetLastError(0);
  if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
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
  if (!::VerQueryValueW(block.data(), query, &value, &length) || !value || !length) {
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
