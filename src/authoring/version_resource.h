// The version record of a program (resource type 16, VS_VERSIONINFO): built
// from a few texts for `cxpack build`, and read back from resource bytes, so
// that the record a setup carries can be checked without Windows.
//
// Reading is strict: every block lies inside its parent, keys are
// NUL-terminated inside their block, blocks nest at most four levels, and
// the fixed part carries the signature 0xFEEF04BD. Only the first string
// table is read; at most kVersionMaxStrings texts.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/result_codes.h"
#include "package/byte_reader.h"

constexpr size_t kVersionMaxStrings = 256;

struct VersionRecord {
  uint64_t fileVersion = 0;     // four 16-bit parts, major in the top bits
  uint64_t productVersion = 0;
  uint32_t fileFlagsMask = 0x3F;
  uint32_t fileFlags = 0;
  uint32_t fileOs = 0x40004;    // VOS_NT_WINDOWS32
  uint32_t fileType = 1;        // VFT_APP
  uint32_t fileSubtype = 0;
  uint16_t language = 0x0409;   // of the string table and the translation
  uint16_t codePage = 1200;     // UTF-16
  std::vector<std::pair<std::u16string, std::u16string>> strings;  // key, value, in order

  // The value of `key`, or null.
  const std::u16string* Find(const std::u16string& key) const;
};

// The resource bytes for `record`.
std::string BuildVersionResource(const VersionRecord& record);

// Reads resource bytes. On failure returns CX_E_BAD_DATA with `error` saying
// why, and leaves `record` untouched.
CxResult ReadVersionResource(ByteSpan bytes, VersionRecord* record, std::string* error);

