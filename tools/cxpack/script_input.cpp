// Finding the setup script of a package folder or package file.
#include "script_input.h"

#include <chrono>
#include <filesystem>
#include <random>

#include "common/codepage.h"
#include "common/file_io.h"
#include "common/strings.h"
#include "package_file.h"

namespace fs = std::filesystem;

namespace {

constexpr char16_t kPackageScript[] = u"\\PackageFiles\\SetupScript.xml";

// True when the file starts like a compressed package or ends with the
// archive's marker.
bool IsPackageFile(const fs::path& file) {
  MappedFile bytes;
  if (bytes.Open(file.u16string().c_str()) != CX_OK) return false;
  if (LooksCompressed(bytes.Data(), bytes.Size())) return true;
  const std::string marker = std::string(kPackageMarker) + '\x15' + std::string(3, '\0');
  return bytes.Size() >= marker.size() &&
         marker.compare(0, marker.size(), reinterpret_cast<const char*>(bytes.Data()) +
                                              bytes.Size() - marker.size(), marker.size()) == 0;
}

// A fresh folder under the temporary folder, removed when the last owner
// goes.
std::shared_ptr<const void> MakeSkeletonFolder(fs::path* made) {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) return nullptr;
  std::mt19937 random(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int i = 0; i < 16; ++i) {
    fs::path candidate = base / ("cxpack-package-" + std::to_string(random()));
    if (fs::create_directory(candidate, ec)) {
      *made = candidate;
      return std::shared_ptr<const void>(new fs::path(candidate), [](const void* p) {
        const fs::path* folder = static_cast<const fs::path*>(p);
        std::error_code ignored;
        fs::remove_all(*folder, ignored);
        delete folder;
      });
    }
  }
  return nullptr;
}

bool ReadPackageFile(const std::string& arg, uint32_t codePage, ScriptInput* in, std::string* problem) {
  PackageFile package;
  if (!package.Open(arg, codePage, problem)) return false;
  if (!package.ReadFile(kPackageScript, &in->bytes)) {
    *problem = "no PackageFiles/SetupScript.xml in this package";
    return false;
  }
  in->label = "PackageFiles/SetupScript.xml";
  fs::path folder;
  in->skeleton = MakeSkeletonFolder(&folder);
  if (!in->skeleton) {
    *problem = "cannot make a temporary folder";
    return false;
  }
  const bool made = ExtractPackageEntries(
      package.Entries(), u"", folder.u16string(),
      [](const PackageEntry&, const std::u16string& path) { return WriteWholeFile(path.c_str(), "", 0); },
      problem);
  if (!made) return false;
  in->packageDir = folder.u16string();
  return true;
}

}  // namespace

bool ReadScriptInput(const std::string& arg, ScriptInput* out, std::string* problem,
                     uint32_t codePage) {
  std::error_code ec;
  const fs::path given = fs::u8path(arg);
  ScriptInput in;
  fs::path script;
  if (fs::is_directory(given, ec)) {
    script = given / "PackageFiles" / "SetupScript.xml";
    in.label = "PackageFiles/SetupScript.xml";
    in.packageDir = Utf8ToUtf16(arg);
    if (!fs::is_regular_file(script, ec)) {
      *problem = "no PackageFiles/SetupScript.xml in this folder";
      return false;
    }
  } else if (fs::is_regular_file(given, ec) && IsPackageFile(given)) {
    if (!ReadPackageFile(arg, codePage, &in, problem)) return false;
    *out = std::move(in);
    return true;
  } else if (fs::is_regular_file(given, ec)) {
    script = given;
    in.label = arg;
    // A script inside its package: PACKAGE_DIR/PackageFiles/SetupScript.xml.
    const fs::path folder = fs::absolute(given, ec).parent_path();
    if (!ec && StrCompareNoCaseA(folder.filename().u8string().c_str(), "PackageFiles") == 0)
      in.packageDir = Utf8ToUtf16(folder.parent_path().u8string());
  } else {
    *problem = "no such file or folder";
    return false;
  }
  if (ReadWholeFile(Utf8ToUtf16(script.u8string()).c_str(), &in.bytes) != CX_OK) {
    *problem = "cannot read " + script.u8string();
    return false;
  }
  *out = std::move(in);
  return true;
}
