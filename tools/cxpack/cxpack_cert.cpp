// cxpack cert: the key algorithm of DER certificates, as the setup's
// certificate removal decodes it, so package authors can write UnRegCert
// rules. "0x1 RSA", "0x2 SM2", "0x103 P-256" ... ; removal treats a
// certificate that does not decode as RSA.
#include "tools/cxpack/cxpack_cert.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>

#include "common/cert/x509_decode.h"
#include "common/result_codes.h"
#include "tools/cxpack/cli_args.h"

namespace {

const char* Reason(CxResult r) {
  switch (r) {
    case CX_E_BAD_DATA:
      return "malformed or unsupported certificate (removal counts it as RSA)";
    case CX_E_BUFFER_TOO_SMALL:
      return "too many elements or a signature too long (removal counts it as RSA)";
    case CX_E_INVALID_ARG:
      return "empty file";
    case CX_E_OUT_OF_MEMORY:
      return "out of memory";
    default:
      return "cannot decode";
  }
}

// `prefix` is "FILE: " when several files are named, so each line says
// which certificate it is about.
int OneFile(const std::string& file, const std::string& prefix) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cxpack: %s: cannot read\n", file.c_str());
    return 1;
  }
  const std::vector<uint8_t> der((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  std::unique_ptr<CertificateInfo> info(new (std::nothrow) CertificateInfo());
  if (!info) return 1;
  const CxResult r = DecodeCertificate(der.data(), der.size(), info.get());
  if (r != CX_OK) {
    std::fprintf(stderr, "cxpack: %s: 0x%08" PRIX32 " %s\n", file.c_str(), r, Reason(r));
    return 1;
  }
  const PublicKeyInfo& key = info->publicKey;
  if (key.keyAlgorithm == kKeyRsa) {
    std::printf("%s0x%" PRIx32 " RSA %" PRIu32 "-bit\n", prefix.c_str(), key.keyAlgorithm, key.size * 8);
  } else {
    std::printf("%s0x%" PRIx32 " %s\n", prefix.c_str(), key.keyAlgorithm,
                KeyAlgorithmName(key.keyAlgorithm));
  }
  return 0;
}

}  // namespace

int CertCommand(const std::vector<std::string>& files) {
  if (files.empty()) return UsageError("cert", "takes one or more FILEs (DER certificates)");
  int status = 0;
  for (const std::string& f : files) {
    if (OneFile(f, files.size() > 1 ? f + ": " : std::string()) != 0) status = 1;
  }
  return status;
}
