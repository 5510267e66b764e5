// Actions over a package that is extracted on demand: programs started from
// the package find what lies beside them, File copies are written straight
// from the package (decoded on the way, for a compressed one) under
// ReplaceFile's rules, and the package folder only receives what something
// other than a File copy needs: a .reg file to import, a certificate to
// add, the Firefox step's tools.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "browser/firefox_package_step.h"
#include "common/file_io.h"
#include "common/crypt32_api.h"
#include "common/win_handles.h"
#include "engine/install_context.h"
#include "authoring/compressed_package_writer.h"
#include "package/package_store.h"
#include "authoring/package_writer.h"
#include "platform/file_system.h"
#include "tinyxml.h"
#include "win_test_support.h"

void PrintTo(const PendingRename& e, std::ostream* os);

namespace {

PackNode File(const std::string& name, const std::string& data) { return {name, false, data}; }
PackNode Folder(const std::string& name, std::vector<PackNode> children) {
  return {name, true, {}, {}, std::move(children)};
}

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(AsU16(path.c_str()), &bytes), CX_OK) << std::string(path.begin(), path.end());
  return bytes;
}
std::string HelperBytes(const wchar_t* name) { return FileBytes(TestHelperPath(name)); }

// A package folder under a test folder, backed by a package of either kind
// holding PackageFiles\ {Tools\ {runner.exe, cx_version_dll.dll},
//                         Files\ {a.txt, Sub\ {b.txt, c.bin}, Empty\},
//                         Lib\ {older.dll, newer.dll}}.
class ServedPackage : public ::testing::TestWithParam<PackageKind> {
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
    CompressOptions fast;
    fast.level = 3;
    ASSERT_EQ(GetParam() == PackageKind::kArchive ? BuildPackageArchive(top, &archive_, &error)
                                                  : BuildCompressedPackage(top, fast, &archive_, &error),
              CX_OK)
        << error;
    ASSERT_TRUE(store_.Open(archive_.data(), archive_.size(), CX_CP_ANSI, AsU16(folder_.c_str()),
                            nullptr, GetParam()));
    big_ = big;
    context_.packageFolder.Assign(AsU16(folder_.c_str()));
    context_.package = &store_;
  }

  std::wstring Pkg(const wchar_t* rest) const { return folder_ + rest; }
  CxResult Copy(const std::wstring& src, const std::wstring& dest, bool cmpVer = false) {
    TestElement e(L"<File Src='" + src + L"' Dest='" + dest + L"'" +
              (cmpVer ? L" CmpVer='true'" : L"") + L"/>");
    return RunAction(e, &context_);
  }

  TestFolder dir_;
  std::wstring folder_;
  std::string archive_;
  std::string big_;  // c.bin's bytes
  PackageStore store_;
  InstallContext context_;
};

TEST_P(ServedPackage, AProgramFromThePackageLoadsTheDllBesideIt) {
  const std::wstring out = dir_.File(L"verdict.txt");
  TestElement start(L"<StartProcess Src='" + Pkg(L"\\PackageFiles\\Tools\\runner.exe") +
                L"' CmdLine='loaddll cx_version_dll.dll \"" + out + L"\"'/>");
  ASSERT_EQ(RunAction(start, &context_), CX_OK);
  EXPECT_EQ(ReadFileText(out), L"loaded");
  EXPECT_FALSE(FileExists(Pkg(L"PackageFiles\\Files"))) << "only the program's folder lands";

  // The program ran from files the store holds: while it does, nobody can
  // rename, delete or write them, nor rename their folder.
  for (const std::wstring& held : {Pkg(L"PackageFiles\\Tools\\runner.exe"),
                                   Pkg(L"PackageFiles\\Tools\\cx_version_dll.dll"),
                                   Pkg(L"PackageFiles\\Tools")}) {
    EXPECT_FALSE(MoveFileW(held.c_str(), (held + L"_swapped").c_str())) << held;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << held;
  }
  const std::wstring exe = Pkg(L"PackageFiles\\Tools\\runner.exe");
  EXPECT_FALSE(DeleteFileW(exe.c_str()));
  ScopedFileHandle writer(CreateFileW(exe.c_str(), GENERIC_WRITE, 7, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer) << "opened for writing";
  store_.Close();
  EXPECT_TRUE(MoveFileW(exe.c_str(), (exe + L"_swapped").c_str())) << "the run let go";
}

TEST_P(ServedPackage, PlantedBytesAreNeverCopiedNorRun) {
  // Someone else's file at a package path before the store extracts it.
  ASSERT_TRUE(CreateDirectoryW(Pkg(L"PackageFiles").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(Pkg(L"PackageFiles\\Files").c_str(), nullptr));
  const std::wstring planted = dir_.Write(L"pkg\\PackageFiles\\Files\\a.txt", "planted");
  // A File copy takes the archive's bytes...
  ASSERT_EQ(Copy(planted, dir_.File(L"out\\a.txt")), CX_OK);
  EXPECT_EQ(ReadFileText(dir_.File(L"out\\a.txt")), L"alpha");
  const std::wstring app = dir_.File(L"App");
  ASSERT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\*"), app + L"\\*"), CX_OK);
  EXPECT_EQ(ReadFileText(app + L"\\a.txt"), L"alpha");
  // ...and an action that needs the file on disk stops the run.
  TestElement reg(L"<RunRegFile Src='" + planted + L"' os='os64'/>");
  EXPECT_EQ(RunAction(reg, &context_), CX_E_FAIL);
  EXPECT_EQ(ReadFileText(planted), L"planted");
}

TEST_P(ServedPackage, FileCopiesNeverTouchThePackageFolder) {
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
  EXPECT_EQ(copied, big_);
  EXPECT_TRUE(GetFileAttributesW((app + L"\\Empty").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(FileExists(Pkg(L"PackageFiles"))) << "nothing was extracted";

  // A tree whose file has a folder in its place: the copy fails with that
  // file's result, whichever thread wrote it, and the files before it land.
  const std::wstring blocked = dir_.File(L"blocked");
  for (const wchar_t* made : {L"", L"\\Sub", L"\\Sub\\b.txt"})
    ASSERT_TRUE(CreateDirectoryW((blocked + made).c_str(), nullptr));
  EXPECT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\*"), blocked + L"\\*"), CX_E_INVALID_ARG);
  EXPECT_EQ(ReadFileText(blocked + L"\\a.txt"), L"alpha");

  // A source neither on disk nor in the archive fails as a missing file.
  EXPECT_EQ(Copy(Pkg(L"\\PackageFiles\\Files\\none.txt"), dir_.File(L"one\\none.txt")),
            CX_WIN_ERROR_FILE_NOT_FOUND);
}

TEST_P(ServedPackage, VersionsAreComparedAgainstTheExtractedSource) {
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

TEST_P(ServedPackage, AnInUseDestinationIsReplacedAtRestart) {
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

INSTANTIATE_TEST_SUITE_P(Kinds, ServedPackage,
                         ::testing::Values(PackageKind::kArchive, PackageKind::kCompressed),
                         [](const ::testing::TestParamInfo<PackageKind>& info) {
                           return info.param == PackageKind::kArchive ? "Archive" : "Compressed";
                         });

// Packages whose files are read from disk by someone else: regedit, the
// certificate store's file reader, certutil. The package's folders are
// PackageFiles\ {Reg\ {import.reg, notes.txt}, Certs\ {p256.der},
// CertToReg\ {certutil.exe, wSpawn.exe, CxWssRoot.cer}, Payload\ {data.txt}};
// none of them is on disk when a test starts. The .reg file writes to a key
// of this test's own, and the certificate goes to a store of its own; both
// are removed afterwards.
class PackageFilesOnDemand : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t name[64];
    swprintf(name, 64, L"SOFTWARE\\cxsetup-test-%lu-package", GetCurrentProcessId());
    key_ = name;
    swprintf(name, 64, L"CxTestStore_%08lX_package", GetCurrentProcessId());
    store_ = name;
    TearDown();
    const std::string key(key_.begin(), key_.end());
    const std::string reg = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + key + "]\r\n\"Imported\"=\"yes\"\r\n";
    Open({Folder("Reg", {File("import.reg", reg), File("notes.txt", "n")}),
          Folder("Certs", {File("p256.der", FileBytes(WinePath(CX_TEST_CERT_DIR "/p256.der")))}),
          Folder("CertToReg",
                 {File("certutil.exe", HelperBytes(L"cx_certutil_standin.exe")),
                  File("wSpawn.exe", FileBytes(WinePath(CX_WSPAWN_PATH))),
                  File("CxWssRoot.cer", FileBytes(WinePath(CX_TEST_CERT_DIR "/rsa.der")))}),
          Folder("Payload", {File("data.txt", "d")})});
  }
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      ScopedRegKey h;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | view, h.Receive()) == 0)
        RegDeleteTreeW(h.Get(), key_.substr(wcslen(L"SOFTWARE\\")).c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Microsoft\\SystemCertificates\\" + store_).c_str());
  }

  // Replaces the package with one holding `children` below PackageFiles, in
  // a fresh package folder.
  void Open(std::vector<PackNode> children) {
    folder_ = dir_.File((L"pkg" + std::to_wstring(++opened_) + L"\\").c_str());
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    std::string error;
    archive_.clear();
    ASSERT_EQ(BuildPackageArchive({Folder("PackageFiles", std::move(children))}, &archive_, &error),
              CX_OK)
        << error;
    package_ = std::make_unique<PackageStore>();
    ASSERT_TRUE(package_->Open(archive_.data(), archive_.size(), CX_CP_ANSI,
                                    AsU16(folder_.c_str())));
    context_.packageFolder.Assign(AsU16(folder_.c_str()));
    context_.package = package_.get();
  }
  std::wstring Pkg(const wchar_t* rest) const { return folder_ + rest; }

  TestFolder dir_;
  int opened_ = 0;
  std::wstring folder_;
  std::string archive_;
  std::unique_ptr<PackageStore> package_;
  InstallContext context_;
  std::wstring key_;
  std::wstring store_;
};

TEST_F(PackageFilesOnDemand, RegeditAndTheStoreReadTheExtractedFiles) {
  const std::wstring reg = Pkg(L"PackageFiles\\Reg\\import.reg");
  const std::wstring cert = Pkg(L"PackageFiles\\Certs\\p256.der");
  ASSERT_FALSE(FileExists(reg) || FileExists(cert));
  // "os64": the import runs on this 64-bit prefix, into the 32-bit view.
  TestElement e(L"<RunRegFile Src='" + reg + L"' os='os64'/>");
  ASSERT_EQ(RunAction(e, &context_), CX_OK);
  wchar_t value[16] = {};
  DWORD size = sizeof(value);
  ScopedRegKey h;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
                          h.Receive()),
            0)
      << "nothing imported";
  EXPECT_EQ(RegQueryValueExW(h.Get(), L"Imported", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                             &size),
            0);
  EXPECT_STREQ(value, L"yes");
  EXPECT_TRUE(FileExists(Pkg(L"PackageFiles\\Reg\\notes.txt"))) << "its whole folder lands";
  EXPECT_FALSE(FileExists(cert)) << "and nothing else";

  TestElement add(L"<RegCertFile Src='" + cert + L"' StoreName='" + store_ + L"'/>");
  ASSERT_EQ(RunAction(add, &context_), CX_OK);
  const std::string der = FileBytes(cert);
  ScopedCertContext wanted(Crypt32()->CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), DWORD(der.size())));
  ASSERT_TRUE(wanted);
  ScopedCertStore store(Crypt32()->CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                      CERT_SYSTEM_STORE_CURRENT_USER, store_.c_str()));
  ASSERT_TRUE(store);
  ScopedCertContext found(Crypt32()->CertFindCertificateInStore(store.Get(), X509_ASN_ENCODING, 0,
                                                     CERT_FIND_EXISTING, wanted.Get(), nullptr));
  EXPECT_TRUE(found) << "not in the store";
  EXPECT_FALSE(FileExists(Pkg(L"PackageFiles\\Payload")));
}

TEST_F(PackageFilesOnDemand, TheFirefoxStepRunsTheExtractedTools) {
  ASSERT_FALSE(FileExists(Pkg(L"PackageFiles\\CertToReg")));
  EXPECT_EQ(RunPackageFirefoxStep(&context_), 1) << "the root was found beside the tools";
  EXPECT_NE(ReadFileText(Pkg(L"PackageFiles\\CertToReg\\certutil.log")), L"")
      << "the stand-in certutil ran from the package folder";
  EXPECT_FALSE(FileExists(Pkg(L"PackageFiles\\Payload")));

  // A package without the folder: nothing to run, nothing extracted.
  Open({Folder("Payload", {File("data.txt", "d")})});
  EXPECT_EQ(RunPackageFirefoxStep(&context_), 0);
  EXPECT_FALSE(FileExists(Pkg(L"PackageFiles")));
}

}  // namespace
