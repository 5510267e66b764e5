// Reads the installed version from the product's uninstall entry.
#include "platform/uninstall_registration.h"

#include "common/version_number.h"
#include "platform/registry.h"

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
