// Fuzzes the PE reader behind `cxpack build`: any bytes as the stub must
// either be refused cleanly or give a program that reads back, with the
// package in it, whose resources and version record read back too.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "authoring/pe_image.h"
#include "authoring/pe_resources.h"
#include "authoring/setup_image.h"
#include "authoring/version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1024 * 1024) return 0;
  const ByteSpan stub(data, size);
  // The version record reader sees the raw bytes as well.
  VersionRecord record;
  ReadVersionResource(stub, &record, nullptr);

  const std::string package = "package bytes";
  const SetupVersionTexts texts{u"Product", u"Publisher", u"1.2.3.4"};
  std::string out;
  if (BuildSetupImage(stub, ByteSpan(package), texts, &out, nullptr) != CX_OK) return 0;
  PeImage pe;
  if (ReadPeImage(ByteSpan(out), &pe, nullptr) != CX_OK) std::abort();
  const int index = pe.SectionOfRva(pe.directories[kPeDirResource].rva);
  if (index < 0) std::abort();
  const PeSection& rsrc = pe.sections[size_t(index)];
  std::vector<PeResource> resources;
  if (ReadResourceSection(ByteSpan(out).Sub(rsrc.rawPointer, rsrc.virtualSize), rsrc.virtualAddress,
                          &resources, nullptr) != CX_OK)
    std::abort();
  bool packaged = false;
  for (const PeResource& r : resources) {
    if (r.type.IsText() || r.name.IsText()) continue;
    if (r.type.id == 256 && r.name.id == 170) packaged = r.data == package;
    if (r.type.id == 16 && ReadVersionResource(r.Bytes(), &record, nullptr) != CX_OK) std::abort();
  }
  if (!packaged) std::abort();
  uint32_t stored = 0;
  ByteReader r(ByteSpan(out), pe.CheckSumOffset());
  if (!r.ReadU32(&stored) || stored != ComputePeChecksum(ByteSpan(out), pe.CheckSumOffset())) std::abort();
  return 0;
}
