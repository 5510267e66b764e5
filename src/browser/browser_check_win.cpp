// The process listing behind the running-browser check.
#include <windows.h>
#include <tlhelp32.h>

#include "browser/browser_check.h"
#include "common/sysinfo.h"
#include "common/win_handles.h"

bool IsBrowserRunning() {
  ScopedFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  // A failed first read means no entry was filled, whatever the last error
  // says: nothing to compare, no browser.
  if (!::Process32FirstW(snapshot.Get(), &entry)) return false;
  do {
    if (IsBrowserImageName(AsU16(entry.szExeFile))) return true;
  } while (::Process32NextW(snapshot.Get(), &entry));
  return false;
}

BrowserRefusal CheckBrowserBeforeRun(int32_t mode) {
  if (!ModeNeedsBrowserCheck(mode) || !IsBrowserRunning()) return BrowserRefusal();
  uint32_t language = 255;
  GetSystemLanguageCode(&language);
  return BrowserRefusalFor(true, language);
}
