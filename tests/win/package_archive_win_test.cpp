// Package archive on Windows: extraction into real folders, the temporary
// folder, and a package embedded by cx_add_setup read back from the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file_io.h"
#include "package/package_archive.h"
#include "package/package_resource.h"
#include "package/package_writer.h"
#include "package/temp_folder.h"
#include "platform/win_handles.h"
#include "win_test_support.h"

namespace {

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

bool IsFolder(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WinPath(const char* unixPath) {  // Wine maps the Unix root to Z:
  std::wstring w(unixPath, unixPath + strlen(unixPath));
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return L"Z:" + w;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  if (ReadWholeFile(AsU16(path.c_str()), &bytes) != CX_OK) return "<missing>";
  return bytes;
}

struct Extraction {
  PackageArchive archive;
  std::vector<PackageEntry> entries;
  bool Open(const std::string& bytes) {
    return archive.Attach(bytes.data(), bytes.size()) && archive.ReadFileTable(&entries);
  }
};

TEST(PackageArchiveWin, ExtractsIntoARealFolder) {
  TestFolder dir;
  std::string big(40000, 'b');
  big[16384] = 'X';
  const std::string bytes = [&] {
    std::string out, error;
    BuildPackageArchive({Folder("PackageFiles", {Folder("Empty", {}), File("LICENSE", "terms"),
                                                 Folder("Sub", {File("big.bin", big), File("zero.txt", "")}),
                                                 File("SetupScript.xml", "<s/>")}),
                         File("readme.txt", "hello")},
                        &out, &error);
    return out;
  }();
  Extraction x;
  ASSERT_TRUE(x.Open(bytes));

  // The script alone first, filtered in lower case.
  const std::u16string dest = AsU16(dir.Path().c_str());
  ASSERT_TRUE(x.archive.Extract(x.entries, u"\\packagefiles\\setupscript.xml", dest));
  EXPECT_EQ(ReadBytes(dir.File(L"PackageFiles\\SetupScript.xml")), "<s/>");
  EXPECT_FALSE(FileExists(dir.File(L"readme.txt")));

  ASSERT_TRUE(x.archive.Extract(x.entries, u"", dest));
  EXPECT_EQ(ReadBytes(dir.File(L"PackageFiles\\Sub\\big.bin")), big);
  EXPECT_EQ(ReadBytes(dir.File(L"PackageFiles\\Sub\\zero.txt")), "");
  EXPECT_EQ(ReadBytes(dir.File(L"PackageFiles\\LICENSE")), "terms");
  EXPECT_EQ(ReadBytes(dir.File(L"readme.txt")), "hello");
  EXPECT_TRUE(IsFolder(dir.File(L"PackageFiles\\Empty")));
}

TEST(PackageArchiveWin, FailsWhenAFolderCannotBeMade) {
  TestFolder dir;
  const std::u16string dest = AsU16(dir.Path().c_str());
  // A folder cannot be created where a file of that name stands.
  std::string nested, error;
  ASSERT_EQ(BuildPackageArchive({Folder("taken", {File("a.txt", "a")})}, &nested, &error), CX_OK);
  dir.Write(L"taken", "file");
  Extraction y;
  ASSERT_TRUE(y.Open(nested));
  EXPECT_FALSE(y.archive.Extract(y.entries, u"", dest));
}

TEST(PackageArchiveWin, TempFolderExistsAndEndsWithBackslash) {
  std::u16string folder;
  ASSERT_EQ(GetTempFolder(&folder), 1);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'\\');
  EXPECT_TRUE(IsFolder(AsWide(folder.c_str())));
}

TEST(PackageArchiveWin, EmbeddedPackageReadsBack) {
  const std::wstring probe = TestHelperPath(L"cx_archive_probe.exe");
  ScopedModule module(LoadLibraryExW(probe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << GetLastError();
  std::string bytes = "untouched";
  EXPECT_EQ(ReadPackageResource(kPackageResourceId, &bytes, module.Get()), CX_OK);
  EXPECT_EQ(bytes, ReadBytes(WinPath(CX_ARCHIVE_PROBE_ARCHIVE)));
  std::string hook;  // added through CX_SETUP_RC_FILES
  EXPECT_EQ(ReadPackageResource(171, &hook, module.Get()), CX_OK);
  EXPECT_EQ(hook, "rc hook");
  std::string kept = "untouched";
  EXPECT_EQ(ReadPackageResource(172, &kept, module.Get()), CX_E_MISSING);
  EXPECT_EQ(ReadPackageResource(60000, &kept), CX_E_MISSING);  // this test program
  EXPECT_EQ(kept, "untouched");
}

TEST(PackageArchiveWin, ProbeProgramExtractsItsOwnPackage) {
  TestFolder dir;
  std::wstring command = L"\"" + TestHelperPath(L"cx_archive_probe.exe") + L"\" " + dir.Path();
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  ASSERT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(process.Get(), &code);
  ASSERT_EQ(code, 0u);
  const std::wstring source = WinPath(CX_ARCHIVE_PROBE_PACKAGE) + L"\\";
  for (const wchar_t* f : {L"PackageFiles\\SetupScript.xml", L"PackageFiles\\Bin\\tool.dat", L"readme.txt"})
    EXPECT_EQ(ReadBytes(dir.File(f)), ReadBytes(source + f)) << f;
  EXPECT_TRUE(IsFolder(dir.File(L"PackageFiles\\Empty")));
}

}  // namespace
