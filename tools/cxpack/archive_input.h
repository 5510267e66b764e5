// What list, extract and plan read: a package of either kind (the archive
// or the compressed package), or the package inside a setup program, mapped rather than read (packages run to hundreds
// of MiB).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "package/compressed_package.h"
#include "package/package_archive.h"

struct ArchiveInput {
  MappedFile file;
  size_t base = 0;  // where the archive starts in the file
  size_t size = 0;  // and its length
  PackageArchive archive;
  std::unique_ptr<CompressedPackage> compressed;  // set for a compressed package
  std::vector<PackageEntry> entries;
  bool isSetup = false;
};

// Opens `path` and reads its file table; `codePage` 0 leaves the names in
// the system ANSI code page. False with `reason` on failure.
bool OpenArchiveInput(const std::string& path, uint32_t codePage, ArchiveInput* in, std::string* reason);

// The bytes of the entry whose path is `path` (compared ignoring case).
// False when there is none.
bool ReadArchiveEntry(const ArchiveInput& in, const std::u16string& path, std::string* bytes);
