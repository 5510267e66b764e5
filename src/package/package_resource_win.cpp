// Finding a type-256 resource in a module.
#include <windows.h>

#include "package/package_resource.h"

CxResult ViewPackageResource(uint32_t id, const void** data, size_t* size, void* module,
                             uint32_t type) {
  if (!data || !size) return CX_E_INVALID_ARG;
  HMODULE mod = module ? static_cast<HMODULE>(module) : GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(mod, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
  if (!info) return CX_E_MISSING;
  const DWORD length = SizeofResource(mod, info);
  HGLOBAL loaded = LoadResource(mod, info);  // not freed: it belongs to the module
  if (!loaded) return GetLastError() ? GetLastError() : CX_E_FAIL;
  const void* bytes = LockResource(loaded);
  if (!bytes || length == 0) return CX_E_BAD_DATA;
  *data = bytes;
  *size = length;
  return CX_OK;
}

CxResult ReadPackageResource(uint32_t id, std::string* bytes, void* module) {
  if (!bytes) return CX_E_INVALID_ARG;
  const void* data = nullptr;
  size_t size = 0;
  CxResult r = ViewPackageResource(id, &data, &size, module);
  if (r != CX_OK) return r;
  bytes->assign(static_cast<const char*>(data), size);
  return CX_OK;
}
