// The package inside a setup program (resource type 256, id 170), found in
// the program's bytes so that list, extract and plan read a built setup as
// they read an archive.
#pragma once
#include <cstddef>
#include <string>

#include "package/byte_reader.h"

// True when `file` starts like a Windows program ("MZ").
bool IsProgramFile(ByteSpan file);

// Finds the package's bytes: true with `offset` and `size` (inside `file`),
// else false with `reason` and both untouched.
bool FindSetupPackage(ByteSpan file, size_t* offset, size_t* size, std::string* reason);
