// Reading the restart operations list in the registry, and taking our own
// entries back out of it without losing anyone else's.
#include <windows.h>

#include "common/win_handles.h"
#include "platform/pending_renames.h"

namespace {
const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kValue[] = L"PendingFileRenameOperations";
// Readings before a removal gives up on a value that keeps changing.
constexpr int kTakeBackTries = 8;
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

CxResult PendingDeleteOf(const char16_t* path, PendingRename* out) {
  if (!path || !*path || !out) return CX_E_INVALID_ARG;
  wchar_t full[MAX_PATH];
  const DWORD n = GetFullPathNameW(AsWide(path), MAX_PATH, full, nullptr);
  if (n == 0) return GetLastError() ? GetLastError() : CX_E_FAIL;
  if (n >= MAX_PATH) return CX_WIN_ERROR_FILENAME_EXCED_RANGE;
  PendingRename entry;
  entry.source = ToNtPath(AsU16(full));
  *out = entry;
  return CX_OK;
}

CxResult TakeBackOwnPendingRenames(const std::vector<PendingRename>& ours,
                                   const std::function<void()>& betweenReadings) {
  std::vector<PendingRename> read;
  CxResult r = ReadPendingRenames(&read);
  for (int attempt = 0; r == CX_OK && attempt < kTakeBackTries; ++attempt) {
    std::vector<PendingRename> kept = read;
    if (!TakeBackPendingRenames(&kept, ours)) return CX_OK;
    if (betweenReadings) betweenReadings();
    std::vector<PendingRename> now;
    r = ReadPendingRenames(&now);
    if (r != CX_OK) break;
    if (now == read) return WritePendingRenames(kept);
    read = std::move(now);
  }
  return r != CX_OK ? r : CX_E_FAIL;
}
