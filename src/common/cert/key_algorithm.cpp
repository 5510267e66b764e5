// The OID table and AlgorithmIdentifier reading.
#include "common/cert/key_algorithm.h"

#include <cstring>

#include "common/strings.h"

namespace {

struct OidRow {
  const char* oid;
  KeyAlgorithm key;
  HashAlgorithm hash;
};

// Searched in this order; the first equal row wins.
constexpr OidRow kOidTable[] = {
    {"1.2.840.113549.1.1.1", kKeyRsa, kHashNone},
    {"1.3.14.3.2.26", kKeyNone, kHashSha1},
    {"1.2.156.10197.1.301", kKeySm2, kHashNone},
    {"1.2.156.10197.1.301.1", kKeySm2, kHashNone},
    {"1.2.156.10197.1.301.3", kKeySm2, kHashNone},
    {"1.2.156.10197.1.301.2", kKeySm2, kHashNone},
    {"1.2.156.10197.1.401", kKeyNone, kHashSm3},
    {"1.2.840.113549.1.1.5", kKeyRsa, kHashSha1},
    {"1.3.14.3.2.29", kKeyRsa, kHashSha1},
    {"1.2.840.113549.1.1.4", kKeyRsa, kHashMd5},
    {"1.2.840.113549.1.1.11", kKeyRsa, kHashSha256},
    {"1.2.840.113549.1.1.12", kKeyRsa, kHashSha384},
    {"1.2.840.113549.1.1.13", kKeyRsa, kHashSha512},
    {"1.2.156.10197.1.501", kKeySm2, kHashSm3},
    {"1.2.156.10197.1.504", kKeyRsa, kHashSm3},
    {"1.3.6.1.4.1.4929.1.7", kKeyAlgorithm4929, kHashNone},
    {"1.2.840.113549.2.5", kKeyRsa, kHashMd5},  // MD5 digest: 1, unlike the other digests
    {"2.16.840.1.101.3.4.2.1", kKeyNone, kHashSha256},
    {"2.16.840.1.101.3.4.2.2", kKeyNone, kHashSha384},
    {"2.16.840.1.101.3.4.2.3", kKeyNone, kHashSha512},
    {"1.2.840.10045.2.1", kKeyEcUnnamed, kHashNone},
    {"1.3.132.0.31", kKeySecp192k1, kHashNone},
    {"1.2.840.10045.3.1.1", kKeyP192, kHashNone},
    {"1.3.132.0.32", kKeySecp224k1, kHashNone},
    {"1.3.132.0.33", kKeyP224, kHashNone},
    {"1.3.132.0.10", kKeySecp256k1, kHashNone},
    {"1.2.840.10045.3.1.7", kKeyP256, kHashNone},
    {"1.3.132.0.34", kKeyP384, kHashNone},
    {"1.3.132.0.35", kKeyP521, kHashNone},
    {"1.2.840.10045.4.1", kKeyEcUnnamed, kHashSha1},
    {"1.2.840.10045.4.3.2", kKeyEcUnnamed, kHashSha256},
    {"1.2.840.10045.4.3.3", kKeyEcUnnamed, kHashSha384},
    {"1.2.840.10045.4.3.4", kKeyEcUnnamed, kHashSha512},
};

struct CurveRow {
  KeyAlgorithm key;
  uint32_t coordinateSize;
  const char* name;
};

constexpr CurveRow kCurves[] = {
    {kKeySm2, 32, "SM2"},
    {kKeyP192, 24, "P-192"},
    {kKeyP224, 28, "P-224"},
    {kKeyP256, 32, "P-256"},
    {kKeyP384, 48, "P-384"},
    {kKeyP521, 66, "P-521"},
    {kKeySecp192k1, 24, "secp192k1"},
    {kKeySecp224k1, 28, "secp224k1"},
    {kKeySecp256k1, 32, "secp256k1"},
};

}  // namespace

uint32_t CurveCoordinateSize(KeyAlgorithm algorithm) {
  for (const CurveRow& c : kCurves) {
    if (c.key == algorithm) return c.coordinateSize;
  }
  return 0;
}

const char* KeyAlgorithmName(KeyAlgorithm algorithm) {
  switch (algorithm) {
    case kKeyNone:
      return "none (hash only)";
    case kKeyRsa:
      return "RSA";
    case kKeyEcUnnamed:
      return "EC (curve not named)";
    case kKeyAlgorithm4929:
      return "1.3.6.1.4.1.4929.1.7";
    default:
      break;
  }
  for (const CurveRow& c : kCurves) {
    if (c.key == algorithm) return c.name;
  }
  return "unknown";
}

CxResult OidContentToText(ByteSpan content, char text[kOidTextCapacity]) {
  if (!content.data || content.size == 0) return CX_E_BAD_DATA;
  text[0] = '\0';
  StrFormatA(text, kOidTextCapacity, "%u.%u", content.data[0] / 40u, content.data[0] % 40u);
  uint64_t arc = 0;
  bool inArc = false;
  for (size_t i = 1; i < content.size; ++i) {
    const uint8_t octet = content.data[i];
    arc = (arc << 7) | (octet & 0x7F);
    if (arc > 0xFFFFFFFFu) return CX_E_BAD_DATA;
    inArc = true;
    if (octet < 0x80) {
      char part[16];
      StrFormatA(part, sizeof(part), ".%u", static_cast<uint32_t>(arc));
      StrAppendA(text, kOidTextCapacity, part);  // cut beyond the capacity
      arc = 0;
      inArc = false;
    }
  }
  return inArc ? CX_E_BAD_DATA : CX_OK;
}

CxResult OidToAlgorithm(const DerNode* oid, KeyAlgorithm* key, HashAlgorithm* hash) {
  if (!oid || !key || !hash) return CX_E_INVALID_ARG;
  if (oid->tag != kDerTagOid || oid->constructed) return CX_E_BAD_DATA;
  char text[kOidTextCapacity];
  CxResult r = OidContentToText(oid->Content(), text);
  if (r != CX_OK) return r;
  for (const OidRow& row : kOidTable) {
    if (std::strcmp(row.oid, text) == 0) {
      *key = row.key;
      *hash = row.hash;
      return CX_OK;
    }
  }
  return CX_E_BAD_DATA;
}

CxResult ParseAlgorithmIdentifier(const DerNode* sequence, KeyAlgorithm* key, HashAlgorithm* hash) {
  if (!sequence || !key || !hash) return CX_E_INVALID_ARG;
  if (sequence->tag != kDerTagSequence || !sequence->firstChild) return CX_E_BAD_DATA;
  KeyAlgorithm k = 0;
  HashAlgorithm h = 0;
  CxResult r = OidToAlgorithm(sequence->firstChild, &k, &h);
  if (r != CX_OK) return r;
  const DerNode* parameters = sequence->firstChild->next;
  if (k == kKeyEcUnnamed && parameters && parameters->tag == kDerTagOid) {
    HashAlgorithm curveHash = 0;
    r = OidToAlgorithm(parameters, &k, &curveHash);
    if (r != CX_OK) return r;
  }
  *key = k;
  *hash = h;
  return CX_OK;
}
