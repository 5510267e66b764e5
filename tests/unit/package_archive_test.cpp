// Package archive: reading built and hand-damaged archives, extraction refusals, temp folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/codepage.h"
#include "common/file_io.h"
#include "package/package_archive.h"
#include "authoring/package_writer.h"
#include "package/temp_folder.h"

namespace {

std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
  return s;
}
std::string Entry(uint32_t offset, uint32_t size, uint8_t flags, const std::string& name) {
  return U32(offset) + U32(size) + char(flags) + name + U32(uint32_t(name.size()));
}
// `entries` in reading order: entry 0 ends up nearest the table's end.
std::string Table(uint32_t base, const std::vector<std::string>& entries) {
  std::string t;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) t += *it;
  return t + U32(base) + U32(uint32_t(entries.size()));
}
const std::string kMarker = std::string("This is a file list .") + U32(21);

PackNode File(const std::string& name, const std::string& data) { return {name, false, data}; }
PackNode Folder(const std::string& name, std::vector<PackNode> children) {
  return {name, true, {}, {}, std::move(children)};
}
std::string Build(const std::vector<PackNode>& top) {
  std::string bytes, error;
  EXPECT_EQ(BuildPackageArchive(top, &bytes, &error), CX_OK) << error;
  return bytes;
}

struct Read {
  bool ok = false;
  std::vector<PackageEntry> entries;
  std::string reason;
};
Read ReadAll(const std::string& bytes, uint32_t codePage = CX_CP_UTF8) {
  Read r;
  PackageArchive a;
  if (!a.Attach(bytes.data(), bytes.size())) return r;
  a.SetNameCodePage(codePage);
  r.ok = a.ReadFileTable(&r.entries, &r.reason);
  return r;
}

// Folders nested `depth` deep around one file.
PackNode Nest(int depth) {
  PackNode n = File("f", "x");
  for (int i = 0; i < depth; ++i) n = Folder("d", {n});
  return n;
}

// Two folder entries per level sharing one region: a tiny archive listing 2^levels files.
std::string SharedRegions(int levels) {
  std::string bytes = "x";
  uint32_t start = 1;
  bytes += Table(0, {Entry(0, 1, 0, "f")});
  for (int i = 0; i < levels; ++i) {
    uint32_t size = uint32_t(bytes.size()) - start;
    bytes += Table(start, {Entry(0, size, 0x80, "a"), Entry(0, size, 0x80, "b")});
  }
  uint32_t size = uint32_t(bytes.size()) - start;
  return bytes + Table(0, {Entry(start, size, 0x80, "top")}) + kMarker;
}

TEST(PackageArchiveRead, TopLevel0x81IsAFileAndGbkTrailByteIsNoBackslash) {
  Read r;
  // 0x81 at the top level is listed as a file, not a folder.
  r = ReadAll(Table(0, {}) + Table(0, {Entry(0, 8, 0x81, "odd")}) + kMarker);
  ASSERT_TRUE(r.ok) << r.reason;
  ASSERT_EQ(r.entries.size(), 1u);
  EXPECT_EQ(r.entries[0].path, u"odd");
  // U+4E57 is 81 5C in code page 936: the trail byte alone looks like '\'.
  r = ReadAll("d" + Table(0, {Entry(0, 1, 0, "\x81\x5c.txt")}) + kMarker, CX_CP_GBK);
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.entries[0].path, u"\u4e57.txt");
}

TEST(PackageArchiveRead, RejectsDamagedArchives) {
  std::string badMarker = Build({Folder("P", {File("a.txt", "abc")})});
  badMarker[badMarker.size() - 5] = '!';
  const std::string f3 = "abc";
  const int deep = kPackageMaxFolderDepth;
  const struct { std::string bytes; const char* reason; } cases[] = {
      {badMarker, "no file list marker"},
      {"abcd" + U32(21), "marker length points before the start"},
      {"abc" + kMarker, "table header truncated"},
      {U32(0) + U32(0x10000000) + kMarker, "entry count larger"},  // before allocating
      {U32(0) + U32(0) + char(0) + std::string(260, 'a') + U32(260) + U32(0) + U32(1) + kMarker,
       "name length 260 or more"},
      {std::string(20, 'a') + U32(200) + U32(0) + U32(1) + kMarker, "name points before its region"},
      {f3 + Table(0, {Entry(1, 0xFFFFFFFF, 0, "a")}) + kMarker, "outside the archive"},
      {f3 + Table(0xFFFFFFFF, {Entry(0, 4, 0, "a")}) + kMarker, "outside the archive"},  // wraps to 0xFFFFFFFF
      {Table(0, {Entry(0, 36, 0x80, "F")}) + kMarker, "outside its parent's"},  // holds its own table
      {Build({Nest(deep + 1)}), "nested too deep"},
      {SharedRegions(20), "share table bytes"},
      {f3 + Table(0, {Entry(0, 1, 0, "..")}) + kMarker, "unsafe entry name"},
      {f3 + Table(0, {Entry(0, 1, 0, "a\\b")}) + kMarker, "unsafe entry name"},
      {f3 + Table(0, {Entry(0, 1, 0, "a/b")}) + kMarker, "unsafe entry name"},
      {f3 + Table(0, {Entry(0, 1, 0, "C:x")}) + kMarker, "unsafe entry name"},
  };
  for (const auto& c : cases) {
    Read r = ReadAll(c.bytes);
    EXPECT_FALSE(r.ok) << c.reason;
    EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.reason << ": " << r.reason;
  }
  EXPECT_TRUE(ReadAll(Build({Nest(deep)})).ok);  // the deepest allowed nesting
}

// A base above the entries' positions: stored offset + base wraps in u32, as
// a producer writing bases relative to a later region may store them.
TEST(PackageArchiveRead, WrappedOffsetsListAndExtract) {
  const std::string folder = "xyz" + Table(0xFFFFFFFE, {Entry(4, 3, 0, "in.txt")});  // 4 + B = 2
  const std::string bytes =
      "ab" + folder + Table(0x80000000, {Entry(0x80000002, uint32_t(folder.size()), 0x80, "F"),
                                        Entry(0x80000000, 2, 0, "top.txt")}) + kMarker;
  Read r = ReadAll(bytes);
  ASSERT_TRUE(r.ok) << r.reason;
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].path, u"\\F\\in.txt");
  EXPECT_EQ(r.entries[0].offset, 2u);
  EXPECT_EQ(r.entries[1].offset, 0u);
  std::string pattern = (std::filesystem::temp_directory_path() / "cx_archive_XXXXXX").string();
  ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
  PackageArchive a;
  ASSERT_TRUE(a.Attach(bytes.data(), bytes.size()));
  EXPECT_TRUE(a.Extract(r.entries, u"", Utf8ToUtf16(pattern)));
  std::string in, top;
  EXPECT_EQ(ReadWholeFile(Utf8ToUtf16(pattern + "/F/in.txt").c_str(), &in), CX_OK);
  EXPECT_EQ(ReadWholeFile(Utf8ToUtf16(pattern + "/top.txt").c_str(), &top), CX_OK);
  EXPECT_EQ(in, "xyz");
  EXPECT_EQ(top, "ab");
  std::filesystem::remove_all(pattern);
}

TEST(PackageExtract, RefusesEntriesItMustNotWrite) {
  std::string pattern = (std::filesystem::temp_directory_path() / "cx_archive_XXXXXX").string();
  ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
  const std::u16string dest = Utf8ToUtf16(pattern);
  const std::string bytes = "data" + Table(0, {Entry(0, 4, 0x81, "odd.txt")}) + kMarker;
  PackageArchive a;
  std::vector<PackageEntry> list;
  ASSERT_TRUE(a.Attach(bytes.data(), bytes.size()) && a.ReadFileTable(&list));
  std::string reason;
  EXPECT_FALSE(a.Extract(list, u"", dest, &reason));  // a top-level 0x81 entry is never written
  EXPECT_EQ(reason, "file entry flagged as a folder");
  // Entries handed in by a caller are checked again before writing.
  PackageEntry climb;
  climb.path = u"\\..\\x.txt";
  climb.size = 1;
  EXPECT_FALSE(a.Extract({climb}, u"", dest, &reason));
  EXPECT_EQ(reason, "unsafe entry path");
  PackageEntry outside;
  outside.path = u"x.txt";
  outside.offset = 2;
  outside.size = uint32_t(bytes.size());
  EXPECT_FALSE(a.Extract({outside}, u"", dest, &reason));
  EXPECT_FALSE(a.Extract({}, u"", u"", &reason));  // would land at the drive root
  EXPECT_TRUE(std::filesystem::is_empty(pattern));
  std::filesystem::remove_all(pattern);
}

const std::vector<std::u16string>* g_accepted = nullptr;
bool Accepted(const TempFolderChoice& choice) {
  for (const auto& p : *g_accepted)
    if (p == choice.path) return true;
  return false;
}

TEST(TempFolderChoice, ElevatedRunsNeverUseTheUsersTemp) {
  TempFolderCandidates c;
  c.systemTemp = u"C:\\Windows\\SystemTemp\\";
  c.windowsFolder = u"C:\\Windows";
  c.commonAppData = u"C:\\ProgramData";
  c.tempPath = u"C:\\T~1\\";
  c.longTempPath = u"C:\\users\\me\\Temp\\";
  const std::u16string own = u"C:\\ProgramData\\CxSetup\\";
  const struct {
    bool elevated;
    std::vector<std::u16string> accepted;
    const char16_t* chosen;
  } cases[] = {
      {true, {c.systemTemp, u"C:\\Windows\\Temp\\", own}, u"C:\\Windows\\SystemTemp\\"},  // SYSTEM
      {true, {u"C:\\Windows\\Temp\\", own, c.longTempPath}, u"C:\\Windows\\Temp\\"},
      {true, {own, c.tempPath, c.longTempPath}, u"C:\\ProgramData\\CxSetup\\"},
      {true, {c.tempPath, c.longTempPath, u"C:\\Windows\\"}, nullptr},  // nothing protected: none
      {false, {c.longTempPath, u"C:\\Windows\\Temp\\"}, u"C:\\users\\me\\Temp\\"},  // short form missing
      {false, {u"C:\\Windows\\", u"C:\\ProgramData\\"}, u"C:\\ProgramData\\"},
      {false, {u"C:\\Windows\\"}, u"C:\\Windows\\"},  // the Windows folder is the last resort
      {false, {}, nullptr},
  };
  for (const auto& row : cases) {
    c.elevated = row.elevated;
    g_accepted = &row.accepted;
    std::u16string folder = u"untouched";
    EXPECT_EQ(ChooseTempFolder(c, Accepted, &folder), row.chosen ? 1 : 0);
    EXPECT_EQ(folder, row.chosen ? row.chosen : u"untouched");
  }
  // Only the own folder is made and checked for its owner; the system's are
  // taken only as real folders.
  c.elevated = true;
  for (const TempFolderChoice& choice : TempFolderOrder(c))
    EXPECT_EQ(choice.check, choice.path == own ? TempFolderCheck::kOwnFolder
                                               : TempFolderCheck::kRealFolder);
}

}  // namespace
