// Fuzzes the compressed package: the table reader, the checksum check and
// the decoding that serves File copies. Any bytes must fail cleanly, or give
// entries whose every file, streamed, yields its declared size or fails,
// never with a byte more, from frames that lie inside the package.
//
// The table and every frame are guarded by checksums, which random changes
// to a package would almost never get past. So an input starting with byte
// 1 is a table and a frame region instead ([1][u32 table length][table]
// [frames]), and the package is assembled around them here: the header, the
// frames region, and the table encoded as its frame, with every frame
// record's checksum made right for the bytes it points at, so that the
// decoder sees lying frames the checks let through. Any other input is a
// package as it is.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <zstd.h>

#include "common/xxh32.h"
#include "package/byte_reader.h"
#include "package/compressed_package.h"
#include "package/package_store.h"

namespace {

std::string Assemble(const uint8_t* data, size_t size) {
  ByteReader r({data, size}, 1);
  uint32_t tableLength = 0;
  ByteSpan table, frames;
  if (!r.ReadU32(&tableLength) || !r.ReadSpan(tableLength, &table) ||
      !r.ReadSpan(size - r.Position(), &frames))
    return {};
  // Each record (offset, size, content size, checksum) gets the checksum
  // of the package bytes it names, where they exist.
  std::string records(reinterpret_cast<const char*>(table.data), table.size);
  std::string package(kCompressedPackageMagic, 8);
  PutU32(&package, uint32_t(kCompressedHeaderBytes + frames.size));
  PutU32(&package, 0);  // the table frame's size and checksum, below
  PutU32(&package, uint32_t(table.size));
  PutU32(&package, 0);
  package.append(reinterpret_cast<const char*>(frames.data), frames.size);
  ByteReader t{ByteSpan(records)};
  uint32_t count = 0;
  t.ReadU32(&count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = kCompressedTableHeadBytes + kCompressedFrameRecordBytes * size_t(i);
    if (at + kCompressedFrameRecordBytes > records.size()) break;
    ByteReader record{ByteSpan(records), at};
    uint32_t offset = 0, length = 0;
    record.ReadU32(&offset);
    record.ReadU32(&length);
    if (uint64_t(offset) + length <= package.size())
      SetU32At(&records, at + 12, Xxh32(package.data() + offset, length));
  }
  std::string frame(ZSTD_compressBound(records.size()), '\0');
  const size_t n = ZSTD_compress(&frame[0], frame.size(), records.data(), records.size(), 1);
  if (ZSTD_isError(n)) return {};
  frame.resize(n);
  SetU32At(&package, 12, uint32_t(frame.size()));
  SetU32At(&package, 20, Xxh32(frame.data(), frame.size()));
  return package + frame;
}

void Check(const uint8_t* data, size_t size) {
  CompressedPackage package;
  if (!package.Attach(data, size)) return;
  package.SetNameCodePage(CX_CP_UTF8);
  std::vector<PackageEntry> entries;
  if (!package.ReadFileTable(&entries)) return;
  for (const CompressedPackage::Frame& f : package.Frames())
    if (f.offset > size || f.size > size - f.offset) std::abort();
  for (const PackageEntry& e : entries)
    if (e.path.find(u"..") != std::u16string::npos) std::abort();
  // Streaming before the check: damage shows as a failure, never as more
  // bytes than asked for.
  for (const PackageEntry& e : entries) {
    uint64_t served = 0;
    const CxResult r = package.Stream(e.offset, e.size, [&](const uint8_t*, size_t n) {
      served += n;
      return served <= e.size;
    });
    if (served > e.size || (r == CX_OK && served != e.size)) std::abort();
  }
  const bool sound = package.Verify(1);

  // The serving path, without touching the disk: it opens exactly when the
  // check passed, and then serves every file whole or fails (a frame that
  // lies with the right checksum), never with more.
  const std::u16string folder = u"/cx-fuzz-package/";
  PackageStore store;
  if (store.Open(data, size, CX_CP_UTF8, folder, nullptr, PackageKind::kCompressed) != sound)
    std::abort();
  if (!sound) return;
  for (const PackageEntry& e : entries) {
    PackageStore::ArchiveFile file;
    if (!store.FindUnextracted(folder + e.path, &file)) continue;
    uint64_t served = 0;
    const CxResult r = store.Stream(file, [&](const uint8_t*, size_t n) {
      served += n;
      return true;
    });
    if (served > e.size || (r == CX_OK && served != e.size)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0 && data[0] == 1) {
    const std::string package = Assemble(data, size);
    Check(reinterpret_cast<const uint8_t*>(package.data()), package.size());
  } else {
    Check(data, size);
  }
  return 0;
}
