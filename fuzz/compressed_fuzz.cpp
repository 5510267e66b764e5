// Fuzzes the compressed package: the table reader, the whole-package check
// and the decoding that serves File copies. Any bytes must fail cleanly, or
// give entries whose every file, streamed, yields exactly its declared size
// (never a byte more) from frames that lie inside the package.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/compressed_package.h"
#include "package/package_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CompressedPackage package;
  if (!package.Attach(data, size)) return 0;
  package.SetNameCodePage(CX_CP_UTF8);
  std::vector<PackageEntry> entries;
  if (!package.ReadFileTable(&entries)) return 0;
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
  // check passed, and then serves every file whole.
  const std::u16string folder = u"/cx-fuzz-package/";
  PackageStore store;
  if (store.Open(data, size, CX_CP_UTF8, folder, nullptr, PackageKind::kCompressed) != sound)
    std::abort();
  if (!sound) return 0;
  for (const PackageEntry& e : entries) {
    PackageStore::ArchiveFile file;
    if (!store.FindUnextracted(folder + e.path, &file)) continue;
    uint64_t served = 0;
    const CxResult r = store.Stream(file, [&](const uint8_t*, size_t n) {
      served += n;
      return true;
    });
    if (r != CX_OK || served != e.size) std::abort();
  }
  return 0;
}
