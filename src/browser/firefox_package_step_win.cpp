// The Firefox step's package folder, made ready before the import.
#include "browser/firefox_package_step.h"

#include "browser/firefox_import.h"
#include "engine/package_paths.h"
#include "package/package_store.h"
#include "package/script_vocabulary.h"

int RunPackageFirefoxStep(InstallContext* context, std::string* refusal) {
  if (!context || context->packageFolder.IsEmpty()) return 0;
  WString folder = context->packageFolder;
  folder.Append(kCertToRegPackagePath);
  const PackageStore* store = context->package;
  if (store && store->IsOpen() && !store->IsArchiveFolder(folder.Str())) return 0;
  // certutil and wSpawn are started from the folder and load what lies
  // beside them: the whole folder must be on disk.
  if (EnsurePackagePath(context, folder.Wide()) != CX_OK) return 0;
  return RegisterFirefoxRootCert(folder.Wide(), context->mode == kModeUninstall,
                                 kFirefoxChildTimeLimitMs, refusal);
}
