// Compressed package: written and read back like the archive of the same
// tree, its frames laid out as the writer promises, and every kind of
// damaged table, frame and header refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/codepage.h"
#include "package/compressed_package.h"
#include "authoring/compressed_package_writer.h"
#include "authoring/package_writer.h"
#include "support/package_damage.h"

namespace fs = std::filesystem;

namespace {

PackNode File(const std::string& name, const std::string& data) { return {name, false, data}; }
PackNode Folder(const std::string& name, std::vector<PackNode> children) {
  return {name, true, {}, {}, std::move(children)};
}

// Bytes that compress, but only so far: counters in a repeating frame.
std::string Varied(size_t size, uint32_t seed) {
  std::string s(size, '\0');
  uint32_t x = seed;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = char((i % 64 < 32) ? 'a' + (i / 64) % 26 : (x >> 24));
  }
  return s;
}

CompressOptions Fast() {
  CompressOptions o;
  o.level = 3;  // the format is the same at every level
  return o;
}

std::string Compress(const std::vector<PackNode>& top, CompressOptions options = Fast()) {
  std::string bytes, error;
  EXPECT_EQ(BuildCompressedPackage(top, options, &bytes, &error), CX_OK) << error;
  return bytes;
}

struct Read {
  bool tableRead = false;
  bool verified = false;
  std::string reason;
  std::vector<PackageEntry> entries;
};

Read ReadBack(const std::string& bytes, CompressedPackage* package) {
  Read r;
  EXPECT_TRUE(package->Attach(bytes.data(), bytes.size()));
  package->SetNameCodePage(CX_CP_UTF8);
  r.tableRead = package->ReadFileTable(&r.entries, &r.reason);
  if (r.tableRead) r.verified = package->Verify(2, &r.reason);
  return r;
}

std::string Content(CompressedPackage* package, const PackageEntry& e) {
  std::string out;
  EXPECT_EQ(package->Stream(e.offset, e.size,
                            [&out](const uint8_t* p, size_t n) {
                              out.append(reinterpret_cast<const char*>(p), n);
                              return true;
                            }),
            CX_OK);
  return out;
}

TEST(CompressedPackage, ReadsBackLikeTheArchiveOfTheSameTree) {
  // A file larger than the decoder's window, in one frame (the default
  // frame holds 64 MiB).
  const std::string large = Varied((size_t(1) << kZstdMaxWindowLog) + 100000, 7);
  const std::vector<PackNode> top = {
      Folder("PackageFiles",
             {File("SetupScript.xml", "<Config/>"), File("empty.txt", ""), File("one", "1"),
              Folder("Empty", {}), Folder("Bin", {File("large.bin", large), File("b.dat", Varied(5000, 3))})}),
      File("readme.txt", "hello")};
  std::string archiveBytes, error;
  ASSERT_EQ(BuildPackageArchive(top, &archiveBytes, &error), CX_OK);
  PackageArchive archive;
  ASSERT_TRUE(archive.Attach(archiveBytes.data(), archiveBytes.size()));
  archive.SetNameCodePage(CX_CP_UTF8);
  std::vector<PackageEntry> expected;
  ASSERT_TRUE(archive.ReadFileTable(&expected));

  const std::string bytes = Compress(top);
  CompressedPackage package;
  Read r = ReadBack(bytes, &package);
  ASSERT_TRUE(r.verified) << r.reason;
  ASSERT_EQ(r.entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(r.entries[i].path, expected[i].path);
    if (expected[i].path.back() == u'\\') continue;
    EXPECT_EQ(r.entries[i].size, expected[i].size);
    EXPECT_EQ(Content(&package, r.entries[i]), archiveBytes.substr(expected[i].offset, expected[i].size))
        << Utf16ToUtf8(expected[i].path);
  }
  uint32_t largest = 0;
  for (const CompressedPackage::Frame& f : package.Frames()) largest = std::max(largest, f.contentSize);
  EXPECT_GT(largest, 1u << kZstdMaxWindowLog) << "a frame longer than the window";
  EXPECT_LT(bytes.size(), archiveBytes.size());

  // Extracted to disk, the same files and the empty folder.
  std::string pattern = (fs::temp_directory_path() / "cx_compressed_XXXXXX").string();
  ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
  ASSERT_TRUE(package.Extract(r.entries, u"", Utf8ToUtf16(pattern), &r.reason)) << r.reason;
  std::ifstream in(fs::path(pattern) / "PackageFiles/Bin/large.bin", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), large);
  EXPECT_TRUE(fs::is_directory(fs::path(pattern) / "PackageFiles/Empty"));
  EXPECT_EQ(fs::file_size(fs::path(pattern) / "PackageFiles/empty.txt"), 0u);
  fs::remove_all(pattern);
}

TEST(CompressedPackage, FramesFollowTheScriptTheFoldersAndTheFrameSize) {
  CompressOptions options = Fast();
  options.frameBytes = 1000;
  options.threads = 3;
  const std::string bytes = Compress(
      {Folder("PackageFiles", {File("A.txt", Varied(300, 1)), File("SetupScript.xml", "<Config/>"),
                               File("b.txt", Varied(2500, 2)), File("e.txt", Varied(600, 5)),
                               File("f.txt", Varied(600, 6)),
                               Folder("Sub", {File("c.txt", Varied(10, 3)), File("d.txt", Varied(20, 4))})})},
      options);
  CompressedPackage package;
  Read r = ReadBack(bytes, &package);
  ASSERT_TRUE(r.verified) << r.reason;
  std::vector<uint32_t> sizes;
  for (const CompressedPackage::Frame& f : package.Frames()) sizes.push_back(f.contentSize);
  // The script; A.txt; b.txt, larger than a frame, from a frame of its own
  // in frames of 1000, e.txt whole after its last 500; f.txt after a frame
  // that holds 1000 and more; Sub's files in a frame of their own.
  EXPECT_EQ(sizes, (std::vector<uint32_t>{9, 300, 1000, 1000, 1100, 600, 30}));
  // In table order, backwards, and from inside a frame to inside another,
  // the reads give the same bytes: the decoders take the frames by turns,
  // and a read elsewhere starts the decoding over.
  const std::map<std::u16string, std::string> want = {
      {u"\\PackageFiles\\A.txt", Varied(300, 1)}, {u"\\PackageFiles\\SetupScript.xml", "<Config/>"},
      {u"\\PackageFiles\\b.txt", Varied(2500, 2)}, {u"\\PackageFiles\\e.txt", Varied(600, 5)},
      {u"\\PackageFiles\\f.txt", Varied(600, 6)}, {u"\\PackageFiles\\Sub\\c.txt", Varied(10, 3)},
      {u"\\PackageFiles\\Sub\\d.txt", Varied(20, 4)}};
  for (const PackageEntry& e : r.entries) EXPECT_EQ(Content(&package, e), want.at(e.path));
  for (auto e = r.entries.rbegin(); e != r.entries.rend(); ++e) EXPECT_EQ(Content(&package, *e), want.at(e->path));
  const PackageEntry& b = r.entries[2];
  ASSERT_EQ(b.path, u"\\PackageFiles\\b.txt");
  EXPECT_EQ(Content(&package, {b.name, b.path, 1500, b.offset + 500, 0}), want.at(b.path).substr(500, 1500));
  CompressOptions one = options;
  one.threads = 1;
  const std::vector<PackNode> tree = {Folder("PackageFiles", {File("x", Varied(30000, 9))})};
  EXPECT_EQ(Compress(tree, options), Compress(tree, one)) << "the same bytes whatever the threads";
}

// Table pieces, as the format stores them.
std::string U32(uint32_t v) {
  std::string s;
  PutU32(&s, v);
  return s;
}
std::string FolderEntry(uint32_t parent, const std::string& name) {
  return U32(parent) + '\x80' + U32(uint32_t(name.size())) + name;
}
std::string FileEntry(uint32_t parent, const std::string& name, uint32_t offset, uint32_t size) {
  return U32(parent) + '\0' + U32(uint32_t(name.size())) + name + U32(offset) + U32(size);
}
constexpr uint32_t kTop = kCompressedNoParent;

TEST(CompressedPackage, RefusesEveryDamage) {
  // One frame of 100 bytes: the file "f" at the top level.
  const std::string good = Compress({File("f", Varied(100, 5))});
  std::string frameRecord, ignored;
  ASSERT_EQ(EditCompressedTable(good, [&](std::string* t) { frameRecord = t->substr(8, 16); }, &ignored),
            CX_OK);
  auto tableOf = [&](uint32_t count, const std::string& entries) {
    return U32(1) + U32(count) + frameRecord + entries;
  };
  auto cut = [](std::string table) { return table.substr(0, table.size() - 1); };
  std::string deep;
  for (uint32_t i = 0; i < 65; ++i) deep += FolderEntry(i == 0 ? kTop : i - 1, "d");
  const std::string record = frameRecord;
  ByteReader rr{ByteSpan(record)};
  uint32_t frameOffset = 0, frameSize = 0, frameContent = 0, frameChecksum = 0;
  rr.ReadU32(&frameOffset);
  rr.ReadU32(&frameSize);
  rr.ReadU32(&frameContent);
  rr.ReadU32(&frameChecksum);
  auto withRecord = [&](uint32_t offset, uint32_t size, uint32_t content) {
    return U32(1) + U32(1) + U32(offset) + U32(size) + U32(content) + U32(frameChecksum) +
           FileEntry(kTop, "f", 0, 100);
  };

  const struct {
    std::string table;
    const char* reason;
  } tables[] = {
      {tableOf(1, FileEntry(0, "f", 0, 100)), "parent is no earlier folder"},  // its own parent
      {tableOf(2, FileEntry(kTop, "a", 0, 10) + FileEntry(0, "b", 10, 10)),
       "parent is no earlier folder"},                                          // a file as parent
      {tableOf(1, U32(kTop) + '\x81' + U32(1) + "f" + U32(0) + U32(1)), "unknown entry flags"},
      {tableOf(1, U32(kTop) + '\0' + U32(0) + U32(0) + U32(1) + "xx"), "empty entry name"},
      {tableOf(1, FileEntry(kTop, std::string(260, 'n'), 0, 1)), "entry name length 260 or more"},
      {tableOf(1, FileEntry(kTop, "..", 0, 1)), "unsafe entry name"},
      {tableOf(1, FileEntry(kTop, "f", 90, 20)), "file outside the content"},
      {tableOf(2, FileEntry(kTop, "a", 0, 60) + FileEntry(kTop, "b", 50, 50)), "files sharing content bytes"},
      {tableOf(65, deep), "folders nested too deep"},  // 65 levels
      {cut(tableOf(1, FileEntry(kTop, "f", 0, 100))), "entry truncated"},
      {tableOf(1, FileEntry(kTop, "f", 0, 100) + "x"), "bytes after the last entry"},
      {tableOf(1000, FileEntry(kTop, "f", 0, 100)), "entry count larger than the table"},
      {U32(1000) + U32(0) + frameRecord, "frame count larger than the table"},
      {withRecord(10, frameSize, 100), "frame outside the package or overlapping another"},  // the header
      {withRecord(frameOffset, uint32_t(good.size()), 100), "frame outside the package or overlapping another"},
      {withRecord(frameOffset, frameSize + 1, 100), "frame overlapping the table"},
      {withRecord(frameOffset, frameSize, 99), "frame damaged"},  // its header says 100
      {withRecord(frameOffset, frameSize - 1, 100), "frame damaged"},  // cut: the blocks go on
  };
  for (const auto& c : tables) {
    std::string bytes;
    ASSERT_EQ(EditCompressedTable(good, [&](std::string* t) { *t = c.table; }, &bytes), CX_OK);
    CompressedPackage package;
    Read r = ReadBack(bytes, &package);
    EXPECT_FALSE(r.tableRead) << c.reason;
    EXPECT_EQ(r.reason, c.reason);
  }

  std::string header = good;
  header[0] = 'X';
  std::string beyond = good;
  SetU32At(&beyond, 8, uint32_t(good.size()));
  std::string bigger = good;
  SetU32At(&bigger, 16, 1000);
  std::string sum = good;
  sum[20] = char(sum[20] ^ 1);
  const std::pair<std::string, const char*> headers[] = {
      {header, "no compressed package header"},
      {good.substr(0, 23), "header truncated"},
      {beyond, "table outside the package"},
      {bigger, "table frame damaged"},  // it declares fewer bytes
      {sum, "table frame damaged"},     // its checksum
  };
  for (const auto& c : headers) {
    CompressedPackage package;
    Read r = ReadBack(c.first, &package);
    EXPECT_FALSE(r.tableRead) << c.second;
    EXPECT_EQ(r.reason, c.second);
  }
}

// Damage is found when the package opens, by hashing; a package built to
// lie, with checksums to match, is stopped by its decoding where its
// declaration ends.
TEST(CompressedPackage, DamagedFramesFailTheCheckNeverTheReader) {
  const std::string good = Compress({Folder("PackageFiles", {File("big.bin", Varied(300000, 11))})});
  const struct {
    PackageDamage damage;
    bool reseal;
    bool tableRead;  // not caught already by the table and frame headers
    bool verified;   // not caught by the checksums either
  } cases[] = {
      {PackageDamage::kChecksum, false, true, false},
      {PackageDamage::kTruncatedFrame, false, false, false},
      {PackageDamage::kTruncatedFrame, true, false, false},  // the blocks go on past the frame
      {PackageDamage::kSizeMismatch, false, true, false},
      {PackageDamage::kSizeMismatch, true, true, true},
      {PackageDamage::kBomb, false, true, false},
      {PackageDamage::kBomb, true, true, true},
      {PackageDamage::kTable, false, false, false},
      {PackageDamage::kWideWindow, false, false, false},
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(int(c.damage)) + (c.reseal ? " resealed" : "");
    std::string bytes;
    ASSERT_EQ(DamageCompressedPackage(good, c.damage, &bytes, c.reseal), CX_OK) << what;
    CompressedPackage package;
    Read r = ReadBack(bytes, &package);
    EXPECT_EQ(r.tableRead, c.tableRead) << what << ": " << r.reason;
    EXPECT_EQ(r.verified, c.verified) << what << ": " << r.reason;
    if (!r.tableRead) continue;
    // Streamed anyway, the file never yields more than its size, and a
    // lying frame fails.
    uint64_t served = 0;
    const CxResult streamed =
        package.Stream(r.entries[0].offset, r.entries[0].size, [&](const uint8_t*, size_t n) {
          served += n;
          return true;
        });
    EXPECT_LE(served, r.entries[0].size) << what;
    if (c.verified) {
      EXPECT_EQ(streamed, CX_E_BAD_DATA) << what;  // built to lie
    }
  }
}

}  // namespace
