// The administrator test on the real token (Wine runs processes as administrators).
#include <gtest/gtest.h>
#include <windows.h>

#include "common/win_handles.h"
#include "engine/admin_check.h"

// An impersonation token without the Administrators group must not count:
// the check looks at the effective token, not just at the process.
TEST(AdminCheckWin, AnswersForTheEffectiveToken) {
  EXPECT_EQ(IsUserAdmin(), 1);
  ScopedHandle process;
  ASSERT_TRUE(
      OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, process.Receive()));
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  ScopedSid admins;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                       DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, admins.Receive()));
  SID_AND_ATTRIBUTES disable = {admins.Get(), 0};
  ScopedHandle restricted, impersonation;
  if (!CreateRestrictedToken(process.Get(), 0, 1, &disable, 0, nullptr, 0, nullptr,
                             restricted.Receive()))
    GTEST_SKIP() << "CreateRestrictedToken unsupported: " << GetLastError();
  ASSERT_TRUE(DuplicateToken(restricted.Get(), SecurityImpersonation, impersonation.Receive()) &&
              SetThreadToken(nullptr, impersonation.Get()));
  int answer = IsUserAdmin();
  RevertToSelf();
  EXPECT_EQ(answer, 0);
}
