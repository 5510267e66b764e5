// The running-browser check: an install, repair or upgrade refuses to start
// while Firefox or Chrome runs, because the run later writes Firefox's
// certificate database. The decision and its message are plain data; the
// caller decides how to present the refusal (a message box, an exit code).
#pragma once
#include <cstdint>

// True for a process image name that counts as a browser: exactly
// "firefox.exe" or "chrome.exe", with case.
bool IsBrowserImageName(const char16_t* imageName);

// True for the run modes that check: install, repair and upgrade.
bool ModeNeedsBrowserCheck(int32_t mode);

struct BrowserRefusal {
  bool refuse = false;             // the program must end without its dialog
  const char16_t* text = nullptr;  // the message, or null: end silently
  const char16_t* caption = nullptr;
};

// The refusal for a running browser in the system language (0 simplified
// Chinese, 1 English, 2 traditional Chinese; any other language refuses
// without a message). No refusal when no browser runs.
BrowserRefusal BrowserRefusalFor(bool browserRunning, uint32_t languageCode);

// Windows only: whether a process named as above runs. False also when the
// processes cannot be listed.
bool IsBrowserRunning();

// Windows only: the start-up decision for `mode`; looks at the processes
// (and the system language) only for the modes that check.
BrowserRefusal CheckBrowserBeforeRun(int32_t mode);
