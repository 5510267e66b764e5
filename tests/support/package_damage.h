// Test support: a compressed package damaged on purpose, one way at a time,
// each way consistent everywhere else, so that only the damage itself can
// give it away: the table is re-encoded with its checksum, and frames that
// move keep their records right.
#pragma once
#include <functional>
#include <string>

#include "common/result_codes.h"

enum class PackageDamage {
  kChecksum,       // one bit of a frame's checksum flipped
  kTruncatedFrame, // a frame's last block cut short
  kSizeMismatch,   // a frame that decodes to fewer bytes than it declares
  kBomb,           // a frame that decodes to far more bytes than it declares
  kTable,          // one bit of the table frame's checksum flipped
  kWideWindow,     // a frame asking for a 16 MiB window
};

// `package` with the damage done to its largest frame; `out` untouched and
// CX_E_BAD_DATA when `package` is no compressed package or too small to
// damage that way (the frame must hold at least 64 KiB).
CxResult DamageCompressedPackage(const std::string& package, PackageDamage damage, std::string* out);

// `package` with its decoded table handed to `edit` and re-encoded; the
// frames stay where they are. CX_E_BAD_DATA for no compressed package.
CxResult EditCompressedTable(const std::string& package, const std::function<void(std::string*)>& edit,
                             std::string* out);
