// cxpack msi: builds the setup through `cxpack build` into a private work
// folder, puts it behind the runner DLL, writes the tables as IDT files and
// has msibuild make the database, which is renamed into place at the end.
#include "msi_command.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "build_command.h"
#include "cli_args.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "msi_product.h"
#include "msi_tables.h"
#include "msibuild_runner.h"
#include "sha256.h"

namespace fs = std::filesystem;

namespace {

constexpr char kStubName[] = "cxsetup_stub.exe";
// The runner DLL travels with the stub (the Windows build puts both in
// its top folder; an installed tree in share/cxsetup/).
constexpr char kRunnerName[] = "cxsetup_msi_runner.dll";
constexpr char kScriptPath[] = "PackageFiles/SetupScript.xml";

int Usage(const std::string& problem) { return UsageError("msi", problem); }

fs::path PathOf(const std::string& utf8) { return fs::path(Utf8ToUtf16(utf8)); }

struct MsiOptions {
  std::string packageDir;
  std::string output;
  std::string stub;
  std::string codePage;  // as given, for the build
  bool compress = false;
  bool noLint = false;
};

std::string ParseMsiOptions(const std::vector<std::string>& args, MsiOptions* o) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--stub" || a == "--codepage") {
      if (i + 1 >= args.size()) return a + " needs a value";
      const std::string& v = args[++i];
      if (a == "-o") o->output = v;
      else if (a == "--stub") o->stub = v;
      else if (v == "1252" || v == "936") o->codePage = v;
      else return "code page must be 1252 or 936";
    } else if (a == "--compress") {
      o->compress = true;
    } else if (a == "--no-lint") {
      o->noLint = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else if (o->packageDir.empty()) {
      o->packageDir = a;
    } else {
      return "msi takes one PACKAGE_DIR";
    }
  }
  if (o->packageDir.empty() || o->output.empty()) return "msi takes PACKAGE_DIR and -o FILE";
  return {};
}

// Removes the work folder with everything in it, however the command ends.
class WorkFolder {
 public:
  ~WorkFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(PathOf(path_), ec);
  }
  std::string* Path() { return &path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  MappedFile file;
  if (file.Open(Utf8ToUtf16(path).c_str()) != CX_OK) return false;
  bytes->assign(reinterpret_cast<const char*>(file.Data()), file.Size());
  return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  return WriteWholeFile(Utf8ToUtf16(path).c_str(), bytes.data(), bytes.size()) == CX_OK;
}

}  // namespace

int RunMsi(const std::vector<std::string>& args) {
  MsiOptions o;
  const std::string problem = ParseMsiOptions(args, &o);
  if (!problem.empty()) return Usage(problem);
  std::string reason;
  if (!MsibuildAvailable(&reason)) return Failed(o.output, reason);
  std::error_code ec;
  if (!fs::is_directory(PathOf(o.packageDir), ec)) return Failed(o.packageDir, "not a folder");
  const fs::path output = PathOf(o.output);
  const fs::path outputFolder = output.has_parent_path() ? output.parent_path() : fs::path(u".");
  if (!fs::is_directory(outputFolder, ec)) return Failed(o.output, "its folder does not exist");
  if (fs::is_directory(output, ec)) return Failed(o.output, "is a folder");
  if (o.stub.empty()) o.stub = DefaultStubPath();
  if (o.stub.empty()) {
    std::string looked;
    for (const std::string& c : StubCandidates()) looked += (looked.empty() ? "" : ", ") + c;
    return Failed(kStubName, "not found (looked for " + looked + "); build it with make windows, or give --stub PATH");
  }
  const fs::path stubFolder = PathOf(o.stub).parent_path();
  const std::string runnerPath =
      Utf16ToUtf8(((stubFolder.empty() ? fs::path(u".") : stubFolder) / kRunnerName).u16string());
  if (!fs::is_regular_file(PathOf(runnerPath), ec)) return Failed(runnerPath, "not found beside the stub");

  WorkFolder work;
  if (!MakeWorkFolder(o.output + ".cxpack-msi-", work.Path(), &reason)) return Failed(o.output, reason);
  // The setup exactly as `cxpack build` writes it (lint first, any error
  // stops here; its messages are the build's own).
  std::vector<std::string> build = {"build", o.packageDir, "-o", work / "setup.exe", "--stub", o.stub};
  if (!o.codePage.empty()) build.insert(build.end(), {"--codepage", o.codePage});
  if (o.noLint) build.push_back("--no-lint");
  if (o.compress) build.push_back("--compress");
  const int built = RunBuild(build);
  if (built != 0) return built;

  MsiProduct product;
  const std::string scriptPath = (fs::path(o.packageDir) / kScriptPath).string();
  if (!ReadMsiProduct(scriptPath, o.codePage == "936" ? 936 : 1252, &product, &reason))
    return Failed(scriptPath, reason);

  std::string runner, setup;
  if (!ReadFileBytes(runnerPath, &runner)) return Failed(runnerPath, "cannot read");
  if (!ReadFileBytes(work / "setup.exe", &setup)) return Failed(o.output, "cannot read the built setup");
  MsiCarriedSetup carried;
  carried.runnerBytes = runner.size();
  carried.setupBytes = setup.size();
  Sha256 setupSha;
  setupSha.Update(setup);
  carried.setupSha256 = Sha256::Hex(setupSha.Finish());
  Sha256 payloadSha;
  payloadSha.Update(runner);
  payloadSha.Update(setup);
  const std::string packageCode = MsiPackageCode(product, Sha256::Hex(payloadSha.Finish()));

  if (!fs::create_directory(PathOf(work / "Binary"), ec) ||
      !WriteFileBytes(work / "Binary/" + kMsiRunnerStream + ".ibd", runner) ||
      !WriteFileBytes(work / "Binary/" + kMsiSetupStream + ".ibd", runner + setup))
    return Failed(o.output, "cannot write the work files");
  setup.clear();
  std::vector<std::string> msibuild = {"product.msi", "-i"};
  for (const IdtFile& table : MsiTables(product, carried)) {
    if (!WriteFileBytes(work / (table.table + ".idt"), table.text))
      return Failed(o.output, "cannot write the work files");
    msibuild.push_back(table.table + ".idt");
  }
  msibuild.insert(msibuild.end(),
                  {"-s", product.productName, product.publisher, kMsiTemplate, packageCode});
  if (!RunMsibuild(*work.Path(), msibuild, &reason)) return Failed(o.output, reason);
  fs::rename(PathOf(work / "product.msi"), output, ec);
  if (ec) return Failed(o.output, "cannot replace");
  return 0;
}
