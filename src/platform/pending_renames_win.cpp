// Reading and writing the restart operations list in the registry.
#include <windows.h>

#include "common/win_handles.h"
#include "platform/pending_renames.h"

namespace {
const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kValue[] = L"PendingFileRenameOperations";
}  // namespace

CxResult ReadPendingRenames(std::vector<PendingRename>* out) {
  if (!out) return CX_E_INVALID_ARG;
  ScopedRegKey key;
  LONG r = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.Receive());
  if (r != ERROR_SUCCESS) return static_cast<CxResult>(r);
  DWORD type = 0, size = 0;
  r = RegQueryValueExW(key.Get(), kValue, nullptr, &type, nullptr, &size);
  if (r == ERROR_FILE_NOT_FOUND) {
    out->clear();
    return CX_OK;
  }
  if (r != ERROR_SUCCESS) return static_cast<CxResult>(r);
  std::vector<uint8_t> bytes(size);
  if (size) {
    r = RegQueryValueExW(key.Get(), kValue, nullptr, &type, bytes.data(), &size);
    if (r != ERROR_SUCCESS) return static_cast<CxResult>(r);
  }
  return ParsePendingRenames(bytes.data(), size, out);
}

CxResult WritePendingRenames(const std::vector<PendingRename>& entries) {
  ScopedRegKey key;
  LONG r = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.Receive());
  if (r != ERROR_SUCCESS) return static_cast<CxResult>(r);
  if (entries.empty()) {
    r = RegDeleteValueW(key.Get(), kValue);
    return r == ERROR_FILE_NOT_FOUND ? CX_OK : static_cast<CxResult>(r);
  }
  std::vector<uint8_t> bytes = BuildPendingRenames(entries);
  r = RegSetValueExW(key.Get(), kValue, 0, REG_MULTI_SZ, bytes.data(),
                     static_cast<DWORD>(bytes.size()));
  return static_cast<CxResult>(r);
}
