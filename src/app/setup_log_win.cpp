// The log's clock, file appends and Windows' texts for system codes.
#include <windows.h>

#include "app/setup_log.h"
#include "common/codepage.h"
#include "common/win_handles.h"

LogTime LogTimeNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

void SetupLog::AppendToFile(const std::string& bytes) {
  // Shared for reading and writing: an administrator may watch the file, and
  // the uninstall launcher and its copy append to the same one.
  ScopedFileHandle file(CreateFileW(AsWide(path_.c_str()), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
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
