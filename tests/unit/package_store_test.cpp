// Package store: which folder a path brings onto disk, what a File copy may
// still take from the package, and that bytes the store did not write
// itself are never used; for both kinds of package.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/codepage.h"
#include "authoring/compressed_package_writer.h"
#include "package/package_store.h"
#include "authoring/package_writer.h"

namespace fs = std::filesystem;

namespace {

PackNode File(const std::string& name, const std::string& data) { return {name, false, data}; }
PackNode Folder(const std::string& name, std::vector<PackNode> children) {
  return {name, true, {}, {}, std::move(children)};
}

// PackageFiles\ {SetupScript.xml, run.exe, Bin\ {tool.exe, tool.dll, Plug\p.dat},
// Data\ {d.txt, Empty\}}; compressed, in frames of 2 bytes, so files span
// frames.
std::string SamplePackage(PackageKind kind) {
  std::string bytes, error;
  std::vector<PackNode> top = {Folder(
      "PackageFiles",
      {File("SetupScript.xml", "<Config/>"), File("run.exe", "RUN"),
       Folder("Bin", {File("tool.exe", "EXE"), File("tool.dll", "DLL"),
                      Folder("Plug", {File("p.dat", "PLUG")})}),
       Folder("Data", {File("d.txt", "DATA"), Folder("Empty", {})})})};
  CompressOptions small;
  small.frameBytes = 2;
  EXPECT_EQ(kind == PackageKind::kArchive ? BuildPackageArchive(top, &bytes, &error)
                                          : BuildCompressedPackage(top, small, &bytes, &error),
            CX_OK)
      << error;
  return bytes;
}

class PackageStoreTest : public ::testing::TestWithParam<PackageKind> {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "cx_store_XXXXXX").string();
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    dir_ = pattern;
    folder_ = Utf8ToUtf16(dir_.string() + "/");
    bytes_ = SamplePackage(GetParam());
    ASSERT_TRUE(store_.Open(bytes_.data(), bytes_.size(), CX_CP_UTF8, folder_, nullptr, GetParam()));
  }
  std::string Read(const PackageStore::ArchiveFile& file) {
    std::string out;
    EXPECT_EQ(store_.Stream(file, [&out](const uint8_t* p, size_t n) {
      out.append(reinterpret_cast<const char*>(p), n);
      return true;
    }), CX_OK);
    return out;
  }
  void TearDown() override { fs::remove_all(dir_); }

  bool OnDisk(const std::string& relative) const { return fs::exists(dir_ / relative); }
  std::u16string In(const std::u16string& rest) const { return folder_ + rest; }

  fs::path dir_;
  std::u16string folder_;
  std::string bytes_;
  PackageStore store_;
};

TEST_P(PackageStoreTest, APathBringsItsWholeFolderAndNothingElse) {
  // Written as a script writes it: a doubled separator after the folder,
  // mixed case, a ".." on the way.
  ASSERT_EQ(store_.EnsurePath(In(u"\\packagefiles\\BIN\\Plug\\..\\tool.exe")), CX_OK);
  EXPECT_TRUE(OnDisk("PackageFiles/Bin/tool.dll")) << "the program's neighbour";
  EXPECT_TRUE(OnDisk("PackageFiles/Bin/Plug/p.dat")) << "folders below come too";
  EXPECT_FALSE(OnDisk("PackageFiles/Data")) << "a sibling folder stays in the archive";
  EXPECT_FALSE(OnDisk("PackageFiles/run.exe"));

  // A folder named by its path; its empty folder is made.
  ASSERT_EQ(store_.EnsurePath(In(u"PackageFiles/Data")), CX_OK);
  EXPECT_TRUE(fs::is_directory(dir_ / "PackageFiles/Data/Empty"));

  // Outside the package nothing happens and nothing fails.
  EXPECT_EQ(store_.EnsurePath(u"/elsewhere/PackageFiles/run.exe"), CX_OK);
  EXPECT_FALSE(OnDisk("PackageFiles/run.exe"));
}

TEST_P(PackageStoreTest, CommandLinesNameTheirPackageFiles) {
  // Arguments after an unquoted path, and a quoted one.
  const std::u16string line = u"/s " + In(u"\\PackageFiles\\Bin\\tool.exe /q") + u" \"" +
                              In(u"\\PackageFiles\\Data\\d.txt") + u"\" /x";
  ASSERT_EQ(store_.EnsurePathsIn(line), CX_OK);
  EXPECT_TRUE(OnDisk("PackageFiles/Bin/tool.dll"));
  EXPECT_TRUE(OnDisk("PackageFiles/Data/d.txt"));
  EXPECT_FALSE(OnDisk("PackageFiles/run.exe"));
}

TEST_P(PackageStoreTest, FileCopiesReadTheArchiveUntilTheFileIsOnDisk) {
  PackageStore::ArchiveFile file;
  ASSERT_TRUE(store_.FindUnextracted(In(u"\\PackageFiles\\Bin\\tool.dll"), &file));
  EXPECT_EQ(Read(file), "DLL");
  EXPECT_TRUE(store_.FindUnextracted(In(u"\\PackageFiles\\Bin\\tool.dll"), &file))
      << "serving extracts nothing, so a second copy is served too";
  EXPECT_FALSE(OnDisk("PackageFiles"));
  EXPECT_FALSE(store_.FindUnextracted(In(u"\\PackageFiles\\Bin"), &file)) << "a folder";
  EXPECT_FALSE(store_.FindUnextracted(In(u"\\PackageFiles\\nothere"), &file));

  std::vector<PackageStore::TreeItem> items;
  ASSERT_TRUE(store_.ListFolder(In(u"\\PackageFiles\\Data"), &items));
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].path, u"d.txt");
  EXPECT_EQ(Read(items[0].file), "DATA");
  EXPECT_EQ(items[1].path, u"Empty\\");
  EXPECT_FALSE(store_.ListFolder(In(u"\\PackageFiles\\run.exe"), &items)) << "a file";

  ASSERT_EQ(store_.EnsurePath(In(u"\\PackageFiles\\Bin\\tool.exe")), CX_OK);
  EXPECT_FALSE(store_.FindUnextracted(In(u"\\PackageFiles\\Bin\\tool.dll"), &file))
      << "once the store wrote it, its disk copy is the truth";
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_P(PackageStoreTest, PlantedBytesNeverWin) {
  // Someone else's files at package paths before the store extracts them:
  // a plain file, and a link to a file of theirs.
  fs::create_directories(dir_ / "PackageFiles/Bin");
  std::ofstream(dir_ / "PackageFiles/Bin/tool.dll") << "PLANTED";
  std::ofstream(dir_ / "victim") << "VICTIM";
  fs::create_symlink(dir_ / "victim", dir_ / "PackageFiles/run.exe");
  // File copies still get the archive's bytes...
  PackageStore::ArchiveFile file;
  ASSERT_TRUE(store_.FindUnextracted(In(u"\\PackageFiles\\Bin\\tool.dll"), &file));
  std::string bytes;
  ASSERT_EQ(store_.Stream(file, [&bytes](const uint8_t* data, size_t size) {
    bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  }), CX_OK);
  EXPECT_EQ(bytes, "DLL");
  // ...and anything that needs the files on disk stops the run.
  EXPECT_EQ(store_.EnsurePath(In(u"\\PackageFiles\\Bin\\tool.exe")), CX_E_FAIL);
  EXPECT_EQ(store_.ExtractFile(In(u"\\PackageFiles\\run.exe")), CX_E_FAIL);
  EXPECT_FALSE(store_.IsExtractedFolder(In(u"\\PackageFiles\\Bin")));
  EXPECT_EQ(ReadText(dir_ / "PackageFiles/Bin/tool.dll"), "PLANTED");
  EXPECT_EQ(ReadText(dir_ / "victim"), "VICTIM") << "written through the link";
}

TEST_P(PackageStoreTest, TheStoresOwnFilesAreKnownUntilClose) {
  ASSERT_EQ(store_.EnsurePath(In(u"\\PackageFiles\\Bin\\tool.exe")), CX_OK);
  EXPECT_TRUE(store_.IsExtractedFolder(In(u"\\PackageFiles\\Bin\\Plug")));
  EXPECT_EQ(ReadText(dir_ / "PackageFiles/Bin/tool.dll"), "DLL");
  // The store's own files count as extracted: a second call writes nothing.
  EXPECT_EQ(store_.EnsurePath(In(u"\\PackageFiles\\Bin\\tool.dll")), CX_OK);
  store_.Close();
  EXPECT_FALSE(store_.IsOpen());
  EXPECT_EQ(store_.EnsurePath(In(u"\\PackageFiles\\run.exe")), CX_OK) << "closed: nothing to do";
  EXPECT_FALSE(OnDisk("PackageFiles/run.exe"));
}

TEST_P(PackageStoreTest, ScriptAloneAndFailures) {
  ASSERT_EQ(store_.ExtractFile(u"\\PackageFiles\\setupscript.XML"), CX_OK);
  EXPECT_TRUE(OnDisk("PackageFiles/SetupScript.xml"));
  EXPECT_FALSE(OnDisk("PackageFiles/run.exe"));
  EXPECT_EQ(store_.ExtractFile(u"\\PackageFiles\\Bin"), CX_E_MISSING) << "a folder is no file";

  // A folder that cannot be made (a file holds its name) fails, and a retry
  // after the obstacle is gone completes it.
  std::ofstream(dir_ / "PackageFiles/Data") << "in the way";
  EXPECT_EQ(store_.EnsurePath(In(u"\\PackageFiles\\Data\\d.txt")), CX_E_FAIL);
  fs::remove(dir_ / "PackageFiles/Data");
  EXPECT_EQ(store_.EnsurePath(In(u"\\PackageFiles\\Data\\d.txt")), CX_OK);
  EXPECT_TRUE(OnDisk("PackageFiles/Data/d.txt"));

  PackageStore closed;
  EXPECT_FALSE(closed.Open(bytes_.data(), bytes_.size() - 1, CX_CP_UTF8, folder_, nullptr, GetParam()))
      << "a damaged table fails at open";
  EXPECT_FALSE(closed.Open(bytes_.data(), bytes_.size(), CX_CP_UTF8, u"", nullptr, GetParam()));
  EXPECT_EQ(closed.EnsurePath(In(u"\\PackageFiles\\run.exe")), CX_OK) << "nothing to do";
}

INSTANTIATE_TEST_SUITE_P(Kinds, PackageStoreTest,
                         ::testing::Values(PackageKind::kArchive, PackageKind::kCompressed),
                         [](const ::testing::TestParamInfo<PackageKind>& info) {
                           return info.param == PackageKind::kArchive ? "Archive" : "Compressed";
                         });

}  // namespace
