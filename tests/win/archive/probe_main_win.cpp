// Extracts its own embedded package into the folder on its command line.
// Exit status: 0 done, 1 resource, 2 table, 3 extraction.
#include <windows.h>

#include <string>
#include <vector>

#include "package/package_archive.h"
#include "package/package_resource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  std::string bytes;
  if (ReadPackageResource(kPackageResourceId, &bytes) != CX_OK) return 1;
  PackageArchive archive;
  std::vector<PackageEntry> entries;
  if (!archive.Attach(bytes.data(), bytes.size()) || !archive.ReadFileTable(&entries)) return 2;
  const std::u16string destination(reinterpret_cast<const char16_t*>(commandLine));
  return archive.Extract(entries, u"", destination) ? 0 : 3;
}
