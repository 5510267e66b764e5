// Ordering the working folder candidates.
#include "package/temp_folder.h"

namespace {
std::u16string WithBackslash(std::u16string path) {
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  return path;
}
}  // namespace

std::vector<TempFolderChoice> TempFolderOrder(const TempFolderCandidates& c) {
  std::vector<TempFolderChoice> order;
  auto add = [&order](const std::u16string& path, TempFolderCheck check) {
    if (!path.empty()) order.push_back({WithBackslash(path), check});
  };
  const std::u16string windows = WithBackslash(c.windowsFolder);
  if (c.elevated) {
    add(c.systemTemp, TempFolderCheck::kRealFolder);
    if (!windows.empty()) add(windows + u"Temp", TempFolderCheck::kRealFolder);
    if (!c.commonAppData.empty())
      add(WithBackslash(c.commonAppData) + kOwnWorkingFolderName, TempFolderCheck::kOwnFolder);
    return order;
  }
  add(c.tempPath, TempFolderCheck::kExists);
  add(c.longTempPath, TempFolderCheck::kExists);
  if (!windows.empty()) add(windows + u"Temp", TempFolderCheck::kExists);
  add(c.commonAppData, TempFolderCheck::kExists);
  add(windows, TempFolderCheck::kExists);
  return order;
}

int ChooseTempFolder(const TempFolderCandidates& c, bool (*accept)(const TempFolderChoice& choice),
                     std::u16string* folder) {
  if (!folder || !accept) return 0;
  for (const TempFolderChoice& choice : TempFolderOrder(c)) {
    if (!accept(choice)) continue;
    *folder = choice.path;
    return 1;
  }
  return 0;
}
