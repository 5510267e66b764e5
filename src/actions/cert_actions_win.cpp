// RegCertFile and UnRegCert: the calls into the certificate stores.
#include "actions/cert_actions.h"

#include "engine/package_paths.h"
#include "package/value_rules.h"
#include "platform/cert_store.h"

namespace {
const char16_t* OrNull(const WString& text) { return text.IsEmpty() ? nullptr : text.Wide(); }
}  // namespace

CxResult ExecuteRegCertFile(ActionValues* values, InstallContext* context) {
  const WString& source = values->Text("Src");
  CxResult r = EnsurePackagePath(context, source.Wide());
  if (r != CX_OK) return r;
  return AddCertificateFileToStore(source.Wide(), values->Text("StoreName").Wide());
}

CxResult ExecuteUnRegCert(ActionValues* values, InstallContext*) {
  return DeleteCertificatesFromStore(WordMask(kCertTypeWords, values->Text("CertType").Wide()),
                                     WordMask(kKeySpecWords, values->Text("KeySpec").Wide()),
                                     OrNull(values->Text("CspName")),
                                     OrNull(values->Text("CntName")),
                                     values->Text("StoreName").Wide());
}
