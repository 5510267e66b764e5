// Building compressed packages: the table, the frames compressed on several
// threads, and the header.
#include "authoring/compressed_package_writer.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include <zstd.h>

#include "common/codepage.h"
#include "common/scoped_resource.h"
#include "common/xxh32.h"
#include "package/byte_reader.h"
#include "package/compressed_package.h"
#include "package/zstd_frame_reader.h"

namespace {

struct CCtxTraits {
  using Type = ZSTD_CCtx*;
  static Type Invalid() { return nullptr; }
  static void Close(Type c) { ZSTD_freeCCtx(c); }
};

// Where one piece of a frame's content comes from.
struct Piece {
  const PackNode* file;
  uint64_t from;
  uint32_t size;
};

struct FrameJob {
  std::vector<Piece> pieces;
  uint32_t contentSize = 0;
  std::string compressed;
  uint32_t checksum = 0;  // of `compressed`
};

// Table entries in the archive reader's order, with their parents.
struct Flat {
  const PackNode* node;
  uint32_t parent;
  uint64_t size = 0;    // files: their bytes
  uint32_t offset = 0;  // files: where in the content
};

void Flatten(const std::vector<PackNode>& nodes, uint32_t parent, std::vector<Flat>* out) {
  for (const PackNode& n : nodes) {
    const uint32_t index = uint32_t(out->size());
    out->push_back({&n, parent, 0, 0});
    if (n.isFolder) Flatten(n.children, index, out);
  }
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

// The index of PackageFiles\SetupScript.xml in `flat`, or flat.size().
size_t FindScript(const std::vector<Flat>& flat) {
  for (size_t i = 0; i < flat.size(); ++i) {
    const Flat& f = flat[i];
    if (f.node->isFolder || f.parent == kCompressedNoParent ||
        !EqualsIgnoringCase(f.node->name, "SetupScript.xml"))
      continue;
    const Flat& folder = flat[f.parent];
    if (folder.parent == kCompressedNoParent && EqualsIgnoringCase(folder.node->name, "PackageFiles"))
      return i;
  }
  return flat.size();
}

// Appends `piece` of its file to `content`; false when the file can't be read.
bool ReadPiece(const Piece& piece, std::string* content) {
  const PackNode& file = *piece.file;
  if (file.sourcePath.empty()) {
    if (piece.from + piece.size > file.data.size()) return false;
    content->append(file.data, size_t(piece.from), piece.size);
    return true;
  }
  std::ifstream in(std::filesystem::path(file.sourcePath), std::ios::binary);
  if (!in || !in.seekg(std::streamoff(piece.from))) return false;
  const size_t at = content->size();
  content->resize(at + piece.size);
  in.read(&(*content)[at], piece.size);
  // The file must still be as long as it was when the tree was read.
  return size_t(in.gcount()) == piece.size;
}

class FrameCompressor {
 public:
  explicit FrameCompressor(int level) : level_(level) {}

  bool Compress(FrameJob* job) {
    if (!context_) context_.Reset(ZSTD_createCCtx());
    if (!context_) return false;
    content_.clear();
    for (const Piece& p : job->pieces)
      if (!ReadPiece(p, &content_)) return false;
    ZSTD_CCtx* c = context_.Get();
    if (ZSTD_isError(ZSTD_CCtx_reset(c, ZSTD_reset_session_and_parameters)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, level_)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, kZstdMaxWindowLog)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 0)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(c, ZSTD_c_contentSizeFlag, 1)))
      return false;
    job->compressed.resize(ZSTD_compressBound(content_.size()));
    const size_t n = ZSTD_compress2(c, &job->compressed[0], job->compressed.size(), content_.data(),
                                    content_.size());
    if (ZSTD_isError(n)) return false;
    job->compressed.resize(n);
    job->compressed.shrink_to_fit();
    job->checksum = Xxh32(job->compressed.data(), n);
    return true;
  }

 private:
  int level_;
  ScopedResource<CCtxTraits> context_;
  std::string content_;
};

// Compresses every job on `threads` threads; the first failure stops them.
bool CompressAll(std::vector<FrameJob>* jobs, const CompressOptions& options) {
  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  auto work = [&] {
    FrameCompressor compressor(options.level);
    for (size_t i = next++; i < jobs->size() && !failed; i = next++)
      if (!compressor.Compress(&(*jobs)[i])) failed = true;
  };
  std::vector<std::thread> pool;
  try {
    for (unsigned i = 1; i < threads && i < jobs->size(); ++i) pool.emplace_back(work);
  } catch (const std::system_error&) {
  }
  work();
  for (std::thread& t : pool) t.join();
  return !failed;
}

// The table frame's content: frame records, then entries.
std::string BuildTable(const std::vector<Flat>& flat, const std::vector<FrameJob>& jobs,
                       const std::vector<uint32_t>& frameOffsets) {
  std::string table;
  PutU32(&table, uint32_t(jobs.size()));
  PutU32(&table, uint32_t(flat.size()));
  for (size_t i = 0; i < jobs.size(); ++i) {
    PutU32(&table, frameOffsets[i]);
    PutU32(&table, uint32_t(jobs[i].compressed.size()));
    PutU32(&table, jobs[i].contentSize);
    PutU32(&table, jobs[i].checksum);
  }
  for (const Flat& f : flat) {
    PutU32(&table, f.parent);
    table.push_back(char(f.node->isFolder ? kPackageFolderFlag : 0));
    PutU32(&table, uint32_t(f.node->name.size()));
    table += f.node->name;
    if (!f.node->isFolder) {
      PutU32(&table, f.offset);
      PutU32(&table, uint32_t(f.size));
    }
  }
  return table;
}

}  // namespace

CxResult BuildCompressedPackage(const std::vector<PackNode>& topLevel, const CompressOptions& options,
                                std::string* package, std::string* error) {
  if (!package || options.frameBytes == 0) return CX_E_INVALID_ARG;
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return CX_E_BAD_DATA;
  };
  std::vector<Flat> flat;
  Flatten(topLevel, kCompressedNoParent, &flat);
  // File sizes: the bytes given, or the file on disk as it is now.
  for (Flat& f : flat) {
    const PackNode& n = *f.node;
    if (n.name.empty() || n.name.size() > kPackageMaxTextLength)
      return fail("name empty or 260 bytes or longer: " + n.name);
    if (n.isFolder) continue;
    if (n.sourcePath.empty()) {
      f.size = n.data.size();
    } else {
      std::error_code ec;
      f.size = std::filesystem::file_size(std::filesystem::path(n.sourcePath), ec);
      if (ec) return fail(Utf16ToUtf8(n.sourcePath) + ": cannot read");
    }
  }

  // The frames: the script's own first, then the other files in table
  // order, a new frame with each folder and with the first file after a
  // frame holds frameBytes, so that frames begin where files do (a setup
  // writes from several frames at once, each from its start). A file larger
  // than frameBytes begins a frame and spans frames of frameBytes.
  const size_t script = FindScript(flat);
  std::vector<size_t> order;
  if (script < flat.size()) order.push_back(script);
  for (size_t i = 0; i < flat.size(); ++i)
    if (i != script && !flat[i].node->isFolder) order.push_back(i);
  std::vector<FrameJob> jobs;
  uint64_t content = 0;
  bool startFrame = true;
  uint32_t lastParent = kCompressedNoParent;
  for (size_t i : order) {
    Flat& f = flat[i];
    const bool large = f.size > options.frameBytes;
    if (i == script || f.parent != lastParent || large ||
        (!jobs.empty() && jobs.back().contentSize >= options.frameBytes))
      startFrame = true;
    lastParent = f.parent;
    if (content + f.size >= 0xFFFFFFFFull) return fail("content would reach 4 GiB");
    f.offset = uint32_t(content);
    for (uint64_t from = 0; from < f.size;) {
      if (startFrame || (large && jobs.back().contentSize >= options.frameBytes)) {
        jobs.emplace_back();
        startFrame = false;
      }
      FrameJob& job = jobs.back();
      const uint32_t take = uint32_t(
          large ? std::min<uint64_t>(f.size - from, options.frameBytes - job.contentSize) : f.size);
      job.pieces.push_back({f.node, from, take});
      job.contentSize += take;
      from += take;
    }
    content += f.size;
    if (i == script) startFrame = true;
  }

  if (!CompressAll(&jobs, options)) return fail("a file cannot be read or compressed");
  std::vector<uint32_t> frameOffsets;
  uint64_t at = kCompressedHeaderBytes;
  for (const FrameJob& job : jobs) {
    frameOffsets.push_back(uint32_t(at));
    at += job.compressed.size();
    if (at >= 0xFFFFFFFFull) return fail("package would reach 4 GiB");
  }
  FrameJob table;
  std::string tableBytes = BuildTable(flat, jobs, frameOffsets);
  PackNode tableNode;
  tableNode.data.swap(tableBytes);
  table.pieces.push_back({&tableNode, 0, uint32_t(tableNode.data.size())});
  table.contentSize = uint32_t(tableNode.data.size());
  FrameCompressor compressor(options.level);
  if (!compressor.Compress(&table)) return fail("the table cannot be compressed");
  if (at + table.compressed.size() >= 0xFFFFFFFFull) return fail("package would reach 4 GiB");

  std::string out;
  out.reserve(size_t(at + table.compressed.size()));
  out.append(kCompressedPackageMagic, 8);
  PutU32(&out, uint32_t(at));
  PutU32(&out, uint32_t(table.compressed.size()));
  PutU32(&out, table.contentSize);
  PutU32(&out, table.checksum);
  for (FrameJob& job : jobs) {
    out += job.compressed;
    std::string().swap(job.compressed);
  }
  out += table.compressed;
  package->swap(out);
  return CX_OK;
}

CxResult PackFolderCompressed(const std::u16string& dir, uint32_t codePage,
                              const CompressOptions& options, std::string* package,
                              std::string* error) {
  std::vector<PackNode> tree;
  CxResult rc = LoadPackTree(dir, codePage, &tree, error);
  if (rc != CX_OK) return rc;
  return BuildCompressedPackage(tree, options, package, error);
}
