// Replacing a file so that its name always holds either the old content or
// the new one, whole. The new content is written to a fresh name beside the
// destination and flushed to the disk; only then does one rename put it in
// the destination's place. A destination in use is moved aside first, or
// its replacement is left to the next restart. A file that is new (nothing
// there yet) is written under its own name; a failed write deletes it, and
// a run killed half way leaves it for the next run to write again.
//
// A fresh file is marked for deletion until it is complete, so a run that
// is killed half way loses it with its handle. One that a power cut leaves
// behind is removed when the next run (the next process) first writes into
// its folder.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/codepage.h"
#include "common/version_number.h"
#include "common/win_handles.h"
#include "platform/file_system.h"
#include "platform/pending_renames.h"
#include "platform/process_control.h"
#include "platform/service_notes.h"

namespace {
using U16 = std::u16string;

// A fresh name is the destination's followed by this mark and 8 hex digits.
constexpr char16_t kFreshMark[] = u".~cx";
constexpr size_t kFreshDigits = 8;
constexpr int kFreshNameTries = 16;
// Pieces bound what the system buffers at once for one call.
constexpr uint32_t kWritePiece = 8u << 20;
constexpr DWORD kReadPiece = 1u << 20;
constexpr DWORD kRenameInPlace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
// Content this large is checked against the volume's room before writing.
constexpr uint64_t kRoomCheckBytes = 1u << 20;

const wchar_t* W(const U16& s) { return AsWide(s.c_str()); }

// GetLastError, never 0: a failure must not read as success.
CxResult LastError() {
  DWORD e = ::GetLastError();
  return e ? static_cast<CxResult>(e) : CX_E_FAIL;
}

bool IsDiskFull(CxResult r) { return r == ERROR_DISK_FULL || r == ERROR_HANDLE_DISK_FULL; }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c; }

bool HasExeExtension(const U16& path) {
  size_t slash = path.find_last_of(u"\\/");
  size_t dot = path.rfind(u'.');
  if (dot == U16::npos || (slash != U16::npos && dot < slash)) return false;
  U16 ext = path.substr(dot);
  if (ext.size() != 4) return false;
  return ext[0] == u'.' && AsciiUpper(ext[1]) == u'E' && AsciiUpper(ext[2]) == u'X' &&
         AsciiUpper(ext[3]) == u'E';
}

// A name counts as free only when Windows says it is not there; a name it
// cannot look up (e.g. a file waiting for deletion) is taken.
bool NameIsFree(const U16& path) {
  if (::GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD e = ::GetLastError();
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

U16 FolderOf(const U16& path) {
  const size_t slash = path.find_last_of(u"\\/");
  return slash == U16::npos ? U16(u".\\") : path.substr(0, slash + 1);
}

bool ScheduleDelete(const U16& path) {
  return ::MoveFileExW(W(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

// Takes back our restart-delete of `path`; false when it may still be listed.
bool CancelScheduledDelete(const U16& path) {
  PendingRename entry;
  return PendingDeleteOf(path.c_str(), &entry) == CX_OK &&
         TakeBackOwnPendingRenames({entry}) == CX_OK;
}

uint64_t FreeSpace(const U16& destination) {
  ULARGE_INTEGER available = {};
  if (!::GetDiskFreeSpaceExW(W(FolderOf(destination)), &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

void NoteNoRoom(const U16& destination, uint64_t needed, uint64_t available) {
  WriteServiceNote("not enough disk space for " + Utf16ToUtf8(destination) + ": " +
                   std::to_string(needed) + " bytes needed, " + std::to_string(available) +
                   " bytes free");
}

// The new content: its size, and what writes all of it into an open file.
struct Content {
  uint64_t size = 0;
  std::function<CxResult(HANDLE file)> write;
};

CxResult WriteAll(HANDLE file, const uint8_t* bytes, uint64_t size) {
  for (uint64_t done = 0; done < size;) {
    const DWORD piece = static_cast<DWORD>(std::min<uint64_t>(size - done, kWritePiece));
    DWORD put = 0;
    if (!::WriteFile(file, bytes + done, piece, &put, nullptr) || put != piece) return LastError();
    done += piece;
  }
  return CX_OK;
}

CxResult CopyAll(HANDLE from, HANDLE to) {
  std::vector<uint8_t> buffer(kReadPiece);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(from, buffer.data(), kReadPiece, &got, nullptr)) return LastError();
    if (got == 0) return CX_OK;
    const CxResult r = WriteAll(to, buffer.data(), got);
    if (r != CX_OK) return r;
  }
}

// True for "<a name><kFreshMark><8 hex digits>".
bool IsFreshName(const U16& name) {
  constexpr size_t kMarkLength = sizeof kFreshMark / sizeof kFreshMark[0] - 1;
  // A name before the mark, then the mark and the digits.
  if (name.size() <= kMarkLength + kFreshDigits) return false;
  const size_t mark = name.size() - kFreshDigits - kMarkLength;
  if (name.compare(mark, kMarkLength, kFreshMark) != 0) return false;
  return std::all_of(name.end() - kFreshDigits, name.end(),
                     [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'); });
}

// Deletes the fresh files an earlier run left in `destination`'s folder,
// once per folder and process: listing a folder costs as much as its
// entries, once per file it would make a large folder's copy quadratic.
// Two runs of one product never overlap (the instance lock sees to that),
// and this run's own fresh files exist only while it writes them.
void RemoveLeftFreshFiles(const U16& destination) {
  static std::mutex lock;
  static std::set<U16> swept;
  const U16 folder = FolderOf(destination);
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!swept.insert(folder).second) return;
  }
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(::FindFirstFileW(W(folder + u"*" + kFreshMark + u"*"), &found));
  if (!find) return;
  do {
    const U16 name = AsU16(found.cFileName);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsFreshName(name))
      ::DeleteFileW(W(folder + name));
  } while (::FindNextFileW(find.Get(), &found));
}

// A new file beside the destination that is deleted when its handle closes,
// until Keep() is called.
class FreshFile {
 public:
  // Under a fresh name beside `destination`.
  CxResult Create(const U16& destination) {
    static LONG counter = 0;
    for (int i = 0; i < kFreshNameTries; ++i) {
      const DWORD draw = (::GetTickCount() * 2654435761u) ^ (::GetCurrentProcessId() << 16) ^
                         static_cast<DWORD>(::InterlockedIncrement(&counter));
      wchar_t digits[kFreshDigits + 1];
      wsprintfW(digits, L"%08X", draw);
      const CxResult r = CreateNamed(destination + kFreshMark + AsU16(digits));
      if (r != ERROR_FILE_EXISTS && r != ERROR_ALREADY_EXISTS) return r;
    }
    return CX_WIN_ERROR_ALREADY_EXISTS;
  }
  // Under `name` itself, which must not exist; `marked` false leaves the
  // deletion mark to a failure (Drop).
  CxResult CreateNamed(const U16& name, bool marked = true) {
    // Write and delete access only; others may delete but not change it.
    ScopedFileHandle file(::CreateFileW(W(name), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastError();
    file_ = std::move(file);
    path_ = name;
    if (marked && !SetDeleteMark(true)) {
      const CxResult r = LastError();
      file_.Reset();
      ::DeleteFileW(W(name));
      return r;
    }
    return CX_OK;
  }
  HANDLE Handle() const { return file_.Get(); }
  const U16& Path() const { return path_; }
  // The content is complete: from now on the file stays when closed.
  CxResult Keep() { return SetDeleteMark(false) ? CX_OK : LastError(); }
  // Gives the file up wherever it is now: it goes when its handle closes.
  void Drop() {
    SetDeleteMark(true);
    file_.Reset();
  }

 private:
  bool SetDeleteMark(bool on) {
    FILE_DISPOSITION_INFO disposition = {static_cast<BOOLEAN>(on ? TRUE : FALSE)};
    return ::SetFileInformationByHandle(file_.Get(), FileDispositionInfo, &disposition,
                                        sizeof disposition) != 0;
  }
  ScopedFileHandle file_;
  U16 path_;
};

// Finds a free "<destination>_Discard_<n>"; empty when all are taken.
U16 FreeSideName(const U16& destination) {
  for (int n = 1; n <= kMaxDiscardIndex; ++n) {
    U16 candidate = destination + u"_Discard_" + AsU16(std::to_wstring(n).c_str());
    if (NameIsFree(candidate)) return candidate;
  }
  return U16();
}

// The complete fresh file must take the place of a destination in use. The
// destination is moved to a side name, deleted there at once or, when it
// cannot be (a running program), at the next restart. When it cannot even
// be moved, the fresh file waits at the side name and the restart deletes
// the destination and then moves it in (the order of registration is the
// order of execution).
CxResult ReplaceInUse(FreshFile* fresh, const U16& destination, uint32_t* restartFlag) {
  const U16 side = FreeSideName(destination);
  if (side.empty()) {
    fresh->Drop();
    return CX_WIN_ERROR_ALREADY_EXISTS;
  }
  // Registered before the old file moves there, so that it goes at the next
  // restart even when this run ends before it can delete it.
  const bool registered = ScheduleDelete(side);
  if (::MoveFileExW(W(destination), W(side), 0)) {
    if (!::MoveFileExW(W(fresh->Path()), W(destination), kRenameInPlace)) {
      const CxResult r = LastError();
      ::MoveFileExW(W(side), W(destination), 0);
      if (registered) CancelScheduledDelete(side);
      fresh->Drop();
      return r;
    }
    // A file held open with delete sharing goes when its last handle closes.
    if (::DeleteFileW(W(side))) {
      if (registered) CancelScheduledDelete(side);
    } else if ((registered || ScheduleDelete(side)) && restartFlag) {
      *restartFlag = 1;
    }
    return CX_OK;
  }

  // The side name is to hold the new file now, which the restart must not
  // delete.
  if (registered && !CancelScheduledDelete(side)) {
    fresh->Drop();
    return CX_E_FAIL;
  }
  if (!::MoveFileExW(W(fresh->Path()), W(side), MOVEFILE_WRITE_THROUGH)) {
    const CxResult r = LastError();
    fresh->Drop();
    return r;
  }
  if (!ScheduleDelete(destination)) {
    const CxResult r = LastError();
    fresh->Drop();
    return r;
  }
  if (!::MoveFileExW(W(side), W(destination),
                     MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
    // Without the move the restart would delete the old file and leave none.
    const CxResult r = LastError();
    CancelScheduledDelete(destination);
    fresh->Drop();
    return r;
  }
  if (restartFlag) *restartFlag = 1;
  return CX_OK;
}

// Puts the complete fresh file in the destination's place; `oldAttributes`
// are the destination's as they were before the writing.
CxResult PutInPlace(FreshFile* fresh, const U16& destination, DWORD oldAttributes,
                    uint32_t* restartFlag) {
  // Files may be written on several threads. Replacing one may end
  // processes (which turns a privilege on and off) and edit the restart
  // operations (read, changed, written back): one replacement at a time.
  static std::mutex replacing;
  std::unique_lock<std::mutex> hold(replacing, std::defer_lock);
  if (oldAttributes != INVALID_FILE_ATTRIBUTES) {
    hold.lock();
    // A read-only file cannot be renamed over.
    ::SetFileAttributesW(W(destination), FILE_ATTRIBUTE_NORMAL);
    if (HasExeExtension(destination)) KillProcessesByImage(destination.c_str());
  }
  if (::MoveFileExW(W(fresh->Path()), W(destination), kRenameInPlace)) return CX_OK;
  if (oldAttributes == INVALID_FILE_ATTRIBUTES) {
    const CxResult r = LastError();
    fresh->Drop();
    return r;
  }
  const CxResult r = ReplaceInUse(fresh, destination, restartFlag);
  if (r != CX_OK && ::GetFileAttributesW(W(destination)) != INVALID_FILE_ATTRIBUTES)
    ::SetFileAttributesW(W(destination), oldAttributes);
  return r;
}

// Writes `content` whole and puts it in the destination's place: a new file
// under its own name when `newInPlace` allows it and nothing is there yet,
// else under a fresh name, flushed when it replaces a file, then renamed.
//
// A new file needs no fresh name and no mark: a failed write deletes it,
// and every caller that allows it writes the file again whatever it finds
// there, so one that a killed run or a power cut left half written is made
// whole by the next run (no old content is at stake). Under Wine every
// lookup of a name that does not exist lists its folder, and every mark is
// a call to its server, so a new file made this way costs one listing and
// two calls fewer than a fresh one.
CxResult ReplaceWith(const Content& content, const U16& destination, bool newInPlace,
                     uint32_t* restartFlag) {
  RemoveLeftFreshFiles(destination);
  // Asking costs as much as writing a small file; a small one that does not
  // fit fails its write just as soon.
  if (content.size >= kRoomCheckBytes) {
    const uint64_t room = FreeSpace(destination);
    if (room && room < content.size) {
      NoteNoRoom(destination, content.size, room);
      return ERROR_DISK_FULL;
    }
  }
  CxResult r;
  if (newInPlace) {
    {
      FreshFile fresh;
      r = fresh.CreateNamed(destination, false);
      if (r == CX_OK) {
        r = content.write(fresh.Handle());
        if (r == CX_OK) return CX_OK;
        // The unfinished file goes with its handle, so the room counted is
        // what the destination's volume really has.
        fresh.Drop();
      } else if (r == ERROR_FILE_EXISTS || r == ERROR_ALREADY_EXISTS || r == ERROR_ACCESS_DENIED) {
        r = CX_OK;  // something is there already: replaced below
      }
    }
    if (r != CX_OK) {
      if (IsDiskFull(r)) NoteNoRoom(destination, content.size, FreeSpace(destination));
      return r;
    }
  }
  const DWORD oldAttributes = ::GetFileAttributesW(W(destination));
  if (oldAttributes != INVALID_FILE_ATTRIBUTES && (oldAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return CX_E_INVALID_ARG;
  // Only a file that replaces another waits for the disk: with no old file
  // there is nothing a power cut could take, and the next run writes a new
  // file again, while a flush per file would slow a whole install down.
  const bool replacing = oldAttributes != INVALID_FILE_ATTRIBUTES;
  {
    FreshFile fresh;
    r = fresh.Create(destination);
    if (r == CX_OK) r = content.write(fresh.Handle());
    if (r == CX_OK && replacing && !::FlushFileBuffers(fresh.Handle())) r = LastError();
    if (r == CX_OK) r = fresh.Keep();
    if (r == CX_OK) return PutInPlace(&fresh, destination, oldAttributes, restartFlag);
  }
  if (IsDiskFull(r)) NoteNoRoom(destination, content.size, FreeSpace(destination));
  return r;
}

}  // namespace

CxResult ReplaceFile(const char16_t* source, const char16_t* destination, int compareVersion,
                     uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if (!source || !*source || !destination || !*destination) return CX_E_INVALID_ARG;
  const U16 src = source, dst = destination;
  const DWORD sourceAttributes = ::GetFileAttributesW(W(src));
  if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return CX_WIN_ERROR_FILE_NOT_FOUND;
  if (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) return CX_E_INVALID_ARG;
  if (compareVersion == 1 && ::GetFileAttributesW(W(dst)) != INVALID_FILE_ATTRIBUTES) {
    uint32_t a[4], b[4];
    if (GetFileVersionNumbers(source, a) == CX_OK &&
        GetFileVersionNumbers(destination, b) == CX_OK && CompareVersions(a, b) == -1)
      return CX_OK;  // the installed file is newer
  }
  ScopedFileHandle in(::CreateFileW(W(src), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) return LastError();
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(in.Get(), &size)) return LastError();
  const HANDLE from = in.Get();
  const Content content{static_cast<uint64_t>(size.QuadPart),
                        [from](HANDLE to) { return CopyAll(from, to); }};
  // A copy that compares versions may keep what it finds, so it never
  // writes a new file in place (see ReplaceWith).
  return ReplaceWith(content, dst, compareVersion != 1, restartFlag);
}

CxResult ReplaceFileWithContent(const FileContent& content, const char16_t* destination,
                                uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if (!content.write || !destination || !*destination) return CX_E_INVALID_ARG;
  const Content written{content.size, [&content](HANDLE to) {
                          // Never more than the declared size is written.
                          uint64_t done = 0;
                          CxResult failure = CX_OK;
                          const ByteSink put = [&](const uint8_t* bytes, size_t size) {
                            if (size > content.size - done) failure = CX_E_BAD_DATA;
                            else failure = WriteAll(to, bytes, size);
                            done += size;
                            return failure == CX_OK;
                          };
                          CxResult r = content.write(put);
                          if (failure != CX_OK) r = failure;
                          if (r == CX_OK && done != content.size) r = CX_E_BAD_DATA;
                          return r;
                        }};
  return ReplaceWith(written, destination, true, restartFlag);
}

CxResult ReplaceFileWithBytes(const void* bytes, uint32_t size, const char16_t* destination,
                              uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if ((!bytes && size) || !destination || !*destination) return CX_E_INVALID_ARG;
  const uint8_t* data = static_cast<const uint8_t*>(bytes);
  const Content content{size, [data, size](HANDLE to) { return WriteAll(to, data, size); }};
  return ReplaceWith(content, destination, true, restartFlag);
}
