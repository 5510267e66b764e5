// Reading a package file of either kind.
#include "package_file.h"

#include <thread>

#include "common/codepage.h"

bool PackageFile::Open(const std::string& path, uint32_t codePage, std::string* reason) {
  if (bytes_.Open(Utf8ToUtf16(path).c_str()) != CX_OK) {
    *reason = "cannot read";
    return false;
  }
  // kPackAsciiOnly is CX_CP_ANSI: the reader's default.
  if (LooksCompressed(bytes_.Data(), bytes_.Size())) {
    compressed_ = std::make_unique<CompressedPackage>();
    compressed_->Attach(bytes_.Data(), bytes_.Size());
    compressed_->SetNameCodePage(codePage);
    return compressed_->ReadFileTable(&entries_, reason) &&
           compressed_->Verify(std::thread::hardware_concurrency(), reason);
  }
  if (!archive_.Attach(bytes_.Data(), bytes_.Size())) {
    *reason = "empty file";
    return false;
  }
  archive_.SetNameCodePage(codePage);
  return archive_.ReadFileTable(&entries_, reason);
}

bool PackageFile::Extract(const std::u16string& filter, const std::u16string& destination,
                          std::string* reason) {
  if (compressed_) return compressed_->Extract(entries_, filter, destination, reason);
  archive_.SetEntryFileWriter([this](const std::u16string& path, uint32_t offset, uint32_t size) {
    return bytes_.CopyRegionToFile(offset, size, path.c_str());
  });
  return archive_.Extract(entries_, filter, destination, reason);
}

bool PackageFile::ReadFile(const std::u16string& path, std::string* bytes) {
  for (const PackageEntry& e : entries_) {
    if (!PackagePathEquals(e.path, path) || e.path.back() == u'\\') continue;
    std::string read;
    if (compressed_) {
      const ByteSink keep = [&read](const uint8_t* p, size_t n) {
        read.append(reinterpret_cast<const char*>(p), n);
        return true;
      };
      if (compressed_->Stream(e.offset, e.size, keep) != CX_OK) return false;
    } else {
      if (e.offset > bytes_.Size() || e.size > bytes_.Size() - e.offset) return false;
      read.assign(reinterpret_cast<const char*>(bytes_.Data()) + e.offset, e.size);
    }
    bytes->swap(read);
    return true;
  }
  return false;
}
