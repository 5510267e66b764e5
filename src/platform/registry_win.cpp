// Registry values and key trees in an explicit view, the registry editor's
// import and the module registrar.
#include "platform/registry.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/sysinfo.h"
#include "common/win_handles.h"
#include "platform/system_tools.h"
#include "platform/tool_exit.h"

namespace {
CxResult LastErrorOr(CxResult fallback) {
  const DWORD e = ::GetLastError();
  return e != 0 ? static_cast<CxResult>(e) : fallback;
}

REGSAM Access(int write, uint32_t key64) {
  return static_cast<REGSAM>(RegistryAccess(write, key64, IsOs64Bit()));
}

CxResult OpenKey(uint32_t root, const char16_t* subKey, int write, uint32_t key64,
                 ScopedRegKey* key) {
  HKEY h = nullptr;
  const LONG r = ::RegOpenKeyExW(RootKeyHandle(root), AsWide(subKey), 0, Access(write, key64), &h);
  if (r != ERROR_SUCCESS) return static_cast<CxResult>(r);
  key->Reset(h);
  return CX_OK;
}

const wchar_t* ValueName(const RegistryLocation* location) {
  return location->valueName ? AsWide(location->valueName) : L"";
}

// Queries a value into a CX_REG_MAX_DATA-byte buffer; `bytes` holds what was read.
CxResult QueryValue(const RegistryLocation* location, std::vector<uint8_t>* bytes) {
  if (!location->subKey) return CX_E_INVALID_ARG;
  ScopedRegKey key;
  CxResult r = OpenKey(location->root, location->subKey, 0, location->key64, &key);
  if (r != CX_OK) return r;
  std::vector<uint8_t> data(CX_REG_MAX_DATA);
  DWORD size = CX_REG_MAX_DATA;
  const LONG q =
      ::RegQueryValueExW(key.Get(), ValueName(location), nullptr, nullptr, data.data(), &size);
  if (q != ERROR_SUCCESS) return static_cast<CxResult>(q);
  data.resize(size);
  bytes->swap(data);
  return CX_OK;
}

using RegDeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// The editor or registrar, within its time limit; its exit code decides.
CxResult RunRegistryTool(const ToolCommand& command) {
  uint32_t exitCode = 0;
  const CxResult r = RunToolInJob(command.application.Wide(), command.commandLine.Wide(),
                                  CX_REGISTRAR_WAIT_MS, &exitCode);
  if (r != CX_OK) return r;
  NoteToolExit(command.application.Str(), exitCode);
  return exitCode == 0 ? CX_OK : static_cast<CxResult>(exitCode);
}


}  // namespace

HKEY RootKeyHandle(uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

CxResult RegWriteValue(uint32_t root, const char16_t* subKey, const char16_t* valueName,
                       uint32_t type, const void* data, uint32_t size, uint32_t key64) {
  if (!subKey || subKey[0] == u'\0' || subKey[0] == u'\\') return CX_E_FAIL;
  const std::u16string path = subKey;
  const REGSAM access = Access(1, key64);
  // Each prefix up to a backslash, then the whole path, is made to exist.
  for (size_t end = 0; end <= path.size(); ++end) {
    if (end < path.size() && path[end] != u'\\') continue;
    const std::u16string prefix = path.substr(0, end);
    ScopedRegKey level;
    if (::RegOpenKeyExW(RootKeyHandle(root), AsWide(prefix.c_str()), 0, access,
                        level.Receive()) == ERROR_SUCCESS)
      continue;
    const LONG c = ::RegCreateKeyExW(RootKeyHandle(root), AsWide(prefix.c_str()), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, access, nullptr, level.Receive(),
                                     nullptr);
    if (c != ERROR_SUCCESS) return static_cast<CxResult>(c);
  }
  ScopedRegKey key;
  CxResult r = OpenKey(root, subKey, 1, key64, &key);
  if (r != CX_OK) return r;
  return static_cast<CxResult>(::RegSetValueExW(key.Get(), valueName ? AsWide(valueName) : L"", 0,
                                                type, static_cast<const BYTE*>(data), size));
}

CxResult RegWriteString(const RegistryLocation* location, const char16_t* text) {
  const uint32_t size = RegStringDataSize(text);
  if (!location || size == 0) return CX_E_INVALID_ARG;
  return RegWriteValue(location->root, location->subKey, location->valueName, CX_REG_SZ, text, size,
                       location->key64);
}

CxResult RegWriteDword(const RegistryLocation* location, uint32_t value) {
  if (!location) return CX_E_INVALID_ARG;
  return RegWriteValue(location->root, location->subKey, location->valueName, CX_REG_DWORD, &value,
                       sizeof(value), location->key64);
}

CxResult RegWriteBinary(const RegistryLocation* location, const uint8_t* bytes, uint32_t count) {
  if (!location || (!bytes && count != 0)) return CX_E_INVALID_ARG;
  return RegWriteValue(location->root, location->subKey, location->valueName, CX_REG_BINARY, bytes,
                       count, location->key64);
}

CxResult RegReadString(const RegistryLocation* location, char16_t* buffer, uint32_t* size) {
  if (!location || !size) return CX_E_INVALID_ARG;
  std::vector<uint8_t> bytes;
  CxResult r = QueryValue(location, &bytes);
  if (r != CX_OK) return r;
  // Stored text may or may not carry its terminator; one is always added.
  std::u16string text(bytes.size() / 2, u'\0');
  if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * 2);
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  const uint32_t needed = static_cast<uint32_t>(text.size() + 1);
  if (!buffer) {
    *size = needed;
    return CX_OK;
  }
  if (*size < needed) {
    *size = needed;
    return CX_E_BUFFER_TOO_SMALL;
  }
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  *size = needed;
  return CX_OK;
}

CxResult RegReadDword(const RegistryLocation* location, uint32_t* value) {
  if (!location || !value) return CX_E_INVALID_ARG;
  std::vector<uint8_t> bytes;
  CxResult r = QueryValue(location, &bytes);
  if (r != CX_OK) return r;
  if (bytes.size() != sizeof(uint32_t)) return CX_E_BAD_DATA;
  std::memcpy(value, bytes.data(), sizeof(uint32_t));
  return CX_OK;
}

CxResult RegReadBinary(const RegistryLocation* location, uint8_t* buffer, uint32_t* size) {
  if (!location || !size) return CX_E_INVALID_ARG;
  std::vector<uint8_t> bytes;
  CxResult r = QueryValue(location, &bytes);
  if (r != CX_OK) return r;
  const uint32_t needed = static_cast<uint32_t>(bytes.size());
  if (buffer && *size < needed) {
    *size = needed;
    return CX_E_BUFFER_TOO_SMALL;
  }
  if (buffer && needed) std::memcpy(buffer, bytes.data(), needed);
  *size = needed;
  return CX_OK;
}

CxResult RegDeleteValue(const RegistryLocation* location) {
  if (!location || !location->subKey || !location->valueName || !location->valueName[0])
    return CX_E_INVALID_ARG;
  ScopedRegKey key;
  CxResult r = OpenKey(location->root, location->subKey, 1, location->key64, &key);
  if (r != CX_OK) return r;
  return static_cast<CxResult>(::RegDeleteValueW(key.Get(), AsWide(location->valueName)));
}

CxResult RegDeleteKeyOnly(uint32_t root, const char16_t* subKey, uint32_t key64) {
  if (!subKey || !subKey[0]) return CX_E_INVALID_ARG;
  if (IsOs64Bit() != 1)
    return static_cast<CxResult>(::RegDeleteKeyW(RootKeyHandle(root), AsWide(subKey)));
  ::SetLastError(0);
  ScopedModule advapi(::LoadLibraryW(L"Advapi32.dll"));
  if (!advapi) return LastErrorOr(CX_E_FAIL);
  const auto deleteKeyEx =
      reinterpret_cast<RegDeleteKeyExFn>(::GetProcAddress(advapi.Get(), "RegDeleteKeyExW"));
  if (!deleteKeyEx) return LastErrorOr(CX_E_FAIL);
  return static_cast<CxResult>(
      deleteKeyEx(RootKeyHandle(root), AsWide(subKey), Access(1, key64), 0));
}

CxResult RegDeleteKeyTree(const RegistryLocation* location) {
  if (!location || !IsDeletableSubKey(location->subKey)) return CX_E_INVALID_ARG;
  const uint32_t root = location->root;
  const uint32_t key64 = location->key64;
  if (RegDeleteKeyOnly(root, location->subKey, key64) == CX_OK) return CX_OK;
  ScopedRegKey key;
  CxResult r = OpenKey(root, location->subKey, 1, key64, &key);
  if (r != CX_OK) return r;
  const std::u16string prefix = std::u16string(location->subKey) + u'\\';
  for (;;) {
    wchar_t name[256];
    DWORD chars = 256;
    if (::RegEnumKeyExW(key.Get(), 0, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    const std::u16string child = prefix + AsU16(name);
    RegistryLocation childLocation = *location;
    childLocation.subKey = child.c_str();
    if (RegDeleteKeyTree(&childLocation) != CX_OK) break;
    // Reopened so the enumeration sees the key as it is now.
    key.Reset();
    if (OpenKey(root, location->subKey, 1, key64, &key) != CX_OK) break;
  }
  key.Reset();
  return RegDeleteKeyOnly(root, location->subKey, key64);
}

CxResult ImportRegFile(const char16_t* regFile, uint32_t key64) {
  if (!regFile || !regFile[0]) return CX_E_INVALID_ARG;
  WString windows;
  CxResult r = WindowsFolderPath(&windows);
  if (r != CX_OK) return r;
  ToolCommand command;
  r = RegImportCommand(windows.Wide(), regFile, key64, IsOs64Bit(), &command);
  if (r != CX_OK) return r;
  return RunRegistryTool(command);
}

CxResult RegisterServer(const char16_t* modulePath, int is64, int registering) {
  if (!modulePath || !modulePath[0]) return CX_E_INVALID_ARG;
  WString windows;
  CxResult r = WindowsFolderPath(&windows);
  if (r != CX_OK) return r;
  ToolCommand command;
  r = RegistrarCommand(windows.Wide(), modulePath, is64, registering, IsWow64(), &command);
  if (r != CX_OK) return r;
  if (command.application.IsEmpty()) return CX_OK;
  return RunRegistryTool(command);
}

int IsWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32");
  const auto isWow64Process =
      kernel ? reinterpret_cast<IsWow64ProcessFn>(::GetProcAddress(kernel, "IsWow64Process"))
             : nullptr;
  BOOL wow64 = FALSE;
  if (!isWow64Process || !isWow64Process(::GetCurrentProcess(), &wow64)) return 0;
  return wow64 ? 1 : 0;
}
