// Finding the setup script of a package folder.
#include "script_input.h"

#include <filesystem>

#include "common/codepage.h"
#include "common/file_io.h"
#include "common/strings.h"
#include "package/script_vocabulary.h"

namespace fs = std::filesystem;

bool ReadScriptInput(const std::string& arg, ScriptInput* out, std::string* problem) {
  std::error_code ec;
  const fs::path given = fs::u8path(arg);
  ScriptInput in;
  fs::path script;
  if (fs::is_directory(given, ec)) {
    script = given / kPackageFilesFolder / kScriptFileName;
    in.label = std::string(kPackageFilesFolder) + "/" + kScriptFileName;
    in.packageDir = Utf8ToUtf16(arg);
    if (!fs::is_regular_file(script, ec)) {
      *problem = "no " + in.label + " in this folder";
      return false;
    }
  } else if (fs::is_regular_file(given, ec)) {
    script = given;
    in.label = arg;
    // A script inside its package: PACKAGE_DIR/PackageFiles/SetupScript.xml.
    const fs::path folder = fs::absolute(given, ec).parent_path();
    if (!ec && StrCompareNoCaseA(folder.filename().u8string().c_str(), kPackageFilesFolder) == 0)
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
