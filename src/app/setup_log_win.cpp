// The log's clock, its file and Windows' texts for system codes.
#include <windows.h>

#include "app/setup_log.h"
#include "common/codepage.h"
#include "common/win_handles.h"
#include "platform/object_checks.h"

struct SetupLog::File {
  ScopedFileHandle handle;
};

SetupLog::SetupLog() = default;
SetupLog::~SetupLog() = default;

LogTime LogTimeNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::u16string SetupLog::FullPath(const std::u16string& path) {
  wchar_t full[MAX_PATH];
  const DWORD n = GetFullPathNameW(AsWide(path.c_str()), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return path;
  // Long names, as the system reports the file's own path when it is checked.
  wchar_t longPath[MAX_PATH];
  const DWORD m = GetLongPathNameW(full, longPath, MAX_PATH);
  return (m && m < MAX_PATH) ? std::u16string(AsU16(longPath), m) : std::u16string(AsU16(full), n);
}

CxResult SetupLog::OpenFile(const std::u16string& path, bool createNew) {
  // A device is never opened, not even to look: opening a pipe would let
  // its server act as this process.
  if (IsDeviceLogPath(path)) return CX_E_INVALID_ARG;
  const size_t cut = path.find_last_of(u'\\');
  if (cut == std::u16string::npos || cut + 1 == path.size()) return CX_E_INVALID_ARG;
  // Shared for reading and writing: an administrator may watch the file, and
  // the uninstall launcher and its copy append to the same one. The flags
  // open a link itself (as a reparse point, refused below), and keep any
  // server from acting as this process.
  const DWORD access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT |
                      SECURITY_IDENTIFICATION;
  ScopedFileHandle file;
  if (!createNew)
    file.Reset(CreateFileW(AsWide(path.c_str()), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!file && (createNew || GetLastError() == ERROR_FILE_NOT_FOUND))
    file.Reset(CreateFileW(AsWide(path.c_str()), access, share, nullptr, CREATE_NEW, flags, nullptr));
  if (!file) {
    const DWORD e = GetLastError();
    return (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) ? CX_WIN_ERROR_ALREADY_EXISTS
                                                                 : (e ? e : CX_E_FAIL);
  }
  // Only a plain file with this one name, found right in its folder (a link
  // the system followed shows in the file's final path).
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file.Get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.Get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
      info.nNumberOfLinks != 1)
    return CX_E_INVALID_ARG;
  const std::u16string folder = path.substr(0, cut == 2 ? 3 : cut);
  ScopedFileHandle parent(CreateFileW(AsWide(folder.c_str()), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!parent || !IsEntryOf(file.Get(), FinalPathOf(parent.Get()), path.substr(cut + 1)))
    return CX_E_INVALID_ARG;
  file_ = std::make_unique<File>();
  file_->handle = std::move(file);
  return CX_OK;
}

void SetupLog::AppendToFile(const std::string& bytes) {
  if (!file_) return;
  DWORD written = 0;
  WriteFile(file_->handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ResultText(CxResult code) {
  if (const char* own = OwnResultName(code)) return own;
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  ScopedLocalMem owner(text);
  if (n == 0 || !text) return "unknown";
  std::u16string wide(AsU16(text), n);
  while (!wide.empty() && (wide.back() == u'\r' || wide.back() == u'\n' || wide.back() == u' '))
    wide.pop_back();
  return Utf16ToUtf8(wide);
}
