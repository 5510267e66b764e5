// The unelevated copy of the process token.
#include "platform/user_token.h"

#include <windows.h>

#include <iterator>
#include <vector>

namespace {

// The groups UAC leaves only for denying in a filtered token.
constexpr WELL_KNOWN_SID_TYPE kAdministrativeGroups[] = {
    WinBuiltinAdministratorsSid,     WinBuiltinPowerUsersSid,
    WinBuiltinAccountOperatorsSid,   WinBuiltinSystemOperatorsSid,
    WinBuiltinPrintOperatorsSid,     WinBuiltinBackupOperatorsSid,
    WinBuiltinNetworkConfigurationOperatorsSid,
};
constexpr DWORD kMediumIntegrityRid = 0x2000;

CxResult LastErrorOr(CxResult fallback) {
  const DWORD e = ::GetLastError();
  return e ? e : fallback;
}

// The token's user SID, copied into `buffer`.
bool ReadUser(HANDLE token, std::vector<BYTE>* buffer, PSID* user) {
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return false;
  buffer->assign(size, 0);
  if (!::GetTokenInformation(token, TokenUser, buffer->data(), size, &size)) return false;
  *user = reinterpret_cast<TOKEN_USER*>(buffer->data())->User.Sid;
  return true;
}

// Owner, default access list (the user and SYSTEM) and medium integrity.
CxResult MakeItTheUsers(HANDLE token) {
  std::vector<BYTE> userBuffer;
  PSID user = nullptr;
  if (!ReadUser(token, &userBuffer, &user)) return LastErrorOr(CX_E_FAIL);
  // Best effort: what the program creates then belongs to the user rather
  // than to the group it may no longer use. The rights are dropped either
  // way, and some systems (Wine) cannot change the owner.
  TOKEN_OWNER owner = {user};
  ::SetTokenInformation(token, TokenOwner, &owner, sizeof owner);

  BYTE systemSid[SECURITY_MAX_SID_SIZE];
  DWORD systemSize = sizeof systemSid;
  if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &systemSize))
    return LastErrorOr(CX_E_FAIL);
  const DWORD aclSize = sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(user) +
                        ::GetLengthSid(systemSid);
  std::vector<BYTE> aclBuffer(aclSize, 0);
  auto* acl = reinterpret_cast<ACL*>(aclBuffer.data());
  if (!::InitializeAcl(acl, aclSize, ACL_REVISION) ||
      !::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, user) ||
      !::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, systemSid))
    return LastErrorOr(CX_E_FAIL);
  TOKEN_DEFAULT_DACL dacl = {acl};
  if (!::SetTokenInformation(token, TokenDefaultDacl, &dacl, sizeof dacl))
    return LastErrorOr(CX_E_FAIL);

  SID_IDENTIFIER_AUTHORITY label = SECURITY_MANDATORY_LABEL_AUTHORITY;
  ScopedSid medium;
  if (!::AllocateAndInitializeSid(&label, 1, kMediumIntegrityRid, 0, 0, 0, 0, 0, 0, 0,
                                  medium.Receive()))
    return LastErrorOr(CX_E_FAIL);
  TOKEN_MANDATORY_LABEL integrity = {{medium.Get(), SE_GROUP_INTEGRITY}};
  if (!::SetTokenInformation(token, TokenIntegrityLevel, &integrity,
                             sizeof integrity + ::GetLengthSid(medium.Get())))
    return LastErrorOr(CX_E_FAIL);
  return CX_OK;
}

}  // namespace

CxResult CreateUnelevatedUserToken(ScopedHandle* out) {
  if (!out) return CX_E_INVALID_ARG;
  ScopedHandle own;
  if (!::OpenProcessToken(::GetCurrentProcess(),
                          TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY |
                              TOKEN_ADJUST_DEFAULT,
                          own.Receive()))
    return LastErrorOr(CX_E_FAIL);

  std::vector<std::vector<BYTE>> sids;
  std::vector<SID_AND_ATTRIBUTES> deny;
  for (WELL_KNOWN_SID_TYPE type : kAdministrativeGroups) {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE, 0);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &size)) continue;  // unknown here
    sids.push_back(std::move(sid));
    deny.push_back({sids.back().data(), 0});
  }
  ScopedHandle restricted;
  if (!::CreateRestrictedToken(own.Get(), DISABLE_MAX_PRIVILEGE, static_cast<DWORD>(deny.size()),
                               deny.data(), 0, nullptr, 0, nullptr, restricted.Receive()))
    return LastErrorOr(CX_E_FAIL);
  const CxResult made = MakeItTheUsers(restricted.Get());
  if (made != CX_OK) return made;
  *out = std::move(restricted);
  return CX_OK;
}
