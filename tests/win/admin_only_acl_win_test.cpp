// The admin-only protection of the package folder and the uninstaller copy.
// The descriptor itself is checked entry by entry; what the file system
// keeps is read back. Wine keeps only what Unix permissions can say (the
// owner stands in for Administrators), so the read-back checks that nobody
// else is admitted, against a folder made with the defaults that admits
// Everyone.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <gtest/gtest.h>

#include <string>

#include "common/win_handles.h"
#include "platform/admin_only_acl.h"
#include "win_test_support.h"

namespace {

struct DaclSummary {
  bool isProtected = false;
  int admins = 0, system = 0, user = 0, others = 0;
  bool allFullAndInherited = true;
  std::string text;  // SDDL, for failure messages
};

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE known[SECURITY_MAX_SID_SIZE];
  DWORD n = sizeof known;
  return CreateWellKnownSid(type, nullptr, known, &n) && EqualSid(sid, known);
}

bool IsProcessUser(PSID sid) {
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
  BYTE buffer[256];
  DWORD n = 0;
  return GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &n) &&
         EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

DaclSummary Summarize(PSECURITY_DESCRIPTOR sd) {
  DaclSummary s;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(sd, &control, &revision);
  s.isProtected = (control & SE_DACL_PROTECTED) != 0;
  char* sddl = nullptr;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
    ScopedLocalMem owner(sddl);
    s.text = sddl;
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!GetAce(dacl, i, &raw)) continue;
    auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    PSID sid = &ace->SidStart;
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) ++s.others;
    else if (IsSid(sid, WinBuiltinAdministratorsSid)) ++s.admins;
    else if (IsSid(sid, WinLocalSystemSid)) ++s.system;
    else if (IsProcessUser(sid)) ++s.user;
    else ++s.others;
    const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    if ((ace->Mask & FILE_ALL_ACCESS) != FILE_ALL_ACCESS || (ace->Header.AceFlags & inherit) != inherit)
      s.allFullAndInherited = false;
  }
  return s;
}

DaclSummary ReadBack(const std::wstring& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
    return DaclSummary{};
  ScopedLocalMem owner(sd);
  return Summarize(sd);
}

// Admitted: Administrators, SYSTEM, and (where the file system can keep no
// more than an owner) the creating user, who is an administrator here.
void ExpectOnlyAdministratorsAndSystem(const DaclSummary& s) {
  EXPECT_EQ(s.others, 0) << s.text;
  EXPECT_EQ(s.system, 1) << s.text;
  EXPECT_EQ(s.admins + s.user, 1) << s.text;
}

}  // namespace

TEST(AdminOnlyAcl, DescriptorAdmitsOnlyAdministratorsAndSystemAndIsInherited) {
  AdminOnlySecurity holder;
  SECURITY_ATTRIBUTES* sa = ProtectionFor(true, &holder);
  ASSERT_NE(sa, nullptr);
  EXPECT_FALSE(sa->bInheritHandle);
  const DaclSummary s = Summarize(sa->lpSecurityDescriptor);
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
  ExpectOnlyAdministratorsAndSystem(ReadBack(dir));
  // The read-back can see the difference: the defaults admit Everyone.
  const std::wstring plain = folder.File(L"plain");
  ASSERT_TRUE(CreateDirectoryW(plain.c_str(), nullptr));
  EXPECT_GT(ReadBack(plain).others, 0) << ReadBack(plain).text;

  // The copy is protected from its creation.
  const std::wstring source = folder.Write(L"source.bin", std::string(200000, 'x') + "end");
  const std::wstring target = folder.File(L"Uninstallation_0000ACL2.exe");
  ASSERT_EQ(CopyToNewFile(AsU16(source.c_str()), AsU16(target.c_str()), sa), CX_OK);
  EXPECT_EQ(ReadFileText(target), ReadFileText(source));
  ExpectOnlyAdministratorsAndSystem(ReadBack(target));
  // A name someone else took is never written through.
  const std::wstring taken = folder.Write(L"taken.exe", "planted");
  EXPECT_EQ(CopyToNewFile(AsU16(source.c_str()), AsU16(taken.c_str()), sa), static_cast<CxResult>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadFileText(taken), L"planted");
}
