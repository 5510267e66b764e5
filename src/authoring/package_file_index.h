// The package files lint looks for, found as Windows will find them
// (ignoring case), plus the files a build stages into the package later.
//
// A package folder whose programs are built (as the sample product's are)
// names them in "staged-files.txt" beside PackageFiles: one package path a
// line, '#' starting a comment. Lint counts them as present, so the folder
// as kept in version control lints clean; `cxpack build` refuses the folder
// until they are really there.
#pragma once
#include <string>
#include <vector>

inline constexpr char kStagedFilesList[] = "staged-files.txt";

class PackageFileIndex {
 public:
  // `packageDir` holds PackageFiles\; empty makes every lookup succeed.
  explicit PackageFileIndex(const std::u16string& packageDir);

  // True when `path` (relative to the package folder, '\' or '/'
  // separated; a final "*" or separator names a folder) is in the
  // package or staged into it (a folder: when a staged file lies below it).
  bool Has(const std::string& path) const;
  // True when it is in the package now, not only staged.
  bool Present(const std::string& path) const;
  // The names of the files in `folder` (as for Has), present or staged.
  std::vector<std::string> FileNames(const std::string& folder) const;
  // The staged files that are not there yet, as listed.
  std::vector<std::string> MissingStaged() const;
  bool Known() const { return !packageDir_.empty(); }

 private:
  std::u16string packageDir_;
  std::vector<std::string> staged_;  // as listed
};

// `path` with '/' for every separator, without leading or final ones and
// without a final "*".
std::string NormalisedPackagePath(std::string path);
