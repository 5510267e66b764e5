// The store-name rule and the removal decision.
#include "platform/cert_store.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/cert/x509_decode.h"
#include "common/codepage.h"
#include "common/strings.h"

namespace {

bool IsEmpty(const char16_t* text) { return !text || !text[0]; }

// A filter's name must be present in the binding and equal ignoring case.
bool NameMatches(const char16_t* wanted, const char16_t* bound) {
  if (IsEmpty(wanted)) return true;
  return bound && StrCompareNoCaseW(wanted, bound) == 0;
}

}  // namespace

void ResolveStoreName(const char16_t* name, std::u16string* store, uint32_t* location) {
  if (IsEmpty(name)) {
    *store = u"MY";
    *location = kStoreLocationCurrentUser;
    return;
  }
  for (const char16_t* machine : {u"ROOT", u"TRUST", u"CA"}) {
    if (StrCompareNoCaseW(name, machine) == 0) {
      *store = machine;
      *location = kStoreLocationLocalMachine;
      return;
    }
  }
  *store = StrCompareNoCaseW(name, u"MY") == 0 ? u"MY" : name;
  *location = kStoreLocationCurrentUser;
}

bool ShouldRemoveCertificate(const CertKeyBinding& binding, const CertRemovalFilter& filter,
                             const uint8_t* der, size_t length) {
  if (!NameMatches(filter.provider, binding.provider)) return false;
  if (!NameMatches(filter.container, binding.container)) return false;
  if (binding.keySpec == 1 && !(filter.keySpecMask & kRemoveKeyExchange)) return false;
  if (binding.keySpec == 2 && !(filter.keySpecMask & kRemoveSignature)) return false;
  std::unique_ptr<CertificateInfo> info(new (std::nothrow) CertificateInfo());
  if (!info) return false;
  const KeyAlgorithm key = DecodeCertificate(der, length, info.get()) == CX_OK
                               ? info->publicKey.keyAlgorithm
                               : kKeyRsa;  // what does not decode counts as RSA
  if (key == kKeySm2 && !(filter.keyTypeMask & kRemoveSm2)) return false;
  if (key == kKeyRsa && !(filter.keyTypeMask & kRemoveRsa)) return false;
  return true;
}
