// Plays a process of the same user without the elevation, as the boundary
// test's attacker: its thread runs with the user's token filtered as UAC
// filters it (Administrators deny-only, no privileges, medium integrity).
//
//   cx_unelevated squat NAME MS   makes the mutex NAME first, open to
//                                 everyone, prints "ready" and holds it MS
//   cx_unelevated open NAME       opens the mutex NAME: exit 0 opened,
//                                 5 access denied, 2 no such mutex, 3 other
//
// Exit 4 when the filtered token cannot be made.
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cwchar>

namespace {

bool BecomeUnelevated() {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own)) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                           0, 0, 0, &admins);
  SID_AND_ATTRIBUTES deny = {admins, 0};
  HANDLE filtered = nullptr, thread = nullptr;
  const bool made = CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 1, &deny, 0, nullptr, 0,
                                          nullptr, &filtered) &&
                    DuplicateToken(filtered, SecurityImpersonation, &thread);
  PSID medium = nullptr;
  if (made && ConvertStringSidToSidW(L"S-1-16-8192", &medium)) {
    TOKEN_MANDATORY_LABEL label = {{medium, SE_GROUP_INTEGRITY}};
    SetTokenInformation(thread, TokenIntegrityLevel, &label,
                        sizeof label + GetLengthSid(medium));
  }
  BOOL member = TRUE;
  return made && SetThreadToken(nullptr, thread) &&
         CheckTokenMembership(nullptr, admins, &member) && !member;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 64;
  if (!BecomeUnelevated()) return 4;
  if (!wcscmp(argv[1], L"squat") && argc >= 4) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, argv[2]);
    if (!mutex) return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(wcstoul(argv[3], nullptr, 10));
    CloseHandle(mutex);
    return 0;
  }
  if (!wcscmp(argv[1], L"open")) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, argv[2]);
    if (mutex) {
      CloseHandle(mutex);
      return 0;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? 5 : error == ERROR_FILE_NOT_FOUND ? 2 : 3;
  }
  return 64;
}
