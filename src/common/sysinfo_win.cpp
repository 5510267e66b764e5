// System queries on Windows. Entry points that older systems lack are
// looked up by name once and kept; a missing one takes the fallback.
#include <windows.h>
#include <rpc.h>
#include <share.h>

#include <cstdio>
#include <cstring>

#include "common/strings.h"
#include "common/sysinfo.h"
#include "common/win_handles.h"

static_assert(sizeof(OsVersionRecord) == sizeof(OSVERSIONINFOEXW),
              "OsVersionRecord must match OSVERSIONINFOEXW");

namespace {

template <typename F>
F Lookup(const wchar_t* module, const char* name) {
  HMODULE handle = ::GetModuleHandleW(module);
  return handle ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(handle, name)))
                : nullptr;
}

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID);

struct EntryPoints {
  RtlGetVersionFn rtlGetVersion = Lookup<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
  RtlGetNtVersionNumbersFn rtlGetNtVersionNumbers =
      Lookup<RtlGetNtVersionNumbersFn>(L"ntdll.dll", "RtlGetNtVersionNumbers");
  GetNativeSystemInfoFn getNativeSystemInfo =
      Lookup<GetNativeSystemInfoFn>(L"kernel32", "GetNativeSystemInfo");
  IsWow64Process2Fn isWow64Process2 = Lookup<IsWow64Process2Fn>(L"kernel32", "IsWow64Process2");
  Wow64DisableFn wow64Disable =
      Lookup<Wow64DisableFn>(L"kernel32", "Wow64DisableWow64FsRedirection");
  Wow64RevertFn wow64Revert = Lookup<Wow64RevertFn>(L"kernel32", "Wow64RevertWow64FsRedirection");
};

const EntryPoints& Entries() {
  static const EntryPoints entries;
  return entries;
}

// The one process-wide redirection slot: brackets do not nest.
PVOID g_redirectionOldValue = nullptr;

BOOL CallGetVersionEx(OSVERSIONINFOEXW* info) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(info));
#pragma GCC diagnostic pop
}

}  // namespace

void SetHostSystemForTesting(uint16_t, int) {}

void GetOsVersionInfo(OsVersionRecord* record) {
  if (!record) return;
  auto* info = reinterpret_cast<OSVERSIONINFOEXW*>(record);
  const EntryPoints& entries = Entries();
  if (entries.rtlGetVersion) {
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (entries.rtlGetVersion(info) == 0) return;
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (entries.rtlGetVersion(info) == 0) return;
  }
  bool haveVersion = false;
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  if (CallGetVersionEx(info)) {
    haveVersion = true;
  } else {
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    haveVersion = CallGetVersionEx(info) != FALSE;
  }
  if (entries.rtlGetNtVersionNumbers) {
    DWORD major = 0, minor = 0, build = 0;
    entries.rtlGetNtVersionNumbers(&major, &minor, &build);
    record->major = major;
    record->minor = minor;
    record->build = build & 0xFFFF;  // the high bits carry build flags
    if (!haveVersion) record->productType = 1;
  }
}

int32_t GetOsVersionCode() {
  OsVersionRecord record;
  GetOsVersionInfo(&record);
  return OsVersionCodeFromRecord(record);
}

int IsOs64Bit() {
  const EntryPoints& entries = Entries();
  if (!entries.getNativeSystemInfo) return 0;
  SYSTEM_INFO info = {};
  entries.getNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case 6:   // Itanium
    case 7:   // Alpha 64
    case 9:   // x64
    case 12:  // ARM64
      return 1;
    default:
      break;
  }
  if (entries.isWow64Process2) {
    USHORT processMachine = 0, nativeMachine = 0;
    if (entries.isWow64Process2(::GetCurrentProcess(), &processMachine, &nativeMachine) &&
        nativeMachine == 0xAA64)
      return 1;
  }
  return 0;
}

void SetFsRedirection(int disable) {
  if (IsOs64Bit() != 1) return;
  const EntryPoints& entries = Entries();
  if (!entries.wow64Disable || !entries.wow64Revert) return;
  if (disable) {
    PVOID old = nullptr;
    if (entries.wow64Disable(&old)) g_redirectionOldValue = old;
  } else {
    entries.wow64Revert(g_redirectionOldValue);
  }
}

CxResult GetSystemLanguageCode(uint32_t* code) {
  if (!code) return CX_E_INVALID_ARG;
  *code = LanguageCodeFromLangId(::GetSystemDefaultLangID());
  return CX_OK;
}

void UuidString(char* buffer, uint32_t size) {
  MemFillSecure(buffer, 0, size);
  if (!buffer || size < 37) return;
  UUID uuid;
  const RPC_STATUS status = ::UuidCreate(&uuid);
  // A locally unique UUID still serves as a fresh name on this machine.
  if (status != RPC_S_OK && status != RPC_S_UUID_LOCAL_ONLY) return;
  RPC_CSTR text = nullptr;
  if (::UuidToStringA(&uuid, &text) != RPC_S_OK || !text) return;
  const char* chars = reinterpret_cast<const char*>(text);
  uint32_t out = size;
  OutputString(chars, std::strlen(chars), buffer, &out);
  ::RpcStringFreeA(&text);
}

CxResult OpenFileSharedA(FILE** out, const char* path, const char* mode) {
  if (!out || !path || !mode) return CX_E_INVALID_ARG;
  FILE* file = std::fopen(path, mode);
  if (!file) file = ::_fsopen(path, mode, _SH_DENYNO);
  if (!file) return CX_E_OPEN_FAILED;
  *out = file;
  return CX_OK;
}

CxResult OpenFileSharedW(FILE** out, const char16_t* path, const char16_t* mode) {
  if (!out || !path || !mode) return CX_E_INVALID_ARG;
  FILE* file = ::_wfopen(AsWide(path), AsWide(mode));
  if (!file) file = ::_wfsopen(AsWide(path), AsWide(mode), _SH_DENYNO);
  if (!file) return CX_E_OPEN_FAILED;
  *out = file;
  return CX_OK;
}
