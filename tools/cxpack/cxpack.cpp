// cxpack: the package author's tool. Writes a starting package, lints and
// plans a setup script, writes a setup program, and packs, lists and
// extracts package archives exactly as the setup program reads them.
//
//   cxpack init DIR ...                  (init_command.h)
//   cxpack lint PACKAGE_DIR|SCRIPT       (lint_command.h)
//   cxpack plan PACKAGE_DIR|SCRIPT|SETUP (plan_command.h)
//   cxpack build PACKAGE_DIR -o FILE     (build_command.h)
//   cxpack msi PACKAGE_DIR -o FILE ...   (msi_command.h)
//   cxpack pack DIR -o FILE [--codepage 1252|936]
//   cxpack list ARCHIVE|SETUP [--codepage 1252|936]
//   cxpack extract ARCHIVE|SETUP DEST [--only PATH] [--codepage 1252|936]
//   cxpack cert FILE...                  (cxpack_cert.h)
//   cxpack help [COMMAND|script[#ENTRY]] (command_help.h, script_reference.h)
//
// Exit status: 0 done, 1 failed (message "cxpack: FILE: reason"), 2 usage.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive_input.h"
#include "build_command.h"
#include "cli_args.h"
#include "command_help.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "init_command.h"
#include "lint_command.h"
#include "msi_command.h"
#include "authoring/compressed_package_writer.h"
#include "authoring/package_writer.h"
#include "authoring/script_reference.h"
#include "plan_command.h"
#include "tools/cxpack/cxpack_cert.h"

namespace {

uint32_t CodePageOf(const CliArgs& a) {
  return a.Has("--codepage") ? uint32_t(std::stoul(a.Value("--codepage"))) : kPackAsciiOnly;
}

int Pack(const std::vector<std::string>& args) {
  CliArgs a;
  std::string problem = ParseCliArgs(
      args, {{"-o", true, nullptr}, {"--codepage", true, kCodePageChoices}, {"--compress", false, nullptr}}, &a);
  if (problem.empty() && (a.positional.size() != 1 || !a.Has("-o"))) problem = "takes DIR and -o FILE";
  if (!problem.empty()) return UsageError("pack", problem);
  std::string error;
  const std::string& dir = a.positional[0];
  CxResult r = CX_OK;
  if (a.Has("--compress")) {
    std::string package;
    r = PackFolderCompressed(Utf8ToUtf16(dir), CodePageOf(a), CompressOptions(), &package, &error);
    if (r == CX_OK && WriteWholeFile(Utf8ToUtf16(a.Value("-o")).c_str(), package.data(), package.size()) != CX_OK) {
      std::error_code ec;
      std::filesystem::remove(std::filesystem::u8path(a.Value("-o")), ec);  // no half package
      return Failed(a.Value("-o"), "cannot write");
    }
  } else {
    r = PackFolderToFile(Utf8ToUtf16(dir), CodePageOf(a), Utf8ToUtf16(a.Value("-o")), &error);
  }
  if (r == CX_E_OPEN_FAILED) return Failed(a.Value("-o"), error);
  if (r != CX_OK) return FailedInFolder(dir, error);
  return 0;
}

int List(const std::vector<std::string>& args) {
  CliArgs a;
  std::string problem = ParseCliArgs(args, {{"--codepage", true, kCodePageChoices}}, &a);
  if (problem.empty() && a.positional.size() != 1) problem = "takes one ARCHIVE or SETUP";
  if (!problem.empty()) return UsageError("list", problem);
  ArchiveInput in;
  std::string reason;
  if (!OpenArchiveInput(a.positional[0], CodePageOf(a), &in, &reason)) return Failed(a.positional[0], reason);
  for (const PackageEntry& e : in.entries)
    std::printf("%s\t%u\n", Utf16ToUtf8(e.path).c_str(), unsigned(e.size));
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

// An entry path as the archive lists it: '\'-separated, a leading one
// optional, case ignored (PackagePathEquals).
std::u16string NormalisedEntryPath(std::u16string path) {
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  path.erase(0, path.find_first_not_of(u'\\') == std::u16string::npos ? path.size()
                                                                     : path.find_first_not_of(u'\\'));
  return path;
}

int ExtractCommand(const std::vector<std::string>& args) {
  CliArgs a;
  std::string problem =
      ParseCliArgs(args, {{"--only", true, nullptr}, {"--codepage", true, kCodePageChoices}}, &a);
  if (problem.empty() && a.positional.size() != 2) problem = "takes ARCHIVE or SETUP, and DEST";
  if (!problem.empty()) return UsageError("extract", problem);
  const std::string& file = a.positional[0];
  const std::string& destination = a.positional[1];
  ArchiveInput in;
  std::string reason;
  if (!OpenArchiveInput(file, CodePageOf(a), &in, &reason)) return Failed(file, reason);
  std::u16string filter;
  if (a.Has("--only")) {
    const std::u16string wanted = NormalisedEntryPath(Utf8ToUtf16(a.Value("--only")));
    for (const PackageEntry& e : in.entries)
      if (filter.empty() && PackagePathEquals(NormalisedEntryPath(e.path), wanted)) filter = e.path;
    if (filter.empty())
      return Failed(file, "no entry " + a.Value("--only") + " (cxpack list shows the entries)");
  }
  const std::u16string dest = Utf8ToUtf16(destination);
  CxResult rc = CreateFolder(dest.c_str());
  if (rc != CX_OK && rc != CX_WIN_ERROR_ALREADY_EXISTS) return Failed(destination, "cannot create the folder");
  if (in.compressed) {
    if (!in.compressed->Extract(in.entries, filter, dest, &reason)) return Failed(file, reason);
    return 0;
  }
  const size_t base = in.base;
  const MappedFile& bytes = in.file;
  in.archive.SetEntryFileWriter([&bytes, base](const std::u16string& path, uint32_t offset, uint32_t size) {
    return bytes.CopyRegionToFile(base + uint64_t(offset), size, path.c_str());
  });
  if (!in.archive.Extract(in.entries, filter, dest, &reason)) return Failed(file, reason);
  return 0;
}

int Help(const std::vector<std::string>& args) {
  if (args.empty()) return std::fputs(OverviewHelp(), stdout) >= 0 ? 0 : kExitFailed;
  if (args.size() > 1) return UsageError("help", "takes one COMMAND");
  if (args[0] == "script") return std::fputs(ScriptReferenceText().c_str(), stdout) >= 0 ? 0 : kExitFailed;
  if (args[0].rfind("script#", 0) == 0) {
    const std::vector<ReferenceEntry> entries = ScriptReferenceEntries();
    const ReferenceEntry* entry = FindReferenceEntry(entries, args[0].substr(7));
    if (!entry) {
      std::string names;
      for (const ReferenceEntry& e : entries) names += (names.empty() ? "" : ", ") + e.name;
      return UsageError("help", "the script reference has no entry \"" + args[0].substr(7) + "\" (entries: " +
                                    names + ")");
    }
    return std::fputs(entry->text.c_str(), stdout) >= 0 ? 0 : kExitFailed;
  }
  const char* text = CommandHelp(args[0]);
  if (!text) return UsageError("help", "no command \"" + args[0] + "\"");
  std::fputs(text, stdout);
  return 0;
}

int Run(const std::vector<std::string>& given) {
  const std::vector<std::string> args = SplitOptionValues(given);
  if (args.empty()) return UsageError("", "no command");
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "help" || command == "--help" || command == "-h") return Help(rest);
  // Every command answers --help with its own text.
  for (const std::string& a : rest)
    if ((a == "--help" || a == "-h") && CommandHelp(command)) return Help({command});
  if (command == "init") return InitCommand(rest);
  if (command == "lint") return LintCommand(rest);
  if (command == "plan") return PlanCommand(rest);
  if (command == "build") return RunBuild(args);
  if (command == "msi") return RunMsi(args);
  if (command == "pack") return Pack(rest);
  if (command == "list") return List(rest);
  if (command == "extract") return ExtractCommand(rest);
  if (command == "cert") return CertCommand(rest);
  return UsageError("", "no command \"" + command + "\"");
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
