// The library's per-process shared block: its layout, the name of the
// mapping, and the object names built from the private namespace it
// records.
//
// The block is a named 1024-byte mapping whose name carries the process id:
// a record of the library's private namespace that the process writes out
// and never reads back, since anyone in the session could have made it.
// Layout and naming are portable; attaching and detaching are Windows only
// (shared_block_win.cpp).
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result_codes.h"

constexpr size_t kSharedBlockMappingSize = 1024;
constexpr size_t kSharedBlockNameSize = 128;  // bytes for each formatted name
constexpr size_t kSharedBlockTextSize = 260;
constexpr const char kSharedBlockGuid[] = "D1F14A9F-D7A0-4a22-9EE9-19DC2078C280";
constexpr const char kBoundaryName[] = "BOUNDARY_D1F14A9F-D7A0-4a22-9EE9-19DC2078C280";
constexpr const char kNamespaceName[] = "NAMESPACE_D1F14A9F-D7A0-4a22-9EE9-19DC2078C280";
// Prefix for object names outside the private namespace.
constexpr const char kGlobalObjectPrefix[] = "Global";
constexpr const char kMutexTypeSuffix[] = "\\Mutex";
constexpr size_t kObjectNameSize = 260;

// The used first 536 bytes of the block. Handles are 32-bit: the program is
// a 32-bit process.
struct SharedBlockData {
  uint32_t kernel32Module;
  uint32_t boundaryDescriptor;  // 0 = none
  uint32_t privateNamespace;    // 0 = none
  char boundaryName[kSharedBlockTextSize];
  char namespaceName[kSharedBlockTextSize];
  int32_t attachCount;
};
static_assert(sizeof(SharedBlockData) == 536, "shared block layout is fixed");
static_assert(offsetof(SharedBlockData, namespaceName) == 272, "shared block layout is fixed");
static_assert(offsetof(SharedBlockData, attachCount) == 532, "shared block layout is fixed");

// "Local\ZizorarA2_MapFile_<guid>_<pid>" into kSharedBlockNameSize bytes.
void FormatSharedBlockName(uint32_t processId, char* mappingName);

// prefix + suffix + name, cut to `size` bytes with the terminator. 1 when
// the whole name fitted, 0 when it was cut (or for a null/empty buffer).
int JoinObjectName(const char* prefix, const char* suffix, const char* name, char* out,
                   size_t size);

// Windows only. Attaches the calling module to the library (creating the
// private namespace and publishing the block on the process's first attach)
// and optionally copies the record out: the process's own, never the
// block's bytes. 0 or the Windows error; `copy` is untouched on failure.
CxResult AttachSharedBlock(SharedBlockData* copy);
// Counts one attach off; the last one closes the private namespace.
CxResult DetachSharedBlock();
