// Tree deletion by handle: folders listed through their handles, entries
// opened relative to their folder's handle with the native open (the Win32
// one only takes paths), deleted by disposition on their own handle.
#include "platform/tree_delete.h"

#include <winternl.h>

#include "platform/file_system.h"
#include "platform/object_checks.h"

namespace {
using U16 = std::u16string;

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kOpenForBackupIntent = 0x00004000;  // FILE_OPEN_FOR_BACKUP_INTENT
constexpr DWORD kListBytes = 64 * 1024;
// Opening a folder only to empty it, when someone else's handle keeps it from
// being opened for deletion.
constexpr DWORD kListAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kNoDeleteSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using StatusToErrorFn = ULONG(NTAPI*)(NTSTATUS);

struct Native {
  NtCreateFileFn create = nullptr;
  StatusToErrorFn toError = nullptr;
};

// ntdll is in every process; its functions are looked up, not imported.
const Native& NativeCalls() {
  static const Native calls = [] {
    Native n;
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return n;
    n.create = reinterpret_cast<NtCreateFileFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtCreateFile")));
    n.toError = reinterpret_cast<StatusToErrorFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    return n;
  }();
  return calls;
}

CxResult LastError() {
  const DWORD e = ::GetLastError();
  return e ? e : CX_E_FAIL;
}

U16 Join(const U16& folder, const U16& name) {
  return (!folder.empty() && folder.back() == u'\\') ? folder + name : folder + u"\\" + name;
}

bool ScheduleDelete(const U16& path) {
  return ::MoveFileExW(AsWide(path.c_str()), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

// Deletes the open object when its last handle closes; a read-only one
// loses the flag first.
CxResult Dispose(HANDLE object) {
  FILE_BASIC_INFO basic = {};
  if (::GetFileInformationByHandleEx(object, FileBasicInfo, &basic, sizeof basic) &&
      (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
    basic.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(object, FileBasicInfo, &basic, sizeof basic);
  }
  FILE_DISPOSITION_INFO disposition = {TRUE};
  if (!::SetFileInformationByHandle(object, FileDispositionInfo, &disposition, sizeof disposition))
    return LastError();
  return CX_OK;
}

struct Walk {
  InUse inUse;
  uint32_t restart = 0;
};

// What is in use goes at the next restart, by its path: every folder above
// it is held by this walk, so the path still leads where it did.
void LeaveForRestart(const U16& path, bool folder, Walk* walk) {
  if (walk->inUse == InUse::kKeep) return;
  uint32_t flag = 0;
  if (folder) flag = ScheduleDelete(path) ? 1 : 0;
  else DeleteFileOrSchedule(path.c_str(), &flag);
  if (flag) walk->restart = 1;
}

CxResult DeleteContents(HANDLE folder, const U16& path, Walk* walk);

void DeleteEntry(HANDLE parent, const U16& parentFinal, const U16& parentPath,
                 const FolderEntry& entry, Walk* walk) {
  const U16 path = Join(parentPath, entry.name);
  const bool listedFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  ScopedFileHandle child;
  const CxResult opened =
      OpenInFolder(parent, entry.name, listedFolder ? kTreeDeleteFolderAccess : kTreeDeleteFileAccess,
                   kNoDeleteSharing, &child);
  if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND) return;  // gone already
  if (opened != CX_OK) {
    LeaveForRestart(path, listedFolder, walk);
    return;
  }
  FILE_ATTRIBUTE_TAG_INFO info = {};
  if (!::GetFileInformationByHandleEx(child.Get(), FileAttributeTagInfo, &info, sizeof info)) return;
  const bool isLink = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  const bool isFolder = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A link is removed itself. Anything else must be this very entry; what a
  // link the system followed led to is not ours to delete.
  if (!isLink && !IsEntryOf(child.Get(), parentFinal, entry.name)) return;
  if (isFolder && !isLink) {
    if (!listedFolder) return;  // became a folder since the listing: not opened for it
    DeleteContents(child.Get(), path, walk);
  }
  if (Dispose(child.Get()) == CX_OK) return;  // gone when the handle closes
  child.Reset();
  LeaveForRestart(path, isFolder && !isLink, walk);
}

CxResult DeleteContents(HANDLE folder, const U16& path, Walk* walk) {
  std::vector<FolderEntry> entries;
  const CxResult r = ListFolderEntries(folder, &entries);
  if (r != CX_OK) return r;
  const U16 final = FinalPathOf(folder);
  for (const FolderEntry& entry : entries) DeleteEntry(folder, final, path, entry, walk);
  return CX_OK;
}

}  // namespace

CxResult ListFolderEntries(HANDLE folder, std::vector<FolderEntry>* entries) {
  if (!entries) return CX_E_INVALID_ARG;
  std::vector<FolderEntry> found;
  std::vector<uint64_t> buffer(kListBytes / sizeof(uint64_t));  // 8-byte aligned records
  FILE_INFO_BY_HANDLE_CLASS what = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!::GetFileInformationByHandleEx(folder, what, buffer.data(), kListBytes)) {
      if (::GetLastError() == ERROR_NO_MORE_FILES) break;
      return LastError();
    }
    what = FileIdBothDirectoryInfo;
    const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
    for (;;) {
      const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      U16 name(AsU16(record->FileName), record->FileNameLength / sizeof(wchar_t));
      if (name != u"." && name != u"..") found.push_back({std::move(name), record->FileAttributes});
      if (!record->NextEntryOffset) break;
      at += record->NextEntryOffset;
    }
  }
  entries->swap(found);
  return CX_OK;
}

CxResult OpenInFolder(HANDLE parent, const std::u16string& name, DWORD access, DWORD share,
                      ScopedFileHandle* out) {
  const Native& native = NativeCalls();
  if (!native.create || !native.toError) return ERROR_PROC_NOT_FOUND;
  if (!out || name.empty() || name.size() > 32767 ||
      name.find_first_of(u"\\/") != std::u16string::npos)
    return CX_E_INVALID_ARG;
  U16 copy = name;
  UNICODE_STRING objectName;
  objectName.Buffer = AsWide(&copy[0]);
  objectName.Length = static_cast<USHORT>(copy.size() * sizeof(wchar_t));
  objectName.MaximumLength = objectName.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, nullptr);
  IO_STATUS_BLOCK io = {};
  HANDLE opened = nullptr;
  const NTSTATUS status = native.create(
      &opened, access, &attributes, &io, nullptr, 0, share, FILE_OPEN,
      FILE_SYNCHRONOUS_IO_NONALERT | kOpenReparsePoint | kOpenForBackupIntent, nullptr, 0);
  if (status < 0) {
    const ULONG error = native.toError(status);
    return error ? error : CX_E_FAIL;
  }
  out->Reset(opened);
  return CX_OK;
}

CxResult DeleteOpenTree(HANDLE folder, const std::u16string& path, InUse inUse,
                        uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  Walk walk{inUse};
  CxResult result = DeleteContents(folder, path, &walk);
  if (Dispose(folder) != CX_OK) {
    if (inUse == InUse::kSchedule && ScheduleDelete(path)) walk.restart = 1;
    else result = LastError();
  }
  if (restartFlag) *restartFlag = walk.restart;
  return result;
}

CxResult DeleteDirectoryTree(const char16_t* path, uint32_t* restartFlag) {
  if (restartFlag) *restartFlag = 0;
  if (!path || !*path) return CX_E_INVALID_ARG;
  wchar_t full[MAX_PATH];
  const DWORD n = ::GetFullPathNameW(AsWide(path), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return n ? ERROR_FILENAME_EXCED_RANGE : LastError();
  // Long names, as the system reports the folder's own path for the check
  // below (a short last part would not match it).
  wchar_t longPath[MAX_PATH];
  const DWORD m = ::GetLongPathNameW(full, longPath, MAX_PATH);
  U16 target = (m && m < MAX_PATH) ? U16(AsU16(longPath), m) : U16(AsU16(full), n);
  while (target.size() > 3 && target.back() == u'\\') target.pop_back();
  const size_t cut = target.rfind(u'\\');
  const U16 name = cut == U16::npos ? U16() : target.substr(cut + 1);
  if (name.empty()) return CX_E_INVALID_ARG;  // a drive or share root is never a tree to delete
  const U16 parentPath = target.substr(0, cut == 2 ? 3 : cut);
  // The folders above the target are the caller's to trust; from the target
  // down, nothing is reached by path.
  ScopedFileHandle parent(::CreateFileW(AsWide(parentPath.c_str()), kListAccess,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!parent) {
    const CxResult e = LastError();
    return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? CX_OK : e;
  }
  ScopedFileHandle root;
  CxResult r = OpenInFolder(parent.Get(), name, kTreeDeleteFolderAccess, kNoDeleteSharing, &root);
  bool inUse = false;
  if (r == ERROR_SHARING_VIOLATION || r == ERROR_ACCESS_DENIED) {
    // Someone keeps the folder itself (a console's current folder): its
    // content goes now, the folder at the next restart.
    inUse = true;
    r = OpenInFolder(parent.Get(), name, kListAccess, kNoDeleteSharing, &root);
  }
  if (r == ERROR_FILE_NOT_FOUND || r == ERROR_PATH_NOT_FOUND) return CX_OK;
  if (r != CX_OK) return r;
  FILE_ATTRIBUTE_TAG_INFO info = {};
  if (!::GetFileInformationByHandleEx(root.Get(), FileAttributeTagInfo, &info, sizeof info))
    return LastError();
  if (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // A link to a folder is removed itself; what it points to is not ours.
    if (inUse) return ScheduleDelete(target) ? CX_OK : LastError();
    return Dispose(root.Get());
  }
  if (!(info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return CX_E_INVALID_ARG;
  if (!IsEntryOf(root.Get(), FinalPathOf(parent.Get()), name)) return kReachedThroughLink;
  if (!inUse) return DeleteOpenTree(root.Get(), target, InUse::kSchedule, restartFlag);
  Walk walk{InUse::kSchedule};
  DeleteContents(root.Get(), target, &walk);
  root.Reset();
  if (!ScheduleDelete(target)) return LastError();
  if (restartFlag) *restartFlag = 1;
  return CX_OK;
}
