// The MSI runner's decisions, apart from Windows so that they are tested
// natively: what its custom actions are told, which program a
// QuietUninstallString names, how a setup's exit code becomes Windows
// Installer's result, and how a text reaches the MSI log unchanged.
#pragma once
#include <cstdint>
#include <string>

// CustomActionData of CxInstallSetup: "OFFSET SIZE SHA256" (decimal byte
// offset of the setup in the runner's file, its size, lower-case hex).
struct InstallData {
  uint64_t offset = 0;
  uint64_t size = 0;
  std::string sha256;  // 64 hex digits
};
// False (`out` untouched) unless the text is exactly that, with a size
// above 0 and offset + size within 64 bits.
bool ParseInstallData(const std::u16string& text, InstallData* out);

// CustomActionData of CxUninstallSetup: "VERSION PRODUCTCODE", the package's
// four-part version and the script's ProductCode (which names the uninstall
// key; the rest of the text, blanks included).
struct UninstallData {
  uint64_t version = 0;
  std::u16string productKey;
};
bool ParseUninstallData(const std::u16string& text, UninstallData* out);

// The program a QuietUninstallString starts: it must begin with a quoted
// path on a local drive ("C:\...\Uninstall.exe" /QUIET), so that nothing is
// looked up in a search path or the working folder, and no path is cut at
// a blank. False (`program` untouched) otherwise.
bool QuietUninstallProgram(const std::u16string& commandLine, std::u16string* program);

// What the custom action returns for a setup's exit code: 0 succeeds, 3010
// succeeds and asks Windows Installer for a restart at the end, anything
// else fails the install (1603, ERROR_INSTALL_FAILURE; a custom action has
// no way to pass another code on).
struct ActionResult {
  uint32_t result;  // ERROR_SUCCESS or ERROR_INSTALL_FAILURE
  bool restart;
};
ActionResult MapSetupExitCode(uint32_t exitCode);
// The setup's own meaning of its exit code, for the log.
const char* SetupExitMeaning(uint32_t exitCode);

// `text` as a Windows Installer format string that shows it unchanged:
// brackets and braces written as [\x].
std::u16string MsiLogLiteral(const std::u16string& text);
