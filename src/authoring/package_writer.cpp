// Building package archives.
#include "authoring/package_writer.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "common/codepage.h"
#include "common/file_io.h"
#include "package/package_archive.h"

namespace fs = std::filesystem;

namespace {

// Where archive bytes go: memory or a file. Tracks how many were written.
class Sink {
 public:
  virtual ~Sink() = default;
  bool Put(const void* data, size_t size) {
    size_ += size;
    return Write(data, size);
  }
  bool Put(const std::string& bytes) { return Put(bytes.data(), bytes.size()); }
  bool PutU32(uint64_t value) {
    const char bytes[4] = {char(value & 0xFF), char((value >> 8) & 0xFF),
                           char((value >> 16) & 0xFF), char((value >> 24) & 0xFF)};
    return Put(bytes, 4);
  }
  uint64_t Size() const { return size_; }

 private:
  virtual bool Write(const void* data, size_t size) = 0;
  uint64_t size_ = 0;
};

class StringSink : public Sink {
 public:
  std::string& Bytes() { return bytes_; }

 private:
  bool Write(const void* data, size_t size) override {
    bytes_.append(static_cast<const char*>(data), size);
    return true;
  }
  std::string bytes_;
};

class FileSink : public Sink {
 public:
  explicit FileSink(FileWriter* writer) : writer_(writer) {}

 private:
  bool Write(const void* data, size_t size) override {
    return writer_->Write(data, size) == CX_OK;
  }
  FileWriter* writer_;
};

class ArchiveBuilder {
 public:
  ArchiveBuilder(Sink* out, std::string* error) : out_(out), error_(error) {}

  // Writes the children and the table of one folder; `base` is 0 for the
  // top level, else the region's start.
  bool WriteFolder(const std::vector<PackNode>& children, bool topLevel) {
    const uint64_t start = out_->Size();
    std::vector<uint64_t> offsets, sizes;
    for (const PackNode& child : children) {
      if (child.name.empty() || child.name.size() > kPackageMaxTextLength)
        return Fail("name empty or 260 bytes or longer: " + child.name);
      offsets.push_back(out_->Size());
      if (child.isFolder) {
        if (!WriteFolder(child.children, false)) return false;
      } else if (!WriteFile(child)) {
        return false;
      }
      sizes.push_back(out_->Size() - offsets.back());
      if (out_->Size() >= kLimit) return Fail("archive would reach 4 GiB");
    }
    const uint64_t base = topLevel ? 0 : start;
    // Entry 0 is read first, so it sits nearest the table's end.
    for (size_t i = children.size(); i-- > 0;) {
      const PackNode& child = children[i];
      const char flags =
          char(child.flags ? child.flags : child.isFolder ? kPackageFolderFlag : 0);
      if (!out_->PutU32(offsets[i] - base) || !out_->PutU32(sizes[i]) || !out_->Put(&flags, 1) ||
          !out_->Put(child.name) || !out_->PutU32(child.name.size()))
        return Fail("cannot write the archive");
    }
    if (!out_->PutU32(base) || !out_->PutU32(children.size()))
      return Fail("cannot write the archive");
    if (out_->Size() >= kLimit) return Fail("archive would reach 4 GiB");
    return true;
  }

  bool WriteMarker() {
    const size_t markerLength = sizeof kPackageMarker - 1;
    return (out_->Put(kPackageMarker, markerLength) && out_->PutU32(markerLength)) ||
           Fail("cannot write the archive");
  }

 private:
  static constexpr uint64_t kLimit = 0xFFFFFFFFull;

  bool WriteFile(const PackNode& file) {
    if (file.sourcePath.empty()) return out_->Put(file.data) || Fail("cannot write the archive");
    bool sinkFailed = false;
    CxResult r = ReadFileChunks(file.sourcePath.c_str(), [&](const char* data, size_t size) {
      sinkFailed = !out_->Put(data, size);
      return !sinkFailed && out_->Size() < kLimit;
    });
    if (sinkFailed) return Fail("cannot write the archive");
    if (out_->Size() >= kLimit) return Fail("archive would reach 4 GiB");
    return r == CX_OK || Fail(Utf16ToUtf8(file.sourcePath) + ": cannot read");
  }

  bool Fail(const std::string& text) {
    if (error_) *error_ = text;
    return false;
  }
  Sink* out_;
  std::string* error_;
};

std::string Display(const fs::path& p) {
  try {
    return p.u8string();
  } catch (const std::exception&) {
    return p.string();
  }
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool EncodeName(const fs::path& item, uint32_t codePage, std::string* stored, std::string* error) {
  std::u16string name;
  try {
    name = item.filename().u16string();
  } catch (const std::exception&) {
    *error = Display(item) + ": name is not valid text";
    return false;
  }
  if (!IsSafePackageName(name)) {
    *error = Display(item) + ": name cannot be extracted safely";
    return false;
  }
  if (codePage == kPackAsciiOnly) {
    for (char16_t c : name)
      if (c >= 0x80) {
        *error = Display(item) + ": non-ASCII name needs --codepage";
        return false;
      }
    stored->assign(name.begin(), name.end());
  } else {
    bool exact = false;
    if (Utf16ToMultiByte(codePage, name.c_str(), name.size(), stored, &exact) != CX_OK || !exact) {
      *error = Display(item) + ": name cannot be stored in code page " + std::to_string(codePage);
      return false;
    }
  }
  if (stored->size() > kPackageMaxTextLength) {
    *error = Display(item) + ": name longer than 259 bytes";
    return false;
  }
  return true;
}

bool LoadFolder(const fs::path& dir, uint32_t codePage, int depth, std::vector<PackNode>* out,
                std::string* error) {
  if (depth > kPackageMaxFolderDepth) {
    *error = Display(dir) + ": folders nested too deep";
    return false;
  }
  std::error_code ec;
  fs::directory_iterator it(dir, ec), end;
  if (ec) {
    *error = Display(dir) + ": " + ec.message();
    return false;
  }
  std::vector<PackNode> nodes;
  std::set<std::string> folded;
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    const fs::path item = it->path();
    PackNode node;
    if (!EncodeName(item, codePage, &node.name, error)) return false;
    std::u16string key = item.filename().u16string();
    std::transform(key.begin(), key.end(), key.begin(), FoldAscii);
    if (!folded.insert(Utf16ToUtf8(key)).second) {
      *error = Display(item) + ": another name differs only in case";
      return false;
    }
    const fs::file_status st = fs::symlink_status(item, ec);
    if (ec) break;
    if (fs::is_directory(st)) {
      node.isFolder = true;
      if (!LoadFolder(item, codePage, depth + 1, &node.children, error)) return false;
    } else if (fs::is_regular_file(st)) {
      node.sourcePath = item.u16string();
    } else {
      *error = Display(item) + ": neither a regular file nor a folder";
      return false;
    }
    nodes.push_back(std::move(node));
  }
  if (ec) {
    *error = Display(dir) + ": " + ec.message();
    return false;
  }
  std::sort(nodes.begin(), nodes.end(),
            [](const PackNode& a, const PackNode& b) { return a.name < b.name; });
  out->swap(nodes);
  return true;
}

}  // namespace

CxResult BuildPackageArchive(const std::vector<PackNode>& topLevel, std::string* archive,
                             std::string* error) {
  if (!archive) return CX_E_INVALID_ARG;
  StringSink sink;
  ArchiveBuilder builder(&sink, error);
  if (!builder.WriteFolder(topLevel, true) || !builder.WriteMarker()) return CX_E_BAD_DATA;
  archive->swap(sink.Bytes());
  return CX_OK;
}

CxResult LoadPackTree(const std::u16string& dir, uint32_t codePage, std::vector<PackNode>* tree,
                      std::string* error) {
  if (!tree || dir.empty()) return CX_E_INVALID_ARG;
  std::string why;
  std::vector<PackNode> nodes;
  bool ok = false;
  try {
    const fs::path root(dir);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
      why = Display(root) + ": not a folder";
    } else {
      ok = LoadFolder(root, codePage, 0, &nodes, &why);
    }
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (!ok) {
    if (error) *error = why;
    return CX_E_BAD_DATA;
  }
  tree->swap(nodes);
  return CX_OK;
}

CxResult PackFolder(const std::u16string& dir, uint32_t codePage, std::string* archive,
                    std::string* error) {
  std::vector<PackNode> tree;
  CxResult rc = LoadPackTree(dir, codePage, &tree, error);
  if (rc != CX_OK) return rc;
  return BuildPackageArchive(tree, archive, error);
}

CxResult PackFolderToFile(const std::u16string& dir, uint32_t codePage,
                          const std::u16string& output, std::string* error) {
  std::vector<PackNode> tree;
  CxResult rc = LoadPackTree(dir, codePage, &tree, error);
  if (rc != CX_OK) return rc;
  FileWriter writer;
  if (writer.Open(output.c_str()) != CX_OK) {
    if (error) *error = "cannot create";
    return CX_E_OPEN_FAILED;
  }
  FileSink sink(&writer);
  ArchiveBuilder builder(&sink, error);
  CxResult result = builder.WriteFolder(tree, true) && builder.WriteMarker() ? CX_OK : CX_E_BAD_DATA;
  if (writer.Close() != CX_OK && result == CX_OK) {
    result = CX_E_OPEN_FAILED;
    if (error) *error = "cannot write";
  }
  if (result != CX_OK) {
    std::error_code ec;
    fs::remove(fs::path(output), ec);  // never leave half an archive behind
  }
  return result;
}
