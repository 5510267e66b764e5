// InstallerEngine: construction, package loading, runs and lookups.
#include "app/installer_engine.h"

#include <windows.h>

#include <new>
#include <stdexcept>

#include "app/fresh_name.h"
#include "app/setup_log.h"
#include "browser/firefox_package_step.h"
#include "common/common_lib.h"
#include "common/strings.h"
#include "common/sysinfo.h"
#include "common/version_number.h"
#include "engine/action_runner.h"
#include "engine/admin_check.h"
#include "engine/builtin_actions.h"
#include "app/error_message.h"
#include "engine/package_paths.h"
#include "package/package_archive.h"
#include "package/package_resource.h"
#include "package/temp_folder.h"
#include "platform/admin_only_acl.h"
#include "platform/tree_delete.h"
#include "platform/uninstall_registration.h"

InstallerEngine::InstallerEngine() {
  CommonLibInit();
  selfDeleteAllowed_ = 1;
  isUninstallCopy_ = 0;
  registry_ = std::make_unique<ActionRegistry>();
  RegisterBuiltinActions(registry_.get());
  // Relative paths of the run (e.g. the uninstaller copy without a temporary
  // folder) resolve in the temporary folder.
  std::u16string temp;
  if (GetTempFolder(&temp) == 1) SetCurrentDirectoryW(AsWide(temp.c_str()));
  stop_ = 0;
  char uuid[64];
  UuidString(uuid, sizeof uuid);
  idText_.Assign(uuid);
  context_.idText = idText_;
}

InstallerEngine::~InstallerEngine() {
  registry_.reset();
  Cleanup(this);
  CommonLibUninit();
}

void InstallerEngine::SetRunFlags(int32_t mode, uint32_t silent, uint32_t isUninstallCopy,
                                  uint32_t selfDeleteAllowed) {
  mode_ = mode;
  silent_ = silent;
  isUninstallCopy_ = isUninstallCopy;
  selfDeleteAllowed_ = selfDeleteAllowed;
  context_.mode = mode;
  context_.silent = silent;
}

int InstallerEngine::CreatePackageFolder() {
  std::u16string temp;
  if (GetTempFolder(&temp) != 1) return 0;
  std::u16string made;
  AdminOnlySecurity protection;
  SECURITY_ATTRIBUTES* security = ProtectionFor(IsUserAdmin() == 1, &protection);
  if (CreateFreshFolder(temp, u"CxKeyPackage_", security, &made, &packageFolderLock_) != CX_OK)
    return 0;
  context_.packageFolder.Assign(made.c_str());
  return 1;
}

void InstallerEngine::RemovePackageFolder() {
  package_.Close();
  if (!packageFolderLock_) return;
  DeleteOpenTree(packageFolderLock_.Get(), context_.packageFolder.Str(), InUse::kSchedule, nullptr);
  packageFolderLock_.Reset();
}

int InstallerEngine::LoadPackage(uint32_t resourceId, const char16_t* scriptPath, int scriptOnly) {
  packageTooLarge_ = false;
  try {
    return LoadPackageFiles(resourceId, scriptPath, scriptOnly);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  // Out of memory or address space for the package's table or script:
  // nothing of the package may stay behind.
  packageTooLarge_ = true;
  context_.package = nullptr;
  RemovePackageFolder();
  context_.packageFolder.Clear();
  return 0;
}

int InstallerEngine::LoadPackageFiles(uint32_t resourceId, const char16_t* scriptPath, int) {
  if (!scriptPath || !*scriptPath) return 0;
  if (!packageFolderLock_ && !CreatePackageFolder()) return 0;

  // The package is read where the loader mapped it; the whole table is
  // checked now (a compressed package's frames decoded once), the files
  // are extracted when the run needs them.
  const void* data = nullptr;
  size_t size = 0;
  PackageKind kind = PackageKind::kArchive;
  CxResult found = ViewPackageResource(resourceId, &data, &size);
  if (found == CX_E_MISSING) {
    kind = PackageKind::kCompressed;
    found = ViewPackageResource(resourceId, &data, &size, nullptr, kCompressedPackageResourceType);
  }
  if (found != CX_OK) return 0;
  context_.package = nullptr;
  if (!package_.Open(data, size, CX_CP_ANSI, context_.packageFolder.Str(), nullptr, kind)) return 0;
  context_.package = &package_;
  if (package_.ExtractFile(scriptPath) != CX_OK) return 0;

  WString scriptFile(context_.packageFolder);
  scriptFile.Append(scriptPath);
  if (script_.Load(scriptFile.Wide()) != CX_OK) return 0;
  if (script_.SetSystemVariables(context_.packageFolder.Ansi()) != 1) return 0;
  if (script_.ExpandVariables() != CX_OK) return 0;

  WString version;
  if (script_.GetString("ProductCode", &context_.productCode) != CX_OK ||
      script_.GetString("ProductName", &context_.productName) != CX_OK ||
      script_.GetString("Publisher", &context_.publisher) != CX_OK ||
      script_.GetString("Version", &version) != CX_OK)
    return 0;
  uint64_t parsed = 0;
  if (ParseVersionString(version.Wide(), &parsed) != CX_DONE) return 0;
  VersionParts(parsed, context_.version);
  if (script_.GetString("InstallDir", &context_.installDir) != CX_OK) return 0;
  return 1;
}

int InstallerEngine::GetString(const char* key, WString* out) const {
  return script_.GetString(key, out) == CX_OK ? 1 : 0;
}

CxResult InstallerEngine::EnsurePackagePath(const char16_t* path) {
  return ::EnsurePackagePath(&context_, path);
}

int InstallerEngine::RunFirefoxStep() {
  std::string refusal;
  const int ran = RunPackageFirefoxStep(&context_, &refusal);
  if (!refusal.empty()) ProcessLog().Writef("the Firefox step is skipped: %s", refusal.c_str());
  return ran;
}

CxResult InstallerEngine::ExtractPackageFile(const char16_t* path) {
  if (!path || !context_.package) return CX_E_MISSING;
  return context_.package->ExtractFile(path);
}

int InstallerEngine::GetPackageFolder(WString* out) const {
  if (!out) return 0;
  *out = context_.packageFolder;
  return 1;
}

int InstallerEngine::RunActions(ProgressCallback callback, void* userData) {
  RunnerEnv env{&script_, registry_.get(), &context_, &stop_, &IsUserAdmin,
                quiet_ ? nullptr : &ShowErrorMessage};
  lastRunCode_ = CX_OK;
  // The product's entry is marked until the install list has succeeded, so
  // that an install that ends half way is finished by the next run, not
  // refused as installed.
  const bool install = mode_ == kModeInstall;
  if (install) MarkInstallUnfinished(context_.productCode.Wide());
  const int done = ::RunActions(env, callback, userData, &lastRunCode_);
  if (install && done == 1) ClearInstallUnfinished(context_.productCode.Wide());
  return done;
}

int InstallerEngine::RunFinishActions(CxResult* code) {
  RunnerEnv env{&script_, registry_.get(), &context_, &stop_, &IsUserAdmin,
                quiet_ ? nullptr : &ShowErrorMessage};
  return ::RunFinishActions(env, code);
}

InstallerEngine* GetEngine() {
  // A function-local static is created once, even under concurrent first
  // use, and destroyed at process exit, which runs the final clean-up.
  static InstallerEngine engine;
  return &engine;
}
