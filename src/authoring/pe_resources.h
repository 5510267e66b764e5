// A program's resources as a flat list (type, name, language, bytes), read
// from and written to the bytes of a PE resource section. Portable: used by
// `cxpack build` to replace the package and the version record of a stub.
//
// Reading is strict (the section comes from a user's file):
//   - the tree has exactly three levels (type, name, language); a directory
//     where data is due, or data where a directory is due, fails;
//   - every directory, name string and data entry lies inside the section's
//     bytes, and so does every resource's data (its RVA minus the section's);
//   - at most kPeMaxResources resources and kPeMaxResourceDirectories
//     directories are visited, so a tree whose entries share subdirectories
//     cannot multiply the work;
//   - a name is at most kPeMaxResourceNameChars UTF-16 units.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "package/byte_reader.h"

constexpr size_t kPeMaxResources = 16384;
constexpr size_t kPeMaxResourceDirectories = 4096;
constexpr size_t kPeMaxResourceNameChars = 256;

constexpr uint16_t kResourceTypeIcon = 3;
constexpr uint16_t kResourceTypeDialog = 5;
constexpr uint16_t kResourceTypeGroupIcon = 14;
constexpr uint16_t kResourceTypeVersion = 16;
constexpr uint16_t kResourceTypeManifest = 24;

// A type or name: a number, or a text when `text` isn't empty.
struct ResourceKey {
  uint16_t id = 0;
  std::u16string text;

  static ResourceKey Id(uint16_t v) { return {v, {}}; }
  bool IsText() const { return !text.empty(); }
  bool operator==(const ResourceKey& o) const { return id == o.id && text == o.text; }
  // Texts before numbers; texts by UTF-16 units, numbers ascending: the
  // order the loader's binary search expects.
  bool operator<(const ResourceKey& o) const;
};

struct PeResource {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::string data;
  // Bytes owned elsewhere, used instead of `data` when set: a package of
  // hundreds of MiB is not copied on its way into the section.
  ByteSpan view;

  ByteSpan Bytes() const { return view.data ? view : ByteSpan(data); }
};

// Reads the tree whose root is at the start of `section` (the section's
// bytes, mapped at `sectionRva`). On failure returns CX_E_BAD_DATA with
// `error` saying why and leaves `resources` untouched.
CxResult ReadResourceSection(ByteSpan section, uint32_t sectionRva, std::vector<PeResource>* resources,
                             std::string* error);

// Appends to `out` the bytes of a resource section to be mapped at
// `sectionRva`, holding
// `resources` (sorted here by type, name and language; two with the same
// three keys are a caller's error and both are kept). Deterministic: no
// time stamps, directories first, then data entries, names and data, each
// resource's data 8-byte aligned. Fails with CX_E_BAD_DATA when the section
// would reach 4 GiB; `out` is untouched then.
CxResult BuildResourceSection(std::vector<PeResource> resources, uint32_t sectionRva,
                              std::string* out, std::string* error);
