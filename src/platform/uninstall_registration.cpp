// The uninstall entry's key path.
#include "platform/uninstall_registration.h"

#include <string>

namespace {
constexpr char16_t kUninstallRoot[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
}  // namespace

CxResult UninstallKeyPath(const char16_t* productKey, WString* out) {
  if (!productKey || !productKey[0] || !out) return CX_E_INVALID_ARG;
  std::u16string path = std::u16string(kUninstallRoot) + productKey;
  if (path.size() > CX_UNINSTALL_KEY_MAX_CHARS) path.resize(CX_UNINSTALL_KEY_MAX_CHARS);
  out->Assign(path.c_str());
  return CX_OK;
}
