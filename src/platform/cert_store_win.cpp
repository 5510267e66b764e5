// Certificate stores through CryptoAPI: adding a certificate and removing
// the bound certificates of a key container.
#include <windows.h>
#include <shlwapi.h>
#include <wincrypt.h>

#include <vector>

#include "common/crypt32_api.h"
#include "common/win_handles.h"
#include "platform/cert_store.h"
#include "platform/cert_store_win.h"

namespace {

CxResult LastErrorOr(CxResult fallback) {
  const DWORD e = ::GetLastError();
  return e != 0 ? e : fallback;
}

CxResult OpenSystemStore(const Crypt32Api& api, const char16_t* storeName, ScopedCertStore* out) {
  std::u16string name;
  uint32_t location = 0;
  ResolveStoreName(storeName, &name, &location);
  HCERTSTORE store = api.CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, location, name.c_str());
  if (!store) return LastErrorOr(CX_E_FAIL);
  out->Reset(store);
  return CX_OK;
}

// The key-provider property into `buffer`; false when there is none, it is
// empty or it cannot be read.
bool ReadKeyBinding(const Crypt32Api& api, PCCERT_CONTEXT cert, std::vector<BYTE>* buffer) {
  DWORD size = 0;
  if (!api.CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) ||
      size < sizeof(CRYPT_KEY_PROV_INFO)) {
    return false;
  }
  buffer->assign(size, 0);
  return api.CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, buffer->data(),
                                             &size) != FALSE;
}

}  // namespace

CxResult AddCertificateFileToStore(const char16_t* path, const char16_t* storeName) {
  if (!path || !path[0]) return CX_E_INVALID_ARG;
  if (!::PathFileExistsW(AsWide(path))) return CX_WIN_ERROR_FILE_NOT_FOUND;
  // Shares reading: the package store holds the files it extracted open.
  ScopedFileHandle file(::CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastErrorOr(CX_E_FAIL);
  const DWORD size = ::GetFileSize(file.Get(), nullptr);
  if (size == 0 || size == INVALID_FILE_SIZE) return CX_E_BAD_DATA;
  std::vector<uint8_t> bytes;
  try {
    bytes.assign(size_t{size} + 1, 0);
  } catch (const std::bad_alloc&) {
    return CX_E_OUT_OF_MEMORY;
  }
  ::SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes.data(), size, &read, nullptr)) return LastErrorOr(CX_E_FAIL);
  if (read == 0) return CX_E_BAD_DATA;
  return AddCertificateToStore(bytes.data(), read, 0, nullptr, nullptr, storeName);
}

CxResult AddCertificateToStore(const uint8_t* der, size_t length, uint32_t keySpec,
                               const char16_t* provider, const char16_t* container,
                               const char16_t* storeName) {
  if (!der || length == 0 || length > 0xFFFFFFFFu) return CX_E_INVALID_ARG;
  const Crypt32Api* api = Crypt32();
  if (!api) return Crypt32Status().result;
  ScopedCertStore store;
  CxResult r = OpenSystemStore(*api, storeName, &store);
  if (r != CX_OK) return r;
  ScopedCertContext cert(
      api->CertCreateCertificateContext(X509_ASN_ENCODING, der, static_cast<DWORD>(length)));
  if (!cert) return LastErrorOr(CX_E_BAD_DATA);
  if (provider || container) {
    CRYPT_KEY_PROV_INFO binding = {};
    binding.pwszContainerName = const_cast<LPWSTR>(AsWide(container));
    binding.pwszProvName = const_cast<LPWSTR>(AsWide(provider));
    binding.dwProvType = 1;  // PROV_RSA_FULL
    binding.dwKeySpec = keySpec;
    if (!api->CertSetCertificateContextProperty(cert.Get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &binding)) {
      return LastErrorOr(CX_E_FAIL);
    }
  }
  if (!api->CertAddCertificateContextToStore(store.Get(), cert.Get(),
                                             CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    return LastErrorOr(CX_E_FAIL);
  }
  return CX_OK;
}

void DeleteMatchingCertificates(HCERTSTORE store, const CertRemovalFilter& filter,
                                CertDeleteFunction deleteCertificate) {
  const Crypt32Api* api = Crypt32();
  if (!api) return;  // no store could have been opened
  // First find, then delete: the enumeration never meets a deleted context
  // and every certificate is looked at exactly once, so a delete that fails
  // cannot bring the same certificate round again.
  std::vector<ScopedCertContext> doomed;
  PCCERT_CONTEXT cert = nullptr;
  while ((cert = api->CertEnumCertificatesInStore(store, cert)) != nullptr) {
    std::vector<BYTE> buffer;  // freed with this certificate
    if (!ReadKeyBinding(*api, cert, &buffer)) continue;
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
    CertKeyBinding binding;
    binding.provider = AsU16(info->pwszProvName);
    binding.container = AsU16(info->pwszContainerName);
    binding.keySpec = info->dwKeySpec;
    if (!ShouldRemoveCertificate(binding, filter, cert->pbCertEncoded, cert->cbCertEncoded)) {
      continue;
    }
    doomed.emplace_back(api->CertDuplicateCertificateContext(cert));
  }
  for (ScopedCertContext& c : doomed) {
    // The delete frees the context whether or not it succeeds.
    deleteCertificate(c.Take());
  }
}

CxResult DeleteCertificatesFromStore(uint32_t keyTypeMask, uint32_t keySpecMask,
                                     const char16_t* provider, const char16_t* container,
                                     const char16_t* storeName) {
  const Crypt32Api* api = Crypt32();
  if (!api) return Crypt32Status().result;
  ScopedCertStore store;
  CxResult r = OpenSystemStore(*api, storeName, &store);
  if (r != CX_OK) return r;
  CertRemovalFilter filter;
  filter.keyTypeMask = keyTypeMask;
  filter.keySpecMask = keySpecMask;
  filter.provider = provider;
  filter.container = container;
  DeleteMatchingCertificates(store.Get(), filter, api->CertDeleteCertificateFromStore);
  // Some registry-backed stores only write deletions out when asked (Wine's
  // do not on close); Windows' system stores are written through already.
  api->CertControlStore(store.Get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
  return CX_OK;
}
