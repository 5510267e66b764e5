// Finding the setup script of a package folder, a script file or a setup.
#include "script_input.h"

#include <filesystem>

#include "archive_input.h"
#include "cli_args.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "common/strings.h"
#include "package/script_vocabulary.h"
#include "authoring/setup_package.h"

namespace fs = std::filesystem;

namespace {

const std::string kScriptInPackage = std::string(kPackageFilesFolder) + "/" + kScriptFileName;

// A setup program, or a package file of either kind: mapped, not read, as
// they may be large and only their ends are looked at.
bool IsSetupOrPackage(const std::string& arg) {
  MappedFile file;
  if (file.Open(Utf8ToUtf16(arg).c_str()) != CX_OK) return false;
  const ByteSpan bytes(file.Data(), file.Size());
  if (IsProgramFile(bytes) || LooksCompressed(bytes.data, bytes.size)) return true;
  PackageArchive archive;
  std::vector<PackageEntry> entries;
  return archive.Attach(bytes.data, bytes.size) && archive.ReadFileTable(&entries, nullptr);
}

bool ReadFromSetup(const std::string& arg, ScriptInput* in, std::string* problem) {
  ArchiveInput archive;
  if (!OpenArchiveInput(arg, 0, &archive, problem)) return false;
  if (!ReadArchiveEntry(archive, kScriptPackagePath, &in->bytes))
    return *problem = "its package has no " + kScriptInPackage, false;
  in->label = JoinTyped(arg, kScriptInPackage);
  return true;
}

}  // namespace

bool ReadScriptInput(const std::string& arg, ScriptInput* out, std::string* problem) {
  std::error_code ec;
  const fs::path given = fs::u8path(arg);
  ScriptInput in;
  fs::path script;
  if (fs::is_directory(given, ec)) {
    script = given / kPackageFilesFolder / kScriptFileName;
    in.label = JoinTyped(arg, kScriptInPackage);
    in.typedFolder = arg;
    in.packageDir = Utf8ToUtf16(arg);
    if (!fs::is_regular_file(script, ec)) {
      *problem = std::string("no ") + kScriptInPackage + " in this folder (cxpack init writes a package)";
      return false;
    }
  } else if (fs::is_regular_file(given, ec)) {
    if (IsSetupOrPackage(arg)) {
      if (!ReadFromSetup(arg, &in, problem)) return false;
      *out = std::move(in);
      return true;
    }
    script = given;
    in.label = arg;
    // A script inside its package: PACKAGE_DIR/PackageFiles/SetupScript.xml.
    const fs::path folder = fs::absolute(given, ec).parent_path();
    if (!ec && StrCompareNoCaseA(folder.filename().u8string().c_str(), kPackageFilesFolder) == 0) {
      in.packageDir = Utf8ToUtf16(folder.parent_path().u8string());
      const fs::path typed = given.parent_path().parent_path();
      in.typedFolder = typed.empty() ? "." : typed.u8string();
    }
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

std::string TypedPackagePath(const ScriptInput& input, const std::string& inside) {
  return JoinTyped(input.typedFolder, inside);
}
