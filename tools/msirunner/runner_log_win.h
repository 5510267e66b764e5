// The runner's lines in the log of the running install (msiexec /l*v):
// its own, and those of the log the setup wrote, copied over once the setup
// has ended. Each line is prefixed with the custom action's name.
#pragma once
#include <windows.h>
#include <msi.h>

#include <string>

class MsiLog {
 public:
  MsiLog(MSIHANDLE session, const wchar_t* action) : session_(session), action_(action) {}
  void Line(const std::wstring& text) const;
  // Copies the lines of the UTF-8 text file `path`, the first kMaxCopyBytes
  // of it at most; a file that can't be read gives one line saying so.
  void CopyLogFile(const std::wstring& path) const;

  static constexpr DWORD kMaxCopyBytes = 4u << 20;

 private:
  MSIHANDLE session_;
  std::wstring action_;
};
