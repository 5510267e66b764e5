// The package embedded in a program file as resource type 256 (id 170 for
// the setup's package), or type 257 for a compressed package: viewed where
// the loader mapped it, or copied.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/result_codes.h"

constexpr uint32_t kPackageResourceType = 256;
constexpr uint32_t kPackageResourceId = 170;

// Points `data` and `size` at resource (`type`, `id`) of `module` (an
// HMODULE; null for the running program), without copying: the bytes are
// read-only and live as long as the module. Returns 0, CX_E_MISSING when
// there is no such resource, CX_E_BAD_DATA when it is empty, or the Windows
// error; the outs are untouched on failure. Windows only.
CxResult ViewPackageResource(uint32_t id, const void** data, size_t* size, void* module = nullptr,
                             uint32_t type = kPackageResourceType);

// The same bytes copied into `bytes`, for tools that outlive the module.
CxResult ReadPackageResource(uint32_t id, std::string* bytes, void* module = nullptr);
