// Writing a setup program from a prebuilt stub (the setup program without a
// package) and a package: the stub's resource section is rebuilt with the
// package as resource type 256, id 170 (257 for a compressed package), and
// with a version record naming the product. Portable, so a release machine needs neither a Windows
// toolchain nor Windows.
//
// What the stub keeps: every header flag, FileAlignment, SectionAlignment,
// its code and data, and every resource other than the package (of either
// kind) and the version record (the dialog, the icons, the manifest). What changes:
//   - the resource section is rebuilt; sections after it (only discardable
//     ones, such as base relocations, can be moved) move in the file and in
//     memory, and the data directories that point into them follow;
//   - anything after the last section's data (a signature, a symbol table)
//     is dropped, with the directory and header fields that name it: the
//     bytes change, so a signature could only be wrong, and signing is a
//     separate later step;
//   - the file header's time stamp is zero and the PE checksum recomputed,
//     so the same stub, package and texts give the same bytes.
#pragma once
#include <cstdint>
#include <string>

#include "common/result_codes.h"
#include "package/byte_reader.h"

constexpr uint16_t kSetupPackageResourceType = 256;
constexpr uint16_t kSetupCompressedPackageResourceType = 257;
constexpr uint16_t kSetupPackageResourceId = 170;
// The most memory image a setup program may claim: a 32-bit program without
// large-address awareness has 2 GiB of address space.
constexpr uint64_t kSetupMaxImageBytes = 0x7FFF0000ull;

// The texts of the setup's version record, from the script's SetupInfo.
struct SetupVersionTexts {
  std::u16string productName;
  std::u16string publisher;
  std::u16string version;  // "a.b.c.d", each part below 65536
};

// Writes the setup program into `out`. The version record has ProductName,
// CompanyName = publisher, ProductVersion = version (also the fixed product
// version), FileDescription "<ProductName> Setup", and the stub's own
// FileVersion (text and fixed version; "0.0.0.0" when the stub has none).
// On failure leaves `out` untouched, with `error` saying what is wrong, and
// returns CX_E_BAD_DATA (the stub, or a version text) or CX_E_DEST_TOO_SMALL
// (the package makes the program larger than kSetupMaxImageBytes).
// A stub whose headers and section data share bytes, or whose resources are
// not the last section that stays in the file, is refused. The result is
// checked with VerifySetupImage before it is handed out. `packageType` is
// the package's resource type.
CxResult BuildSetupImage(ByteSpan stub, ByteSpan package, const SetupVersionTexts& texts,
                         std::string* out, std::string* error,
                         uint16_t packageType = kSetupPackageResourceType);

// Reads a setup program back as Windows would: its headers, its resources
// with exactly `package` as type `packageType`, id 170, a version record
// that reads, and a correct checksum. 0, or CX_E_BAD_DATA with `error`
// saying what does not read.
CxResult VerifySetupImage(ByteSpan image, ByteSpan package, std::string* error,
                          uint16_t packageType = kSetupPackageResourceType);
