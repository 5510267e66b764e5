// The removal loop over an open store, for callers (and tests) that hold
// the store themselves.
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include "platform/cert_store.h"

// Deletes a certificate context and frees it, whether or not the delete
// succeeds, as CertDeleteCertificateFromStore does.
using CertDeleteFunction = BOOL(WINAPI*)(PCCERT_CONTEXT);

// Removes from `store` every bound certificate that passes the filter,
// through `deleteCertificate`. Each certificate is considered once.
void DeleteMatchingCertificates(HCERTSTORE store, const CertRemovalFilter& filter,
                                CertDeleteFunction deleteCertificate);
