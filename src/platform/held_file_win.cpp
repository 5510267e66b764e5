// Held files and folders on Windows: created new, then reopened for reading
// with read sharing only and compared by file identity with what was made.
#include <windows.h>

#include "common/win_handles.h"
#include "platform/held_file.h"

namespace {

CxResult LastError() {
  const DWORD e = ::GetLastError();
  if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) return CX_WIN_ERROR_ALREADY_EXISTS;
  return e ? e : CX_E_FAIL;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Marks the open file for deletion when its last handle closes.
void DeleteOnClose(HANDLE file) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

void HeldFile::Release() {
  if (handle_ != kNone) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNone;
}

CxResult WriteNewHeldFileFrom(const char16_t* path, uint64_t size,
                              const std::function<CxResult(const ByteSink&)>& produce,
                              HeldFile* held) {
  if (!path || !*path || !produce || !held || size > 0xFFFFFFFFu) return CX_E_INVALID_ARG;
  // CREATE_NEW fails on any existing name, a link's included: nothing of
  // someone else's is opened, let alone written through.
  ScopedFileHandle out(::CreateFileW(AsWide(path), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return LastError();
  uint64_t put = 0;
  CxResult writeError = CX_OK;
  const ByteSink sink = [&](const uint8_t* bytes, size_t count) {
    constexpr size_t kPiece = 8u << 20;  // bounds what the system buffers per call
    for (size_t done = 0; done < count;) {
      const DWORD piece = static_cast<DWORD>(count - done < kPiece ? count - done : kPiece);
      DWORD wrote = 0;
      if (!::WriteFile(out.Get(), bytes + done, piece, &wrote, nullptr) || wrote != piece) {
        writeError = LastError();
        return false;
      }
      done += piece;
    }
    put += count;
    return true;
  };
  CxResult r = produce(sink);
  if (writeError != CX_OK) r = writeError;
  if (r == CX_OK && put != size) r = CX_E_BAD_DATA;
  if (r != CX_OK) {
    DeleteOnClose(out.Get());
    return r;
  }
  BY_HANDLE_FILE_INFORMATION written;
  if (!::GetFileInformationByHandle(out.Get(), &written)) {
    const CxResult r = LastError();
    DeleteOnClose(out.Get());
    return r;
  }
  // A program cannot start from a file open for writing, so the writer
  // closes and a reader takes over; the identity check covers the moment
  // between the two.
  out.Reset();
  ScopedFileHandle reader(::CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!reader) return LastError();
  BY_HANDLE_FILE_INFORMATION now;
  if (!::GetFileInformationByHandle(reader.Get(), &now) || !SameFile(written, now) ||
      (now.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return CX_E_FAIL;
  held->Release();
  held->handle_ = reinterpret_cast<intptr_t>(reader.Take());
  return CX_OK;
}

CxResult CreateNewHeldFolder(const char16_t* path, HeldFile* held) {
  if (!path || !*path || !held) return CX_E_INVALID_ARG;
  if (!::CreateDirectoryW(AsWide(path), nullptr)) return LastError();
  // No delete sharing: the folder cannot be renamed or removed while held.
  ScopedFileHandle folder(::CreateFileW(
      AsWide(path), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return LastError();
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(folder.Get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return CX_E_FAIL;
  held->Release();
  held->handle_ = reinterpret_cast<intptr_t>(folder.Take());
  return CX_OK;
}
