// PackageStore: the package folder, filled from the embedded package only as
// far as the run needs it. The package is viewed where it lies (the
// program's own read-only resource, never copied), and its whole table is
// read and checked when the store opens, so a damaged package still fails
// before any action runs. It is an archive (package_archive.h) or a
// compressed package (compressed_package.h), whose frames' checksums are
// moreover all checked at open; its files are decoded on their way to disk.
//
// What lands on disk, and when:
//   - the script, when the package loads (ExtractFile);
//   - a folder of the package, whole (its files and every folder below it),
//     the first time anything other than a File copy needs a path inside it
//     (EnsurePath). The folder is the deepest folder of the archive that
//     holds the path; a path naming a folder extracts that folder. A path
//     right in PackageFiles therefore extracts the whole package;
//   - nothing for a File copy whose source is not extracted by the store:
//     its bytes are written straight from the package into the destination
//     (FindUnextracted, ListFolder, Stream).
// The store trusts only what it wrote itself in this run, and it keeps
// track of that in memory: every file and folder is created new (a name
// already taken on disk fails the extraction, whoever put it there) and
// stays held (platform/held_file.h) until Close, so nobody can change,
// rename or delete it while the run may use it.
//
// Paths given to the store are absolute (inside Folder()) with '\' or '/'
// separators, repeated separators, "." and ".." allowed; letters compare
// ignoring ASCII case. Not thread-safe: one thread at a time.
// Portable: extraction goes through file_io.h.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/byte_sink.h"
#include "common/result_codes.h"
#include "package/compressed_package.h"
#include "package/package_archive.h"
#include "platform/held_file.h"

enum class PackageKind { kArchive, kCompressed };

class PackageStore {
 public:
  // A file inside the package, for Stream.
  struct ArchiveFile {
    uint32_t offset = 0;  // in the archive, or in the compressed package's content
    uint32_t size = 0;
  };
  // One item below a folder: `path` relative to that folder, '\'-separated;
  // a folder (listed only when empty in the archive) ends with '\'.
  struct TreeItem {
    std::u16string path;
    ArchiveFile file;
  };

  // Views `size` bytes at `data` (not copied: they must outlive the store),
  // a package of the given kind with names in `codePage`, and reads the
  // whole table (and checks a compressed package's checksums). `folder` is the
  // package folder (absolute, existing). False with `reason` on a damaged
  // archive or an empty folder; the store is then left as it was. Opening
  // the same bytes on the same folder again keeps what was extracted.
  bool Open(const void* data, size_t size, uint32_t codePage, const std::u16string& folder,
            std::string* reason = nullptr, PackageKind kind = PackageKind::kArchive);
  bool IsOpen() const { return open_; }
  const std::u16string& Folder() const { return folder_; }

  // Extracts the one file entry at `path` (absolute, or relative to the
  // package folder) unless the store did already. 0, CX_E_MISSING when no
  // file entry has that path, or CX_E_FAIL when a write fails or a name on
  // the way is taken by something the store did not make.
  CxResult ExtractFile(const std::u16string& path);

  // Makes `path` and everything beside it usable on disk (see above). 0 also
  // for a path outside the package folder or a closed store (nothing to
  // do); CX_E_FAIL when an extraction fails. Entries already written stay
  // written, and a retry writes the rest.
  CxResult EnsurePath(const std::u16string& path);
  // The same for every package path a command line names: each occurrence
  // of the package folder up to the next '"', '<', '>' or '|' (or the end).
  CxResult EnsurePathsIn(const std::u16string& text);

  // True, with the file, when `path` is a file entry the store has not
  // extracted (whatever lies at that path on disk); false otherwise (out
  // untouched).
  bool FindUnextracted(const std::u16string& path, ArchiveFile* file) const;
  // True when the store extracted the archive folder `path` whole.
  bool IsExtractedFolder(const std::u16string& path) const;
  // Hands a file's bytes to `sink` in order: 0, CX_E_BAD_DATA when they are
  // not the package's to give, CX_E_FAIL when the sink said stop.
  CxResult Stream(const ArchiveFile& file, const ByteSink& sink);

  // A way to the package's files of its own, for a thread that writes some
  // of them while others write the rest: a compressed package's reader
  // decodes with a window of its own. It must not outlive the store, and
  // the store must stay as it is meanwhile.
  class Reader {
   public:
    // As PackageStore::Stream.
    CxResult Stream(const ArchiveFile& file, const ByteSink& sink);

   private:
    friend class PackageStore;
    const uint8_t* data_ = nullptr;  // an archive's bytes
    size_t size_ = 0;
    std::unique_ptr<ContentReader> content_;  // a compressed package's
    uint64_t contentSize_ = 0;
  };
  // Null when the store is closed. Stream's own decoding starts over after.
  std::unique_ptr<Reader> NewReader();
  // True when a Reader starts at `file` without decoding anything before
  // it: any file of an archive, the first of a compressed frame.
  bool ReadsFreshAt(const ArchiveFile& file) const;
  // True when `path` names a folder of the archive.
  bool IsArchiveFolder(const std::u16string& path) const;
  // The files and empty folders below the archive folder `path`, in archive
  // order. False (out untouched) when `path` is no archive folder.
  bool ListFolder(const std::u16string& path, std::vector<TreeItem>* items) const;

  // `path` relative to the package folder, normalised ('\'-separated, no
  // empty, "." or ".." parts; empty for the folder itself). False when the
  // path lies outside the folder.
  bool RelativePath(const std::u16string& path, std::u16string* relative) const;

  // Lets go of every file and folder held and closes the store: the run no
  // longer needs them, and the folder can be deleted.
  void Close();

 private:
  CxResult EnsureFolder(const std::u16string& key);
  // Writes the entries (files and empty folders) with the folders they
  // need; stops at the first failure.
  CxResult WriteEntries(const std::vector<size_t>& indexes);
  ArchiveFile FileAt(size_t index) const;

  PackageArchive archive_;
  std::unique_ptr<CompressedPackage> compressed_;  // set for a compressed package
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool open_ = false;
  std::u16string folder_;
  std::vector<std::u16string> folderParts_;
  std::vector<PackageEntry> entries_;
  std::vector<std::u16string> keys_;           // per entry: relative path, ASCII-folded, no final '\'
  std::vector<uint8_t> state_;                 // per entry: untouched or extracted
  std::unordered_map<std::u16string, size_t> files_;   // folded key -> entry index
  std::unordered_set<std::u16string> folders_;         // folded keys of every archive folder
  std::unordered_set<std::u16string> ensured_;         // folders extracted whole
  std::unordered_set<std::u16string> madeFolders_;     // folded keys of folders the store made
  std::vector<HeldFile> held_;                         // everything the store wrote
};
