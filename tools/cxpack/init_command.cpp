// cxpack init: a package to start from, which lints clean, builds, installs
// and uninstalls as it is. It never writes into a folder that holds
// anything, so it cannot overwrite a package.
#include "init_command.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "cli_args.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "common/version_number.h"
#include "init_logo.h"
#include "init_script.h"
#include "authoring/lint_package_reads.h"
#include "package/script_vocabulary.h"

namespace fs = std::filesystem;

namespace {

// A name becomes a folder of the install path and a registry value, and is
// written into the script: no path separators, reserved characters or
// variable references.
std::string NameProblem(const char* option, const std::string& name) {
  if (name.empty()) return std::string(option) + " is empty";
  for (unsigned char c : name)
    if (c < 0x20 || std::string("\\/:*?\"<>|").find(char(c)) != std::string::npos)
      return std::string(option) + " \"" + name + "\" holds a character a folder name cannot: \\ / : * ? \" < > |";
  if (name.find("$(") != std::string::npos || name.find("$[") != std::string::npos)
    return std::string(option) + " \"" + name + "\" holds $( or $[, which the script reads as a reference";
  if (name.back() == '.' || name.back() == ' ')
    return std::string(option) + " \"" + name + "\" ends in a point or a space, which Windows drops";
  return {};
}

std::string CodeProblem(const std::string& code) {
  if (code.empty()) return "--code is empty";
  for (char c : code)
    if (!std::isalnum(static_cast<unsigned char>(c)) && std::string("._-{}").find(c) == std::string::npos)
      return "--code \"" + code + "\" may hold only letters, digits and . _ - { }";
  return {};
}

std::string AsciiWord(const std::string& text) {
  std::string out;
  for (char c : text)
    if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) out += c;
  return out;
}

bool WriteFile(const fs::path& path, const std::string& bytes, std::string* problem) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec || WriteWholeFile(path.u16string().c_str(), bytes.data(), bytes.size()) != CX_OK)
    return *problem = "cannot write " + path.u8string(), false;
  return true;
}

}  // namespace

int InitCommand(const std::vector<std::string>& args) {
  CliArgs a;
  std::string problem = ParseCliArgs(args,
                                     {{"--product", true, nullptr},
                                      {"--publisher", true, nullptr},
                                      {"--version", true, nullptr},
                                      {"--code", true, nullptr}},
                                     &a);
  if (problem.empty() && a.positional.size() != 1) problem = "takes one DIR";
  InitIdentity id;
  id.product = a.Has("--product") ? a.Value("--product") : "MyProduct";
  id.publisher = a.Has("--publisher") ? a.Value("--publisher") : "MyCompany";
  id.version = a.Has("--version") ? a.Value("--version") : "1.0.0.0";
  const std::string words = AsciiWord(id.publisher) + "_" + AsciiWord(id.product);
  id.code = a.Has("--code") ? a.Value("--code") : words.size() > 1 ? words : "MyProduct";
  uint64_t version = 0;
  if (problem.empty()) problem = NameProblem("--product", id.product);
  if (problem.empty()) problem = NameProblem("--publisher", id.publisher);
  if (problem.empty() && ParseVersionString(Utf8ToUtf16(id.version).c_str(), &version) != CX_DONE)
    problem = "--version takes four numbers from 0 to 65535, e.g. 1.0.0.0, not \"" + id.version + "\"";
  if (problem.empty()) problem = CodeProblem(id.code);
  if (!problem.empty()) return UsageError("init", problem);

  const std::string& dir = a.positional[0];
  const fs::path root = fs::u8path(dir);
  std::error_code ec;
  if (fs::exists(root, ec) && (!fs::is_directory(root, ec) || !fs::is_empty(root, ec)))
    return Failed(dir, "not empty; cxpack init writes only into a new or empty folder");
  const std::string script = std::string(kPackageFilesFolder) + "/" + kScriptFileName;
  const std::string logo = LintPackagePath(kLogoPackagePath);
  const std::string readme = std::string(kInitProductFolder) + "/ReadMe.txt";
  const std::string readmeText = id.product + " " + id.version + " by " + id.publisher +
                                 ".\r\nThe install copies every file of PackageFiles\\Product into the "
                                 "install folder: put your product's files there.\r\n";
  if (!WriteFile(root / fs::u8path(script), InitScriptText(id), &problem) ||
      !WriteFile(root / fs::u8path(readme), readmeText, &problem) ||
      !WriteFile(root / fs::u8path(logo), PlaceholderLogoBmp(), &problem))
    return Failed(dir, problem);
  std::printf("wrote a package for %s %s by %s (product code %s):\n", id.product.c_str(),
              id.version.c_str(), id.publisher.c_str(), id.code.c_str());
  std::printf("  %s  the setup script (\"cxpack help script\" describes it)\n",
              JoinTyped(dir, script).c_str());
  std::printf("  %s  the files to install: put your product's here\n", JoinTyped(dir, readme).c_str());
  std::printf("  %s  the wizard's logo, 438 x 98 (it is drawn from this place only)\n",
              JoinTyped(dir, logo).c_str());
  std::printf("next: cxpack lint %s, then cxpack build %s -o setup.exe\n", dir.c_str(), dir.c_str());
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}
