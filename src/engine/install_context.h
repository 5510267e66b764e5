// InstallContext: what every action is handed: the run mode, the silent flag
// and the product's identity and folders read from the package.
#pragma once
#include <cstdint>

#include "common/ref_counted.h"
#include "common/wstring.h"

class PackageStore;

// Run modes, chosen from the command line.
enum RunMode : int32_t {
  kModeUnset = -1,
  kModeInstall = 0,
  kModeRepair = 1,
  kModeUpgrade = 2,
  kModeUninstallLauncher = 3,  // only relaunches a temporary copy
  kModeUninstall = 4,
};

struct InstallContext : RefCounted {
  int32_t mode = kModeInstall;
  uint32_t silent = 0;
  WString idText;
  WString productCode;
  WString productName;
  WString publisher;
  uint32_t version[4] = {0, 0, 0, 0};  // major, minor, build, revision
  WString installDir;
  WString packageFolder;  // ends with a backslash once set
  // The package's files, extracted on demand; null when everything is on
  // disk already. Actions reach it through engine/package_paths.h.
  PackageStore* package = nullptr;
};
