// The certificate functions of crypt32.dll, loaded from the system folder
// at run time (system_dll.h): crypt32 is not a known DLL, so it never
// appears in a program's import table.
// Windows only: included by _win.cpp files.
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include "common/system_dll.h"

struct Crypt32Api {
  decltype(&::CertAddCertificateContextToStore) CertAddCertificateContextToStore;
  decltype(&::CertCloseStore) CertCloseStore;
  decltype(&::CertControlStore) CertControlStore;
  decltype(&::CertCreateCertificateContext) CertCreateCertificateContext;
  decltype(&::CertDeleteCertificateFromStore) CertDeleteCertificateFromStore;
  decltype(&::CertDuplicateCertificateContext) CertDuplicateCertificateContext;
  decltype(&::CertEnumCertificatesInStore) CertEnumCertificatesInStore;
  decltype(&::CertFindCertificateInStore) CertFindCertificateInStore;
  decltype(&::CertFreeCertificateContext) CertFreeCertificateContext;
  decltype(&::CertGetCertificateContextProperty) CertGetCertificateContextProperty;
  decltype(&::CertGetNameStringW) CertGetNameStringW;
  decltype(&::CertOpenStore) CertOpenStore;
  decltype(&::CertSetCertificateContextProperty) CertSetCertificateContextProperty;
};

// Loads crypt32.dll on the first call (thread-safe) and tells how that went.
const SystemDllStatus& Crypt32Status();
// The table, or null when crypt32.dll or one of its entry points is missing.
const Crypt32Api* Crypt32();
