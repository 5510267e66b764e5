// Version numbers: four 16-bit parts (major, minor, build, revision) that
// compare as one 64-bit value major<<48 | minor<<32 | build<<16 | revision.
// Used by the file copy (keep a newer installed file) and the
// installed-version check. Portable.
#pragma once
#include <cstdint>

// Parts are held in 32-bit slots (as in InstallContext::version) but only
// their low 16 bits count.
uint64_t VersionValue(const uint32_t parts[4]);
void VersionParts(uint64_t value, uint32_t parts[4]);

// Reads "a.b.c.d": blanks are dropped first and commas read as points, so
// "6, 3, 0, 10" is 6.3.0.10. Exactly four parts of decimal digits, each at
// most 65535, are required. Returns CX_DONE with `*value` set, or
// CX_NOT_DONE with `*value` untouched (null text or value, empty text, any
// other character, an empty part, fewer or more than four parts, a part
// above 65535).
int ParseVersionString(const char16_t* text, uint64_t* value);

// -1 when a < b, 1 when a > b, 0 when equal, comparing the 64-bit values.
int CompareVersions(const uint32_t a[4], const uint32_t b[4]);
