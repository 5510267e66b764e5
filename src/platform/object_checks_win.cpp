// Kind, owner and place of an open file or folder.
#include "platform/object_checks.h"

#include <aclapi.h>

#include "common/win_handles.h"

namespace {

// Case-insensitive equality as the file system compares names.
bool SameName(const std::u16string& a, const std::u16string& b) {
  return ::CompareStringOrdinal(AsWide(a.c_str()), static_cast<int>(a.size()),
                                AsWide(b.c_str()), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool TokenSid(HANDLE token, TOKEN_INFORMATION_CLASS what, BYTE* buffer, DWORD size, PSID* sid) {
  DWORD needed = 0;
  if (!::GetTokenInformation(token, what, buffer, size, &needed)) return false;
  *sid = what == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid
                           : reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner;
  return true;
}

}  // namespace

CxResult CheckObjectKind(HANDLE object, bool folder) {
  FILE_ATTRIBUTE_TAG_INFO info = {};
  if (!::GetFileInformationByHandleEx(object, FileAttributeTagInfo, &info, sizeof info))
    return ::GetLastError() ? ::GetLastError() : CX_E_FAIL;
  const bool isFolder = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (isFolder != folder || (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return CX_E_FAIL;
  return CX_OK;
}

CxResult CheckOwnedByProcess(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  const DWORD got = ::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                      nullptr, nullptr, nullptr, &sd);
  if (got != ERROR_SUCCESS) return got;
  ScopedLocalMem keep(sd);
  ScopedHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
    return ::GetLastError();
  BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  BYTE byDefault[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_OWNER)];
  PSID userSid = nullptr, defaultSid = nullptr;
  if (TokenSid(token.Get(), TokenUser, user, sizeof user, &userSid) && owner &&
      ::EqualSid(owner, userSid))
    return CX_OK;
  if (TokenSid(token.Get(), TokenOwner, byDefault, sizeof byDefault, &defaultSid) && owner &&
      ::EqualSid(owner, defaultSid))
    return CX_OK;
  return CX_E_FAIL;
}

std::u16string FinalPathOf(HANDLE object) {
  wchar_t buffer[1024];
  const DWORD n = ::GetFinalPathNameByHandleW(object, buffer, 1024, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= 1024) return {};
  std::u16string path(AsU16(buffer), n);
  if (path.compare(0, 8, u"\\\\?\\UNC\\") == 0) return u"\\\\" + path.substr(8);
  if (path.compare(0, 4, u"\\\\?\\") == 0) return path.substr(4);
  return path;
}

bool IsEntryOf(HANDLE child, const std::u16string& parentFinal, const std::u16string& name) {
  if (parentFinal.empty()) return false;
  std::u16string expected = parentFinal;
  if (expected.back() != u'\\') expected += u'\\';
  return SameName(FinalPathOf(child), expected + name);
}
