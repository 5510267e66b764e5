// Damaging compressed packages for the tests.
#include "package_damage.h"

#include <cstring>
#include <vector>

#include <zstd.h>

#include "common/xxh32.h"
#include "package/byte_reader.h"
#include "package/compressed_package.h"

namespace {

struct Parts {
  std::vector<std::string> frames;
  std::string table;       // decoded
  std::string tableFrame;  // as stored
  uint32_t tableChecksum;  // as the header gives it
};

bool Split(const std::string& package, Parts* parts) {
  ByteReader r{ByteSpan(package)};
  ByteSpan magic;
  uint32_t tableOffset = 0, tableFrameSize = 0, tableSize = 0, tableChecksum = 0;
  if (!r.ReadSpan(8, &magic) || std::memcmp(magic.data, kCompressedPackageMagic, 8) != 0 ||
      !r.ReadU32(&tableOffset) || !r.ReadU32(&tableFrameSize) || !r.ReadU32(&tableSize) ||
      !r.ReadU32(&tableChecksum) ||
      uint64_t(tableOffset) + tableFrameSize > package.size())
    return false;
  parts->tableFrame = package.substr(tableOffset, tableFrameSize);
  parts->tableChecksum = tableChecksum;
  parts->table.resize(tableSize);
  if (ZSTD_decompress(&parts->table[0], tableSize, parts->tableFrame.data(), tableFrameSize) != tableSize)
    return false;
  ByteReader t{ByteSpan(parts->table)};
  uint32_t count = 0, entries = 0;
  if (!t.ReadU32(&count) || !t.ReadU32(&entries)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset = 0, size = 0, content = 0, checksum = 0;
    if (!t.ReadU32(&offset) || !t.ReadU32(&size) || !t.ReadU32(&content) || !t.ReadU32(&checksum) ||
        uint64_t(offset) + size > package.size())
      return false;
    parts->frames.push_back(package.substr(offset, size));
  }
  return true;
}

// The table as the writer stores it: a frame declaring its size.
std::string EncodeTable(const std::string& table) {
  ZSTD_CCtx* c = ZSTD_createCCtx();
  std::string frame(ZSTD_compressBound(table.size()), '\0');
  const size_t n = ZSTD_compress2(c, &frame[0], frame.size(), table.data(), table.size());
  ZSTD_freeCCtx(c);
  frame.resize(ZSTD_isError(n) ? 0 : n);
  return frame;
}

// Header, frames in order, then the table frame (re-encoded when the table
// changed), each frame's record following its bytes; `reseal` makes the
// frames' checksums right as well.
std::string Join(Parts* parts, bool encodeTable, bool reseal) {
  uint32_t at = kCompressedHeaderBytes;
  for (size_t i = 0; i < parts->frames.size(); ++i) {
    const std::string& frame = parts->frames[i];
    const size_t record = kCompressedTableHeadBytes + kCompressedFrameRecordBytes * i;
    SetU32At(&parts->table, record, at);
    SetU32At(&parts->table, record + 4, uint32_t(frame.size()));
    if (reseal) SetU32At(&parts->table, record + 12, Xxh32(frame.data(), frame.size()));
    at += uint32_t(frame.size());
  }
  if (encodeTable) parts->tableFrame = EncodeTable(parts->table);
  std::string out(kCompressedPackageMagic, 8);
  PutU32(&out, at);
  PutU32(&out, uint32_t(parts->tableFrame.size()));
  PutU32(&out, uint32_t(parts->table.size()));
  // Damage to the table's own bytes leaves the checksum it had.
  PutU32(&out, encodeTable ? Xxh32(parts->tableFrame.data(), parts->tableFrame.size()) : parts->tableChecksum);
  for (const std::string& f : parts->frames) out += f;
  return out + parts->tableFrame;
}

// A frame of `content` whose header declares `declared` bytes instead.
bool LyingFrame(const std::string& content, uint64_t declared, std::string* frame) {
  ZSTD_CCtx* c = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, kZstdMaxWindowLog);
  ZSTD_CCtx_setPledgedSrcSize(c, content.size());
  std::string out(ZSTD_compressBound(content.size()), '\0');
  const size_t n = ZSTD_compress2(c, &out[0], out.size(), content.data(), content.size());
  ZSTD_freeCCtx(c);
  if (ZSTD_isError(n)) return false;
  out.resize(n);
  // The frame header: magic, descriptor, window byte unless single
  // segment, dictionary id, then the content size in 1, 2, 4 or 8 bytes.
  const uint8_t descriptor = uint8_t(out[4]);
  const bool single = descriptor & 0x20;
  const int dictBytes[] = {0, 1, 2, 4};
  const int sizeBytes[] = {single ? 1 : 0, 2, 4, 8};
  const size_t at = 5 + (single ? 0 : 1) + dictBytes[descriptor & 3];
  const int width = sizeBytes[descriptor >> 6];
  // Both sizes above 64 KiB: the field is 4 or 8 bytes wide either way.
  if (width < 4) return false;
  for (int i = 0; i < width; ++i) out[at + i] = char((declared >> (8 * i)) & 0xFF);
  frame->swap(out);
  return true;
}

// The same frame with a window descriptor asking for 2^windowLog bytes (a
// single-segment frame, whose window is its content, becomes a windowed one).
bool WidenWindow(std::string* frame, int windowLog) {
  const uint8_t descriptor = uint8_t((*frame)[4]);
  const char window = char((windowLog - 10) << 3);
  if (!(descriptor & 0x20)) {
    (*frame)[5] = window;
    return true;
  }
  if ((descriptor >> 6) == 0) return false;  // its 1-byte size field exists only single-segment
  (*frame)[4] = char(descriptor & ~0x20);
  frame->insert(5, 1, window);
  return true;
}

}  // namespace

CxResult DamageCompressedPackage(const std::string& package, PackageDamage damage, std::string* out,
                                 bool reseal) {
  Parts parts;
  if (!out || !Split(package, &parts) || parts.frames.empty()) return CX_E_BAD_DATA;
  size_t k = 0;
  for (size_t i = 1; i < parts.frames.size(); ++i)
    if (parts.frames[i].size() > parts.frames[k].size()) k = i;
  std::string& frame = parts.frames[k];
  const uint64_t declared = ZSTD_getFrameContentSize(frame.data(), frame.size());
  if (declared == ZSTD_CONTENTSIZE_ERROR || declared < (64u << 10) + 1024) return CX_E_BAD_DATA;
  std::string content(size_t(declared), '\0');
  if (ZSTD_decompress(&content[0], content.size(), frame.data(), frame.size()) != declared)
    return CX_E_BAD_DATA;
  switch (damage) {
    case PackageDamage::kChecksum:
      parts.table[kCompressedTableHeadBytes + kCompressedFrameRecordBytes * k + 12] ^= 1;
      break;
    case PackageDamage::kTruncatedFrame:
      frame.erase(frame.size() - 5, 5);  // the last block cut short
      break;
    case PackageDamage::kSizeMismatch:
      if (!LyingFrame(content.substr(0, content.size() - 1024), declared, &frame)) return CX_E_BAD_DATA;
      break;
    case PackageDamage::kBomb:
      if (!LyingFrame(content + std::string(4u << 20, '\0'), declared, &frame)) return CX_E_BAD_DATA;
      break;
    case PackageDamage::kWideWindow:
      if (!WidenWindow(&frame, kZstdMaxWindowLog + 1)) return CX_E_BAD_DATA;
      break;
    case PackageDamage::kTable:
      parts.tableFrame.back() = char(parts.tableFrame.back() ^ 1);
      break;
  }
  *out = Join(&parts, damage != PackageDamage::kTable, reseal);
  return CX_OK;
}

CxResult EditCompressedTable(const std::string& package, const std::function<void(std::string*)>& edit,
                             std::string* out) {
  Parts parts;
  if (!out || !Split(package, &parts)) return CX_E_BAD_DATA;
  std::string table = parts.table;
  edit(&table);
  const std::string frame = EncodeTable(table);
  // The table frame goes last, as the writer puts it.
  std::string rebuilt = package.substr(0, package.size() - parts.tableFrame.size());
  SetU32At(&rebuilt, 8, uint32_t(rebuilt.size()));
  SetU32At(&rebuilt, 12, uint32_t(frame.size()));
  SetU32At(&rebuilt, 16, uint32_t(table.size()));
  SetU32At(&rebuilt, 20, Xxh32(frame.data(), frame.size()));
  *out = rebuilt + frame;
  return CX_OK;
}
