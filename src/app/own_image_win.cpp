// Telling the program's own file by its identity, not its name.
#include "app/own_image.h"

#include <windows.h>

#include "common/win_handles.h"

namespace {

bool IdentityOf(const wchar_t* path, BY_HANDLE_FILE_INFORMATION* info) {
  // Attributes only, sharing everything: the file may be running or pending
  // deletion. A link is not followed: its target is some other file.
  ScopedFileHandle file(::CreateFileW(path, FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return file.IsValid() && ::GetFileInformationByHandle(file.Get(), info);
}

}  // namespace

void OwnImage::Remember() {
  wchar_t self[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  BY_HANDLE_FILE_INFORMATION info = {};
  known_ = n && n < MAX_PATH && IdentityOf(self, &info);
  if (!known_) return;
  volume_ = info.dwVolumeSerialNumber;
  indexHigh_ = info.nFileIndexHigh;
  indexLow_ = info.nFileIndexLow;
}

bool OwnImage::Is(const std::u16string& path) const {
  BY_HANDLE_FILE_INFORMATION info = {};
  return known_ && IdentityOf(reinterpret_cast<const wchar_t*>(path.c_str()), &info) &&
         info.dwVolumeSerialNumber == volume_ && info.nFileIndexHigh == indexHigh_ &&
         info.nFileIndexLow == indexLow_;
}
