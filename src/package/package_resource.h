// Reading the package embedded in a program file as resource type 256
// (id 170 for the setup's package) into a private copy.
#pragma once
#include <cstdint>
#include <string>

#include "common/result_codes.h"

constexpr uint32_t kPackageResourceType = 256;
constexpr uint32_t kPackageResourceId = 170;

// Copies resource (type 256, `id`) of `module` (an HMODULE; null for the
// running program) into `bytes`. Returns 0, CX_E_MISSING when there is no
// such resource, CX_E_BAD_DATA when it is empty, or the Windows error;
// `bytes` is untouched on failure. Windows only.
CxResult ReadPackageResource(uint32_t id, std::string* bytes, void* module = nullptr);
