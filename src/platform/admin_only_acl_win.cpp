// The admin-only descriptor and the copy into a new protected file.
#include "platform/admin_only_acl.h"

#include <sddl.h>

#include <vector>

namespace {
// P: protected, nothing inherited from the parent. OICI: files and folders
// created inside get the same entries. FA: full access. BA: Administrators;
// SY: SYSTEM.
const wchar_t kAdminOnlySddl[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
constexpr DWORD kCopyChunk = 64 * 1024;
}  // namespace

CxResult AdminOnlySecurity::Build() {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlySddl, SDDL_REVISION_1, &sd,
                                                            nullptr))
    return GetLastError();
  descriptor_.Reset(sd);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = sd;
  attributes_.bInheritHandle = FALSE;
  return CX_OK;
}

SECURITY_ATTRIBUTES* AdminOnlySecurity::Attributes() {
  return descriptor_ ? &attributes_ : nullptr;
}

SECURITY_ATTRIBUTES* ProtectionFor(bool elevated, AdminOnlySecurity* holder) {
  if (!elevated || !holder) return nullptr;
  if (holder->Attributes()) return holder->Attributes();
  return holder->Build() == CX_OK ? holder->Attributes() : nullptr;
}

CxResult CopyToNewFile(const char16_t* source, const char16_t* target,
                       SECURITY_ATTRIBUTES* attributes, ScopedFileHandle* held) {
  if (!source || !*source || !target || !*target) return CX_E_INVALID_ARG;
  ScopedFileHandle in(CreateFileW(AsWide(source), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in) return GetLastError();
  ScopedFileHandle out(CreateFileW(AsWide(target), GENERIC_WRITE | DELETE, 0, attributes,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return GetLastError();
  std::vector<char> buffer(kCopyChunk);
  CxResult result = CX_OK;
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(in.Get(), buffer.data(), kCopyChunk, &got, nullptr)) {
      result = GetLastError();
      break;
    }
    if (got == 0) break;
    if (!WriteFile(out.Get(), buffer.data(), got, &put, nullptr) || put != got) {
      result = GetLastError();
      if (result == CX_OK) result = ERROR_WRITE_FAULT;
      break;
    }
  }
  BY_HANDLE_FILE_INFORMATION written = {};
  if (result == CX_OK && !GetFileInformationByHandle(out.Get(), &written)) result = GetLastError();
  if (result != CX_OK) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    SetFileInformationByHandle(out.Get(), FileDispositionInfo, &disposition, sizeof disposition);
    return result;
  }
  out.Reset();
  if (!held) return CX_OK;
  ScopedFileHandle reader(CreateFileW(AsWide(target), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!reader) return GetLastError();
  BY_HANDLE_FILE_INFORMATION now = {};
  if (!GetFileInformationByHandle(reader.Get(), &now) ||
      now.dwVolumeSerialNumber != written.dwVolumeSerialNumber ||
      now.nFileIndexHigh != written.nFileIndexHigh || now.nFileIndexLow != written.nFileIndexLow ||
      (now.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return CX_E_FAIL;
  *held = std::move(reader);
  return CX_OK;
}
