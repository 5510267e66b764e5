// MsiProcessMessage lines, taken literally.
#include "runner_log_win.h"

#include <msiquery.h>

#include <vector>

#include "common/win_handles.h"
#include "runner_handles_win.h"
#include "runner_rules.h"

void MsiLog::Line(const std::wstring& text) const {
  ScopedMsiHandle record(MsiCreateRecord(0));
  if (!record) return;
  // Field 0 is a format string; brackets in a path or a GUID must stay text.
  const std::u16string literal = MsiLogLiteral(AsU16((action_ + L": " + text).c_str()));
  if (MsiRecordSetStringW(record.Get(), 0, AsWide(literal.c_str())) != ERROR_SUCCESS) return;
  MsiProcessMessage(session_, INSTALLMESSAGE_INFO, record.Get());
}

void MsiLog::CopyLogFile(const std::wstring& path) const {
  ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    Line(L"no log from the setup (error " + std::to_wstring(GetLastError()) + L")");
    return;
  }
  std::vector<char> bytes(kMaxCopyBytes);
  DWORD got = 0;
  if (!ReadFile(file.Get(), bytes.data(), kMaxCopyBytes, &got, nullptr)) {
    Line(L"the setup's log cannot be read (error " + std::to_wstring(GetLastError()) + L")");
    return;
  }
  size_t start = 0;
  for (size_t i = 0; i <= got; ++i) {
    if (i < got && bytes[i] != '\n') continue;
    size_t end = i;
    if (end > start && bytes[end - 1] == '\r') --end;
    if (end > start) {
      const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, int(end - start), nullptr, 0);
      std::wstring line(size_t(n > 0 ? n : 0), L'\0');
      if (n > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, int(end - start), &line[0], n);
      Line(L"| " + line);
    }
    start = i + 1;
  }
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > LONGLONG(got))
    Line(L"the setup's log goes on beyond " + std::to_wstring(got) + L" bytes, not copied");
}
