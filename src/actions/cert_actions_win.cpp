// RegCertFile and UnRegCert: attribute reading, the progress line, and the
// calls into the certificate stores.
#include "actions/cert_actions.h"

#include <new>

#include "actions/attribute_reading.h"
#include "engine/package_paths.h"
#include "platform/cert_store.h"

namespace {
const char16_t* OrNull(const WString& text) { return text.IsEmpty() ? nullptr : text.Wide(); }
}  // namespace

CxResult RegCertFileAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "RegCertFile");
  CxResult r = read.Text("Src", &source_);
  if (r == CX_OK) r = read.Text("StoreName", &storeName_);  // absent: "MY"
  if (r != CX_OK) return r;
  parsed_ = 1;
  return CX_OK;
}

CxResult RegCertFileAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "RegCertFile", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"src", source_);
  FillPlaceholder(&text, u"store", storeName_);
  *out = text;
  return CX_OK;
}

CxResult RegCertFileAction::Execute(InstallContext* context) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  r = EnsurePackagePath(context, source_.Wide());
  if (r != CX_OK) return r;
  return AddCertificateFileToStore(source_.Wide(), storeName_.Wide());
}

CxResult UnRegCertAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "UnRegCert");
  CxResult r = read.Text("StoreName", &storeName_);
  if (r == CX_OK) r = read.Text("CertType", &certType_);
  if (r == CX_OK) r = read.Text("KeySpec", &keySpec_);
  if (r != CX_OK) return r;
  read.Text("CspName", &cspName_);  // empty: any provider
  read.Text("CntName", &cntName_);  // empty: any container
  parsed_ = 1;
  return CX_OK;
}

CxResult UnRegCertAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "UnRegCert", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"store", storeName_);
  FillPlaceholder(&text, u"src", certType_);  // "$[src]" names the certificate type here
  *out = text;
  return CX_OK;
}

CxResult UnRegCertAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  return DeleteCertificatesFromStore(KeyTypeMaskFromText(certType_.Wide()),
                                     KeySpecMaskFromText(keySpec_.Wide()), OrNull(cspName_),
                                     OrNull(cntName_), storeName_.Wide());
}

Action* CreateRegCertFileAction(ScriptElement* element) {
  return new (std::nothrow) RegCertFileAction(element);
}

Action* CreateUnRegCertAction(ScriptElement* element) {
  return new (std::nothrow) UnRegCertAction(element);
}
