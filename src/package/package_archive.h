// The embedded package archive: a folder tree stored uncompressed, with a
// table per folder at the end of the folder's region and the top-level table
// plus the marker "This is a file list ." at the end of the archive. All
// integers are u32 little-endian; tables are read backwards from their end.
//
// An entry's absolute offset is its stored offset plus the table's base in
// u32 arithmetic (the sum wraps); the bounds checks apply to that sum.
//
// Reading is strict, because the bytes come from a file a user may have
// tampered with:
//   - every file entry's data and every folder's region lie inside the
//     archive, and a folder's region lies before its parent's table, inside
//     the parent's region (so a table cannot contain itself);
//   - folders nest at most kPackageMaxFolderDepth levels (a top-level folder
//     is level 1), and no two entries may share table bytes, so the work
//     stays in proportion to the archive's size;
//   - an entry count that cannot fit in the bytes before the table is
//     rejected before anything is allocated;
//   - an entry name that is empty, holds '\', '/', ':', "..", or a control
//     character, or is ".", fails the whole archive (no path can leave the
//     destination folder).
// Portable: extraction creates folders and writes files through file_io.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/codepage.h"

constexpr char kPackageMarker[] = "This is a file list .";
constexpr uint32_t kPackageMaxTextLength = 259;   // marker and name lengths stay below 260
constexpr uint32_t kPackageFolderFlag = 0x80;     // top level: flags == 0x80; below: bit 7 set
constexpr int kPackageMaxFolderDepth = 64;        // nesting levels, top-level folder included
constexpr size_t kPackageEntryFixedBytes = 13;    // offset, size, flags, name length
constexpr size_t kPackageTableFixedBytes = 8;     // base and entry count

// One extracted item. An empty folder is listed with a path ending in '\'.
struct PackageEntry {
  std::u16string name;        // converted from the stored 8-bit name
  std::u16string path;        // relative to the package folder, '\'-separated
  uint32_t size = 0xFFFFFFFF;
  uint32_t offset = 0xFFFFFFFF;  // absolute, from the start of the archive
  uint8_t flags = 0;
};

// True when `name` (one path component, already decoded) is safe to use as
// a file or folder name below the destination. Shared with the writer.
bool IsSafePackageName(const std::u16string& name);

// Writes one file entry's bytes to `path` (its folders exist by then).
using PackageFileWriter =
    std::function<CxResult(const PackageEntry& entry, const std::u16string& path)>;

// Extraction as both package kinds do it: writes the listed entries below
// `destination` (an existing folder, with or without a final separator),
// creating the folders they need, each file through `writeFile`. With a
// nonempty `filter` only the first entry whose path equals it ignoring
// ASCII case is extracted; no match fails. A file entry with bit 7 of its
// flags set is never written and fails the extraction; so does an unsafe
// path or an empty destination. Files written before a failure stay.
bool ExtractPackageEntries(const std::vector<PackageEntry>& entries, const std::u16string& filter,
                           const std::u16string& destination, const PackageFileWriter& writeFile,
                           std::string* reason = nullptr);

class PackageArchive {
 public:
  // Views `size` bytes at `data` (not copied: they must outlive the reads).
  // Both must be nonzero and size below 4 GiB; returns false otherwise.
  bool Attach(const void* data, size_t size);
  bool IsAttached() const { return data_ != nullptr; }
  // Code page of the stored names; the system ANSI code page by default.
  void SetNameCodePage(uint32_t codePage) { codePage_ = codePage; }
  // Writes one extracted file from the archive's bytes [offset, offset+size);
  // by default from the attached memory. A tool that has the archive open
  // as a file may copy the region in the kernel instead.
  using EntryFileWriter =
      std::function<CxResult(const std::u16string& path, uint32_t offset, uint32_t size)>;
  void SetEntryFileWriter(EntryFileWriter writer) { entryWriter_ = std::move(writer); }

  // Lists files depth-first, each folder's entries in reading order, plus
  // one entry per empty folder. On failure returns false, leaves `entries`
  // untouched and, when `reason` is given, says what was wrong.
  bool ReadFileTable(std::vector<PackageEntry>* entries, std::string* reason = nullptr) const;

  // ExtractPackageEntries from the attached bytes; a file whose data lies
  // outside the archive is never written and fails the extraction.
  bool Extract(const std::vector<PackageEntry>& entries, const std::u16string& filter,
               const std::u16string& destination, std::string* reason = nullptr) const;

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  uint32_t codePage_ = CX_CP_ANSI;
  EntryFileWriter entryWriter_;
};

// Case-insensitive (ASCII letters) equality of two entry paths.
bool PackagePathEquals(const std::u16string& a, const std::u16string& b);
