// Package archive on Windows: real folders, the temporary folder, a package embedded by cx_add_setup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file_io.h"
#include "package/package_archive.h"
#include "package/package_resource.h"
#include "authoring/package_writer.h"
#include "package/temp_folder.h"
#include "common/win_handles.h"
#include "win_test_support.h"

namespace {

PackNode File(const std::string& name, const std::string& data) { return {name, false, data}; }
PackNode Folder(const std::string& name, std::vector<PackNode> children) {
  return {name, true, {}, {}, std::move(children)};
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

// Extracts all of `bytes` into `dest`.
bool ExtractAll(const std::string& bytes, const std::wstring& dest) {
  PackageArchive archive;
  std::vector<PackageEntry> entries;
  return archive.Attach(bytes.data(), bytes.size()) && archive.ReadFileTable(&entries) &&
         archive.Extract(entries, u"", AsU16(dest.c_str()));
}

TEST(PackageArchiveWin, ExtractsIntoARealFolder) {
  TestFolder dir;
  std::string big(40000, 'b'), bytes, error;
  big[16384] = 'X';
  ASSERT_EQ(BuildPackageArchive(
                {Folder("P", {Folder("Empty", {}), File("big.bin", big), File("zero.txt", "")})},
                &bytes, &error),
            CX_OK);
  ASSERT_TRUE(ExtractAll(bytes, dir.Path()));
  EXPECT_EQ(ReadBytes(dir.File(L"P\\big.bin")), big);
  EXPECT_EQ(ReadBytes(dir.File(L"P\\zero.txt")), "");
  EXPECT_TRUE(IsFolder(dir.File(L"P\\Empty")));
  // A folder cannot be created where a file of that name stands.
  TestFolder other;
  other.Write(L"P", "file");
  EXPECT_FALSE(ExtractAll(bytes, other.Path()));
}

TEST(PackageArchiveWin, TempFolderExistsAndEndsWithBackslash) {
  std::u16string folder;
  ASSERT_EQ(GetTempFolder(&folder), 1);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'\\');
  EXPECT_TRUE(IsFolder(AsWide(folder.c_str())));
}

TEST(PackageArchiveWin, ProbeProgramExtractsItsOwnPackage) {
  TestFolder dir;
  const std::wstring probe = TestHelperPath(L"cx_archive_probe.exe");
  std::wstring command = L"\"" + probe + L"\" " + dir.Path();
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(
      CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  ASSERT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(process.Get(), &code);
  ASSERT_EQ(code, 0u);
  const std::wstring source = WinPath(CX_ARCHIVE_PROBE_PACKAGE) + L"\\";
  for (const wchar_t* f : {L"PackageFiles\\SetupScript.xml", L"PackageFiles\\Bin\\tool.dat"})
    EXPECT_EQ(ReadBytes(dir.File(f)), ReadBytes(source + f)) << f;
  EXPECT_TRUE(IsFolder(dir.File(L"PackageFiles\\Empty")));
  ScopedModule module(LoadLibraryExW(probe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << GetLastError();
  std::string hook;  // added through CX_SETUP_RC_FILES
  EXPECT_EQ(ReadPackageResource(171, &hook, module.Get()), CX_OK);
  EXPECT_EQ(hook, "rc hook");
}

}  // namespace
