// Walks a setup program's resource tree to the package: type 256, name 170,
// its first language. The walk is strict, as the program may be anyone's:
// every directory and entry must lie inside the resource section, and the
// data inside the file.
#include "authoring/setup_package.h"

#include <algorithm>

#include "authoring/pe_image.h"
#include "authoring/setup_image.h"

namespace {

constexpr uint32_t kSubdirectoryFlag = 0x80000000u;

// The entry of the directory at `dirOffset` (inside `section`) whose id is
// `id`, or any first entry when `id` is negative. Its offset field is
// returned in `target`.
bool FindEntry(ByteSpan section, uint32_t dirOffset, int id, uint32_t* target) {
  ByteReader r(section);
  uint16_t named = 0, ids = 0;
  if (!r.Seek(dirOffset) || !r.Skip(12) || !r.ReadU16(&named) || !r.ReadU16(&ids)) return false;
  for (uint32_t i = 0; i < uint32_t(named) + ids; ++i) {
    uint32_t name = 0, offset = 0;
    if (!r.ReadU32(&name) || !r.ReadU32(&offset)) return false;
    if (id < 0 || (!(name & kSubdirectoryFlag) && name == uint32_t(id))) {
      *target = offset;
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsProgramFile(ByteSpan file) { return file.size >= 2 && file.data[0] == 'M' && file.data[1] == 'Z'; }

bool FindSetupPackage(ByteSpan file, size_t* offset, size_t* size, std::string* reason) {
  PeImage pe;
  if (ReadPeImage(file, &pe, reason, kSetupMaxImageBytes) != CX_OK) return false;
  const uint32_t rva = pe.directories.size() > kPeDirResource ? pe.directories[kPeDirResource].rva : 0;
  const int index = rva ? pe.SectionOfRva(rva) : -1;
  if (index < 0) return *reason = "a program without resources, so no setup", false;
  const PeSection& rsrc = pe.sections[size_t(index)];
  const ByteSpan section = file.Sub(rsrc.rawPointer, std::min(rsrc.rawSize, rsrc.MemorySize()));
  const uint32_t root = rva - rsrc.virtualAddress;
  uint32_t names = 0, languages = 0, dataEntry = 0;
  // The compressed package has a resource type of its own.
  const bool found = FindEntry(section, root, kSetupPackageResourceType, &names) ||
                     FindEntry(section, root, kSetupCompressedPackageResourceType, &names);
  if (!found || !(names & kSubdirectoryFlag) ||
      !FindEntry(section, names & ~kSubdirectoryFlag, kSetupPackageResourceId, &languages) ||
      !(languages & kSubdirectoryFlag) ||
      !FindEntry(section, languages & ~kSubdirectoryFlag, -1, &dataEntry) ||
      (dataEntry & kSubdirectoryFlag))
    return *reason = "a program without a package (no resource 256/170), so no setup", false;
  ByteReader r(section);
  uint32_t dataRva = 0, dataSize = 0;
  if (!r.Seek(dataEntry) || !r.ReadU32(&dataRva) || !r.ReadU32(&dataSize) ||
      dataRva < rsrc.virtualAddress)
    return *reason = "the package's resource entry is damaged", false;
  const uint64_t at = uint64_t(rsrc.rawPointer) + (dataRva - rsrc.virtualAddress);
  if (!section.Contains(dataRva - rsrc.virtualAddress, dataSize) || !file.Contains(size_t(at), dataSize))
    return *reason = "the package lies outside the program's resources", false;
  *offset = size_t(at);
  *size = dataSize;
  return true;
}
