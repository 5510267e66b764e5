// IsUserAdmin through CheckTokenMembership, which tests the effective token
// (the thread's impersonation token, else the process token) just as an
// access check against an Administrators-only descriptor would.
#include "engine/admin_check.h"

#include <windows.h>

#include "common/win_handles.h"

int IsUserAdmin() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  ScopedSid admins;
  if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, admins.Receive()))
    return 0;
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, admins.Get(), &member)) return 0;
  return member ? 1 : 0;
}
