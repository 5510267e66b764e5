// cxpack: packs a folder tree into a package archive, lists an archive and
// extracts it, exactly as the setup program reads it.
//
//   cxpack pack DIR -o FILE [--codepage 1252|936]
//   cxpack list FILE [--codepage 1252|936]
//   cxpack extract FILE DEST [--only PATH] [--codepage 1252|936]
//   cxpack build PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--no-lint]
//   cxpack msi PACKAGE_DIR -o FILE ...  (msi_command.h)
//   cxpack lint PACKAGE_DIR|SCRIPT      (lint_command.h)
//   cxpack plan PACKAGE_DIR|SCRIPT ...  (plan_command.h)
//   cxpack cert FILE...                 (cxpack_cert.h)
//
// Exit status: 0 done, 1 failed (message "cxpack: FILE: reason"), 2 usage.
#include <cstdio>
#include <string>
#include <vector>

#include "common/codepage.h"
#include "lint_command.h"
#include "plan_command.h"
#include "common/file_io.h"
#include "package/package_archive.h"
#include "authoring/package_writer.h"
#include "build_command.h"
#include "msi_command.h"
#include "tools/cxpack/cxpack_cert.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: cxpack pack DIR -o FILE [--codepage 1252|936]\n"
    "       cxpack list FILE [--codepage 1252|936]\n"
    "       cxpack extract FILE DEST [--only PATH] [--codepage 1252|936]\n"
    "       cxpack build PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--no-lint]\n"
    "       cxpack msi PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--compress] [--no-lint]\n"
    "       cxpack lint PACKAGE_DIR|SCRIPT [--codepage 1252|936]\n"
    "       cxpack plan PACKAGE_DIR|SCRIPT [--mode install|uninstall] [--lang L] [--os 64|32] [--json]\n"
    "       cxpack cert FILE...\n"
    "\n"
    "pack     stores the contents of DIR as the archive's top level; names must be\n"
    "         ASCII unless a code page is given\n"
    "list     prints PATH<TAB>SIZE per entry in reading order\n"
    "extract  writes the entries below DEST; --only takes one entry path\n"
    "         (compared ignoring case), e.g. \\PackageFiles\\SetupScript.xml\n"
    "build    writes a setup program: the stub (default: cxsetup_stub.exe beside\n"
    "         cxpack) with the package folder embedded and a version record from\n"
    "         its SetupInfo; the same inputs give the same bytes (lint runs first)\n"
    "msi      writes a Windows Installer package that runs the setup build would\n"
    "         write (same options), for Group Policy and Configuration Manager\n"
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
  bool help = false;
};

// Returns an empty text on success, else the problem.
std::string ParseOptions(const std::vector<std::string>& args, Options* o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--help" || a == "-h") {
      o->help = true;
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

// The archive is mapped, not read: packages run to hundreds of MiB.
bool ReadArchive(const std::string& file, uint32_t codePage, MappedFile* bytes,
                 std::vector<PackageEntry>* entries, PackageArchive* archive, std::string* reason) {
  if (bytes->Open(Wide(file).c_str()) != CX_OK) {
    *reason = "cannot read";
    return false;
  }
  if (!archive->Attach(bytes->Data(), bytes->Size())) {
    *reason = "empty file";
    return false;
  }
  // kPackAsciiOnly leaves the reader on the system ANSI code page.
  if (codePage != kPackAsciiOnly) archive->SetNameCodePage(codePage);
  return archive->ReadFileTable(entries, reason);
}

int Pack(const Options& o) {
  if (o.positional.size() != 2 || o.output.empty() || !o.only.empty())
    return Usage("pack takes DIR and -o FILE");
  std::string error;
  CxResult r = PackFolderToFile(Wide(o.positional[1]), o.codePage, Wide(o.output), &error);
  if (r == CX_E_OPEN_FAILED) return Failed(o.output, error);
  if (r != CX_OK) return FailedInFolder(o.positional[1], error);
  return 0;
}

int List(const Options& o) {
  if (o.positional.size() != 2 || !o.output.empty() || !o.only.empty())
    return Usage("list takes FILE");
  MappedFile bytes;
  std::string reason;
  std::vector<PackageEntry> entries;
  PackageArchive archive;
  if (!ReadArchive(o.positional[1], o.codePage, &bytes, &entries, &archive, &reason))
    return Failed(o.positional[1], reason);
  for (const PackageEntry& e : entries)
    std::printf("%s\t%u\n", Utf16ToUtf8(e.path).c_str(), unsigned(e.size));
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

int ExtractCommand(const Options& o) {
  if (o.positional.size() != 3 || !o.output.empty()) return Usage("extract takes FILE and DEST");
  MappedFile bytes;
  std::string reason;
  std::vector<PackageEntry> entries;
  PackageArchive archive;
  if (!ReadArchive(o.positional[1], o.codePage, &bytes, &entries, &archive, &reason))
    return Failed(o.positional[1], reason);
  const std::u16string dest = Wide(o.positional[2]);
  CxResult rc = CreateFolder(dest.c_str());
  if (rc != CX_OK && rc != CX_WIN_ERROR_ALREADY_EXISTS)
    return Failed(o.positional[2], "cannot create the folder");
  archive.SetEntryFileWriter([&bytes](const std::u16string& path, uint32_t offset, uint32_t size) {
    return bytes.CopyRegionToFile(offset, size, path.c_str());
  });
  if (!archive.Extract(entries, Wide(o.only), dest, &reason)) return Failed(o.positional[1], reason);
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "build") return RunBuild(args);
  if (!args.empty() && args[0] == "msi") return RunMsi(args);
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
