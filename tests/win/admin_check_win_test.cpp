// The administrator test on the real token (Wine runs processes as administrators).
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/admin_check.h"

// An impersonation token without the Administrators group must not count:
// the check looks at the effective token, not just at the process.
TEST(AdminCheckWin, AnswersForTheEffectiveToken) {
  EXPECT_EQ(IsUserAdmin(), 1);
  HANDLE process = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process));
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                       DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins));
  SID_AND_ATTRIBUTES disable = {admins, 0};
  HANDLE restricted = nullptr, impersonation = nullptr;
  BOOL made = CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted);
  CloseHandle(process);
  FreeSid(admins);
  if (!made) GTEST_SKIP() << "CreateRestrictedToken unsupported: " << GetLastError();
  BOOL dup = DuplicateToken(restricted, SecurityImpersonation, &impersonation);
  CloseHandle(restricted);
  ASSERT_TRUE(dup && SetThreadToken(nullptr, impersonation));
  int answer = IsUserAdmin();
  RevertToSelf();
  CloseHandle(impersonation);
  EXPECT_EQ(answer, 0);
}
