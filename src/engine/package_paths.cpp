// The one way actions ask for package files on disk.
#include "engine/package_paths.h"

#include "package/package_store.h"

CxResult EnsurePackagePath(InstallContext* context, const char16_t* path) {
  if (!context || !context->package || !path || !*path) return CX_OK;
  return context->package->EnsurePath(path);
}

CxResult EnsurePackagePathsIn(InstallContext* context, const char16_t* text) {
  if (!context || !context->package || !text || !*text) return CX_OK;
  return context->package->EnsurePathsIn(text);
}
