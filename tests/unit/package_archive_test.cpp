// Package archive: reading built and hand-damaged archives, extraction
// natively, and the writer's round trip.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/codepage.h"
#include "common/file_io.h"
#include "package/package_archive.h"
#include "package/package_writer.h"
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

PackNode File(const std::string& name, const std::string& data) {
  PackNode n;
  n.name = name;
  n.data = data;
  return n;
}
PackNode Folder(const std::string& name, std::vector<PackNode> children) {
  PackNode n;
  n.name = name;
  n.isFolder = true;
  n.children = std::move(children);
  return n;
}
std::string Build(const std::vector<PackNode>& top) {
  std::string bytes, error;
  EXPECT_EQ(BuildPackageArchive(top, &bytes, &error), CX_OK) << error;
  return bytes;
}

struct Read {
  bool ok;
  std::vector<PackageEntry> entries;
  std::string reason;
};
Read ReadAll(const std::string& bytes, uint32_t codePage = CX_CP_UTF8) {
  Read r;
  PackageArchive a;
  if (!a.Attach(bytes.data(), bytes.size())) return {false, {}, "attach"};
  a.SetNameCodePage(codePage);
  r.ok = a.ReadFileTable(&r.entries, &r.reason);
  return r;
}
std::string Listing(const std::vector<PackageEntry>& entries) {
  std::string s;
  for (const auto& e : entries) s += Utf16ToUtf8(e.path) + "=" + std::to_string(e.size) + ";";
  return s;
}

// Folders nested `depth` deep around one file.
PackNode Nest(int depth) {
  PackNode n = File("f", "x");
  for (int i = 0; i < depth; ++i) n = Folder("d", {n});
  return n;
}

// Two folder entries per level sharing one region, `levels` deep: a tiny
// archive that would list 2^levels files.
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

TEST(PackageArchiveRead, ListsPathsInReadingOrder) {
  std::string bytes = Build({Folder("PackageFiles", {File("SetupScript.xml", "<x/>"), Folder("X", {}),
                                                     Folder("Sub", {File("a.dll", "ab")})}),
                             File("readme.txt", "hello"), Folder("Empty", {})});
  Read r = ReadAll(bytes);
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(Listing(r.entries),
            "\\PackageFiles\\SetupScript.xml=4;\\PackageFiles\\X\\=8;\\PackageFiles\\Sub\\a.dll=2;"
            "readme.txt=5;\\Empty\\=8;");
  EXPECT_EQ(bytes.substr(r.entries[3].offset, 5), "hello");
  EXPECT_EQ(r.entries[2].name, u"a.dll");
}

TEST(PackageArchiveRead, TopLevelFolderNeedsExactFlags) {
  // 0x81 at the top level is a file; inside a folder it is a folder.
  std::string inner = Table(0, {});
  std::string bytes = inner + Table(0, {Entry(0, 8, 0x81, "odd"), Entry(0, 8, 0x80, "F")});
  Read r = ReadAll(bytes + kMarker);
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(Listing(r.entries), "odd=8;\\F\\=8;");

  std::string nested = inner + Table(0, {Entry(0, 8, 0x81, "odd")});
  nested += Table(0, {Entry(0, uint32_t(nested.size()), 0x80, "F")});
  r = ReadAll(nested + kMarker);
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(Listing(r.entries), "\\F\\odd\\=8;");
}

TEST(PackageArchiveRead, GbkNameWithBackslashTrailByte) {
  // U+4E57 is 81 5C in code page 936: the second byte alone looks like '\'.
  std::string bytes = "d" + Table(0, {Entry(0, 1, 0, "\x81\x5c.txt")}) + kMarker;
  Read r = ReadAll(bytes, CX_CP_GBK);
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.entries[0].path, u"\u4e57.txt");
}

TEST(PackageArchiveRead, RejectsDamagedArchives) {
  const std::string good = Build({Folder("P", {File("a.txt", "abc")})});
  std::string badMarker = good;
  badMarker[badMarker.size() - 5] = '!';
  std::string file3 = "abc";
  const int deep = kPackageMaxFolderDepth;
  struct Case {
    const char* what;
    std::string bytes;
    const char* reason;
  } cases[] = {
      // marker text with one character changed
      {"bad marker", badMarker, "no file list marker"},
      {"too short", "abc", "too short for a marker"},
      {"marker length 260", Table(0, {}) + U32(260), "marker length 260 or more"},
      {"marker longer than the archive", "abcd" + U32(21), "marker length points before the start"},
      {"wrong marker length", Table(0, {}) + "This is a file list" + U32(19), "no file list marker"},
      {"no table before the marker", "abc" + kMarker, "table header truncated"},
      // count far beyond what the bytes can hold: rejected before allocating
      {"huge entry count", U32(0) + U32(0x10000000) + kMarker, "entry count larger"},
      {"entry name length 0", "x" + Table(0, {Entry(0, 0, 0, "")}) + kMarker, "empty entry name"},
      {"entry name length 260", U32(0) + U32(0) + char(0) + std::string(260, 'a') + U32(260) + U32(0) + U32(1) + kMarker,
       "name length 260 or more"},
      {"name reaching before the table", std::string(20, 'a') + U32(200) + U32(0) + U32(1) + kMarker,
       "name points before its region"},
      {"fewer than 9 bytes before the name", "abcd" + std::string(10, 'n') + U32(10) + U32(0) + U32(1) + kMarker,
       "entry truncated"},
      {"file offset past the end", file3 + Table(0, {Entry(1000, 1, 0, "a")}) + kMarker, "outside the archive"},
      {"file size past the end", file3 + Table(0, {Entry(1, 0xFFFFFFFF, 0, "a")}) + kMarker, "outside the archive"},
      {"base pushes the offset out", file3 + Table(0xFFFFFFFF, {Entry(2, 1, 0, "a")}) + kMarker, "outside the archive"},
      // a folder whose region is the whole top level, its own table included
      {"self-referencing folder", Table(0, {Entry(0, 36, 0x80, "F")}) + kMarker, "outside its parent's"},
      {"folder past its parent", Table(0, {}) + Table(0, {Entry(0, 99, 0x80, "F")}) + kMarker,
       "outside its parent's"},
      {"nesting one level too deep", Build({Nest(deep + 1)}), "nested too deep"},
      {"regions shared to blow up the list", SharedRegions(20), "share table bytes"},
      {"name ..", file3 + Table(0, {Entry(0, 1, 0, "..")}) + kMarker, "unsafe entry name"},
      {"name holding ..", file3 + Table(0, {Entry(0, 1, 0, "a..b")}) + kMarker, "unsafe entry name"},
      {"name .", file3 + Table(0, {Entry(0, 1, 0, ".")}) + kMarker, "unsafe entry name"},
      {"name with backslash", file3 + Table(0, {Entry(0, 1, 0, "a\\b")}) + kMarker, "unsafe entry name"},
      {"name with slash", file3 + Table(0, {Entry(0, 1, 0, "a/b")}) + kMarker, "unsafe entry name"},
      {"name with drive colon", file3 + Table(0, {Entry(0, 1, 0, "C:x")}) + kMarker, "unsafe entry name"},
      {"name with a NUL", file3 + Table(0, {Entry(0, 1, 0, std::string("a\0b", 3))}) + kMarker,
       "unsafe entry name"},
  };
  for (const Case& c : cases) {
    Read r = ReadAll(c.bytes);
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.what << ": " << r.reason;
  }
  // Failure leaves the output list alone; the deepest allowed nesting reads.
  std::vector<PackageEntry> keep(1);
  PackageArchive a;
  ASSERT_TRUE(a.Attach(badMarker.data(), badMarker.size()));
  EXPECT_FALSE(a.ReadFileTable(&keep));
  EXPECT_EQ(keep.size(), 1u);
  EXPECT_TRUE(ReadAll(Build({Nest(deep)})).ok);
  EXPECT_FALSE(a.Attach(nullptr, 4));
  EXPECT_FALSE(a.Attach("x", 0));
}

class PackageExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "cx_archive_XXXXXX").string();
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::u16string Dest() const { return Utf8ToUtf16(dir_.string()); }
  std::string Content(const char* relative) const {
    std::string bytes;
    if (ReadWholeFile(Utf8ToUtf16((dir_ / relative).string()).c_str(), &bytes) != CX_OK) return "<missing>";
    return bytes;
  }
  bool Extract(const std::string& bytes, const std::u16string& filter, std::string* reason = nullptr) {
    PackageArchive a;
    std::vector<PackageEntry> list;
    if (!a.Attach(bytes.data(), bytes.size()) || !a.ReadFileTable(&list)) return false;
    return a.Extract(list, filter, Dest(), reason);
  }
  std::filesystem::path dir_;
};

TEST_F(PackageExtract, FilterAndRefusals) {
  const std::string bytes = Build({Folder("PackageFiles", {File("SetupScript.xml", "<s/>"), File("b", "b")})});
  ASSERT_TRUE(Extract(bytes, u"\\packagefiles\\SETUPSCRIPT.xml"));
  EXPECT_EQ(Content("PackageFiles/SetupScript.xml"), "<s/>");
  EXPECT_EQ(Content("PackageFiles/b"), "<missing>");
  std::string reason;
  EXPECT_FALSE(Extract(bytes, u"\\PackageFiles\\none", &reason));
  EXPECT_EQ(reason, "no entry matches the filter");

  // A top-level 0x81 entry is listed as a file but never written.
  const std::string odd = "data" + Table(0, {Entry(0, 4, 0x81, "odd.txt")}) + kMarker;
  EXPECT_FALSE(Extract(odd, u"", &reason));
  EXPECT_EQ(reason, "file entry flagged as a folder");
  EXPECT_EQ(Content("odd.txt"), "<missing>");

  // Entries handed in by a caller are checked again before writing.
  PackageArchive a;
  ASSERT_TRUE(a.Attach(bytes.data(), bytes.size()));
  PackageEntry outside;
  outside.path = u"x.txt";
  outside.offset = 2;
  outside.size = uint32_t(bytes.size());
  EXPECT_FALSE(a.Extract({outside}, u"", Dest(), &reason));
  PackageEntry climb = outside;
  climb.path = u"\\..\\x.txt";
  climb.size = 1;
  EXPECT_FALSE(a.Extract({climb}, u"", Dest(), &reason));
  EXPECT_EQ(reason, "unsafe entry path");
  EXPECT_FALSE(a.Extract({}, u"", u"", &reason));  // would land at the drive root
  PackageArchive unattached;
  EXPECT_FALSE(unattached.Extract({}, u"", Dest()));
}

TEST(PackageWriter, RejectsNamesItCannotStore) {
  std::string bytes, error;
  EXPECT_EQ(BuildPackageArchive({File("", "x")}, &bytes, &error), CX_E_BAD_DATA);
  EXPECT_EQ(BuildPackageArchive({File(std::string(260, 'n'), "x")}, &bytes, &error), CX_E_BAD_DATA);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(PackFolder(u"/nonexistent/cx_archive", kPackAsciiOnly, &bytes, &error), CX_E_BAD_DATA);
  EXPECT_NE(error.find("not a folder"), std::string::npos);
}

const std::vector<std::u16string>* g_existing = nullptr;
bool Exists(const std::u16string& path) {
  for (const auto& p : *g_existing)
    if (p == path) return true;
  return false;
}

TEST(TempFolderChoice, FirstExistingCandidateWins) {
  const TempFolderCandidates all{u"C:\\USERS~1\\Temp\\", u"C:\\users\\me\\Temp\\", u"C:\\windows",
                                 u"C:\\ProgramData"};
  struct Case {
    const char* what;
    std::vector<std::u16string> existing;
    const char16_t* chosen;  // null: none
  } cases[] = {
      {"temp path exists", {all.tempPath, all.longTempPath}, u"C:\\USERS~1\\Temp\\"},
      // short form missing, long form present
      {"long form", {all.longTempPath}, u"C:\\users\\me\\Temp\\"},
      {"Windows Temp", {u"C:\\windows", u"C:\\windows\\Temp\\", u"C:\\ProgramData\\"}, u"C:\\windows\\Temp\\"},
      {"common app data", {u"C:\\windows", u"C:\\ProgramData\\"}, u"C:\\ProgramData\\"},
      // Temp missing below Windows: the Windows folder itself is the last resort
      {"Windows folder", {u"C:\\windows"}, u"C:\\windows\\"},
      {"nothing exists", {}, nullptr},
  };
  for (const Case& c : cases) {
    g_existing = &c.existing;
    std::u16string folder = u"untouched";
    EXPECT_EQ(ChooseTempFolder(all, Exists, &folder), c.chosen ? 1 : 0) << c.what;
    EXPECT_EQ(folder, c.chosen ? c.chosen : u"untouched") << c.what;
  }
}

}  // namespace
