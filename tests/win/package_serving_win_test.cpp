// Actions over a package that is extracted on demand: programs started from
// the package find what lies beside them, File copies are written straight
// from the archive under ReplaceFile's rules, and the package folder only
// receives what something other than a File copy needs.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "actions/file_actions.h"
#include "actions/process_actions.h"
#include "common/file_io.h"
#include "common/win_handles.h"
#include "engine/install_context.h"
#include "package/package_store.h"
#include "package/package_writer.h"
#include "platform/file_system.h"
#include "tinyxml.h"
#include "win_test_support.h"

void PrintTo(const PendingRename& e, std::ostream* os);

namespace {

struct Element {
  explicit Element(const std::wstring& xml) {
    std::string utf8(xml.size() * 3 + 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, xml.c_str(), -1, &utf8[0], static_cast<int>(utf8.size()),
                        nullptr, nullptr);
    doc.Parse(utf8.c_str());
    element = std::make_unique<ScriptElement>(doc.RootElement(), 0, 1);
  }
  ScriptElement* Get() { return element.get(); }
  TiXmlDocument doc;
  std::unique_ptr<ScriptElement> element;
};

PackNode File(const std::string& name, const std::string& data) { return {name, false, data}; }
PackNode Folder(const std::string& name, std::vector<PackNode> children) {
  return {name, true, {}, {}, std::move(children)};
}

std::string HelperBytes(const wchar_t* name) {
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(AsU16(TestHelperPath(name).c_str()), &bytes), CX_OK);
  return bytes;
}

// A package folder under a test folder, backed by an archive of
// PackageFiles\ {Tools\ {runner.exe, cx_version_dll.dll},
//                Files\ {a.txt, Sub\ {b.txt, c.bin}, Empty\},
//                Lib\ {older.dll, newer.dll}}.
class ServedPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.File(L"pkg\\");
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + (i >> 9));
    std::vector<PackNode> top = {Folder(
        "PackageFiles",
        {Folder("Tools", {File("runner.exe", HelperBytes(L"cx_test_helper.exe")),
                          File("cx_version_dll.dll", HelperBytes(L"cx_version_dll.dll"))}),
         Folder("Files", {File("a.txt", "alpha"),
                          Folder("Sub", {File("b.txt", "beta"), File("c.bin", big)}),
                          Folder("Empty", {})}),
         Folder("Lib", {File("older.dll", HelperBytes(L"cx_version_dll_older.dll")),
                        File("newer.dll", HelperBytes(L"cx_version_dll_newer.dll"))})})};
    std::string error;
    ASSERT_EQ(BuildPackageArchive(top, &archive_, &error), CX_OK) << error;
    ASSERT_TRUE(store_.Open(archive_.data(), archive_.size(), CX_CP_ANSI, AsU16(folder_.c_str())));
    context_.packageFolder.Assign(AsU16(folder_.c_str()));
    context_.package = &store_;
  }

  std::wstring Pkg(const wchar_t* rest) const { return folder_ + rest; }
  CxResult Copy(const std::wstring& src, const std::wstring& dest, bool cmpVer = false) {
    Element e(L"<File Src='" + src + L"' Dest='" + dest + L"'" +
              (cmpVer ? L" CmpVer='true'" : L"") + L"/>");
    return FileAction(e.Get()).Execute(&context_);
  }

  TestFolder dir_;
  std::wstring folder_;
  std::string archive_;
  PackageStore store_;
  InstallContext context_;
};

TEST_F(ServedPackage, AProgramFromThePackageLoadsTheDllBesideIt) {
  const std::wstring out = dir_.File(L"verdict.txt");
  Element start(L"<StartProcess Src='" + Pkg(L"\\PackageFiles\\Tools\\runner.exe") +
                L"' CmdLine='loaddll cx_version_dll.dll \"" + out + L"\"'/>");
  ASSERT_EQ(StartProcessAction(start.Get()).Execute(&context_), CX_OK);
  EXPECT_EQ(ReadFileText(out), L"loaded");
  EXPECT_FALSE(FileExists(Pkg(L"PackageFiles\\Files"))) << "only the program's folder lands";
}

TEST_F(ServedPackage, FileCopiesNeverTouchThePackageFolder) {
  // One source, two destinations: both land.
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\a.txt"), dir_.File(L"one\\a.txt")), CX_OK);
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\a.txt"), dir_.File(L"two\\a.txt")), CX_OK);
  EXPECT_EQ(ReadFileText(dir_.File(L"one\\a.txt")), L"alpha");
  EXPECT_EQ(ReadFileText(dir_.File(L"two\\a.txt")), L"alpha");

  // A tree: the same files, bytes and empty folder as the package holds.
  const std::wstring app = dir_.File(L"App 1.0");
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\*"), app + L"\\*"), CX_OK);
  EXPECT_EQ(ReadFileText(app + L"\\a.txt"), L"alpha");
  EXPECT_EQ(ReadFileText(app + L"\\Sub\\b.txt"), L"beta");
  std::string copied;
  ASSERT_EQ(ReadWholeFile(AsU16((app + L"\\Sub\\c.bin").c_str()), &copied), CX_OK);
  PackageStore::ArchiveFile original;
  ASSERT_TRUE(store_.FindUnextracted(AsU16(Pkg(L"PackageFiles\\Files\\Sub\\c.bin").c_str()), &original));
  EXPECT_EQ(copied, std::string(reinterpret_cast<const char*>(original.data), original.size));
  EXPECT_TRUE(GetFileAttributesW((app + L"\\Empty").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(FileExists(Pkg(L"PackageFiles"))) << "nothing was extracted";

  // A source neither on disk nor in the archive fails as a missing file.
  EXPECT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\none.txt"), dir_.File(L"one\\none.txt")),
            CX_WIN_ERROR_FILE_NOT_FOUND);
}

TEST_F(ServedPackage, VersionsAreComparedAgainstTheExtractedSource) {
  const std::wstring installed = dir_.File(L"bin\\lib.dll");
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Lib\\newer.dll"), installed), CX_OK);
  // An older package file never replaces a newer installed one...
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Lib\\older.dll"), installed, true), CX_OK);
  uint32_t v[4] = {};
  ASSERT_EQ(GetFileVersionNumbers(AsU16(installed.c_str()), v), CX_OK);
  EXPECT_EQ(v[3], 0u) << "1.2.4.0 kept";
  EXPECT_TRUE(FileExists(Pkg(L"PackageFiles\\Lib\\older.dll"))) << "extracted to be compared";
  // ...and without the version check it does.
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Lib\\older.dll"), installed), CX_OK);
  ASSERT_EQ(GetFileVersionNumbers(AsU16(installed.c_str()), v), CX_OK);
  EXPECT_EQ(v[3], 3u);
}

TEST_F(ServedPackage, AnInUseDestinationIsReplacedAtRestart) {
  PendingRenamesGuard pending(dir_.Path());
  const std::wstring dst = dir_.Write(L"held.txt", "old");
  HelperProcess holder(L"hold \"" + dst + L"\" none 60000");
  ASSERT_TRUE(holder.Started());
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\Sub\\b.txt"), dst), CX_OK);
  const std::wstring side = dst + L"_Discard_1";
  EXPECT_EQ(ReadFileText(side), L"beta");
  PendingRename remove, move;
  remove.source = AsU16(dst.c_str());
  move.source = AsU16(side.c_str());
  move.target = AsU16(dst.c_str());
  move.replaceExisting = true;
  EXPECT_EQ(pending.Mine(), (std::vector<PendingRename>{remove, move}));
}

}  // namespace
