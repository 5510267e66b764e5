// Owners for the runner's own handle types: Windows Installer handles and
// CryptoAPI providers and hashes (the rest are in common/win_handles.h).
#pragma once
#include <windows.h>
#include <msi.h>
#include <wincrypt.h>

#include "common/scoped_resource.h"

struct MsiHandleTraits {
  using Type = MSIHANDLE;
  static Type Invalid() { return 0; }
  static void Close(Type h) { ::MsiCloseHandle(h); }
};
using ScopedMsiHandle = ScopedResource<MsiHandleTraits>;

struct CryptProvTraits {
  using Type = HCRYPTPROV;
  static Type Invalid() { return 0; }
  static void Close(Type h) { ::CryptReleaseContext(h, 0); }
};
using ScopedCryptProv = ScopedResource<CryptProvTraits>;

struct CryptHashTraits {
  using Type = HCRYPTHASH;
  static Type Invalid() { return 0; }
  static void Close(Type h) { ::CryptDestroyHash(h); }
};
using ScopedCryptHash = ScopedResource<CryptHashTraits>;
