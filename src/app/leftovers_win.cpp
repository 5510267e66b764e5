// Sweeping the working folder for what killed runs left.
#include "app/leftovers.h"

#include <windows.h>

#include "app/setup_log.h"
#include "common/codepage.h"
#include "package/temp_folder.h"
#include "platform/object_checks.h"
#include "platform/tree_delete.h"

namespace {

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  return text.size() >= prefix.size() &&
         ::CompareStringOrdinal(AsWide(text.c_str()), static_cast<int>(prefix.size()),
                                AsWide(prefix.c_str()), static_cast<int>(prefix.size()),
                                TRUE) == CSTR_EQUAL;
}

bool EndsWithNoCase(const std::u16string& text, const std::u16string& suffix) {
  return text.size() >= suffix.size() &&
         ::CompareStringOrdinal(AsWide(text.c_str() + text.size() - suffix.size()),
                                static_cast<int>(suffix.size()), AsWide(suffix.c_str()),
                                static_cast<int>(suffix.size()), TRUE) == CSTR_EQUAL;
}

// Deletes one leftover: opened without delete sharing (which fails while a
// run holds it), checked, emptied and deleted. True when it went.
bool RemoveOne(HANDLE folder, const std::u16string& folderFinal, const std::u16string& folderPath,
               const std::u16string& name, bool isFolder) {
  ScopedFileHandle item;
  const DWORD access = (isFolder ? kTreeDeleteFolderAccess : kTreeDeleteFileAccess) | READ_CONTROL;
  if (OpenInFolder(folder, name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &item) != CX_OK)
    return false;  // in use, or gone
  if (CheckObjectKind(item.Get(), isFolder) != CX_OK || CheckOwnedByProcess(item.Get()) != CX_OK ||
      !IsEntryOf(item.Get(), folderFinal, name))
    return false;
  if (isFolder)
    return DeleteOpenTree(item.Get(), folderPath + name, InUse::kKeep, nullptr) == CX_OK;
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return ::SetFileInformationByHandle(item.Get(), FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

}  // namespace

std::vector<std::u16string> RemoveLeftovers(const std::u16string& folder) {
  std::vector<std::u16string> removed;
  ScopedFileHandle work(::CreateFileW(AsWide(folder.c_str()),
                                      FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::vector<FolderEntry> entries;
  if (!work || ListFolderEntries(work.Get(), &entries) != CX_OK) return removed;
  const std::u16string final = FinalPathOf(work.Get());
  for (const FolderEntry& entry : entries) {
    const bool isFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool leftover = isFolder ? StartsWithNoCase(entry.name, u"CxKeyPackage_")
                                   : StartsWithNoCase(entry.name, u"Uninstallation_") &&
                                         EndsWithNoCase(entry.name, u".exe");
    if (leftover && RemoveOne(work.Get(), final, folder, entry.name, isFolder))
      removed.push_back(folder + entry.name);
  }
  return removed;
}

void RemoveLeftoversAtStart() {
  std::u16string folder;
  if (GetTempFolder(&folder) != 1) return;
  for (const std::u16string& path : RemoveLeftovers(folder))
    ProcessLog().Writef("removed what an ended run left: %s", Utf16ToUtf8(path).c_str());
}
