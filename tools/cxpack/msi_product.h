// What `cxpack msi` reads from the package's script: the five SetupInfo
// values, of which the MSI names the product by four (InstallDir must be
// there too, or the setup would refuse to run).
#pragma once
#include <cstdint>
#include <string>

#include "msi_tables.h"

// Reads the expanded SetupInfo of the script at `scriptPath` into `product`
// (its code page set to `codePage`) and checks it against what an MSI can
// hold. On failure returns false with `reason` and leaves `product` untouched.
bool ReadMsiProduct(const std::string& scriptPath, uint32_t codePage, MsiProduct* product,
                    std::string* reason);
