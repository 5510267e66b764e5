// Choosing the temporary folder among what the system reported.
#include "package/temp_folder.h"

namespace {
std::u16string WithBackslash(std::u16string path) {
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  return path;
}
}  // namespace

int ChooseTempFolder(const TempFolderCandidates& c, bool (*exists)(const std::u16string& path),
                     std::u16string* folder) {
  if (!folder || !exists) return 0;
  std::u16string chosen;
  std::u16string lastResort;
  if (!c.tempPath.empty() && exists(c.tempPath)) {
    chosen = c.tempPath;
  } else if (!c.longTempPath.empty() && exists(c.longTempPath)) {
    chosen = c.longTempPath;
  } else {
    if (!c.windowsFolder.empty() && exists(c.windowsFolder)) {
      lastResort = WithBackslash(c.windowsFolder);
      if (exists(lastResort + u"Temp\\")) chosen = lastResort + u"Temp\\";
    }
    if (chosen.empty() && !c.commonAppData.empty() && exists(WithBackslash(c.commonAppData)))
      chosen = c.commonAppData;
    if (chosen.empty()) chosen = lastResort;
  }
  if (chosen.empty()) return 0;
  *folder = WithBackslash(chosen);
  return 1;
}
