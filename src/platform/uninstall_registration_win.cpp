// Reads the installed version from the product's uninstall entry, and
// marks the entry while an install runs.
#include "platform/uninstall_registration.h"

#include "common/version_number.h"
#include "common/win_handles.h"
#include "platform/registry.h"

namespace {
RegistryLocation MarkLocation(const WString& subKey) {
  RegistryLocation location;
  location.root = CX_HKEY_LOCAL_MACHINE;
  location.subKey = subKey.Wide();
  location.valueName = kUnfinishedInstallValue;
  location.key64 = 0;
  return location;
}

// True when the key holds no value and no subkey.
bool IsEmptyKey(const WString& subKey) {
  ScopedRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.W(), 0, KEY_READ | KEY_WOW64_32KEY,
                      key.Receive()) != ERROR_SUCCESS)
    return false;
  DWORD subkeys = 0, values = 0;
  return ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}
}  // namespace

CxResult ReadInstalledVersion(const char16_t* productKey, uint32_t version[4]) {
  if (!version) return CX_E_INVALID_ARG;
  WString subKey;
  CxResult r = UninstallKeyPath(productKey, &subKey);
  if (r != CX_OK) return r;
  RegistryLocation location;
  location.root = CX_HKEY_LOCAL_MACHINE;
  location.subKey = subKey.Wide();
  location.valueName = u"DisplayVersion";
  location.key64 = 0;
  char16_t text[CX_DISPLAY_VERSION_CHARS] = {};
  uint32_t size = CX_DISPLAY_VERSION_CHARS;
  r = RegReadString(&location, text, &size);
  if (r != CX_OK) return r;
  uint64_t value = 0;
  uint32_t parts[4] = {0, 0, 0, 0};
  // Text that is no four-part version counts as 0.0.0.0, so any real
  // package version is an upgrade of it.
  if (ParseVersionString(text, &value) == CX_DONE) VersionParts(value, parts);
  for (int i = 0; i < 4; ++i) version[i] = parts[i];
  return CX_OK;
}

CxResult MarkInstallUnfinished(const char16_t* productKey) {
  WString subKey;
  CxResult r = UninstallKeyPath(productKey, &subKey);
  if (r != CX_OK) return r;
  const RegistryLocation location = MarkLocation(subKey);
  return RegWriteDword(&location, 1);
}

CxResult ClearInstallUnfinished(const char16_t* productKey) {
  WString subKey;
  CxResult r = UninstallKeyPath(productKey, &subKey);
  if (r != CX_OK) return r;
  const RegistryLocation location = MarkLocation(subKey);
  r = RegDeleteValue(&location);
  if (r == CX_WIN_ERROR_FILE_NOT_FOUND) return CX_OK;
  if (r != CX_OK) return r;
  // A script that writes no entry of its own leaves nothing behind.
  if (IsEmptyKey(subKey)) RegDeleteKeyOnly(CX_HKEY_LOCAL_MACHINE, subKey.Wide(), 0);
  return CX_OK;
}

int IsInstallUnfinished(const char16_t* productKey) {
  WString subKey;
  if (UninstallKeyPath(productKey, &subKey) != CX_OK) return 0;
  const RegistryLocation location = MarkLocation(subKey);
  uint32_t value = 0;
  return RegReadDword(&location, &value) == CX_OK ? 1 : 0;
}
