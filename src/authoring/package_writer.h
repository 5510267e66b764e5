// Producing package archives (the format read by package_archive.h): from an
// in-memory tree, or from a folder on disk. Used by the cxpack tool and by
// tests. Output is deterministic: the same tree gives the same bytes (no
// timestamps; folder contents sorted bytewise by stored name).
//
// Layout: each folder's region holds its children (file bytes and subfolder
// regions, in entry order) followed by its table, whose base is the region's
// start; the top-level table (base 0) and the marker come last.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"

// One file or folder to store. `name` is the stored 8-bit name.
struct PackNode {
  std::string name;
  bool isFolder = false;
  std::string data;               // a file's bytes, unless sourcePath is set
  std::u16string sourcePath;      // a file read while the archive is written
  std::vector<PackNode> children; // a folder's entries, entry 0 first
  uint8_t flags = 0;              // 0: 0x80 for folders, 0 for files; else stored as given
};

// Code page argument meaning "none given": only ASCII names are accepted.
constexpr uint32_t kPackAsciiOnly = 0;

// Builds the archive for the given top-level entries, in the given order.
// Fails (CX_E_BAD_DATA, `error` says why) when the archive would reach 4 GiB
// or a name is empty or 260 bytes or longer; `archive` is untouched then.
CxResult BuildPackageArchive(const std::vector<PackNode>& topLevel, std::string* archive,
                             std::string* error);

// Reads the folder `dir` (its contents become the top level) into a tree of
// names and source paths (file bytes are read when the archive is written),
// names encoded in `codePage` (kPackAsciiOnly, 936, 1252, ...), each folder
// sorted bytewise. Only regular files and folders are accepted. A name that
// needs a code page and got none, that the code page cannot hold, that is
// unsafe for extraction (see IsSafePackageName) or that clashes with a
// sibling ignoring case fails with `error` naming the file.
CxResult LoadPackTree(const std::u16string& dir, uint32_t codePage, std::vector<PackNode>* tree,
                      std::string* error);

// LoadPackTree followed by BuildPackageArchive.
CxResult PackFolder(const std::u16string& dir, uint32_t codePage, std::string* archive,
                    std::string* error);
// The same written straight to the file `output`, streaming each packaged
// file from disk, so memory use stays small whatever the package's size.
// On failure the partly written output is removed; CX_E_OPEN_FAILED means
// the output could not be created or written, CX_E_BAD_DATA the tree.
CxResult PackFolderToFile(const std::u16string& dir, uint32_t codePage,
                          const std::u16string& output, std::string* error);
