// Fresh names for the package folder and the uninstaller copy.
#include "app/fresh_name.h"

#include <ntsecapi.h>

#include <functional>

#include "platform/admin_only_acl.h"
#include "platform/object_checks.h"
#include "platform/tree_delete.h"

namespace {
// A taken name is someone else's (or a leftover): a few more draws, then
// give up; with 64 random bits a second clash means something is wrong.
constexpr int kFreshNameTries = 16;

bool RandomWord(uint64_t* value) {
  // RtlGenRandom (SystemFunction036 of advapi32), the system's generator.
  return RtlGenRandom(value, sizeof *value) != FALSE;
}

std::u16string FreshName(const std::u16string& folder, const char16_t* prefix,
                         const char16_t* suffix, uint64_t value) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string name = folder + prefix;
  for (int shift = 60; shift >= 0; shift -= 4) name += kDigits[(value >> shift) & 0xF];
  return name + suffix;
}

// 1 for the names someone else holds: they exist, or they vanished or
// changed between the create and the open.
int ClaimAnswer(CxResult r) {
  if (r == CX_OK) return 0;
  return (r == ERROR_FILE_EXISTS || r == ERROR_ALREADY_EXISTS || r == ERROR_FILE_NOT_FOUND ||
          r == ERROR_PATH_NOT_FOUND || r == ERROR_SHARING_VIOLATION || r == CX_E_FAIL)
             ? 1
             : 2;
}
// Draws up to `tries` names in `folder` and calls `claim` with each, which
// returns 0 when it made the object, 1 when the name was taken, anything
// else to give up. True with `made` set when a name was claimed.
bool ClaimFreshName(const std::u16string& folder, const char16_t* prefix, const char16_t* suffix,
                    int tries, const std::function<int(const char16_t* name)>& claim,
                    std::u16string* made) {
  if (!prefix || !suffix || !made) return false;
  for (int i = 0; i < tries; ++i) {
    uint64_t value = 0;
    if (!RandomWord(&value)) return false;
    const std::u16string name = FreshName(folder, prefix, suffix, value);
    const int answer = claim(name.c_str());
    if (answer == 0) {
      *made = name;
      return true;
    }
    if (answer != 1) return false;
  }
  return false;
}
}  // namespace

CxResult CreateFreshFolder(const std::u16string& folder, const char16_t* prefix,
                           SECURITY_ATTRIBUTES* security, std::u16string* made,
                           ScopedFileHandle* held) {
  if (!made || !held) return CX_E_INVALID_ARG;
  CxResult last = CX_E_FAIL;
  ScopedFileHandle opened;
  std::u16string name;
  const bool claimed = ClaimFreshName(
      folder, prefix, u"\\", kFreshNameTries,
      [&](const char16_t* path) {
        if (!::CreateDirectoryW(AsWide(path), security)) return ClaimAnswer(last = ::GetLastError());
        // Opened by name after the create: what opens must be the folder
        // just made (a sweep or someone else may have been quicker).
        ScopedFileHandle h(::CreateFileW(AsWide(path), kTreeDeleteFolderAccess | READ_CONTROL,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
        if (!h) return ClaimAnswer(last = ::GetLastError());
        last = CheckObjectKind(h.Get(), true);
        if (last == CX_OK) last = CheckOwnedByProcess(h.Get());
        if (last != CX_OK) return ClaimAnswer(CX_E_FAIL);
        opened = std::move(h);
        return 0;
      },
      &name);
  if (!claimed) return last == CX_OK ? CX_E_FAIL : last;
  *made = name;
  *held = std::move(opened);
  return CX_OK;
}

CxResult CopyToFreshFile(const std::u16string& source, const std::u16string& folder,
                         const char16_t* prefix, const char16_t* suffix,
                         SECURITY_ATTRIBUTES* security, std::u16string* made,
                         ScopedFileHandle* held) {
  if (!made || !held) return CX_E_INVALID_ARG;
  CxResult last = CX_E_FAIL;
  ScopedFileHandle opened;
  std::u16string name;
  const bool claimed = ClaimFreshName(
      folder, prefix, suffix, kFreshNameTries,
      [&](const char16_t* path) {
        ScopedFileHandle h;
        last = CopyToNewFile(source.c_str(), path, security, &h);
        if (last == CX_OK) last = CheckOwnedByProcess(h.Get());
        if (last != CX_OK) return ClaimAnswer(last);
        opened = std::move(h);
        return 0;
      },
      &name);
  if (!claimed) return last == CX_OK ? CX_E_FAIL : last;
  *made = name;
  *held = std::move(opened);
  return CX_OK;
}
