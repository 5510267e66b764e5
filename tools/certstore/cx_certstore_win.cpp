// cx_certstore.exe: lists the certificates of a local machine store and
// removes one certificate file's twin from it. The demo shows the sample
// root with it, and the sample product's uninstall takes its root out of
// "ROOT" with it (removal by key container cannot: the root has none).
//
//   cx_certstore list STORE [--match TEXT]   "SHA1  subject" per certificate
//   cx_certstore remove STORE FILE           0 when it is gone afterwards
//
// Exit status: 0 done, 1 failed (crypt32.dll missing included), 2 usage.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common/crypt32_api.h"
#include "common/win_handles.h"

namespace {

// Loaded from the system folder before anything else: the tool runs from a
// package folder, where a crypt32.dll must never be picked up.
const Crypt32Api* g_crypt32 = nullptr;

HCERTSTORE OpenMachineStore(const wchar_t* name) {
  return g_crypt32->CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                                  name);
}

int List(const wchar_t* storeName, const wchar_t* match) {
  ScopedCertStore store(OpenMachineStore(storeName));
  if (!store) {
    std::fwprintf(stderr, L"cx_certstore: cannot open %ls: %lu\n", storeName, GetLastError());
    return 1;
  }
  PCCERT_CONTEXT c = nullptr;
  while ((c = g_crypt32->CertEnumCertificatesInStore(store.Get(), c)) != nullptr) {
    wchar_t subject[512] = {};
    g_crypt32->CertGetNameStringW(c, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, 512);
    if (match && !std::wcsstr(subject, match)) continue;
    BYTE hash[20] = {};
    DWORD size = sizeof(hash);
    g_crypt32->CertGetCertificateContextProperty(c, CERT_SHA1_HASH_PROP_ID, hash, &size);
    for (DWORD i = 0; i < size; ++i) std::wprintf(L"%02X", hash[i]);
    std::wprintf(L"  %ls\n", subject);
  }
  return 0;
}

int Remove(const wchar_t* storeName, const wchar_t* file) {
  std::vector<BYTE> der;
  DWORD got = 0;
  {
    ScopedFileHandle f(
        CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) {
      std::fwprintf(stderr, L"cx_certstore: cannot read %ls\n", file);
      return 1;
    }
    der.resize(GetFileSize(f.Get(), nullptr));
    if (!ReadFile(f.Get(), der.data(), DWORD(der.size()), &got, nullptr)) got = 0;
  }
  ScopedCertContext wanted(
      got ? g_crypt32->CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), got) : nullptr);
  if (!wanted) {
    std::fwprintf(stderr, L"cx_certstore: %ls is no DER certificate\n", file);
    return 1;
  }
  ScopedCertStore store(OpenMachineStore(storeName));
  if (!store) return 1;
  // The delete frees the found context, whether it succeeds or not.
  PCCERT_CONTEXT found = g_crypt32->CertFindCertificateInStore(store.Get(), X509_ASN_ENCODING, 0,
                                                    CERT_FIND_EXISTING, wanted.Get(), nullptr);
  const int status = found && !g_crypt32->CertDeleteCertificateFromStore(found) ? 1 : 0;
  g_crypt32->CertControlStore(store.Get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  g_crypt32 = Crypt32();
  if (!g_crypt32) {
    const SystemDllStatus& status = Crypt32Status();
    std::fwprintf(stderr, L"cx_certstore: %ls%hs%hs could not be loaded: %lu\n", status.dll,
                  status.entry ? " " : "", status.entry ? status.entry : "",
                  static_cast<unsigned long>(status.result));
    return 1;
  }
  if (argc >= 3 && !std::wcscmp(argv[1], L"list")) {
    const wchar_t* match = argc >= 5 && !std::wcscmp(argv[3], L"--match") ? argv[4] : nullptr;
    return List(argv[2], match);
  }
  if (argc == 4 && !std::wcscmp(argv[1], L"remove")) return Remove(argv[2], argv[3]);
  std::fwprintf(stderr,
                L"usage: cx_certstore list STORE [--match TEXT]\n"
                L"       cx_certstore remove STORE FILE\n");
  return 2;
}
