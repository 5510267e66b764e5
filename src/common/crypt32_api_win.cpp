// The crypt32.dll table.
#include "common/crypt32_api.h"

#include <iterator>

namespace {

Crypt32Api g_api = {};

#define CX_ENTRY(name) {#name, reinterpret_cast<FARPROC*>(&g_api.name)}
const SystemDllEntry kEntries[] = {
    CX_ENTRY(CertAddCertificateContextToStore), CX_ENTRY(CertCloseStore),
    CX_ENTRY(CertControlStore),                 CX_ENTRY(CertCreateCertificateContext),
    CX_ENTRY(CertDeleteCertificateFromStore),   CX_ENTRY(CertDuplicateCertificateContext),
    CX_ENTRY(CertEnumCertificatesInStore),      CX_ENTRY(CertFindCertificateInStore),
    CX_ENTRY(CertFreeCertificateContext),       CX_ENTRY(CertGetCertificateContextProperty),
    CX_ENTRY(CertGetNameStringW),               CX_ENTRY(CertOpenStore),
    CX_ENTRY(CertSetCertificateContextProperty),
};
#undef CX_ENTRY

}  // namespace

const SystemDllStatus& Crypt32Status() {
  static const SystemDllStatus status =
      LoadSystemDll(L"crypt32.dll", kEntries, std::size(kEntries));
  return status;
}

const Crypt32Api* Crypt32() { return Crypt32Status().result == CX_OK ? &g_api : nullptr; }
