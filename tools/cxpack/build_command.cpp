// cxpack build: lint, read SetupInfo, pack, rebuild the stub's resources,
// and write the result in one step (a temporary file renamed into place).
#include "build_command.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "build_lint_hook.h"
#include "cli_args.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "common/version_number.h"
#include "common/wstring.h"
#include "authoring/package_file_index.h"
#include "authoring/package_writer.h"
#include "authoring/pe_image.h"
#include "package/script_vocabulary.h"
#include "authoring/setup_image.h"
#include "authoring/compressed_package_writer.h"
#include "package/setup_script.h"

namespace fs = std::filesystem;

namespace {

constexpr char kStubName[] = "cxsetup_stub.exe";

int Usage(const std::string& problem) { return UsageError("build", problem); }

fs::path PathOf(const std::string& utf8) { return fs::path(Utf8ToUtf16(utf8)); }

struct BuildOptions {
  std::string packageDir;
  std::string output;
  std::string stub;
  uint32_t codePage = kPackAsciiOnly;
  bool lint = true;  // --no-lint: for test packages that are faulty on purpose
  bool compress = false;
};

std::string ParseBuildOptions(const std::vector<std::string>& args, BuildOptions* o) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--stub" || a == "--codepage") {
      if (i + 1 >= args.size()) return a + " needs a value";
      const std::string& v = args[++i];
      if (a == "-o") {
        o->output = v;
      } else if (a == "--stub") {
        o->stub = v;
      } else if (v == "1252" || v == "936") {
        o->codePage = uint32_t(std::stoul(v));
      } else {
        return "--codepage takes " + JoinChoices(kCodePageChoices) + ", not \"" + v + "\"";
      }
    } else if (a == "--no-lint") {
      o->lint = false;
    } else if (a == "--compress") {
      o->compress = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a + " (options: -o, --stub, --codepage, --no-lint, --compress)";
    } else if (o->packageDir.empty()) {
      o->packageDir = a;
    } else {
      return "takes one PACKAGE_DIR";
    }
  }
  if (o->packageDir.empty() || o->output.empty()) return "takes PACKAGE_DIR and -o FILE";
  return {};
}

// The version record's texts, from the expanded script.
bool ReadSetupTexts(const std::string& scriptPath, SetupVersionTexts* texts, std::string* reason) {
  SetupScript script;
  const CxResult loaded = script.Load(Utf8ToUtf16(scriptPath).c_str());
  if (loaded == CX_E_NOT_WELL_FORMED) return *reason = "not well-formed", false;
  if (loaded != CX_OK) return *reason = "cannot read the setup script", false;
  if (script.SetSystemVariables("C:\\package\\") != CX_DONE || script.ExpandVariables() != CX_OK)
    return *reason = "variables do not expand", false;
  const struct { const char* key; std::u16string* out; } fields[] = {
      {"ProductName", &texts->productName},
      {"Publisher", &texts->publisher},
      {"Version", &texts->version},
  };
  for (const auto& f : fields) {
    WString value;
    if (script.GetString(f.key, &value) != CX_OK)
      return *reason = std::string("SetupInfo has no ") + f.key, false;
    *f.out = value.Str();
  }
  uint64_t version = 0;
  if (ParseVersionString(texts->version.c_str(), &version) != CX_DONE)
    return *reason = "Version \"" + Utf16ToUtf8(texts->version) + "\" is not four numbers below 65536",
           false;
  return true;
}

std::string ProgramFolder() {
#ifdef _WIN32
  wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  if (n == 0 || n >= 32768) return {};
  fs::path self(std::wstring(buffer, n));
#else
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
#endif
  return Utf16ToUtf8(self.parent_path().u16string());
}

// Writes `bytes` to a temporary file beside `output`, reads that file back
// as a setup program carrying `package`, and only then renames it into
// place, so that `output` is either a whole new program or untouched.
bool WriteInPlace(const fs::path& output, const std::string& bytes, const std::string& package,
                  uint16_t packageType, std::string* reason) {
  fs::path partial = output;
  partial += u".cxpack-partial";
  const std::u16string partialName = partial.u16string();
  std::error_code ec;
  if (WriteWholeFile(partialName.c_str(), bytes.data(), bytes.size()) != CX_OK) {
    fs::remove(partial, ec);
    return *reason = "cannot write", false;
  }
  {
    MappedFile written;
    std::string why;
    if (written.Open(partialName.c_str()) != CX_OK ||
        VerifySetupImage(ByteSpan(written.Data(), written.Size()), ByteSpan(package), &why,
                         packageType) != CX_OK) {
      fs::remove(partial, ec);
      return *reason = "the written program does not read back" + (why.empty() ? "" : ": " + why),
             false;
    }
  }
  fs::rename(partial, output, ec);
  if (ec) {
    fs::remove(partial, ec);
    return *reason = "cannot replace", false;
  }
  return true;
}

}  // namespace

int FailedInFolder(const std::string& folder, const std::string& reason) {
  if (reason.compare(0, folder.size(), folder) == 0) {
    std::fprintf(stderr, "cxpack: %s\n", reason.c_str());
    return kExitFailed;
  }
  return Failed(folder, reason);
}

std::vector<std::string> StubCandidates() {
  std::vector<std::string> candidates;
  const std::string folder = ProgramFolder();
  if (!folder.empty()) {
    candidates.push_back(folder + "/" + kStubName);
    candidates.push_back(folder + "/../share/cxsetup/" + kStubName);
  }
#ifdef CX_BUILD_TREE_STUB
  candidates.push_back(CX_BUILD_TREE_STUB);
#endif
  return candidates;
}

std::string DefaultStubPath() {
  for (const std::string& candidate : StubCandidates()) {
    std::error_code ec;
    if (fs::is_regular_file(PathOf(candidate), ec)) return candidate;
  }
  return {};
}

int RunBuild(const std::vector<std::string>& args) {
  BuildOptions o;
  const std::string problem = ParseBuildOptions(args, &o);
  if (!problem.empty()) return Usage(problem);
  std::error_code ec;
  if (!fs::is_directory(PathOf(o.packageDir), ec)) return Failed(o.packageDir, "not a folder");
  const std::string scriptPath = (fs::path(o.packageDir) / kPackageFilesFolder / kScriptFileName).string();
  if (!fs::is_regular_file(PathOf(scriptPath), ec)) return Failed(scriptPath, "no setup script");
  const std::vector<std::string> unstaged = PackageFileIndex(Utf8ToUtf16(o.packageDir)).MissingStaged();
  if (!unstaged.empty())
    return Failed(o.packageDir,
                  unstaged.front() +
                      (unstaged.size() > 1 ? " and " + std::to_string(unstaged.size() - 1) + " more files" : "") +
                      " named in " + kStagedFilesList +
                      " not there yet: build the copy of this folder that a build stages them into "
                      "(make setup does so for the sample)");
  fs::path output = PathOf(o.output);
  const fs::path outputFolder = output.has_parent_path() ? output.parent_path() : fs::path(u".");
  if (!fs::is_directory(outputFolder, ec)) return Failed(o.output, "its folder does not exist");
  if (fs::is_directory(output, ec)) return Failed(o.output, "is a folder");
  if (o.stub.empty()) o.stub = DefaultStubPath();
  if (o.stub.empty()) {
    std::string looked;
    for (const std::string& c : StubCandidates()) looked += (looked.empty() ? "" : ", ") + c;
    return Failed(kStubName, "not found (looked for " + looked +
                                 "); build it with make windows, or give --stub PATH");
  }

  const int errors = o.lint ? LintBeforeBuild(o.packageDir, o.codePage) : 0;
  if (errors > 0)
    return Failed(o.packageDir, std::to_string(errors) + (errors == 1 ? " error" : " errors") +
                                    " found by lint; nothing written");

  std::string reason;
  SetupVersionTexts texts;
  if (!ReadSetupTexts(scriptPath, &texts, &reason)) return Failed(scriptPath, reason);

  std::string image, archive;
  const uint16_t packageType =
      o.compress ? kSetupCompressedPackageResourceType : kSetupPackageResourceType;
  {
    // Unmapped before the output is written: the stub may be the output.
    MappedFile stub;
    if (stub.Open(Utf8ToUtf16(o.stub).c_str()) != CX_OK) return Failed(o.stub, "cannot read");
    if (stub.Size() > kPeMaxFileBytes) return Failed(o.stub, "larger than a setup program can be");
    const CxResult packed =
        o.compress ? PackFolderCompressed(Utf8ToUtf16(o.packageDir), o.codePage, CompressOptions(),
                                          &archive, &reason)
                   : PackFolder(Utf8ToUtf16(o.packageDir), o.codePage, &archive, &reason);
    if (packed != CX_OK) return FailedInFolder(o.packageDir, reason);
    const CxResult built = BuildSetupImage(ByteSpan(stub.Data(), stub.Size()), ByteSpan(archive),
                                           texts, &image, &reason, packageType);
    if (built == CX_E_DEST_TOO_SMALL) return Failed(o.packageDir, reason);
    if (built != CX_OK) return Failed(o.stub, reason);
  }
  if (!WriteInPlace(output, image, archive, packageType, &reason)) return Failed(o.output, reason);
  return 0;
}
