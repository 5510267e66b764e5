// Shortcut path decisions (portable).
#include "platform/shell_link_paths.h"

namespace {
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// True when the last part of `path` has the extension ".lnk" (any case).
bool HasLinkExtension(const std::u16string& path) {
  size_t start = path.size();
  while (start > 0 && !IsSeparator(path[start - 1])) --start;
  size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos || dot < start) return false;
  static const char16_t kExt[] = u".lnk";
  if (path.size() - dot != 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (Lower(path[dot + i]) != kExt[i]) return false;
  return true;
}

void AppendWithSeparator(std::u16string* path, const std::u16string& part) {
  if (!path->empty() && !IsSeparator(path->back())) *path += u'\\';
  *path += part;
}
}  // namespace

CxResult BuildShortcutPaths(const std::u16string& rootPath, const std::u16string& subDir,
                            const std::u16string& name, ShortcutPaths* out) {
  if (!out || rootPath.empty() || name.empty()) return CX_E_INVALID_ARG;
  std::u16string folder = rootPath;
  if (!subDir.empty()) AppendWithSeparator(&folder, subDir);
  if (!IsSeparator(folder.back())) folder += u'\\';
  std::u16string link = folder + name;
  if (!HasLinkExtension(link)) link += u".lnk";
  if (link.size() > kMaxLinkPathChars) return CX_WIN_ERROR_FILENAME_EXCED_RANGE;
  out->folder = folder;
  out->linkFile = link;
  return CX_OK;
}

std::u16string ShortcutWorkingFolder(const std::u16string& target) {
  size_t slash = target.rfind(u'\\');
  if (slash == std::u16string::npos) return target;
  if (slash == 2 && target[1] == u':') return target.substr(0, 3);
  return target.substr(0, slash);
}
