// File, DelFile and DelDir: attribute reading, the progress line, and the
// calls into the file services.
#include <windows.h>
#include <shlwapi.h>

#include <new>

#include "actions/attribute_reading.h"
#include "actions/file_actions.h"
#include "engine/package_paths.h"
#include "package/package_store.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "common/win_handles.h"

namespace {
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool OnDisk(const std::u16string& path) {
  return ::GetFileAttributesW(AsWide(path.c_str())) != INVALID_FILE_ATTRIBUTES;
}

std::u16string JoinPath(const std::u16string& folder, const std::u16string& rest) {
  if (!folder.empty() && IsSeparator(folder.back())) return folder + rest;
  return folder + u"\\" + rest;
}

// A file of the package as new content for a file, read from the package
// (decoded, for a compressed one) while it is written.
FileContent PackageContent(PackageStore* package, const PackageStore::ArchiveFile& file) {
  FileContent content;
  content.size = file.size;
  content.write = [package, file](const ByteSink& sink) { return package->Stream(file, sink); };
  return content;
}

// A tree copy from a package folder that is only in the archive: the same
// result as CopyDirectoryTree of the extracted folder (folders created
// whatever their names, every file through ReplaceFile's rules, stop at the
// first failure), without the folder ever touching the disk.
CxResult CopyTreeFromArchive(PackageStore* package, const std::vector<PackageStore::TreeItem>& items,
                             const std::u16string& destination) {
  if (!IsDirectoryPath(destination.c_str())) {
    CxResult r = CreateFolderPath(destination.c_str());
    if (r != CX_OK) return r;
  }
  std::u16string made;  // the last folder known to exist
  for (const PackageStore::TreeItem& item : items) {
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
    if (isFolder) continue;
    std::u16string to = JoinPath(destination, item.path);
    CxResult r = ReplaceFileWithContent(PackageContent(package, item.file), to.c_str(), nullptr);
    if (r != CX_OK) return r;
  }
  return CX_OK;
}
}  // namespace

// ---- File ----

CxResult FileAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "File");
  CxResult r = read.Text("Dest", &destination_);
  if (r != CX_OK) return r;
  r = read.Text("Src", &source_);
  if (r != CX_OK) return r;
  register_ = read.Flag("Register");
  compareVersion_ = read.Flag("CmpVer");
  read.Text("os", &osFilter_);  // absent: runs everywhere
  parsed_ = 1;
  return CX_OK;
}

CxResult FileAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "File", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"src", source_);
  FillPlaceholder(&text, u"dest", destination_);
  if (register_) text.Append(u"Register=\"True\"");
  if (compareVersion_) text.Append(u"CmpVer=\"True\"");
  *out = text;
  return CX_OK;
}

CxResult FileAction::Execute(InstallContext* context) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  if (SkippedByOsFilter(osFilter_)) return CX_OK;
  const int use64BitTool = IsOs64Filter(osFilter_) ? 1 : 0;

  std::u16string src = source_.Str();
  std::u16string dst = destination_.Str();
  if (src.back() == u'*' || src.back() == u'\\') {
    // Tree copy. The stored values keep the shortened form, so a retry takes
    // the same branch. Only a trailing '*' is cut from the destination: any
    // other last character belongs to the folder name.
    if (src.back() == u'*') {
      src.pop_back();
      source_.Assign(src.c_str());
      if (!dst.empty() && dst.back() == u'*') {
        dst.pop_back();
        destination_.Assign(dst.c_str());
      }
    }
    if (dst.empty()) return CX_E_INVALID_ARG;
    // A package folder nobody has needed on disk yet is copied from the
    // archive; once on disk, its files there are the truth.
    PackageStore* package = context ? context->package : nullptr;
    std::vector<PackageStore::TreeItem> items;
    if (package && !OnDisk(src) && package->ListFolder(src, &items))
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
  if (package && !OnDisk(src) && package->FindUnextracted(src, &served)) {
    // Comparing versions needs the source as a file on disk: its package
    // folder is extracted for that.
    if (compareVersion_ == 1 && OnDisk(dst)) {
      r = EnsurePackagePath(context, src.c_str());
      if (r == CX_OK) r = ReplaceFile(src.c_str(), dst.c_str(), 1, nullptr);
    } else {
      r = ReplaceFileWithContent(PackageContent(package, served), dst.c_str(), nullptr);
    }
  } else {
    r = ReplaceFile(src.c_str(), dst.c_str(), static_cast<int>(compareVersion_), nullptr);
  }
  if (r != CX_OK) return r;
  if (register_) return RegisterServer(destination_.Wide(), use64BitTool, 1);
  return CX_OK;
}

// ---- DelFile ----

CxResult DelFileAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "DelFile");
  CxResult r = read.Text("Src", &source_);
  if (r != CX_OK) return r;
  unregister_ = read.Flag("Unregister");
  read.Text("os", &osFilter_);
  parsed_ = 1;
  return CX_OK;
}

CxResult DelFileAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "DelFile", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"src", source_);
  if (unregister_) text.Append(u" UnRegister=\"True\"");
  *out = text;
  return CX_OK;
}

CxResult DelFileAction::Execute(InstallContext* context) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  if (SkippedByOsFilter(osFilter_)) return CX_OK;
  // A package file deleted now must stay gone for later actions.
  r = EnsurePackagePath(context, source_.Wide());
  if (r != CX_OK) return r;
  // Unregistered first, so no class is left pointing at a deleted file. A
  // module that cannot be unregistered (already damaged, say) is deleted
  // all the same: keeping it would not make its registration any better.
  if (unregister_ && ::GetFileAttributesW(source_.W()) != INVALID_FILE_ATTRIBUTES)
    RegisterServer(source_.Wide(), IsOs64Filter(osFilter_) ? 1 : 0, 0);
  return DeleteFileOrSchedule(source_.Wide(), nullptr);
}

// ---- DelDir ----

CxResult DelDirAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "DelDir");
  CxResult r = read.Text("Src", &source_);
  if (r != CX_OK) return r;
  checkIsEmpty_ = read.Flag("CheckIsEmpty");
  parsed_ = 1;
  return CX_OK;
}

CxResult DelDirAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "DelDir", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"src", source_);
  if (checkIsEmpty_) text.Append(u" CheckIsEmpty=\"True\"");
  *out = text;
  return CX_OK;
}

CxResult DelDirAction::Execute(InstallContext* context) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  r = EnsurePackagePath(context, source_.Wide());
  if (r != CX_OK) return r;
  // Also false for a missing path or a file: nothing to delete then.
  if (checkIsEmpty_ == 1 && !::PathIsDirectoryEmptyW(source_.W())) return CX_OK;
  return DeleteDirectoryTree(source_.Wide(), nullptr);
}

// ---- factories ----

Action* CreateFileAction(ScriptElement* element) { return new (std::nothrow) FileAction(element); }
Action* CreateDelFileAction(ScriptElement* element) {
  return new (std::nothrow) DelFileAction(element);
}
Action* CreateDelDirAction(ScriptElement* element) {
  return new (std::nothrow) DelDirAction(element);
}
