// Fuzzes certificate decoding at every detail level: any bytes must either
// fail cleanly or give a known key algorithm and regions inside the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/cert/key_algorithm.h"
#include "common/cert/x509_decode.h"

namespace {
void CheckRegion(const DerRegion& r, const uint8_t* data, size_t size) {
  if (!r.position) return;
  if (r.position < data || r.length > size || r.position - data > std::ptrdiff_t(size - r.length)) {
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto info = std::make_unique<CertificateInfo>();
  for (uint32_t level = 0; level < 3; ++level) {
    std::memset(info.get(), 0, sizeof(CertificateInfo));
    info->detailLevel = level;
    if (DecodeCertificate(data, size, info.get()) != CX_OK) continue;
    const KeyAlgorithm key = info->publicKey.keyAlgorithm;
    if (key != kKeyRsa && CurveCoordinateSize(key) == 0) std::abort();
    if (info->signatureLength > kSignatureCapacity) std::abort();
    for (const DerRegion* r :
         {&info->issuer, &info->subject, &info->serialNumber, &info->validity, &info->extensions}) {
      CheckRegion(*r, data, size);
    }
  }
  return 0;
}
