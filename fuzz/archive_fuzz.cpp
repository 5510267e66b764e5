// Fuzzes the package archive reader: any bytes must either fail cleanly or
// give entries whose data lies inside the archive; the bytes a File copy is
// served from the archive must lie inside it too.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/package_archive.h"
#include "package/package_store.h"

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

  // The serving path, without touching the disk: every file and folder
  // looked up by its path, and every served byte read (ASan checks them).
  const std::u16string folder = u"/cx-fuzz-package/";
  PackageStore store;
  if (!store.Open(data, size, CX_CP_UTF8, folder)) std::abort();  // the same table read
  auto inside = [&](const PackageStore::ArchiveFile& f) {
    uint64_t served = 0;
    const CxResult r = store.Stream(f, [&](const uint8_t* p, size_t n) {
      if (p < data || n > size || p - data > ptrdiff_t(size - n)) std::abort();
      volatile uint8_t sink = 0;
      for (size_t i = 0; i < n; i += 4096) sink ^= p[i];
      if (n) sink ^= p[n - 1];
      (void)sink;
      served += n;
      return true;
    });
    if (r != CX_OK || served != f.size) std::abort();
  };
  for (const PackageEntry& e : entries) {
    PackageStore::ArchiveFile file;
    if (store.FindUnextracted(folder + e.path, &file)) inside(file);
    std::vector<PackageStore::TreeItem> items;
    std::u16string parent = e.path.substr(0, e.path.find_last_of(u'\\', e.path.size() - 2));
    if (store.ListFolder(folder + parent, &items))
      for (const PackageStore::TreeItem& item : items)
        if (item.path.back() != u'\\') inside(item.file);
  }
  return 0;
}
