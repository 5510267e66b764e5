// The compressed package: the same folder tree as the archive of
// package_archive.h, its files' bytes compressed with Zstandard. It travels
// in a resource of its own (type 257), so a program that only knows the
// archive never takes it for one. docs/compressed-format.md describes every
// field and why it is so; in short:
//
//   header    "CXPKZST1", then where the table frame lies, its size and
//             its checksum
//   frames    zstd frames, each declaring its content size; their contents,
//             one after the other in table order, make the package's
//             content, and a file is a range of it
//   table     a zstd frame too: the frame list (each frame with the XXH32
//             of its stored bytes), then the entries (folders and files,
//             each naming its parent folder)
//
// Reading is as strict as the archive's: the whole table is read and checked
// when the package opens (every frame inside the package, frames and the
// table apart, every header and block structure sound, every file inside
// the content, no two files sharing content bytes, names safe, folders at
// most kPackageMaxFolderDepth deep, parents before children), and Verify
// hashes every frame's stored bytes against its checksum before anything of
// the package is used: damage anywhere is found without decoding. A frame
// that still decodes to other than it declares (made so on purpose) is
// stopped where its declaration ends, by the reads. An entry's `offset` is its position in
// the content, so PackageEntry lists look the same for both kinds.
//
// Decoding keeps one zstd window of at most 2^kZstdMaxWindowLog bytes per
// reader (zstd_frame_reader.h). Stream reads through a ContentReader of its
// own: reads in content order continue where the last one stopped, so
// extracting a folder or copying a tree decodes each frame once. Not
// thread-safe (Verify uses threads of its own); NewReader gives other
// threads readers of their own.
// Portable: extraction writes through file_io.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/codepage.h"
#include "common/result_codes.h"
#include "package/content_reader.h"
#include "package/package_archive.h"
#include "package/zstd_frame_reader.h"

constexpr uint32_t kCompressedPackageResourceType = 257;
constexpr char kCompressedPackageMagic[] = "CXPKZST1";  // 8 bytes, no terminator
constexpr size_t kCompressedHeaderBytes = 24;
constexpr uint32_t kCompressedNoParent = 0xFFFFFFFF;
constexpr uint32_t kCompressedMaxTableBytes = 64u << 20;
// The table: frame count and entry count, then a record per frame (offset,
// size, content size, checksum), then the entries.
constexpr size_t kCompressedTableHeadBytes = 8;
constexpr size_t kCompressedFrameRecordBytes = 16;

// True when `bytes` start like a compressed package (its magic).
bool LooksCompressed(const void* bytes, size_t size);

class CompressedPackage {
 public:
  // One frame of the content, as the table gives it.
  struct Frame {
    uint32_t offset = 0;       // in the package
    uint32_t size = 0;         // compressed bytes
    uint32_t contentSize = 0;  // decoded bytes
    uint32_t checksum = 0;     // XXH32 of its stored bytes
    uint32_t contentStart = 0; // where its content begins in the package's content
  };

  // Views `size` bytes at `data` (not copied: they must outlive the reads).
  // False for null or empty bytes or 4 GiB and more.
  bool Attach(const void* data, size_t size);
  void SetNameCodePage(uint32_t codePage) { codePage_ = codePage; }

  // Reads and checks the whole table (see the top) and lists the entries as
  // PackageArchive::ReadFileTable does, in table order. On failure returns
  // false, leaves `entries` untouched and says why in `reason`.
  bool ReadFileTable(std::vector<PackageEntry>* entries, std::string* reason = nullptr);
  // Checks every frame's stored bytes against its checksum, on up to
  // `threads` threads; after ReadFileTable.
  bool Verify(unsigned threads, std::string* reason = nullptr);

  // Hands the content bytes [offset, offset+size) to `sink` in order.
  // CX_E_BAD_DATA for a range outside the content or a damaged frame,
  // CX_E_FAIL when the sink said stop.
  CxResult Stream(uint32_t offset, uint32_t size, const ByteSink& sink);
  // PackageArchive::Extract for this kind: the same paths, folders,
  // filter and refusals.
  bool Extract(const std::vector<PackageEntry>& entries, const std::u16string& filter,
               const std::u16string& destination, std::string* reason = nullptr);

  const std::vector<Frame>& Frames() const { return frames_; }
  uint64_t ContentSize() const { return contentSize_; }
  // True when decoding can start at content `offset` without decoding bytes
  // before it: where a frame's content begins.
  bool FrameStartsAt(uint32_t offset) const;
  // A reader of the content of its own, for reading in several places at
  // once (a reader per thread); after ReadFileTable, and not beyond the
  // package's life. Its reads must lie inside the content. Stream's own
  // reader is let go meanwhile (the next Stream starts over), so that the
  // decoders' memory stays one window per reading thread.
  std::unique_ptr<ContentReader> NewReader();

 private:
  ByteSpan FrameBytes(size_t index) const { return {data_ + frames_[index].offset, frames_[index].size}; }
  std::unique_ptr<ContentReader> MakeReader() const;

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  uint32_t codePage_ = CX_CP_ANSI;
  std::vector<Frame> frames_;
  uint64_t contentSize_ = 0;
  std::unique_ptr<ContentReader> reader_;  // Stream's, made by the first Stream
};
