// File, DelFile and DelDir: the calls into the file services.
#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "actions/file_actions.h"
#include "engine/package_paths.h"
#include "package/package_store.h"
#include "platform/deletion_limits.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "common/win_handles.h"

namespace {
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool OnDisk(const std::u16string& path) {
  return ::GetFileAttributesW(AsWide(path.c_str())) != INVALID_FILE_ATTRIBUTES;
}

// "os64": the module is a 64-bit one, for the 64-bit registrar.
int Use64BitTool(const ActionValues& values) {
  return values.Text(kOsAttribute) == WString(kOs64) ? 1 : 0;
}

std::u16string JoinPath(const std::u16string& folder, const std::u16string& rest) {
  if (!folder.empty() && IsSeparator(folder.back())) return folder + rest;
  return folder + u"\\" + rest;
}

// A file of the package as new content for a file, read from the package
// (decoded, for a compressed one) while it is written.
template <typename Source>
FileContent PackageContent(Source* package, const PackageStore::ArchiveFile& file) {
  FileContent content;
  content.size = file.size;
  content.write = [package, file](const ByteSink& sink) { return package->Stream(file, sink); };
  return content;
}

// Threads that write a tree's files at once. Two keep both processors of a
// small machine busy: one decodes and writes while the other waits on the
// system, and each decoder holds a window of memory.
constexpr unsigned kTreeWriters = 2;

// Writes the files (indexes into `items`, in package order) on up to
// kTreeWriters threads, each with a reader of its own. The files go in runs
// that start where a reader can begin without decoding anything before
// (a compressed package's frames), each run written in order by one thread;
// a failure stops every thread after its current file and the earliest
// failing file's result is returned.
CxResult WriteTreeFiles(PackageStore* package, const std::vector<PackageStore::TreeItem>& items,
                        const std::vector<size_t>& files, const std::u16string& destination) {
  std::vector<size_t> runs;  // where each run begins, in `files`
  for (size_t i = 0; i < files.size(); ++i)
    if (i == 0 || package->ReadsFreshAt(items[files[i]].file)) runs.push_back(i);
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex lock;
  size_t failedAt = files.size();
  CxResult failure = CX_OK;
  // The readers are made here: the store is one thread's.
  std::vector<std::unique_ptr<PackageStore::Reader>> readers;
  for (unsigned t = 0; t < kTreeWriters && t < runs.size(); ++t) readers.push_back(package->NewReader());
  auto work = [&](PackageStore::Reader* reader) {
    for (size_t run = next++; run < runs.size() && !stop; run = next++) {
      const size_t end = run + 1 < runs.size() ? runs[run + 1] : files.size();
      for (size_t i = runs[run]; i < end && !stop; ++i) {
        const PackageStore::TreeItem& item = items[files[i]];
        const std::u16string to = JoinPath(destination, item.path);
        const CxResult r = reader ? ReplaceFileWithContent(PackageContent(reader, item.file), to.c_str(), nullptr)
                                  : CX_E_OUT_OF_MEMORY;
        if (r == CX_OK) continue;
        std::lock_guard<std::mutex> hold(lock);
        if (i < failedAt) {
          failedAt = i;
          failure = r;
        }
        stop = true;
      }
    }
  };
  if (readers.empty()) return CX_OK;  // no files
  std::vector<std::thread> helpers;
  try {
    for (size_t t = 1; t < readers.size(); ++t) helpers.emplace_back(work, readers[t].get());
  } catch (const std::system_error&) {
    // Fewer threads, the same files.
  }
  work(readers[0].get());
  for (std::thread& t : helpers) t.join();
  return failure;
}

// A tree copy from a package folder that is only in the archive: the same
// result as CopyDirectoryTree of the extracted folder (folders created
// whatever their names, every file through ReplaceFile's rules, stop at a
// failure), without the folder ever touching the disk. The folders are
// made first, then the files written on several threads.
CxResult CopyTreeFromArchive(PackageStore* package, const std::vector<PackageStore::TreeItem>& items,
                             const std::u16string& destination) {
  if (!IsDirectoryPath(destination.c_str())) {
    CxResult r = CreateFolderPath(destination.c_str());
    if (r != CX_OK) return r;
  }
  std::u16string made;  // the last folder known to exist
  std::vector<size_t> files;
  for (size_t i = 0; i < items.size(); ++i) {
    const PackageStore::TreeItem& item = items[i];
    const bool isFolder = item.path.back() == u'\\';
    const size_t cut = isFolder ? item.path.size() - 1 : item.path.rfind(u'\\');
    if (cut != std::u16string::npos && cut > 0) {
      std::u16string folder = JoinPath(destination, item.path.substr(0, cut));
      if (folder != made) {
        if (!IsDirectoryPath(folder.c_str())) {
          CxResult r = CreateFolderPath(folder.c_str());
          if (r != CX_OK) return r;
        }
        made = folder;
      }
    }
    if (!isFolder) files.push_back(i);
  }
  return WriteTreeFiles(package, items, files, destination);
}
}  // namespace

// ---- File ----

CxResult ExecuteFile(ActionValues* values, InstallContext* context) {
  std::u16string src = values->Text("Src").Str();
  std::u16string dst = values->Text("Dest").Str();
  const bool compareVersion = values->Flag("CmpVer");
  CxResult r;
  if (src.back() == u'*' || src.back() == u'\\') {
    // Tree copy. The stored values keep the shortened form, so a retry takes
    // the same branch. Only a trailing '*' is cut from the destination: any
    // other last character belongs to the folder name.
    if (src.back() == u'*') {
      src.pop_back();
      values->SetText("Src", src);
      if (!dst.empty() && dst.back() == u'*') {
        dst.pop_back();
        values->SetText("Dest", dst);
      }
    }
    if (dst.empty()) return CX_E_INVALID_ARG;
    // A package folder the store has not extracted is copied from the
    // archive, whatever lies at its path; once extracted, the store's files
    // there are the truth.
    PackageStore* package = context ? context->package : nullptr;
    std::vector<PackageStore::TreeItem> items;
    if (package && !package->IsExtractedFolder(src) && package->ListFolder(src, &items))
      return CopyTreeFromArchive(package, items, dst);
    r = EnsurePackagePath(context, src.c_str());
    if (r != CX_OK) return r;
    // The destination is a folder whatever its name holds ("Tool 2.0").
    if (!IsDirectoryPath(dst.c_str())) {
      r = CreateFolderPath(dst.c_str());
      if (r != CX_OK) return r;
    }
    return CopyDirectoryTree(src.c_str(), dst.c_str());
  }

  size_t cut = dst.size();
  while (cut > 0 && !IsSeparator(dst[cut - 1])) --cut;
  if (cut == 0) return CX_E_BAD_DATA;  // no folder part
  std::u16string parent = dst.substr(0, cut);
  while (parent.size() > 1 && IsSeparator(parent.back()) &&
         !(parent.size() == 3 && parent[1] == u':'))
    parent.pop_back();
  // The parent is a folder whatever its name holds.
  if (!IsDirectoryPath(parent.c_str())) {
    r = CreateFolderPath(parent.c_str());
    if (r != CX_OK) return r;
  }
  PackageStore::ArchiveFile served;
  PackageStore* package = context ? context->package : nullptr;
  // A package file the store has not written comes from the archive: a file
  // someone put at its path is never copied.
  if (package && package->FindUnextracted(src, &served)) {
    // Comparing versions needs the source as a file on disk: its package
    // folder is extracted for that.
    if (compareVersion && OnDisk(dst)) {
      r = EnsurePackagePath(context, src.c_str());
      if (r == CX_OK) r = ReplaceFile(src.c_str(), dst.c_str(), 1, nullptr);
    } else {
      r = ReplaceFileWithContent(PackageContent(package, served), dst.c_str(), nullptr);
    }
  } else {
    r = ReplaceFile(src.c_str(), dst.c_str(), compareVersion ? 1 : 0, nullptr);
  }
  if (r != CX_OK) return r;
  if (values->Flag("Register")) return RegisterServer(dst.c_str(), Use64BitTool(*values), 1);
  return CX_OK;
}

// ---- DelFile ----

CxResult ExecuteDelFile(ActionValues* values, InstallContext* context) {
  const WString& source = values->Text("Src");
  // A package file deleted now must stay gone for later actions.
  CxResult r = EnsurePackagePath(context, source.Wide());
  if (r != CX_OK) return r;
  // Unregistered first, so no class is left pointing at a deleted file. A
  // module that cannot be unregistered (already damaged, say) is deleted
  // all the same: keeping it would not make its registration any better.
  if (values->Flag("Unregister") && ::GetFileAttributesW(source.W()) != INVALID_FILE_ATTRIBUTES)
    RegisterServer(source.Wide(), Use64BitTool(*values), 0);
  return DeleteFileOrSchedule(source.Wide(), nullptr);
}

// ---- DelDir ----

CxResult ExecuteDelDir(ActionValues* values, InstallContext* context) {
  const WString& source = values->Text("Src");
  // A drive root, a system folder or a profile is never deleted, whatever
  // the script's variables made of the path.
  CxResult r = CheckFolderMayGo(source.Wide());
  if (r != CX_OK) return r;
  r = EnsurePackagePath(context, source.Wide());
  if (r != CX_OK) return r;
  // Also false for a missing path or a file: nothing to delete then.
  if (values->Flag("CheckIsEmpty") && !::PathIsDirectoryEmptyW(source.W())) return CX_OK;
  return DeleteDirectoryTree(source.Wide(), nullptr);
}
