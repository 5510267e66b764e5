// Writing a setup program: the stub with a rebuilt resource section.
#include "authoring/setup_image.h"

#include <algorithm>
#include <vector>

#include "common/codepage.h"
#include "common/version_number.h"
#include "authoring/pe_image.h"
#include "authoring/pe_resources.h"
#include "authoring/version_resource.h"

namespace {

CxResult Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return CX_E_BAD_DATA;
}

std::u16string VersionText(uint64_t v) {
  std::string t = std::to_string((v >> 48) & 0xFFFF) + "." + std::to_string((v >> 32) & 0xFFFF) + "." +
                  std::to_string((v >> 16) & 0xFFFF) + "." + std::to_string(v & 0xFFFF);
  return std::u16string(t.begin(), t.end());
}

// The record for the setup: the stub's own file version, the product's texts.
VersionRecord SetupRecord(const std::vector<PeResource>& resources, const SetupVersionTexts& texts,
                          uint64_t productVersion) {
  VersionRecord stub;
  for (const PeResource& r : resources)
    if (!r.type.IsText() && r.type.id == kResourceTypeVersion) {
      VersionRecord read;
      if (ReadVersionResource(r.Bytes(), &read, nullptr) == CX_OK) stub = read;
      break;
    }
  const std::u16string* stubText = stub.Find(u"FileVersion");
  VersionRecord record;
  record.fileVersion = stub.fileVersion;
  record.productVersion = productVersion;
  record.strings = {
      {u"CompanyName", texts.publisher},
      {u"FileDescription", texts.productName + u" Setup"},
      {u"FileVersion", stubText ? *stubText : VersionText(stub.fileVersion)},
      {u"ProductName", texts.productName},
      {u"ProductVersion", texts.version},
  };
  return record;
}

// Where the stub's version record sat (name and language), else id 1, neutral.
PeResource VersionSlot(const std::vector<PeResource>& resources) {
  PeResource slot;
  slot.type = ResourceKey::Id(kResourceTypeVersion);
  slot.name = ResourceKey::Id(1);
  for (const PeResource& r : resources)
    if (!r.type.IsText() && r.type.id == kResourceTypeVersion) {
      slot.name = r.name;
      slot.language = r.language;
      break;
    }
  return slot;
}

bool IsReplaced(const PeResource& r) {
  if (r.type.IsText()) return false;
  if (r.type.id == kResourceTypeVersion) return true;
  return (r.type.id == kSetupPackageResourceType || r.type.id == kSetupCompressedPackageResourceType) &&
         !r.name.IsText() && r.name.id == kSetupPackageResourceId;
}

void PadTo(std::string* out, uint32_t alignment) {
  out->resize(size_t(AlignUp(out->size(), alignment)), '\0');
}

}  // namespace

CxResult BuildSetupImage(ByteSpan stub, ByteSpan package, const SetupVersionTexts& texts,
                         std::string* out, std::string* error, uint16_t packageType) {
  if (!out) return CX_E_INVALID_ARG;
  uint64_t productVersion = 0;
  if (ParseVersionString(texts.version.c_str(), &productVersion) != CX_DONE)
    return Fail(error, "Version \"" + Utf16ToUtf8(texts.version) + "\" is not four numbers below 65536");
  PeImage pe;
  if (ReadPeImage(stub, &pe, error) != CX_OK) return CX_E_BAD_DATA;
  if (pe.directories.size() <= kPeDirResource || pe.directories[kPeDirResource].rva == 0)
    return Fail(error, "has no resource section");
  const uint32_t resourceRva = pe.directories[kPeDirResource].rva;
  const int index = pe.SectionOfRva(resourceRva);
  if (index < 0) return Fail(error, "resource directory lies in no section");
  const PeSection rsrc = pe.sections[size_t(index)];
  if (rsrc.virtualAddress != resourceRva || rsrc.rawSize == 0)
    return Fail(error, "resources share their section with other data");

  // Sections before the resources stay where they are, in the file too.
  for (int i = 0; i < index; ++i) {
    const PeSection& s = pe.sections[size_t(i)];
    if (s.rawSize && uint64_t(s.rawPointer) + s.rawSize > rsrc.rawPointer)
      return Fail(error, "section " + s.name + " lies after the resources in the file");
  }
  // Those after it move; only what nothing but a data directory refers to can.
  // They are laid out again behind the new resources, so the resources must
  // be the last of the sections that stay.
  for (size_t i = size_t(index) + 1; i < pe.sections.size(); ++i) {
    const PeSection& s = pe.sections[i];
    if (!(s.characteristics & kScnMemDiscardable))
      return Fail(error, "section " + s.name + " follows the resources and cannot move");
    if (s.rawSize && s.rawPointer < rsrc.rawPointer)
      return Fail(error, "the resources are not the last section in the file (" + s.name +
                             " follows them in memory, not in the file)");
  }
  for (size_t d = 0; d < pe.directories.size(); ++d)
    if (d != kPeDirResource && d != kPeDirSecurity && pe.directories[d].rva &&
        pe.SectionOfRva(pe.directories[d].rva) == index)
      return Fail(error, "another data directory points into the resources");

  std::vector<PeResource> resources;
  ByteSpan rsrcBytes = stub.Sub(rsrc.rawPointer, std::min(rsrc.rawSize, rsrc.MemorySize()));
  std::string why;
  if (ReadResourceSection(rsrcBytes, rsrc.virtualAddress, &resources, &why) != CX_OK)
    return Fail(error, "damaged resources: " + why);
  const VersionRecord record = SetupRecord(resources, texts, productVersion);
  PeResource version = VersionSlot(resources);
  resources.erase(std::remove_if(resources.begin(), resources.end(), IsReplaced), resources.end());
  version.data = BuildVersionResource(record);
  resources.push_back(std::move(version));
  PeResource archive;
  archive.type = ResourceKey::Id(packageType);
  archive.name = ResourceKey::Id(kSetupPackageResourceId);
  archive.view = package;
  resources.push_back(archive);

  // The headers and the sections before the resources, as they are.
  std::string image(reinterpret_cast<const char*>(stub.data), rsrc.rawPointer);
  if (BuildResourceSection(std::move(resources), rsrc.virtualAddress, &image, &why) != CX_OK)
    return Fail(error, why);
  const uint32_t rsrcVirtualSize = uint32_t(image.size() - rsrc.rawPointer);
  PadTo(&image, pe.fileAlignment);
  std::vector<PeSection> laid = pe.sections;
  laid[size_t(index)].virtualSize = rsrcVirtualSize;
  laid[size_t(index)].rawSize = uint32_t(image.size() - rsrc.rawPointer);
  uint64_t nextRva = AlignUp(uint64_t(rsrc.virtualAddress) + rsrcVirtualSize, pe.sectionAlignment);
  for (size_t i = size_t(index) + 1; i < laid.size(); ++i) {
    PeSection& s = laid[i];
    s.virtualAddress = uint32_t(nextRva);
    if (s.rawSize) {
      s.rawPointer = uint32_t(image.size());
      image.append(reinterpret_cast<const char*>(stub.data) + pe.sections[i].rawPointer, s.rawSize);
      PadTo(&image, pe.fileAlignment);
    }
    nextRva = AlignUp(nextRva + s.MemorySize(), pe.sectionAlignment);
    if (nextRva > 0xFFFFFFFFull) break;
  }
  if (nextRva > kSetupMaxImageBytes || uint64_t{image.size()} > kSetupMaxImageBytes) {
    Fail(error, "package too large for a 32-bit setup program");
    return CX_E_DEST_TOO_SMALL;
  }

  for (size_t i = size_t(index); i < laid.size(); ++i) {
    const PeSection& s = laid[i];
    SetU32At(&image, s.headerOffset + kSecVirtualSize, s.virtualSize);
    SetU32At(&image, s.headerOffset + kSecVirtualAddress, s.virtualAddress);
    SetU32At(&image, s.headerOffset + kSecRawSize, s.rawSize);
    SetU32At(&image, s.headerOffset + kSecRawPointer, s.rawPointer);
  }
  // Directories into moved sections follow them; the resources get their
  // new size; a signature and a symbol table, dropped with the overlay, go.
  for (uint32_t d = 0; d < pe.directories.size(); ++d) {
    PeDataDirectory dir = pe.directories[d];
    const int in = pe.SectionOfRva(dir.rva);
    if (d == kPeDirSecurity) {
      dir = {};
    } else if (d == kPeDirResource) {
      dir.size = rsrcVirtualSize;
    } else if (dir.rva && in > index) {
      dir.rva = dir.rva - pe.sections[size_t(in)].virtualAddress + laid[size_t(in)].virtualAddress;
    }
    SetU32At(&image, pe.DirectoryOffset(d), dir.rva);
    SetU32At(&image, pe.DirectoryOffset(d) + 4, dir.size);
  }
  SetU32At(&image, pe.coffOffset + kCoffTimeDateStamp, 0);
  SetU32At(&image, pe.coffOffset + kCoffSymbolTable, 0);
  SetU32At(&image, pe.coffOffset + kCoffSymbolCount, 0);
  SetU32At(&image, pe.optionalOffset + kOptSizeOfImage, uint32_t(nextRva));
  if (rsrc.characteristics & kScnInitializedData) {
    ByteReader r(ByteSpan(image), pe.optionalOffset + kOptSizeOfInitializedData);
    uint32_t initialized = 0;
    r.ReadU32(&initialized);
    initialized += laid[size_t(index)].rawSize - rsrc.rawSize;
    SetU32At(&image, pe.optionalOffset + kOptSizeOfInitializedData, initialized);
  }
  SetU32At(&image, pe.CheckSumOffset(), ComputePeChecksum(ByteSpan(image), pe.CheckSumOffset()));
  if (VerifySetupImage(ByteSpan(image), package, &why, packageType) != CX_OK)
    return Fail(error, "the rebuilt program does not read back: " + why);
  out->swap(image);
  return CX_OK;
}

CxResult VerifySetupImage(ByteSpan image, ByteSpan package, std::string* error,
                          uint16_t packageType) {
  PeImage pe;
  std::string why;
  if (ReadPeImage(image, &pe, &why, kSetupMaxImageBytes) != CX_OK) return Fail(error, why);
  if (pe.directories.size() <= kPeDirResource) return Fail(error, "has no resource section");
  const int index = pe.SectionOfRva(pe.directories[kPeDirResource].rva);
  if (index < 0) return Fail(error, "resource directory lies in no section");
  const PeSection& rsrc = pe.sections[size_t(index)];
  std::vector<PeResource> resources;
  if (ReadResourceSection(image.Sub(rsrc.rawPointer, std::min(rsrc.rawSize, rsrc.MemorySize())),
                          rsrc.virtualAddress, &resources, &why) != CX_OK)
    return Fail(error, "damaged resources: " + why);
  bool packaged = false, versioned = false;
  for (const PeResource& r : resources) {
    if (r.type.IsText() || r.name.IsText()) continue;
    const ByteSpan bytes = r.Bytes();
    if (r.type.id == packageType && r.name.id == kSetupPackageResourceId)
      packaged = bytes.size == package.size &&
                 std::equal(bytes.data, bytes.data + bytes.size, package.data);
    VersionRecord record;
    if (r.type.id == kResourceTypeVersion)
      versioned = ReadVersionResource(bytes, &record, nullptr) == CX_OK;
  }
  if (!packaged) return Fail(error, "the package is not in it whole");
  if (!versioned) return Fail(error, "its version record does not read");
  ByteReader r(image, pe.CheckSumOffset());
  uint32_t stored = 0;
  if (!r.ReadU32(&stored) || stored != ComputePeChecksum(image, pe.CheckSumOffset()))
    return Fail(error, "its checksum is wrong");
  return CX_OK;
}
