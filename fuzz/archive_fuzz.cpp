// Fuzzes the package archive reader: any bytes must either fail cleanly or
// give entries whose data lies inside the archive.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/package_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PackageArchive archive;
  if (!archive.Attach(data, size)) return 0;
  archive.SetNameCodePage(CX_CP_UTF8);
  std::vector<PackageEntry> entries;
  if (!archive.ReadFileTable(&entries)) return 0;
  for (const PackageEntry& e : entries) {
    const bool folder = !e.path.empty() && e.path.back() == u'\\';
    if (!folder && (e.offset > size || e.size > size - e.offset)) std::abort();
    if (e.path.find(u"..") != std::u16string::npos) std::abort();
  }
  return 0;
}
