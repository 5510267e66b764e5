// Joining a tool's relative path to a trusted folder.
#include "platform/system_tools.h"

#include <string>

namespace {
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// True when `path` stays inside whatever folder it is joined to.
bool IsContainedRelativePath(const char16_t* path) {
  if (!path || !*path || IsSeparator(path[0])) return false;
  std::u16string part;
  for (const char16_t* p = path;; ++p) {
    if (*p == u':') return false;  // drive letters and alternate streams
    if (*p == 0 || IsSeparator(*p)) {
      if (part.empty() || part == u"." || part == u"..") return false;
      part.clear();
      if (*p == 0) return true;
      continue;
    }
    part += *p;
  }
}
}  // namespace

CxResult JoinToolPath(const char16_t* folder, const char16_t* toolPath, WString* out) {
  if (!folder || !*folder || !out || !IsContainedRelativePath(toolPath)) return CX_E_INVALID_ARG;
  std::u16string full(folder);
  if (!IsSeparator(full.back())) full += u'\\';
  full += toolPath;
  WString joined;
  if (!joined.Assign(full.c_str())) return CX_E_BAD_DATA;
  *out = joined;
  return CX_OK;
}
