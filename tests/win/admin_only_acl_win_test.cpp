// The admin-only protection of the package folder and the uninstaller copy.
// The descriptor itself is checked entry by entry; what the file system
// keeps is read back. Wine keeps only what Unix permissions can say (the
// owner stands in for Administrators), so the read-back checks that nobody
// else is admitted, against a folder made with the defaults that admits
// Everyone.
#include <windows.h>
#include <gtest/gtest.h>

#include "common/win_handles.h"
#include "platform/admin_only_acl.h"
#include "win_test_support.h"

TEST(AdminOnlyAcl, DescriptorAdmitsOnlyAdministratorsAndSystemAndIsInherited) {
  AdminOnlySecurity holder;
  SECURITY_ATTRIBUTES* sa = ProtectionFor(true, &holder);
  ASSERT_NE(sa, nullptr);
  EXPECT_FALSE(sa->bInheritHandle);
  const DaclSummary s = SummarizeDacl(sa->lpSecurityDescriptor);
  EXPECT_TRUE(s.isProtected) << "the temporary folder's entries (its user's) must not flow in";
  EXPECT_EQ(s.admins, 1) << s.text;
  EXPECT_EQ(s.system, 1) << s.text;
  EXPECT_EQ(s.user + s.others, 0) << s.text;
  EXPECT_TRUE(s.allFullAndInherited) << "extracted files must get the same entries: " << s.text;
  EXPECT_EQ(ProtectionFor(false, &holder), nullptr) << "unelevated: the folder's defaults";
}

TEST(AdminOnlyAcl, FolderAndCopyReadBackWithoutEveryoneAndCopiesNeverOverwrite) {
  TestFolder folder;
  AdminOnlySecurity holder;
  SECURITY_ATTRIBUTES* sa = ProtectionFor(true, &holder);
  const std::wstring dir = folder.File(L"CxKeyPackage_0000ACL1");
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), sa));
  ExpectOnlyAdministratorsAndSystem(ReadBackDacl(dir));
  // The read-back can see the difference: the defaults admit Everyone.
  const std::wstring plain = folder.File(L"plain");
  ASSERT_TRUE(CreateDirectoryW(plain.c_str(), nullptr));
  EXPECT_GT(ReadBackDacl(plain).others, 0) << ReadBackDacl(plain).text;

  // The copy is protected from its creation.
  const std::wstring source = folder.Write(L"source.bin", std::string(200000, 'x') + "end");
  const std::wstring target = folder.File(L"Uninstallation_0000ACL2.exe");
  ASSERT_EQ(CopyToNewFile(AsU16(source.c_str()), AsU16(target.c_str()), sa), CX_OK);
  EXPECT_EQ(ReadFileText(target), ReadFileText(source));
  ExpectOnlyAdministratorsAndSystem(ReadBackDacl(target));
  // A name someone else took is never written through.
  const std::wstring taken = folder.Write(L"taken.exe", "planted");
  EXPECT_EQ(CopyToNewFile(AsU16(source.c_str()), AsU16(taken.c_str()), sa), static_cast<CxResult>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadFileText(taken), L"planted");
}
