// The installed-version state read from the product's uninstall entry.
#include "app/run_policy.h"

#include "platform/uninstall_registration.h"

InstalledState ProductInstalledState(const char16_t* productKey, const char16_t* packageVersion) {
  if (IsInstallUnfinished(productKey)) return kInstallUnfinished;
  uint32_t installed[4] = {0, 0, 0, 0};
  const CxResult read = ReadInstalledVersion(productKey, installed);
  return InstalledVersionState(read, installed, packageVersion);
}
