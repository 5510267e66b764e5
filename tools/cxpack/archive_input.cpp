// Opening an archive or a setup program for list, extract and plan.
#include "archive_input.h"

#include <thread>

#include "common/codepage.h"
#include "authoring/setup_package.h"

bool OpenArchiveInput(const std::string& path, uint32_t codePage, ArchiveInput* in, std::string* reason) {
  if (in->file.Open(Utf8ToUtf16(path).c_str()) != CX_OK) return *reason = "cannot read", false;
  const ByteSpan bytes(in->file.Data(), in->file.Size());
  in->size = bytes.size;
  in->isSetup = IsProgramFile(bytes);
  if (in->isSetup && !FindSetupPackage(bytes, &in->base, &in->size, reason)) return false;
  const uint8_t* start = bytes.data + in->base;
  if (LooksCompressed(start, in->size)) {
    // Every frame decoded once, as the setup program checks it at load.
    in->compressed = std::make_unique<CompressedPackage>();
    if (!in->compressed->Attach(start, in->size)) return *reason = "empty file", false;
    if (codePage != 0) in->compressed->SetNameCodePage(codePage);
    return in->compressed->ReadFileTable(&in->entries, reason) &&
           in->compressed->Verify(std::thread::hardware_concurrency(), reason);
  }
  if (!in->archive.Attach(start, in->size)) return *reason = "empty file", false;
  if (codePage != 0) in->archive.SetNameCodePage(codePage);
  return in->archive.ReadFileTable(&in->entries, reason);
}

bool ReadArchiveEntry(const ArchiveInput& in, const std::u16string& path, std::string* bytes) {
  for (const PackageEntry& e : in.entries) {
    if (!PackagePathEquals(e.path, path)) continue;
    if (in.compressed) {
      std::string out;
      const ByteSink append = [&out](const uint8_t* data, size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return true;
      };
      if (in.compressed->Stream(e.offset, e.size, append) != CX_OK) return false;
      bytes->swap(out);
      return true;
    }
    if (e.offset > in.size || e.size > in.size - e.offset) return false;
    bytes->assign(reinterpret_cast<const char*>(in.file.Data() + in.base + e.offset), e.size);
    return true;
  }
  return false;
}
