// The work of the certificate actions: "RegCertFile" adds a DER certificate
// file of the package to a system store (the package's root goes to
// "ROOT"); "UnRegCert" removes the certificates of a store that are bound
// to a key provider and container and are of the given key types and
// usages. Attributes and descriptions: their rows in
// package/script_vocabulary.cpp.
#pragma once
#include "engine/script_action.h"

// AddCertificateFileToStore's result ("StoreName" absent: "MY").
CxResult ExecuteRegCertFile(ActionValues* values, InstallContext* context);
// DeleteCertificatesFromStore's result: fails only when the store cannot
// be opened. "CertType" and "KeySpec" give the masks by their words
// (substrings, exact case); an empty "CspName" or "CntName" is any.
CxResult ExecuteUnRegCert(ActionValues* values, InstallContext* context);
