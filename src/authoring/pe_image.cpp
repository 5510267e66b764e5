// Reading PE32 headers and computing the PE checksum.
#include "authoring/pe_image.h"

#include <algorithm>

namespace {

bool Fail(std::string* error, const char* text) {
  if (error) *error = text;
  return false;
}

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

bool ReadHeaders(ByteSpan file, size_t maxFileBytes, PeImage* img, std::string* error) {
  if (file.size > maxFileBytes) return Fail(error, "larger than a setup program can be");
  ByteReader r(file);
  uint16_t mz = 0;
  uint32_t peOffset = 0, signature = 0;
  if (!r.ReadU16(&mz) || mz != 0x5A4D) return Fail(error, "not a PE32 program (no MZ header)");
  if (!r.Seek(0x3C) || !r.ReadU32(&peOffset) || !r.Seek(peOffset) || !r.ReadU32(&signature) ||
      signature != 0x00004550)
    return Fail(error, "not a PE32 program (no PE signature)");
  img->coffOffset = r.Position();
  uint16_t machine = 0, sectionCount = 0, optionalSize = 0, characteristics = 0;
  uint32_t timeStamp = 0, symbolCount = 0;
  if (!r.ReadU16(&machine) || !r.ReadU16(&sectionCount) || !r.ReadU32(&timeStamp) ||
      !r.ReadU32(&img->symbolTablePointer) || !r.ReadU32(&symbolCount) || !r.ReadU16(&optionalSize) ||
      !r.ReadU16(&characteristics))
    return Fail(error, "not a PE32 program (file header truncated)");
  if (!(characteristics & 0x0002) || (characteristics & 0x2000))
    return Fail(error, "not a PE32 program (not an executable)");
  if (sectionCount == 0 || sectionCount > kPeMaxSections)
    return Fail(error, "not a PE32 program (section count)");
  img->optionalOffset = r.Position();
  uint16_t magic = 0;
  uint32_t directoryCount = 0;
  if (!r.ReadU16(&magic) || magic != 0x10B)
    return Fail(error, "not a PE32 program (not a 32-bit optional header)");
  if (optionalSize < kOptDirectories || !file.Contains(img->optionalOffset, optionalSize))
    return Fail(error, "not a PE32 program (optional header truncated)");
  ByteReader o(file.Sub(img->optionalOffset, optionalSize));
  o.Seek(32);
  o.ReadU32(&img->sectionAlignment);
  o.ReadU32(&img->fileAlignment);
  o.Seek(kOptSizeOfImage);
  o.ReadU32(&img->sizeOfImage);
  o.ReadU32(&img->sizeOfHeaders);
  o.Seek(kOptDirectories - 4);
  o.ReadU32(&directoryCount);
  if (directoryCount > kPeMaxDirectories || kOptDirectories + 8 * size_t(directoryCount) > optionalSize)
    return Fail(error, "not a PE32 program (data directories)");
  img->directories.resize(directoryCount);
  for (PeDataDirectory& d : img->directories) {
    o.ReadU32(&d.rva);
    o.ReadU32(&d.size);
  }
  if (!IsPowerOfTwo(img->fileAlignment) || img->fileAlignment < 512 || img->fileAlignment > 65536 ||
      !IsPowerOfTwo(img->sectionAlignment) || img->sectionAlignment < img->fileAlignment)
    return Fail(error, "unsupported FileAlignment or SectionAlignment");

  const size_t tableOffset = img->optionalOffset + optionalSize;
  const size_t tableEnd = tableOffset + size_t(sectionCount) * kSectionHeaderBytes;
  if (tableEnd > img->sizeOfHeaders || img->sizeOfHeaders > file.size)
    return Fail(error, "not a PE32 program (section table outside the headers)");
  ByteReader s(file, tableOffset);
  uint64_t lastEnd = 0;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    PeSection sec;
    sec.headerOffset = s.Position();
    ByteSpan name;
    s.ReadSpan(8, &name);
    for (size_t k = 0; k < 8 && name.data[k]; ++k) sec.name += char(name.data[k]);
    s.ReadU32(&sec.virtualSize);
    s.ReadU32(&sec.virtualAddress);
    s.ReadU32(&sec.rawSize);
    s.ReadU32(&sec.rawPointer);
    s.Skip(12);
    s.ReadU32(&sec.characteristics);
    if (sec.rawSize && !file.Contains(sec.rawPointer, sec.rawSize))
      return Fail(error, "not a PE32 program (section data outside the file)");
    // A rebuild rewrites the headers and the sections separately; bytes that
    // are both would be written twice, one write undoing the other.
    if (sec.rawSize && sec.rawPointer < img->sizeOfHeaders)
      return Fail(error, "section data overlaps the headers");
    if (sec.virtualAddress < lastEnd || sec.virtualAddress < img->sizeOfHeaders)
      return Fail(error, "not a PE32 program (sections overlap)");
    lastEnd = uint64_t(sec.virtualAddress) + sec.MemorySize();
    if (lastEnd > 0xFFFFFFFFull) return Fail(error, "not a PE32 program (image beyond 4 GiB)");
    img->sections.push_back(sec);
  }
  std::vector<const PeSection*> inFile;
  for (const PeSection& sec : img->sections)
    if (sec.rawSize) inFile.push_back(&sec);
  std::sort(inFile.begin(), inFile.end(),
            [](const PeSection* a, const PeSection* b) { return a->rawPointer < b->rawPointer; });
  for (size_t i = 1; i < inFile.size(); ++i)
    if (uint64_t(inFile[i - 1]->rawPointer) + inFile[i - 1]->rawSize > inFile[i]->rawPointer)
      return Fail(error, "section data overlaps another section's");
  return true;
}

}  // namespace

int PeImage::SectionOfRva(uint32_t rva) const {
  for (size_t i = 0; i < sections.size(); ++i) {
    const PeSection& s = sections[i];
    if (rva >= s.virtualAddress && rva - s.virtualAddress < s.MemorySize()) return int(i);
  }
  return -1;
}

CxResult ReadPeImage(ByteSpan file, PeImage* image, std::string* error, size_t maxFileBytes) {
  if (!image) return CX_E_INVALID_ARG;
  PeImage read;
  if (!ReadHeaders(file, maxFileBytes, &read, error)) return CX_E_BAD_DATA;
  *image = std::move(read);
  return CX_OK;
}

uint32_t ComputePeChecksum(ByteSpan file, size_t checkSumOffset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < file.size; i += 2) {
    auto byteAt = [&](size_t k) -> uint32_t {
      if (k >= file.size || (k >= checkSumOffset && k - checkSumOffset < 4)) return 0;
      return file.data[k];
    };
    const uint32_t word = byteAt(i) | byteAt(i + 1) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return uint32_t(sum + file.size);
}
