// The package folder filled on demand from the archive.
#include "package/package_store.h"

#include <thread>

#include "platform/held_file.h"

namespace {

#ifdef _WIN32
constexpr char16_t kNativeSeparator = u'\\';
#else
constexpr char16_t kNativeSeparator = u'/';
#endif

// Per-entry state: only kExtracted means the store wrote the entry and holds
// it; whatever lies on disk at any other entry's path is not the store's.
enum : uint8_t { kUntouched = 0, kExtracted = 1 };

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

std::u16string Folded(std::u16string s) {
  for (char16_t& c : s) c = Fold(c);
  return s;
}

// Splits at '\' and '/', dropping empty and "." parts and applying "..".
std::vector<std::u16string> NormalParts(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::u16string part;
  auto flush = [&] {
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char16_t c : path) {
    if (c == u'\\' || c == u'/') flush();
    else part += c;
  }
  flush();
  return parts;
}

std::u16string Join(const std::vector<std::u16string>& parts, size_t from, char16_t separator) {
  std::u16string out;
  for (size_t i = from; i < parts.size(); ++i) {
    if (i > from) out += separator;
    out += parts[i];
  }
  return out;
}

bool IsBelow(const std::u16string& key, const std::u16string& folder) {
  if (folder.empty()) return true;
  return key.size() > folder.size() && key.compare(0, folder.size(), folder) == 0 &&
         key[folder.size()] == u'\\';
}

}  // namespace

bool PackageStore::Open(const void* data, size_t size, uint32_t codePage,
                        const std::u16string& folder, std::string* reason, PackageKind kind) {
  if (folder.empty()) {
    if (reason) *reason = "no package folder";
    return false;
  }
  if (open_ && data == data_ && size == size_ && folder == folder_) return true;
  PackageArchive archive;
  std::unique_ptr<CompressedPackage> compressed;
  std::vector<PackageEntry> entries;
  if (kind == PackageKind::kCompressed) {
    compressed = std::make_unique<CompressedPackage>();
    if (!compressed->Attach(data, size)) {
      if (reason) *reason = "no package bytes";
      return false;
    }
    compressed->SetNameCodePage(codePage);
    if (!compressed->ReadFileTable(&entries, reason) ||
        !compressed->Verify(std::thread::hardware_concurrency(), reason))
      return false;
  } else {
    if (!archive.Attach(data, size)) {
      if (reason) *reason = "no archive bytes";
      return false;
    }
    archive.SetNameCodePage(codePage);
    if (!archive.ReadFileTable(&entries, reason)) return false;
  }

  std::vector<std::u16string> keys;
  std::unordered_map<std::u16string, size_t> files;
  std::unordered_set<std::u16string> folders;
  keys.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const PackageEntry& e = entries[i];
    const bool isFolder = !e.path.empty() && e.path.back() == u'\\';
    std::vector<std::u16string> parts = NormalParts(e.path);
    std::u16string key;
    for (size_t p = 0; p < parts.size(); ++p) {
      if (p) key += u'\\';
      key += Folded(parts[p]);
      if (p + 1 < parts.size() || isFolder) folders.insert(key);
    }
    if (!isFolder) files.emplace(key, i);  // the first of two same paths wins
    keys.push_back(std::move(key));
  }

  Close();
  archive_ = archive;
  compressed_ = std::move(compressed);
  data_ = static_cast<const uint8_t*>(data);
  size_ = size;
  folder_ = folder;
  folderParts_ = NormalParts(folder);
  for (std::u16string& p : folderParts_) p = Folded(p);
  entries_.swap(entries);
  keys_.swap(keys);
  state_.assign(entries_.size(), kUntouched);
  files_.swap(files);
  folders_.swap(folders);
  ensured_.clear();
  open_ = true;
  return true;
}

void PackageStore::Close() {
  held_.clear();
  madeFolders_.clear();
  ensured_.clear();
  state_.assign(state_.size(), kUntouched);
  open_ = false;
}

CxResult PackageStore::WriteEntries(const std::vector<size_t>& indexes) {
  for (size_t i : indexes) {
    const PackageEntry& e = entries_[i];
    const bool isFolder = !e.path.empty() && e.path.back() == u'\\';
    // A top-level file entry flagged as a folder is never written.
    if (!isFolder && (e.flags & kPackageFolderFlag)) return CX_E_FAIL;
    const std::vector<std::u16string> parts = NormalParts(e.path);
    if (parts.empty()) return CX_E_FAIL;
    std::u16string disk = folder_;
    if (disk.back() != u'\\' && disk.back() != u'/') disk += kNativeSeparator;
    std::u16string key;
    const size_t folders = isFolder ? parts.size() : parts.size() - 1;
    for (size_t p = 0; p < folders; ++p) {
      if (p) {
        key += u'\\';
        disk += kNativeSeparator;
      }
      key += Folded(parts[p]);
      disk += parts[p];
      if (madeFolders_.count(key)) continue;
      // A folder the store did not make is someone else's, even empty.
      HeldFile held;
      if (CreateNewHeldFolder(disk.c_str(), &held) != CX_OK) return CX_E_FAIL;
      madeFolders_.insert(key);
      held_.push_back(std::move(held));
    }
    if (isFolder) {
      state_[i] = kExtracted;
      continue;
    }
    if (folders) disk += kNativeSeparator;
    disk += parts.back();
    const ArchiveFile file = FileAt(i);
    HeldFile held;
    if (WriteNewHeldFileFrom(disk.c_str(), file.size,
                             [this, file](const ByteSink& sink) { return Stream(file, sink); },
                             &held) != CX_OK)
      return CX_E_FAIL;
    held_.push_back(std::move(held));
    state_[i] = kExtracted;
  }
  return CX_OK;
}

bool PackageStore::RelativePath(const std::u16string& path, std::u16string* relative) const {
  if (!open_ || !relative) return false;
  std::vector<std::u16string> parts = NormalParts(path);
  if (parts.size() < folderParts_.size()) return false;
  for (size_t i = 0; i < folderParts_.size(); ++i)
    if (Folded(parts[i]) != folderParts_[i]) return false;
  *relative = Join(parts, folderParts_.size(), u'\\');
  return true;
}

PackageStore::ArchiveFile PackageStore::FileAt(size_t index) const {
  return {entries_[index].offset, entries_[index].size};
}

CxResult PackageStore::Stream(const ArchiveFile& file, const ByteSink& sink) {
  if (!open_) return CX_E_BAD_DATA;
  if (compressed_) return compressed_->Stream(file.offset, file.size, sink);
  // The table was checked at Open; the bounds are checked again because
  // these bytes leave the process.
  if (file.offset > size_ || file.size > size_ - file.offset) return CX_E_BAD_DATA;
  return sink(data_ + file.offset, file.size) ? CX_OK : CX_E_FAIL;
}

CxResult PackageStore::Reader::Stream(const ArchiveFile& file, const ByteSink& sink) {
  if (content_) {
    if (uint64_t(file.offset) + file.size > contentSize_) return CX_E_BAD_DATA;
    return content_->Read(file.offset, file.size, sink);
  }
  if (file.offset > size_ || file.size > size_ - file.offset) return CX_E_BAD_DATA;
  return sink(data_ + file.offset, file.size) ? CX_OK : CX_E_FAIL;
}

std::unique_ptr<PackageStore::Reader> PackageStore::NewReader() {
  if (!open_) return nullptr;
  std::unique_ptr<Reader> reader(new Reader);
  if (compressed_) {
    reader->content_ = compressed_->NewReader();
    reader->contentSize_ = compressed_->ContentSize();
  } else {
    reader->data_ = data_;
    reader->size_ = size_;
  }
  return reader;
}

bool PackageStore::ReadsFreshAt(const ArchiveFile& file) const {
  return !compressed_ || compressed_->FrameStartsAt(file.offset);
}

CxResult PackageStore::ExtractFile(const std::u16string& path) {
  if (!open_) return CX_E_MISSING;
  std::u16string relative;
  // A path not inside the folder is taken as relative to it.
  if (!RelativePath(path, &relative)) relative = Join(NormalParts(path), 0, u'\\');
  auto found = files_.find(Folded(relative));
  if (found == files_.end()) return CX_E_MISSING;
  const size_t i = found->second;
  if (state_[i] == kExtracted) return CX_OK;
  return WriteEntries({i});
}

CxResult PackageStore::EnsureFolder(const std::u16string& key) {
  // Done already, for this folder or one above it?
  std::u16string up = key;
  for (;;) {
    if (ensured_.count(up)) return CX_OK;
    if (up.empty()) break;
    size_t cut = up.rfind(u'\\');
    up = cut == std::u16string::npos ? std::u16string() : up.substr(0, cut);
  }
  std::vector<size_t> indexes;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (state_[i] != kExtracted && (keys_[i] == key || IsBelow(keys_[i], key))) indexes.push_back(i);
  CxResult r = WriteEntries(indexes);
  if (r != CX_OK) return r;
  ensured_.insert(key);
  return CX_OK;
}

CxResult PackageStore::EnsurePath(const std::u16string& path) {
  std::u16string relative;
  if (!open_ || !RelativePath(path, &relative)) return CX_OK;
  // The deepest archive folder along the path, read from the front, so that
  // text after the path (a command line's arguments) cannot matter.
  std::u16string key;
  for (const std::u16string& part : NormalParts(relative)) {
    std::u16string next = key.empty() ? Folded(part) : key + u'\\' + Folded(part);
    if (!folders_.count(next)) break;
    key = std::move(next);
  }
  return EnsureFolder(key);
}

CxResult PackageStore::EnsurePathsIn(const std::u16string& text) {
  if (!open_) return CX_OK;
  std::u16string needle = Folded(folder_);
  while (!needle.empty() && (needle.back() == u'\\' || needle.back() == u'/')) needle.pop_back();
  if (needle.empty()) return CX_OK;
  const std::u16string folded = Folded(text);
  for (size_t at = folded.find(needle); at != std::u16string::npos;
       at = folded.find(needle, at + needle.size())) {
    size_t end = folded.find_first_of(u"\"<>|", at);
    if (end == std::u16string::npos) end = folded.size();
    CxResult r = EnsurePath(text.substr(at, end - at));
    if (r != CX_OK) return r;
  }
  return CX_OK;
}

bool PackageStore::FindUnextracted(const std::u16string& path, ArchiveFile* file) const {
  std::u16string relative;
  if (!file || !RelativePath(path, &relative)) return false;
  auto found = files_.find(Folded(relative));
  if (found == files_.end() || state_[found->second] == kExtracted) return false;
  *file = FileAt(found->second);
  return true;
}

bool PackageStore::IsExtractedFolder(const std::u16string& path) const {
  std::u16string relative;
  if (!RelativePath(path, &relative)) return false;
  for (std::u16string key = Folded(relative);;) {
    if (ensured_.count(key)) return true;
    if (key.empty()) return false;
    const size_t cut = key.rfind(u'\\');
    key = cut == std::u16string::npos ? std::u16string() : key.substr(0, cut);
  }
}

bool PackageStore::IsArchiveFolder(const std::u16string& path) const {
  std::u16string relative;
  return RelativePath(path, &relative) && !relative.empty() && folders_.count(Folded(relative));
}

bool PackageStore::ListFolder(const std::u16string& path, std::vector<TreeItem>* items) const {
  if (!items || !IsArchiveFolder(path)) return false;
  std::u16string relative;
  RelativePath(path, &relative);
  const std::u16string key = Folded(relative);
  const size_t depth = NormalParts(relative).size();
  std::vector<TreeItem> found;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!IsBelow(keys_[i], key)) continue;
    const PackageEntry& e = entries_[i];
    TreeItem item;
    item.path = Join(NormalParts(e.path), depth, u'\\');
    if (!e.path.empty() && e.path.back() == u'\\') item.path += u'\\';
    else item.file = FileAt(i);
    found.push_back(std::move(item));
  }
  items->swap(found);
  return true;
}
