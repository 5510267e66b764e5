// The tables of the MSI that `cxpack msi` writes, as IDT text files (the
// import format of msitools' msibuild), and the GUIDs that name it.
//
// The MSI installs nothing itself. Two custom actions of the runner DLL
// (tools/msirunner) do the work, deferred and without impersonation, so they
// run elevated inside Windows Installer's own process: CxInstallSetup runs
// the carried setup with /QUIET, CxUninstallSetup runs the product's
// QuietUninstallString. The MSI's own entry in the list of installed
// programs is hidden (ARPSYSTEMCOMPONENT); the setup writes the visible one.
// Portable.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The product, from the script's SetupInfo (UTF-8 texts).
struct MsiProduct {
  std::string scriptProductCode;  // names the uninstall key the script writes
  std::string productName;
  std::string publisher;
  std::string version;       // "a.b.c.d", the script's Version written plainly
  uint32_t versionParts[4] = {0, 0, 0, 0};
  uint32_t codePage = 1252;  // of the database's texts: 1252 or 936
};

// The runner DLL carries the setup behind its own bytes; the install action
// gets where and what to check through its CustomActionData.
struct MsiCarriedSetup {
  uint64_t runnerBytes = 0;  // where the setup starts in the CxSetup stream
  uint64_t setupBytes = 0;
  std::string setupSha256;   // lower-case hex
};

struct IdtFile {
  std::string table;  // the file is <table>.idt
  std::string text;
};

// Names of the two binary streams (the IDT's stream files are
// Binary/<name>.ibd): the runner alone, and the runner with the setup.
constexpr char kMsiRunnerStream[] = "CxRunner";
constexpr char kMsiSetupStream[] = "CxSetup";
// The summary's platform and language.
constexpr char kMsiTemplate[] = "Intel;1033";

// Checks what Windows Installer can't hold: the version's first two parts
// above 255, a text with control characters, a text the database's code
// page can't write. Empty when the product is fine, else the problem.
std::string MsiProductProblem(const MsiProduct& product);

// Name-based GUIDs ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"): the first 16
// bytes of SHA-256 over a fixed namespace and the name, marked as a
// version 8 UUID, so the same inputs always give the same GUID.
std::string NameGuid(const std::string& name);
// UpgradeCode: from the script's ProductCode alone, so every version of the
// product finds the others. ProductCode: from it and the version.
// PackageCode: from the ProductCode and the carried bytes.
std::string MsiUpgradeCode(const MsiProduct& product);
std::string MsiProductCode(const MsiProduct& product);
std::string MsiPackageCode(const MsiProduct& product, const std::string& payloadSha256);

// Every table, in a fixed order.
std::vector<IdtFile> MsiTables(const MsiProduct& product, const MsiCarriedSetup& setup);
