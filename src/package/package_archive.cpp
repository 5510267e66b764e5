// Reading and extracting the package archive.
#include "package/package_archive.h"

#include <cstring>

#include "common/file_io.h"

namespace {

#ifdef _WIN32
constexpr char16_t kNativeSeparator = u'\\';
#else
constexpr char16_t kNativeSeparator = u'/';
#endif

// Reads backwards inside [low, pos) of a byte span it does not own. A read
// that does not fit fails and leaves the position where it was.
class BackwardReader {
 public:
  BackwardReader(const uint8_t* data, size_t low, size_t pos) : data_(data), low_(low), pos_(pos) {}
  size_t Position() const { return pos_; }
  size_t Left() const { return pos_ - low_; }
  bool ReadU32(uint32_t* value) {
    if (Left() < 4) return false;
    const uint8_t* p = data_ + pos_ - 4;
    *value = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    pos_ -= 4;
    return true;
  }
  bool ReadU8(uint8_t* value) {
    if (Left() < 1) return false;
    *value = data_[--pos_];
    return true;
  }
  bool ReadBytes(size_t count, const uint8_t** bytes) {
    if (Left() < count) return false;
    pos_ -= count;
    *bytes = data_ + pos_;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t low_;
  size_t pos_;
};

struct RawEntry {
  std::u16string name;
  uint64_t offset;  // absolute: stored offset + base, wrapped to 32 bits
  uint32_t size;
  uint8_t flags;
};

// A folder's bytes: its table ends at `end`; its children lie in [start, end).
struct Region {
  size_t start;
  size_t end;
};

bool Fail(std::string* reason, const char* text) {
  if (reason) *reason = text;
  return false;
}

class TableReader {
 public:
  TableReader(const uint8_t* data, size_t size, uint32_t codePage, std::vector<PackageEntry>* out,
              std::string* reason)
      : data_(data), size_(size), codePage_(codePage), out_(out), reason_(reason) {}

  // Reads the table at the end of `region`; `tableStart` receives where its
  // first byte is, which bounds the children's regions.
  bool ReadTable(Region region, std::vector<RawEntry>* entries, size_t* tableStart) {
    BackwardReader r(data_, region.start, region.end);
    uint32_t count = 0, base = 0;
    if (!r.ReadU32(&count) || !r.ReadU32(&base)) return Fail(reason_, "table header truncated");
    // Every entry takes at least 14 bytes (a name is never empty).
    if (count > r.Left() / (kPackageEntryFixedBytes + 1))
      return Fail(reason_, "entry count larger than the table can hold");
    entries->reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t length = 0, size = 0, offset = 0;
      uint8_t flags = 0;
      const uint8_t* name = nullptr;
      if (!r.ReadU32(&length)) return Fail(reason_, "entry truncated");
      if (length == 0) return Fail(reason_, "empty entry name");
      if (length > kPackageMaxTextLength) return Fail(reason_, "entry name length 260 or more");
      if (!r.ReadBytes(length, &name)) return Fail(reason_, "entry name points before its region");
      if (r.Left() < 9) return Fail(reason_, "entry truncated");
      r.ReadU8(&flags);
      r.ReadU32(&size);
      r.ReadU32(&offset);
      RawEntry e;
      if (MultiByteToUtf16(codePage_, reinterpret_cast<const char*>(name), length, &e.name) != CX_OK)
        return Fail(reason_, "entry name not in the code page");
      if (!IsSafePackageName(e.name)) return Fail(reason_, "unsafe entry name");
      // The format's integers are u32, so the sum wraps: a base above the
      // entries' positions is valid (offset 2 with base 0xFFFFFFFF is 1).
      e.offset = uint32_t(offset + base);
      e.size = size;
      e.flags = flags;
      entries->push_back(std::move(e));
    }
    *tableStart = r.Position();
    return true;
  }

  bool ExpandTopLevel(size_t tableEnd) {
    std::vector<RawEntry> entries;
    size_t tableStart = 0;
    if (!ReadTable({0, tableEnd}, &entries, &tableStart)) return false;
    for (const RawEntry& e : entries) {
      if (e.flags == kPackageFolderFlag) {
        if (!Expand(e, {0, tableStart}, u"\\", 1)) return false;
      } else if (!AddFile(e, e.name)) {
        return false;
      }
    }
    return true;
  }

 private:
  bool Expand(const RawEntry& folder, Region parent, const std::u16string& parentPath, int depth) {
    if (depth > kPackageMaxFolderDepth) return Fail(reason_, "folders nested too deep");
    if (folder.offset < parent.start || folder.offset + folder.size > parent.end)
      return Fail(reason_, "folder region outside its parent's");
    std::u16string path = parentPath;
    if (path.empty() || path.back() != u'\\') path += u'\\';
    path += folder.name;
    Region region{size_t(folder.offset), size_t(folder.offset + folder.size)};
    std::vector<RawEntry> entries;
    size_t tableStart = 0;
    if (!ReadTable(region, &entries, &tableStart)) return false;
    if (entries.empty()) return Add(folder, path + u'\\');
    for (const RawEntry& e : entries) {
      if (e.flags & kPackageFolderFlag) {
        if (!Expand(e, {region.start, tableStart}, path, depth + 1)) return false;
      } else if (!AddFile(e, path + u'\\' + e.name)) {
        return false;
      }
    }
    return true;
  }

  bool AddFile(const RawEntry& e, std::u16string path) {
    if (e.offset > size_ || e.size > size_ - e.offset)
      return Fail(reason_, "file data outside the archive");
    return Add(e, std::move(path));
  }

  bool Add(const RawEntry& e, std::u16string path) {
    // Distinct entries never share table bytes, so a well-formed archive
    // holds at most size/14 of them; more means tables were reused.
    if ((out_->size() + 1) * (kPackageEntryFixedBytes + 1) > size_)
      return Fail(reason_, "entries share table bytes");
    PackageEntry entry;
    entry.name = e.name;
    entry.path = std::move(path);
    entry.size = e.size;
    entry.offset = uint32_t(e.offset);
    entry.flags = e.flags;
    out_->push_back(std::move(entry));
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  uint32_t codePage_;
  std::vector<PackageEntry>* out_;
  std::string* reason_;
};

// Splits a '\'-separated entry path into its parts, dropping empty ones.
std::vector<std::u16string> SplitPath(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::u16string part;
  for (char16_t c : path) {
    if (c == u'\\') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

bool CreateFolderIfMissing(const std::u16string& path) {
  CxResult rc = CreateFolder(path.c_str());
  return rc == CX_OK || rc == CX_WIN_ERROR_ALREADY_EXISTS;
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

}  // namespace

bool IsSafePackageName(const std::u16string& name) {
  if (name.empty() || name == u"." || name.find(u"..") != std::u16string::npos) return false;
  for (char16_t c : name)
    if (c < 0x20 || c == u'\\' || c == u'/' || c == u':') return false;
  return true;
}

bool PackagePathEquals(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

bool PackageArchive::Attach(const void* data, size_t size) {
  if (!data || size == 0 || uint64_t(size) > 0xFFFFFFFFull) return false;
  data_ = static_cast<const uint8_t*>(data);
  size_ = size;
  return true;
}

bool PackageArchive::ReadFileTable(std::vector<PackageEntry>* entries, std::string* reason) const {
  if (!entries) return Fail(reason, "no output list");
  if (!data_) return Fail(reason, "no archive attached");
  const size_t markerLength = sizeof kPackageMarker - 1;
  BackwardReader r(data_, 0, size_);
  uint32_t length = 0;
  const uint8_t* marker = nullptr;
  if (!r.ReadU32(&length)) return Fail(reason, "too short for a marker");
  if (length > kPackageMaxTextLength) return Fail(reason, "marker length 260 or more");
  if (!r.ReadBytes(length, &marker)) return Fail(reason, "marker length points before the start");
  if (length != markerLength || std::memcmp(marker, kPackageMarker, markerLength) != 0)
    return Fail(reason, "no file list marker");
  std::vector<PackageEntry> found;
  TableReader tables(data_, size_, codePage_, &found, reason);
  if (!tables.ExpandTopLevel(r.Position())) return false;
  entries->swap(found);
  return true;
}

bool PackageArchive::Extract(const std::vector<PackageEntry>& entries, const std::u16string& filter,
                             const std::u16string& destination, std::string* reason) const {
  if (!data_) return Fail(reason, "no archive attached");
  return ExtractPackageEntries(
      entries, filter, destination,
      [this](const PackageEntry& entry, const std::u16string& path) -> CxResult {
        if (entry.offset > size_ || entry.size > size_ - entry.offset) return CX_E_BAD_DATA;
        return entryWriter_ ? entryWriter_(path, entry.offset, entry.size)
                            : WriteWholeFile(path.c_str(), data_ + entry.offset, entry.size);
      },
      reason);
}

namespace {

// `madeFolder` is the last folder this extraction made or found, so that
// the files of one folder don't each try to make it again.
bool WriteEntry(const PackageEntry& entry, const std::u16string& destination,
                std::u16string* madeFolder, const PackageFileWriter& writeFile,
                std::string* reason) {
  std::vector<std::u16string> parts = SplitPath(entry.path);
  if (parts.empty()) return Fail(reason, "empty entry path");
  for (const std::u16string& part : parts)
    if (!IsSafePackageName(part)) return Fail(reason, "unsafe entry path");
  const bool isFolder = entry.path.back() == u'\\';
  if (!isFolder && (entry.flags & kPackageFolderFlag))
    return Fail(reason, "file entry flagged as a folder");

  // Folders are made level by level from the destination down; a file's
  // last part is its name whatever it looks like.
  auto join = [](std::u16string* path, const std::u16string& part) {
    if (path->back() != u'\\' && path->back() != u'/') *path += kNativeSeparator;
    *path += part;
  };
  std::u16string folder = destination;
  std::vector<size_t> levels;  // where each folder level ends in `folder`
  const size_t folders = isFolder ? parts.size() : parts.size() - 1;
  for (size_t i = 0; i < folders; ++i) {
    join(&folder, parts[i]);
    levels.push_back(folder.size());
  }
  if (folder != *madeFolder) {
    for (size_t end : levels)
      if (!CreateFolderIfMissing(folder.substr(0, end))) return Fail(reason, "cannot create a folder");
    *madeFolder = folder;
  }
  if (isFolder) return true;
  std::u16string path = folder;
  join(&path, parts.back());
  const CxResult written = writeFile(entry, path);
  if (written == CX_E_BAD_DATA) return Fail(reason, "file data outside the archive");
  if (written != CX_OK) return Fail(reason, "cannot write a file");
  return true;
}

}  // namespace

bool ExtractPackageEntries(const std::vector<PackageEntry>& entries, const std::u16string& filter,
                           const std::u16string& destination, const PackageFileWriter& writeFile,
                           std::string* reason) {
  // An empty destination would put the tree at the root of the drive.
  if (destination.empty()) return Fail(reason, "no destination folder");
  std::u16string madeFolder;
  if (!filter.empty()) {
    for (const PackageEntry& e : entries)
      if (PackagePathEquals(e.path, filter))
        return WriteEntry(e, destination, &madeFolder, writeFile, reason);
    return Fail(reason, "no entry matches the filter");
  }
  for (const PackageEntry& e : entries)
    if (!WriteEntry(e, destination, &madeFolder, writeFile, reason)) return false;
  return true;
}
