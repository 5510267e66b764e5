// Reading the headers of a 32-bit Windows program (PE32) from its bytes, and
// the PE checksum: the portable ground under `cxpack build`, which rewrites a
// prebuilt setup program's resources without a Windows toolchain.
//
// The reader is strict, because the stub is a file handed in by a user:
//   - the file is at most kPeMaxFileBytes; the DOS header, the "PE\0\0"
//     signature, the file header, the optional header and the section table
//     all lie inside the file and inside SizeOfHeaders;
//   - the optional header is PE32 (magic 0x10B), holds its data directories
//     (at most kPeMaxDirectories) and the image is an executable, not a DLL;
//   - at most kPeMaxSections sections, whose file data lies inside the file,
//     after the headers and without overlapping, and whose virtual ranges
//     ascend without overlapping;
//   - FileAlignment is a power of two from 512 to 64 KiB, SectionAlignment a
//     power of two no smaller than it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "package/byte_reader.h"

constexpr size_t kPeMaxFileBytes = size_t(256) << 20;
constexpr uint16_t kPeMaxSections = 96;
constexpr uint32_t kPeMaxDirectories = 16;

constexpr uint32_t kPeDirResource = 2;
constexpr uint32_t kPeDirSecurity = 4;  // its "RVA" is a file offset

// Field offsets, from the start of the file header (after "PE\0\0").
constexpr size_t kCoffTimeDateStamp = 4;
constexpr size_t kCoffSymbolTable = 8;
constexpr size_t kCoffSymbolCount = 12;
constexpr size_t kCoffHeaderBytes = 20;
// From the start of the optional header.
constexpr size_t kOptSizeOfInitializedData = 8;
constexpr size_t kOptSizeOfImage = 56;
constexpr size_t kOptCheckSum = 64;
constexpr size_t kOptDirectories = 96;
// From the start of a section header.
constexpr size_t kSecVirtualSize = 8;
constexpr size_t kSecVirtualAddress = 12;
constexpr size_t kSecRawSize = 16;
constexpr size_t kSecRawPointer = 20;
constexpr size_t kSectionHeaderBytes = 40;

constexpr uint32_t kScnUninitializedData = 0x00000080;
constexpr uint32_t kScnInitializedData = 0x00000040;
constexpr uint32_t kScnMemDiscardable = 0x02000000;

struct PeSection {
  std::string name;  // the 8 stored bytes up to the first NUL
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawPointer = 0;
  uint32_t characteristics = 0;
  size_t headerOffset = 0;  // where its 40-byte header lies in the file

  // The section's memory extent: its virtual size, or the file data when
  // a linker left the virtual size zero.
  uint32_t MemorySize() const { return virtualSize ? virtualSize : rawSize; }
};

struct PeDataDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
};

struct PeImage {
  size_t coffOffset = 0;      // the file header
  size_t optionalOffset = 0;  // the optional header
  uint32_t fileAlignment = 0;
  uint32_t sectionAlignment = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t sizeOfImage = 0;
  uint32_t symbolTablePointer = 0;
  std::vector<PeDataDirectory> directories;  // as many as the header declares
  std::vector<PeSection> sections;           // in header order

  // The index of the section whose memory holds `rva`, or -1.
  int SectionOfRva(uint32_t rva) const;
  size_t CheckSumOffset() const { return optionalOffset + kOptCheckSum; }
  size_t DirectoryOffset(uint32_t index) const { return optionalOffset + kOptDirectories + 8 * index; }
};

// Reads the headers of `file`. On failure returns CX_E_BAD_DATA with `error`
// saying what is wrong, and leaves `image` untouched. A stub is at most
// kPeMaxFileBytes; a written setup, which carries its package, may be larger.
CxResult ReadPeImage(ByteSpan file, PeImage* image, std::string* error,
                     size_t maxFileBytes = kPeMaxFileBytes);

// The PE checksum of `file`: 16-bit one's-complement-style sum of its words
// (a final odd byte as a word of its own), the 4 bytes at `checkSumOffset`
// counted as zero, plus the file's length.
uint32_t ComputePeChecksum(ByteSpan file, size_t checkSumOffset);

// `value` rounded up to a multiple of `alignment` (a power of two), in 64 bits.
inline uint64_t AlignUp(uint64_t value, uint32_t alignment) {
  return (value + alignment - 1) & ~uint64_t(alignment - 1);
}
