// Certificate store operations: adding a DER certificate (from bytes or a
// file) to a Windows system store, and removing the certificates of a store
// that are bound to a key container and are of given key types and usages.
// The store name the setup script gives is mapped to a store and a location
// by one fixed rule. The rule and the per-certificate removal decision are
// portable; the store work itself is Windows only (cert_store_win.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/result_codes.h"

constexpr uint32_t kStoreLocationCurrentUser = 0x10000;   // CERT_SYSTEM_STORE_CURRENT_USER
constexpr uint32_t kStoreLocationLocalMachine = 0x20000;  // CERT_SYSTEM_STORE_LOCAL_MACHINE

// Masks for removal: which key types and key usages may be removed (the
// bits of the script's words, package/script_vocabulary.h).
constexpr uint32_t kRemoveRsa = 1;
constexpr uint32_t kRemoveSm2 = 2;
constexpr uint32_t kRemoveKeyExchange = 1;  // the key's usage AT_KEYEXCHANGE (1)
constexpr uint32_t kRemoveSignature = 2;    // the key's usage AT_SIGNATURE (2)

// Null or empty: "MY" of the current user. "ROOT", "TRUST" and "CA" in any
// case: that store of the local machine. "MY" in any case: "MY" of the
// current user. Any other name: that name, as given, of the current user.
void ResolveStoreName(const char16_t* name, std::u16string* store, uint32_t* location);

// What removal asks for. Null or empty provider / container: any.
struct CertRemovalFilter {
  uint32_t keyTypeMask = 0;
  uint32_t keySpecMask = 0;
  const char16_t* provider = nullptr;
  const char16_t* container = nullptr;
};

// A certificate's key-provider binding as read from the store.
struct CertKeyBinding {
  const char16_t* provider = nullptr;   // may be null
  const char16_t* container = nullptr;  // may be null
  uint32_t keySpec = 0;
};

// Whether a bound certificate is to be removed: provider and container
// equal (ignoring case) when the filter names them, the key's usage
// (dwKeySpec) allowed by the mask (usages other than 1 and 2 pass), and the key
// type of `der` allowed (RSA and SM2 by the mask; a certificate that does not
// decode counts as RSA; other curves pass).
bool ShouldRemoveCertificate(const CertKeyBinding& binding, const CertRemovalFilter& filter,
                             const uint8_t* der, size_t length);

// Adds the DER certificate in the file at `path` to the store `storeName`.
// CX_E_INVALID_ARG for a null or empty path; 2 when the file is missing;
// CX_E_BAD_DATA for an empty file; else as AddCertificateToStore. A PEM
// file fails with the platform's decoding error.
CxResult AddCertificateFileToStore(const char16_t* path, const char16_t* storeName);

// Adds `length` DER bytes to the store, replacing an equal certificate. With
// a provider or a container, binds the certificate to that key container
// (provider type 1) with `keySpec` first; nothing is added when that fails.
// CX_E_INVALID_ARG for no bytes; else 0 or the failing call's Windows error.
CxResult AddCertificateToStore(const uint8_t* der, size_t length, uint32_t keySpec,
                               const char16_t* provider, const char16_t* container,
                               const char16_t* storeName);

// Removes every certificate of the store that has a key-provider binding
// and passes ShouldRemoveCertificate. Each certificate is looked at once:
// a delete that fails leaves that certificate and goes on with the next.
// 0, also when nothing was removed; the Windows error when the store
// cannot be opened.
CxResult DeleteCertificatesFromStore(uint32_t keyTypeMask, uint32_t keySpecMask,
                                     const char16_t* provider, const char16_t* container,
                                     const char16_t* storeName);
