// Reading, checking and decoding the compressed package.
#include "package/compressed_package.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>

#include "common/file_io.h"
#include "common/xxh32.h"

namespace {

bool Fail(std::string* reason, const char* text) {
  if (reason) *reason = text;
  return false;
}

// One table entry as stored.
struct RawEntry {
  uint32_t parent;
  uint8_t flags;
  std::u16string name;
  uint32_t offset;
  uint32_t size;
};

// The smallest entry: parent, flags, name length and a 1-byte name.
constexpr size_t kMinEntryBytes = 10;

// Hashes frames [next, count) handed out one at a time; the first mismatch
// stops every thread.
void VerifyFrames(const std::vector<CompressedPackage::Frame>& frames, const uint8_t* data,
                  std::atomic<size_t>* next, std::atomic<bool>* failed) {
  for (size_t i = (*next)++; i < frames.size() && !*failed; i = (*next)++) {
    const CompressedPackage::Frame& f = frames[i];
    if (Xxh32(data + f.offset, f.size) != f.checksum) *failed = true;
  }
}

}  // namespace

bool LooksCompressed(const void* bytes, size_t size) {
  return bytes && size >= kCompressedHeaderBytes &&
         std::memcmp(bytes, kCompressedPackageMagic, 8) == 0;
}

bool CompressedPackage::Attach(const void* data, size_t size) {
  if (!data || size == 0 || uint64_t(size) > 0xFFFFFFFFull) return false;
  data_ = static_cast<const uint8_t*>(data);
  size_ = size;
  frames_.clear();
  contentSize_ = 0;
  reader_.reset();
  return true;
}

bool CompressedPackage::ReadFileTable(std::vector<PackageEntry>* entries, std::string* reason) {
  if (!entries) return Fail(reason, "no output list");
  if (!data_) return Fail(reason, "no package attached");
  ByteReader header({data_, size_});
  ByteSpan magic;
  uint32_t tableOffset = 0, tableFrameSize = 0, tableSize = 0, tableChecksum = 0;
  if (!header.ReadSpan(8, &magic) || std::memcmp(magic.data, kCompressedPackageMagic, 8) != 0)
    return Fail(reason, "no compressed package header");
  if (!header.ReadU32(&tableOffset) || !header.ReadU32(&tableFrameSize) || !header.ReadU32(&tableSize) ||
      !header.ReadU32(&tableChecksum))
    return Fail(reason, "header truncated");
  const ByteSpan tableFrame = ByteSpan(data_, size_).Sub(tableOffset, tableFrameSize);
  if (tableOffset < kCompressedHeaderBytes || !tableFrame.data)
    return Fail(reason, "table outside the package");
  if (tableSize > kCompressedMaxTableBytes) return Fail(reason, "table too large");
  // Its checksum guards the names and every number that decides where
  // bytes go.
  if (Xxh32(tableFrame.data, tableFrame.size) != tableChecksum) return Fail(reason, "table frame damaged");

  std::string table;
  table.reserve(tableSize);
  ByteSink keep = [&table](const uint8_t* p, size_t n) {
    table.append(reinterpret_cast<const char*>(p), n);
    return true;
  };
  ZstdFrameReader tableReader;
  if (tableReader.Begin(tableFrame, tableSize) != CX_OK || tableReader.Read(tableSize, &keep) != CX_OK ||
      tableReader.Finish() != CX_OK)
    return Fail(reason, "table frame damaged");

  ByteReader r{ByteSpan(table)};
  uint32_t frameCount = 0, entryCount = 0;
  if (!r.ReadU32(&frameCount) || !r.ReadU32(&entryCount)) return Fail(reason, "table truncated");
  const size_t left = table.size() - r.Position();
  if (frameCount > left / kCompressedFrameRecordBytes) return Fail(reason, "frame count larger than the table");
  std::vector<Frame> frames(frameCount);
  uint64_t content = 0;
  uint64_t end = kCompressedHeaderBytes;  // where the previous frame ended
  for (Frame& f : frames) {
    r.ReadU32(&f.offset);
    r.ReadU32(&f.size);
    r.ReadU32(&f.contentSize);
    r.ReadU32(&f.checksum);
    // Frames in order, apart from each other, the header and the table.
    if (f.offset < end || uint64_t(f.offset) + f.size > size_)
      return Fail(reason, "frame outside the package or overlapping another");
    if (f.offset < uint64_t(tableOffset) + tableFrameSize && tableOffset < uint64_t(f.offset) + f.size)
      return Fail(reason, "frame overlapping the table");
    end = uint64_t(f.offset) + f.size;
    f.contentStart = uint32_t(content);
    content += f.contentSize;
    if (content > 0xFFFFFFFFull) return Fail(reason, "content of 4 GiB or more");
    if (CheckZstdFrame({data_ + f.offset, f.size}, f.contentSize) != CX_OK)
      return Fail(reason, "frame damaged");
  }

  if (entryCount > (table.size() - r.Position()) / kMinEntryBytes)
    return Fail(reason, "entry count larger than the table");
  std::vector<RawEntry> raw(entryCount);
  std::vector<uint8_t> depth(entryCount, 0);
  std::vector<bool> hasChildren(entryCount, false);
  for (uint32_t i = 0; i < entryCount; ++i) {
    RawEntry& e = raw[i];
    uint32_t length = 0;
    ByteSpan name;
    if (!r.ReadU32(&e.parent) || !r.ReadU8(&e.flags) || !r.ReadU32(&length))
      return Fail(reason, "entry truncated");
    if (length == 0) return Fail(reason, "empty entry name");
    if (length > kPackageMaxTextLength) return Fail(reason, "entry name length 260 or more");
    if (!r.ReadSpan(length, &name)) return Fail(reason, "entry truncated");
    if (e.flags != 0 && e.flags != kPackageFolderFlag) return Fail(reason, "unknown entry flags");
    if (MultiByteToUtf16(codePage_, reinterpret_cast<const char*>(name.data), length, &e.name) != CX_OK)
      return Fail(reason, "entry name not in the code page");
    if (!IsSafePackageName(e.name)) return Fail(reason, "unsafe entry name");
    if (e.parent != kCompressedNoParent) {
      if (e.parent >= i || raw[e.parent].flags != kPackageFolderFlag)
        return Fail(reason, "parent is no earlier folder");
      hasChildren[e.parent] = true;
      depth[i] = uint8_t(depth[e.parent] + 1);
    }
    if (e.flags == kPackageFolderFlag) {
      if (depth[i] + 1 > kPackageMaxFolderDepth) return Fail(reason, "folders nested too deep");
      e.offset = e.size = 0;
      continue;
    }
    if (!r.ReadU32(&e.offset) || !r.ReadU32(&e.size)) return Fail(reason, "entry truncated");
    if (uint64_t(e.offset) + e.size > content) return Fail(reason, "file outside the content");
  }
  if (r.Position() != table.size()) return Fail(reason, "bytes after the last entry");

  // No two files share content bytes, so the bytes written stay within the
  // content the frames declare.
  std::vector<std::pair<uint32_t, uint32_t>> ranges;
  for (const RawEntry& e : raw)
    if (e.flags == 0 && e.size > 0) ranges.emplace_back(e.offset, e.size);
  std::sort(ranges.begin(), ranges.end());
  for (size_t i = 1; i < ranges.size(); ++i)
    if (uint64_t(ranges[i - 1].first) + ranges[i - 1].second > ranges[i].first)
      return Fail(reason, "files sharing content bytes");

  // Paths as the archive reader makes them: a top-level file is its name,
  // a folder is its parent's path (a backslash at the top), a backslash and
  // its name; an empty folder is listed with a final backslash.
  std::vector<std::u16string> paths(entryCount);
  std::vector<PackageEntry> found;
  for (uint32_t i = 0; i < entryCount; ++i) {
    const RawEntry& e = raw[i];
    const bool folder = e.flags == kPackageFolderFlag;
    if (e.parent == kCompressedNoParent) {
      paths[i] = folder ? u"\\" + e.name : e.name;
    } else {
      paths[i] = paths[e.parent] + u'\\' + e.name;
    }
    if (folder && hasChildren[i]) continue;
    PackageEntry out;
    out.name = e.name;
    out.path = folder ? paths[i] + u'\\' : paths[i];
    out.size = e.size;
    out.offset = e.offset;
    out.flags = e.flags;
    found.push_back(std::move(out));
  }
  frames_.swap(frames);
  contentSize_ = content;
  reader_.reset();  // it read the frames of the old table
  entries->swap(found);
  return true;
}

bool CompressedPackage::Verify(unsigned threads, std::string* reason) {
  if (!data_) return Fail(reason, "no package attached");
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  const size_t helpers = std::min<size_t>(threads > 1 ? threads - 1 : 0, frames_.size());
  std::vector<std::thread> pool;
  try {
    for (size_t i = 0; i < helpers; ++i)
      pool.emplace_back(VerifyFrames, std::cref(frames_), data_, &next, &failed);
  } catch (const std::system_error&) {
    // Fewer threads, the same work.
  }
  VerifyFrames(frames_, data_, &next, &failed);
  for (std::thread& t : pool) t.join();
  if (failed) return Fail(reason, "frame damaged");
  return true;
}

CxResult CompressedPackage::Stream(uint32_t offset, uint32_t size, const ByteSink& sink) {
  if (uint64_t(offset) + size > contentSize_) return CX_E_BAD_DATA;
  if (!reader_) reader_ = MakeReader();
  return reader_->Read(offset, size, sink);
}

bool CompressedPackage::FrameStartsAt(uint32_t offset) const {
  auto it = std::lower_bound(frames_.begin(), frames_.end(), offset,
                             [](const Frame& f, uint32_t v) { return f.contentStart < v; });
  return it != frames_.end() && it->contentStart == offset;
}

std::unique_ptr<ContentReader> CompressedPackage::NewReader() {
  reader_.reset();
  return MakeReader();
}

std::unique_ptr<ContentReader> CompressedPackage::MakeReader() const {
  std::vector<ContentReader::Frame> frames;
  for (size_t i = 0; i < frames_.size(); ++i)
    frames.push_back({FrameBytes(i), frames_[i].contentStart, frames_[i].contentSize});
  return std::make_unique<ContentReader>(std::move(frames));
}

bool CompressedPackage::Extract(const std::vector<PackageEntry>& entries, const std::u16string& filter,
                                const std::u16string& destination, std::string* reason) {
  if (!data_) return Fail(reason, "no package attached");
  return ExtractPackageEntries(
      entries, filter, destination,
      [this](const PackageEntry& entry, const std::u16string& path) -> CxResult {
        if (uint64_t(entry.offset) + entry.size > contentSize_) return CX_E_BAD_DATA;
        FileWriter out;
        CxResult r = out.Open(path.c_str());
        if (r != CX_OK) return r;
        r = Stream(entry.offset, entry.size, [&out](const uint8_t* p, size_t n) {
          return out.Write(p, n) == CX_OK;
        });
        const CxResult closed = out.Close();
        return r != CX_OK ? r : closed;
      },
      reason);
}
