// The version.dll table.
#include "common/version_api.h"

#include <iterator>

namespace {

VersionApi g_api = {};

#define CX_ENTRY(name) {#name, reinterpret_cast<FARPROC*>(&g_api.name)}
const SystemDllEntry kEntries[] = {
    CX_ENTRY(GetFileVersionInfoSizeW),
    CX_ENTRY(GetFileVersionInfoW),
    CX_ENTRY(VerQueryValueW),
};
#undef CX_ENTRY

}  // namespace

const SystemDllStatus& VersionStatus() {
  static const SystemDllStatus status =
      LoadSystemDll(L"version.dll", kEntries, std::size(kEntries));
  return status;
}

const VersionApi* Version() { return VersionStatus().result == CX_OK ? &g_api : nullptr; }
