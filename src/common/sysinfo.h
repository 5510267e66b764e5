// System information: Windows version as one comparable code, 64-bit
// detection, the WOW64 file-system redirection bracket, the system language
// as a small code, UUID text, and opening files that others hold open.
//
// The mapping tables (OsVersionCodeFromRecord, LanguageCodeFromLangId) are
// plain functions so they can be table-tested natively; the queries are
// Win32 (sysinfo_win.cpp) with a native stand-in (sysinfo_host.cpp) whose
// answers tests can set.
#pragma once
#include <cstdint>
#include <cstdio>

#include "common/result_codes.h"

// OSVERSIONINFOEXW's fields, in its order.
struct OsVersionRecord {
  uint32_t size = 0;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platformId = 0;
  char16_t servicePack[128] = {};
  uint16_t servicePackMajor = 0;
  uint16_t servicePackMinor = 0;
  uint16_t suiteMask = 0;
  uint8_t productType = 0;  // 1 workstation, anything else server
  uint8_t reserved = 0;
};

constexpr int32_t CX_OS_UNKNOWN = -1;
constexpr int32_t CX_OS_VISTA = 0x225;  // the one threshold callers compare with >=

// Language codes. The program has texts for the first three.
constexpr uint32_t CX_LANG_ZH_CN = 0;
constexpr uint32_t CX_LANG_EN_US = 1;
constexpr uint32_t CX_LANG_ZH_TW = 2;

int32_t OsVersionCodeFromRecord(const OsVersionRecord& record);
uint32_t LanguageCodeFromLangId(uint16_t langId);

// Fills what could be learnt into a zeroed record.
void GetOsVersionInfo(OsVersionRecord* record);
int32_t GetOsVersionCode();
// 1 when the operating system is 64-bit, else 0.
int IsOs64Bit();
// Nonzero switches WOW64 redirection off, zero restores it. Does nothing on a
// 32-bit system. Brackets do not nest: one process-wide slot.
void SetFsRedirection(int disable);
// 0, or CX_E_INVALID_ARG for a null out pointer (left untouched).
CxResult GetSystemLanguageCode(uint32_t* code);
// Fresh UUID text (36 characters) into `buffer`; empty on failure or when
// `size` is below 37.
void UuidString(char* buffer, uint32_t size);
// fopen, falling back to a deny-nothing share mode. 0, CX_E_INVALID_ARG or
// CX_E_OPEN_FAILED; `out` is untouched on failure.
CxResult OpenFileSharedA(FILE** out, const char* path, const char* mode);
CxResult OpenFileSharedW(FILE** out, const char16_t* path, const char16_t* mode);

// Native build only: what the stand-in queries answer. Defaults: English
// (0x0409), 64-bit, Windows 7 SP1 workstation (as Wine reports).
void SetHostSystemForTesting(uint16_t langId, int is64Bit);

// Switches redirection off for its lifetime when the system is 64-bit, and
// restores it on every path.
class ScopedFsRedirectionOff {
 public:
  ScopedFsRedirectionOff() : active_(IsOs64Bit() == 1) {
    if (active_) SetFsRedirection(1);
  }
  ~ScopedFsRedirectionOff() {
    if (active_) SetFsRedirection(0);
  }
  ScopedFsRedirectionOff(const ScopedFsRedirectionOff&) = delete;
  ScopedFsRedirectionOff& operator=(const ScopedFsRedirectionOff&) = delete;

 private:
  bool active_;
};
