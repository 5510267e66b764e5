// Looking package files up the way Windows will: each name compared
// ignoring ASCII case.
#include "authoring/package_file_index.h"

#include <filesystem>
#include <fstream>

#include "common/codepage.h"
#include "common/strings.h"

namespace fs = std::filesystem;

namespace {

// The entry of `dir` whose name equals `name` ignoring ASCII case, or empty.
fs::path FindNoCase(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  fs::path exact = dir / fs::u8path(name);
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry;
    try {
      entry = it->path().filename().u8string();
    } catch (const std::exception&) {
      continue;
    }
    if (StrCompareNoCaseA(entry.c_str(), name.c_str()) == 0) return it->path();
  }
  return {};
}

// True when `below` equals `folder` or lies inside it, ignoring case.
bool IsAtOrBelow(const std::string& below, const std::string& folder) {
  if (folder.empty()) return true;
  if (below.size() < folder.size() ||
      StrCompareNoCaseA(below.substr(0, folder.size()).c_str(), folder.c_str()) != 0)
    return false;
  return below.size() == folder.size() || below[folder.size()] == '/';
}

}  // namespace

std::string NormalisedPackagePath(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  if (!path.empty() && path.back() == '*') path.pop_back();
  while (!path.empty() && path.back() == '/') path.pop_back();
  path.erase(0, std::min(path.find_first_not_of('/'), path.size()));
  return path;
}

PackageFileIndex::PackageFileIndex(const std::u16string& packageDir) : packageDir_(packageDir) {
  if (packageDir_.empty()) return;
  std::ifstream list(fs::path(packageDir_) / kStagedFilesList);
  for (std::string line; std::getline(list, line);) {
    line = line.substr(0, line.find('#'));
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) continue;
    line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
    staged_.push_back(line);
  }
}

bool PackageFileIndex::Present(const std::string& path) const {
  if (packageDir_.empty()) return true;
  const std::string rel = NormalisedPackagePath(path);
  fs::path at(packageDir_);
  for (size_t start = 0; start <= rel.size();) {
    size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    const std::string part = rel.substr(start, end - start);
    if (!part.empty() && part != ".") {
      at = FindNoCase(at, part);
      if (at.empty()) return false;
    }
    start = end + 1;
  }
  return true;
}

bool PackageFileIndex::Has(const std::string& path) const {
  if (Present(path)) return true;
  const std::string rel = NormalisedPackagePath(path);
  for (const std::string& s : staged_)
    if (IsAtOrBelow(NormalisedPackagePath(s), rel)) return true;
  return false;
}

std::vector<std::string> PackageFileIndex::FileNames(const std::string& folder) const {
  std::vector<std::string> names;
  const std::string rel = NormalisedPackagePath(folder);
  fs::path at(packageDir_);
  for (size_t start = 0; !at.empty() && start <= rel.size();) {
    size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    if (end > start) at = FindNoCase(at, rel.substr(start, end - start));
    start = end + 1;
  }
  std::error_code ec;
  for (fs::directory_iterator it(at, ec), end; !at.empty() && !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) names.push_back(it->path().filename().u8string());
  for (const std::string& s : staged_) {
    const std::string file = NormalisedPackagePath(s);
    const size_t slash = file.rfind('/');
    if (slash != std::string::npos && StrCompareNoCaseA(file.substr(0, slash).c_str(), rel.c_str()) == 0)
      names.push_back(file.substr(slash + 1));
  }
  return names;
}

std::vector<std::string> PackageFileIndex::MissingStaged() const {
  std::vector<std::string> missing;
  for (const std::string& s : staged_)
    if (!Present(s)) missing.push_back(s);
  return missing;
}
