// cxpack: packs a folder tree into a package (an archive, or compressed),
// lists a package and extracts it, exactly as the setup program reads it.
//
//   cxpack pack DIR -o FILE [--codepage 1252|936] [--compress]
//   cxpack list FILE [--codepage 1252|936]
//   cxpack extract FILE DEST [--only PATH] [--codepage 1252|936]
//   cxpack build PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--no-lint] [--compress]
//   cxpack lint PACKAGE_DIR|PACKAGE|SCRIPT      (lint_command.h)
//   cxpack plan PACKAGE_DIR|PACKAGE|SCRIPT ...  (plan_command.h)
//   cxpack cert FILE...                 (cxpack_cert.h)
//
// Exit status: 0 done, 1 failed (message "cxpack: FILE: reason"), 2 usage.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/codepage.h"
#include "lint_command.h"
#include "plan_command.h"
#include "common/file_io.h"
#include "package/compressed_package_writer.h"
#include "package/package_writer.h"
#include "build_command.h"
#include "package_file.h"
#include "tools/cxpack/cxpack_cert.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: cxpack pack DIR -o FILE [--codepage 1252|936] [--compress]\n"
    "       cxpack list FILE [--codepage 1252|936]\n"
    "       cxpack extract FILE DEST [--only PATH] [--codepage 1252|936]\n"
    "       cxpack build PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--no-lint]\n"
    "                    [--compress]\n"
    "       cxpack lint PACKAGE_DIR|PACKAGE|SCRIPT [--codepage 1252|936]\n"
    "       cxpack plan PACKAGE_DIR|PACKAGE|SCRIPT [--mode install|uninstall] [--lang L] [--os 64|32] [--json]\n"
    "       cxpack cert FILE...\n"
    "\n"
    "pack     stores the contents of DIR as the package's top level; names must be\n"
    "         ASCII unless a code page is given; --compress writes the compressed\n"
    "         package (Zstandard) instead of the archive\n"
    "list     prints PATH<TAB>SIZE per entry in reading order (either kind)\n"
    "extract  writes the entries below DEST; --only takes one entry path\n"
    "         (compared ignoring case), e.g. \\PackageFiles\\SetupScript.xml\n"
    "build    writes a setup program: the stub (default: cxsetup_stub.exe beside\n"
    "         cxpack) with the package folder embedded and a version record from\n"
    "         its SetupInfo; the same inputs give the same bytes (lint runs first);\n"
    "         --compress embeds the compressed package\n"
    "lint     reports the script's faults as FILE:LINE:COL: error|warning: message\n"
    "plan     prints what a run will do, action by action, without doing it\n"
    "cert     prints the key algorithm of DER certificates, as certificate removal\n"
    "         sees it\n";

int Usage(const char* problem) {
  std::fprintf(stderr, "cxpack: %s\n%s", problem, kUsage);
  return kExitUsage;
}

int Failed(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "cxpack: %s: %s\n", file.c_str(), reason.c_str());
  return kExitFailed;
}

struct Options {
  std::vector<std::string> positional;
  std::string output;
  std::string only;
  uint32_t codePage = kPackAsciiOnly;
  bool compress = false;
  bool help = false;
};

// Returns an empty text on success, else the problem.
std::string ParseOptions(const std::vector<std::string>& args, Options* o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--help" || a == "-h") {
      o->help = true;
    } else if (a == "--compress") {
      o->compress = true;
    } else if (a == "-o" || a == "--only" || a == "--codepage") {
      if (!hasValue) return a + " needs a value";
      const std::string& v = args[++i];
      if (a == "-o") {
        o->output = v;
      } else if (a == "--only") {
        o->only = v;
      } else if (v == "1252" || v == "936") {
        o->codePage = uint32_t(std::stoul(v));
      } else {
        return "code page must be 1252 or 936";
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else {
      o->positional.push_back(a);
    }
  }
  return {};
}

std::u16string Wide(const std::string& utf8) { return Utf8ToUtf16(utf8); }

int Pack(const Options& o) {
  if (o.positional.size() != 2 || o.output.empty() || !o.only.empty())
    return Usage("pack takes DIR and -o FILE");
  std::string error;
  CxResult r = CX_OK;
  if (o.compress) {
    std::string package;
    r = PackFolderCompressed(Wide(o.positional[1]), o.codePage, CompressOptions(), &package, &error);
    if (r == CX_OK && WriteWholeFile(Wide(o.output).c_str(), package.data(), package.size()) != CX_OK) {
      std::error_code ec;
      std::filesystem::remove(std::filesystem::path(Wide(o.output)), ec);  // no half package
      return Failed(o.output, "cannot write");
    }
  } else {
    r = PackFolderToFile(Wide(o.positional[1]), o.codePage, Wide(o.output), &error);
  }
  if (r == CX_E_OPEN_FAILED) return Failed(o.output, error);
  if (r != CX_OK) return FailedInFolder(o.positional[1], error);
  return 0;
}

int List(const Options& o) {
  if (o.positional.size() != 2 || !o.output.empty() || !o.only.empty() || o.compress)
    return Usage("list takes FILE");
  PackageFile package;
  std::string reason;
  if (!package.Open(o.positional[1], o.codePage, &reason)) return Failed(o.positional[1], reason);
  for (const PackageEntry& e : package.Entries())
    std::printf("%s\t%u\n", Utf16ToUtf8(e.path).c_str(), unsigned(e.size));
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

int ExtractCommand(const Options& o) {
  if (o.positional.size() != 3 || !o.output.empty() || o.compress)
    return Usage("extract takes FILE and DEST");
  PackageFile package;
  std::string reason;
  if (!package.Open(o.positional[1], o.codePage, &reason)) return Failed(o.positional[1], reason);
  const std::u16string dest = Wide(o.positional[2]);
  CxResult rc = CreateFolder(dest.c_str());
  if (rc != CX_OK && rc != CX_WIN_ERROR_ALREADY_EXISTS)
    return Failed(o.positional[2], "cannot create the folder");
  if (!package.Extract(Wide(o.only), dest, &reason)) return Failed(o.positional[1], reason);
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "build") return RunBuild(args);
  // Commands with options of their own parse them themselves.
  const std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());
  if (!args.empty() && args[0] == "lint") return LintCommand(rest);
  if (!args.empty() && args[0] == "plan") return PlanCommand(rest);
  Options o;
  std::string problem = ParseOptions(args, &o);
  if (!problem.empty()) return Usage(problem.c_str());
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (o.positional.empty()) return Usage("no command");
  const std::string& command = o.positional[0];
  if (command == "pack") return Pack(o);
  if (command == "list") return List(o);
  if (command == "extract") return ExtractCommand(o);
  if (command == "cert") return CertCommand({o.positional.begin() + 1, o.positional.end()});
  return Usage(("unknown command " + command).c_str());
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(argv[i]))));
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
