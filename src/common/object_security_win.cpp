// Open access lists and the low integrity label for named kernel objects.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "common/object_security.h"

namespace {

constexpr DWORD kAppPackagesSidSize = 68;  // SECURITY_MAX_SID_SIZE
// O:BA owned by Administrators; D:P a protected list: full access (GA) for
// Administrators (BA) and SYSTEM (SY), nothing for anyone else.
const wchar_t kAdminOnlyObjectSddl[] = L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)";
constexpr int kWinBuiltinAnyPackageSid = 84;  // WinBuiltinAnyPackageSid

using ConvertSddlFn = BOOL(WINAPI*)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);

ConvertSddlFn ResolveConvertSddl() {
  HMODULE advapi = ::GetModuleHandleW(L"Advapi32.dll");
  if (!advapi) advapi = ::LoadLibraryW(L"Advapi32.dll");  // stays loaded for the process
  if (!advapi) return nullptr;
  return reinterpret_cast<ConvertSddlFn>(reinterpret_cast<void*>(
      ::GetProcAddress(advapi, "ConvertStringSecurityDescriptorToSecurityDescriptorW")));
}

DWORD AllowedAceSize(PSID sid) {
  return sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sid);
}

CxResult LastErrorOr(CxResult fallback) {
  const DWORD error = ::GetLastError();
  return error ? error : fallback;
}

}  // namespace

SECURITY_ATTRIBUTES* OpenSecurityDescriptor::Attributes() {
  if (!descriptor_) return nullptr;
  attributes_.nLength = sizeof(SECURITY_ATTRIBUTES);
  attributes_.lpSecurityDescriptor = descriptor_.get();
  attributes_.bInheritHandle = FALSE;
  return &attributes_;
}

CxResult BuildEveryoneSid(ScopedSid* out) {
  if (!out) return CX_E_INVALID_ARG;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid))
    return LastErrorOr(CX_E_FAIL);
  out->Reset(sid);
  return CX_OK;
}

CxResult BuildAppPackagesSid(ScopedLocalMem* out) {
  if (!out) return CX_E_INVALID_ARG;
  ScopedLocalMem sid(::LocalAlloc(LPTR, kAppPackagesSidSize));
  if (!sid) return CX_E_OUT_OF_MEMORY;
  DWORD size = kAppPackagesSidSize;
  if (!::CreateWellKnownSid(static_cast<WELL_KNOWN_SID_TYPE>(kWinBuiltinAnyPackageSid), nullptr,
                            sid.Get(), &size))
    return LastErrorOr(CX_E_FAIL);
  *out = std::move(sid);
  return CX_OK;
}

CxResult BuildOpenSecurityDescriptor(OpenSecurityDescriptor* out) {
  if (!out) return CX_E_INVALID_ARG;
  ScopedSid everyone;
  CxResult result = BuildEveryoneSid(&everyone);
  if (result != CX_OK) return result;
  ScopedLocalMem packages;
  const bool havePackages = BuildAppPackagesSid(&packages) == CX_OK;

  // Room for the header and one allowed-access entry per SID, each with its SID.
  DWORD aclSize = sizeof(ACL) + AllowedAceSize(everyone.Get());
  if (havePackages) aclSize += AllowedAceSize(packages.Get());
  aclSize = (aclSize + 3) & ~3u;

  ScopedHeapBlock acl(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, aclSize));
  if (!acl) return CX_E_OUT_OF_MEMORY;
  auto* list = static_cast<ACL*>(acl.Get());
  if (!::InitializeAcl(list, aclSize, ACL_REVISION) ||
      !::AddAccessAllowedAce(list, ACL_REVISION, GENERIC_ALL, everyone.Get()))
    return LastErrorOr(CX_E_FAIL);
  if (havePackages && !::AddAccessAllowedAce(list, ACL_REVISION, GENERIC_ALL, packages.Get()))
    return LastErrorOr(CX_E_FAIL);

  std::unique_ptr<SECURITY_DESCRIPTOR> descriptor(new (std::nothrow) SECURITY_DESCRIPTOR());
  if (!descriptor) return CX_E_OUT_OF_MEMORY;
  if (!::InitializeSecurityDescriptor(descriptor.get(), SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(descriptor.get(), TRUE, list, FALSE))
    return LastErrorOr(CX_E_FAIL);

  OpenSecurityDescriptor built;
  built.descriptor_ = std::move(descriptor);
  built.acl_ = std::move(acl);
  *out = std::move(built);
  return CX_OK;
}

void SetLowIntegrityLabel(HANDLE object) {
  if (!object) return;
  static const ConvertSddlFn convert = ResolveConvertSddl();
  if (!convert) return;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!convert(L"S:(ML;;NW;;;LW)", SDDL_REVISION_1, &raw, nullptr) || !raw) return;
  ScopedLocalMem descriptor(raw);
  BOOL present = FALSE, defaulted = FALSE;
  PACL sacl = nullptr;
  if (!::GetSecurityDescriptorSacl(descriptor.Get(), &present, &sacl, &defaulted) || !present)
    return;
  ::SetSecurityInfo(object, SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr,
                    nullptr, sacl);
}

bool ProcessIsElevated() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  ScopedSid admins;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, admins.Receive()))
    return false;
  BOOL member = FALSE;
  return ::CheckTokenMembership(nullptr, admins.Get(), &member) && member;
}

CxResult NamedObjectSecurity::Build(bool elevated) {
  elevated_ = elevated;
  if (!elevated) return BuildOpenSecurityDescriptor(&open_);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyObjectSddl, SDDL_REVISION_1,
                                                              &descriptor, nullptr))
    return LastErrorOr(CX_E_FAIL);
  adminOnly_.Reset(descriptor);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor;
  attributes_.bInheritHandle = FALSE;
  return CX_OK;
}

SECURITY_ATTRIBUTES* NamedObjectSecurity::Attributes() {
  if (!elevated_) return open_.Attributes();
  return adminOnly_ ? &attributes_ : nullptr;
}

void NamedObjectSecurity::Finish(HANDLE object) const {
  if (!elevated_) SetLowIntegrityLabel(object);
}

bool MadeByAdministrators(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  ScopedLocalMem held(descriptor);
  return owner && (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                   ::IsWellKnownSid(owner, WinLocalSystemSid));
}
