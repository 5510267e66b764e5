// Test support: a compressed package damaged on purpose, one way at a time.
// Damage is what happens to a package after it was built: frames that move
// keep their records' offsets and sizes right, the table is re-encoded and
// its header checksum kept right, but each frame keeps the checksum the
// writer gave it. Resealed, the frames' checksums are made right too: a
// package built to lie, which only its decoding can give away.
#pragma once
#include <functional>
#include <string>

#include "common/result_codes.h"

enum class PackageDamage {
  kChecksum,       // one bit of a frame's checksum in its record flipped
  kTruncatedFrame, // a frame's last block cut short
  kSizeMismatch,   // a frame that decodes to fewer bytes than it declares
  kBomb,           // a frame that decodes to far more bytes than it declares
  kTable,          // one bit of the table frame's stored bytes flipped
  kWideWindow,     // a frame asking for a 16 MiB window
};

// `package` with the damage done to its largest frame; `out` untouched and
// CX_E_BAD_DATA when `package` is no compressed package or too small to
// damage that way (the frame must hold at least 64 KiB).
CxResult DamageCompressedPackage(const std::string& package, PackageDamage damage, std::string* out,
                                 bool reseal = false);

// `package` with its decoded table handed to `edit` and re-encoded; the
// frames stay where they are. CX_E_BAD_DATA for no compressed package.
CxResult EditCompressedTable(const std::string& package, const std::function<void(std::string*)>& edit,
                             std::string* out);
