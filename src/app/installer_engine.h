// InstallerEngine: the one object that holds everything a run needs: the
// run mode and flags from the command line, the setup script, the action
// registry, the context handed to every action, the package folder and the
// single-instance lock. One per process (GetEngine); its destructor does
// the final clean-up.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/named_objects.h"
#include "common/wstring.h"
#include "engine/action_registry.h"
#include "engine/install_context.h"
#include "engine/progress.h"
#include "package/package_store.h"
#include "package/setup_script.h"
#include "common/win_handles.h"

class InstallerEngine {
 public:
  InstallerEngine();
  virtual ~InstallerEngine();
  InstallerEngine(const InstallerEngine&) = delete;
  InstallerEngine& operator=(const InstallerEngine&) = delete;

  // Opens the embedded package (resource type 256, `resourceId`) where it
  // lies and checks its whole table, extracts the script at `scriptPath`
  // into a fresh folder under the temporary folder, loads and expands it and
  // reads the product's identity. Everything else is extracted when the run
  // needs it (engine/package_paths.h), whatever `scriptOnly` says. 1 on
  // success, 0 on failure. When memory runs out on the package the package
  // folder is removed and PackageTooLarge() tells so.
  int LoadPackage(uint32_t resourceId, const char16_t* scriptPath, int scriptOnly);
  // True after a LoadPackage that failed for want of memory.
  bool PackageTooLarge() const { return packageTooLarge_; }
  // EnsurePackagePath for the engine's own context.
  CxResult EnsurePackagePath(const char16_t* path);
  // The Firefox root import from the package (browser/firefox_package_step.h).
  int RunFirefoxStep();
  // Extracts the one package file at `path` (absolute) now, without its
  // folder: for a file the program itself reads, such as the dialog's logo.
  // 0, CX_E_MISSING when the package has no such file, or CX_E_FAIL.
  CxResult ExtractPackageFile(const char16_t* path);

  // Runs the mode's main list with progress reports; 1 when it all succeeded.
  // The runner's code is kept for LastRunCode.
  int RunActions(ProgressCallback callback, void* userData);
  // The code of the last RunActions (0 before the first).
  CxResult LastRunCode() const { return lastRunCode_; }
  // Runs the mode's finish list without reports; 1 on success. `code`
  // (optional) tells a missing list (CX_E_MISSING) from a failed action.
  int RunFinishActions(CxResult* code = nullptr);
  // Asks the runners to stop before their next action.
  void Stop() { stop_.store(1, std::memory_order_relaxed); }

  // 1 with the expanded script's value, 0 (out untouched) when undefined.
  int GetString(const char* key, WString* out) const;
  // 1; the package folder (ends with a backslash), empty before LoadPackage.
  int GetPackageFolder(WString* out) const;

  int32_t Mode() const { return mode_; }
  uint32_t IsSilent() const { return silent_; }
  uint32_t IsUninstallCopy() const { return isUninstallCopy_; }
  uint32_t SelfDeleteAllowed() const { return selfDeleteAllowed_; }
  const InstallContext& Context() const { return context_; }
  const SetupScript& Script() const { return script_; }

  // Sets mode and flags, in the engine and its context.
  void SetRunFlags(int32_t mode, uint32_t silent, uint32_t isUninstallCopy,
                   uint32_t selfDeleteAllowed);

  // Unattended run ("/QUIET"): nothing may be shown, not even the runner's
  // administrator message.
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  bool IsQuiet() const { return quiet_; }
  // A quiet uninstall launcher's result: its copy's exit code.
  void SetRelaunchExitCode(uint32_t code) { relaunchExitCode_ = code; }
  uint32_t RelaunchExitCode() const { return relaunchExitCode_; }

  // The single-instance lock (see CheckSingleInstance).
  ScopedObjectHandle& InstanceLock() { return instanceLock_; }

  // Lets go of the package's files and deletes the package folder through
  // the handle held since its creation (never by its name, which someone
  // else may own by then). Does nothing once done.
  void RemovePackageFolder();

 private:
  // Creates a fresh CxKeyPackage_<random>\ under the working folder and
  // holds it for the run; 1 or 0.
  int CreatePackageFolder();
  // LoadPackage's steps; may throw when memory runs out.
  int LoadPackageFiles(uint32_t resourceId, const char16_t* scriptPath, int scriptOnly);

  SetupScript script_;
  PackageStore package_;
  bool packageTooLarge_ = false;
  std::unique_ptr<ActionRegistry> registry_;
  InstallContext context_;
  ScopedObjectHandle instanceLock_;
  // The package folder, held from its creation: nobody can rename or remove
  // it, and a later setup's sweep of leftovers sees it in use.
  ScopedFileHandle packageFolderLock_;
  std::atomic<uint32_t> stop_{0};
  uint32_t selfDeleteAllowed_ = 1;
  uint32_t isUninstallCopy_ = 0;
  int32_t mode_ = kModeUnset;
  WString idText_;
  uint32_t silent_ = 0;
  bool quiet_ = false;
  uint32_t relaunchExitCode_ = 0;
  CxResult lastRunCode_ = CX_OK;
};

// The process's one engine, created on first use (thread-safe).
InstallerEngine* GetEngine();

// Parses the process command line into the engine's mode and flags. Sets
// `exitNow` to 1 when the program must end at once because a relaunched
// uninstaller copy took over (or failed to). 1 to go on, 0 on failure.
int HandleCmdLine(InstallerEngine* engine, int* exitNow);
// The same with the argument vector (after the program name) and the module
// path given, for tests.
int HandleCmdLineWith(InstallerEngine* engine, const std::vector<std::u16string>& args,
                      const char16_t* modulePath, int* exitNow);

// The process's own arguments parsed (see command_line.h).
struct CommandLineFlags ParseProcessCommandLine();

// Copies the running program to a new Uninstallation_<random>.exe in the
// working folder (admin-only when elevated), holds it for reading until this
// process ends, and starts it with "/UNINSTALL_COPY". 1 when started. A quiet launcher waits for the copy's
// report and keeps its exit code (RelaunchExitCode); 1 then means it came.
int RelaunchUninstallCopy(InstallerEngine* engine);
// Takes the instance lock named `name` (UTF-8; null or empty: the product
// code). 1 when held, 0 when another instance holds it or it failed.
int CheckSingleInstance(InstallerEngine* engine, const char* name);
// Releases the lock, deletes the package folder (RemovePackageFolder), and
// after an uninstall arranges the deletion of the program file. Safe to
// call more than once.
int Cleanup(InstallerEngine* engine);
// 1 when nothing had to be done or the deletion was arranged, 0 otherwise.
int DeleteSelf(InstallerEngine* engine);
