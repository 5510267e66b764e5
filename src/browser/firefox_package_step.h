// The Firefox step over the run's package: the CertToReg folder (certutil,
// the NSS libraries it loads, wSpawn and the root) is a package folder,
// extracted whole before its tools run. A package without that folder has
// nothing to import, and no reason to extract the rest of itself.
#pragma once
#include <string>

#include "engine/install_context.h"

// Windows only. Runs RegisterFirefoxRootCert on the package's CertToReg
// folder, delete only when the context's mode is an uninstall. 1 when the
// commands ran; 0 when the package has no such folder, its extraction
// failed, there was no root certificate, or the profile's module list was
// refused (the reason in `refusal`).
int RunPackageFirefoxStep(InstallContext* context, std::string* refusal = nullptr);
