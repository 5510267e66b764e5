// The certificate actions of an action list: "RegCertFile" adds a DER
// certificate file of the package to a system store (the package's root
// goes to "ROOT"); "UnRegCert" removes the certificates of a store that are
// bound to a key provider and container and are of the given key types and
// usages. Neither reads an "os" filter nor switches redirection.
#pragma once
#include "common/wstring.h"
#include "engine/action.h"

// "Src" (required, not empty), "StoreName" (absent: "MY"; present but
// empty: an error).
class RegCertFileAction : public Action {
 public:
  explicit RegCertFileAction(ScriptElement* element) : Action(element) {}

  // CX_E_INVALID_ARG without an element or for an empty attribute;
  // CX_E_ATTR_MISSING without "Src".
  CxResult Parse(int force) override;
  // Fills "$[src]" with the source, then "$[store]" with the store name.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // AddCertificateFileToStore's result.
  CxResult Execute(InstallContext* context) override;

  const WString& Source() const { return source_; }
  const WString& StoreName() const { return storeName_; }

 private:
  WString source_;
  WString storeName_;
};

// "StoreName", "CertType" ("RSA" and/or "SM2"), "KeySpec" ("KEYEXCHANGE"
// and/or "SIGNATURE"): required, not empty, read in this order. "CspName"
// and "CntName": optional provider and container (empty: any).
class UnRegCertAction : public Action {
 public:
  explicit UnRegCertAction(ScriptElement* element) : Action(element) {}

  // CX_E_INVALID_ARG without an element or for an empty required attribute;
  // CX_E_ATTR_MISSING for an absent one. Stops at the first failure.
  CxResult Parse(int force) override;
  // Fills "$[store]" with the store name, then "$[src]" with the type text.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // DeleteCertificatesFromStore's result: fails only when the store cannot
  // be opened.
  CxResult Execute(InstallContext* context) override;

  const WString& StoreName() const { return storeName_; }
  const WString& CertType() const { return certType_; }
  const WString& KeySpec() const { return keySpec_; }
  const WString& CspName() const { return cspName_; }
  const WString& CntName() const { return cntName_; }

 private:
  WString storeName_;
  WString certType_;
  WString keySpec_;
  WString cspName_;
  WString cntName_;
};

// Factories for the action registry; null when memory runs out.
Action* CreateRegCertFileAction(ScriptElement* element);
Action* CreateUnRegCertAction(ScriptElement* element);
