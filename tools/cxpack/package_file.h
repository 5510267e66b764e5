// A package file of either kind, as `cxpack pack` writes it: the archive, or
// with --compress the compressed package. It is mapped, not read (packages
// run to hundreds of MiB), and read exactly as the setup program reads it:
// the whole table checked, a compressed package's frames all decoded once.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "package/compressed_package.h"
#include "package/package_archive.h"

class PackageFile {
 public:
  // Maps `path` and reads its table, names in `codePage` (kPackAsciiOnly:
  // the system ANSI code page). False with `reason` when it is neither kind
  // or damaged.
  bool Open(const std::string& path, uint32_t codePage, std::string* reason);
  bool IsCompressed() const { return compressed_ != nullptr; }
  const std::vector<PackageEntry>& Entries() const { return entries_; }
  // PackageArchive::Extract for either kind (the archive's files copied by
  // the kernel, file to file).
  bool Extract(const std::u16string& filter, const std::u16string& destination, std::string* reason);
  // The bytes of the file entry at `path` (compared ignoring case), or
  // false when there is none or it cannot be read.
  bool ReadFile(const std::u16string& path, std::string* bytes);

 private:
  MappedFile bytes_;
  PackageArchive archive_;
  std::unique_ptr<CompressedPackage> compressed_;
  std::vector<PackageEntry> entries_;
};
