// Copying a type-256 resource out of a module.
#include <windows.h>

#include "package/package_resource.h"

CxResult ReadPackageResource(uint32_t id, std::string* bytes, void* module) {
  if (!bytes) return CX_E_INVALID_ARG;
  HMODULE mod = module ? static_cast<HMODULE>(module) : GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(mod, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(kPackageResourceType));
  if (!info) return CX_E_MISSING;
  const DWORD size = SizeofResource(mod, info);
  HGLOBAL loaded = LoadResource(mod, info);  // not freed: it belongs to the module
  if (!loaded) return GetLastError() ? GetLastError() : CX_E_FAIL;
  const void* data = LockResource(loaded);
  if (!data || size == 0) return CX_E_BAD_DATA;
  bytes->assign(static_cast<const char*>(data), size);
  return CX_OK;
}
