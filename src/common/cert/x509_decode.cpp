// X.509 certificate decoding down to the subject public key.
#include "common/cert/x509_decode.h"

#include <cstring>

namespace {

constexpr uint16_t kTagVersion = 0xA0;
constexpr uint16_t kTagExtensions = 0xA3;
constexpr uint8_t kUncompressedPoint = 0x04;

bool IsPrimitive(const DerNode* node, uint16_t tag) {
  return node && node->tag == tag && !node->constructed;
}
bool IsSequence(const DerNode* node) { return node && node->tag == kDerTagSequence; }

DerRegion RegionOf(const uint8_t* input, const DerNode* node) {
  return {input + node->offset, node->TotalLength()};
}

// An INTEGER's content without one leading zero octet. DER needs at least
// one content octet.
CxResult IntegerMagnitude(const DerNode* node, ByteSpan* out) {
  if (!IsPrimitive(node, kDerTagInteger) || node->content.empty()) return CX_E_BAD_DATA;
  ByteSpan s = node->Content();
  if (s.size > 1 && s.data[0] == 0) {
    ++s.data;
    --s.size;
  }
  *out = s;
  return CX_OK;
}

// Copies `value` right-aligned into `size` bytes at `out`.
CxResult RightAlign(ByteSpan value, uint8_t* out, size_t size) {
  if (value.size > size) return CX_E_BAD_DATA;
  std::memset(out, 0, size);
  std::memcpy(out + (size - value.size), value.data, value.size);
  return CX_OK;
}

// An ECDSA-style signature (SEQUENCE of r and s) as r followed by s. For SM2
// and named curves each half is right-aligned into the coordinate size.
CxResult DecodeSignaturePair(ByteSpan bits, KeyAlgorithm algorithm, uint8_t* out,
                             size_t* outLength) {
  DerNode* root = nullptr;
  CxResult r = DecodeDer(bits, &root);
  if (r != CX_OK) return r == CX_E_INVALID_ARG ? CX_E_BAD_DATA : r;
  ScopedDerTree tree(root);
  if (!IsSequence(root) || !root->firstChild || !root->firstChild->next ||
      root->firstChild->next->next) {
    return CX_E_BAD_DATA;
  }
  const DerNode* nodes[2] = {root->firstChild, root->firstChild->next};
  ByteSpan halves[2];
  for (int i = 0; i < 2; ++i) {
    if (!IsPrimitive(nodes[i], kDerTagInteger) || nodes[i]->content.empty() ||
        nodes[i]->content.size() > kSignatureIntegerMax) {
      return CX_E_BAD_DATA;
    }
    r = IntegerMagnitude(nodes[i], &halves[i]);
    if (r != CX_OK) return r;
  }
  size_t half = halves[0].size > halves[1].size ? halves[0].size : halves[1].size;
  const uint32_t coordinate = CurveCoordinateSize(algorithm);
  if (coordinate != 0) {
    if (half > coordinate) return CX_E_BAD_DATA;
    half = coordinate;
  }
  if (half > kSignatureCapacity / 2) return CX_E_BUFFER_TOO_SMALL;
  for (int i = 0; i < 2; ++i) {
    r = RightAlign(halves[i], out + i * half, half);
    if (r != CX_OK) return r;
  }
  *outLength = 2 * half;
  return CX_OK;
}

CxResult DecodeSignature(const DerNode* algorithmNode, const DerNode* valueNode,
                         CertificateInfo* info) {
  KeyAlgorithm algorithm = 0;
  HashAlgorithm hash = 0;
  CxResult r = ParseAlgorithmIdentifier(algorithmNode, &algorithm, &hash);
  if (r != CX_OK) return r;
  if (algorithm == kKeyNone || algorithm == kKeyEcUnnamed) algorithm = kKeyEcUnnamed;
  if (!IsPrimitive(valueNode, kDerTagBitString)) return CX_E_BAD_DATA;
  uint8_t bits[kSignatureBitsMax];
  size_t bitsLength = 0;
  r = ReadBitString(valueNode, bits, sizeof(bits), &bitsLength);
  if (r != CX_OK) return r;
  uint8_t value[kSignatureCapacity];
  size_t valueLength = 0;
  if (algorithm == kKeyRsa) {
    if (bitsLength > kSignatureCapacity) return CX_E_BUFFER_TOO_SMALL;
    if (bitsLength > 0) std::memcpy(value, bits, bitsLength);
    valueLength = bitsLength;
  } else {
    r = DecodeSignaturePair({bits, bitsLength}, algorithm, value, &valueLength);
    if (r != CX_OK) return r;
  }
  if (info->detailLevel >= 2) {
    info->signatureAlgorithm = algorithm;
    info->signatureHash = hash;
    std::memcpy(info->signature, value, valueLength);
    info->signatureLength = static_cast<uint32_t>(valueLength);
  }
  return CX_OK;
}

CxResult DecodeSubjectPublicKey(const DerNode* keyInfo, PublicKeyInfo* out) {
  const DerNode* algorithmNode = keyInfo->firstChild;
  const DerNode* keyNode = algorithmNode ? algorithmNode->next : nullptr;
  if (!keyNode) return CX_E_BAD_DATA;
  if (keyNode->next) return CX_E_BUFFER_TOO_SMALL;
  KeyAlgorithm algorithm = 0;
  HashAlgorithm hash = 0;
  CxResult r = ParseAlgorithmIdentifier(algorithmNode, &algorithm, &hash);
  if (r != CX_OK) return r;
  if (!IsPrimitive(keyNode, kDerTagBitString)) return CX_E_BAD_DATA;
  uint8_t bits[kPublicKeyBitsMax];
  size_t bitsLength = 0;
  r = ReadBitString(keyNode, bits, sizeof(bits), &bitsLength);
  if (r != CX_OK) return r;
  r = ParsePublicKey(bits, bitsLength, algorithm, out);
  if (r != CX_OK) return r == CX_E_INVALID_ARG ? CX_E_BAD_DATA : r;
  return out->keyAlgorithm == algorithm ? CX_OK : CX_E_BAD_DATA;
}

CxResult DecodeTbs(const uint8_t* input, const DerNode* tbs, CertificateInfo* info) {
  const DerNode* node = tbs->firstChild;
  if (node && node->tag == kTagVersion) {
    if (!IsPrimitive(node->firstChild, kDerTagInteger)) return CX_E_BAD_DATA;
    node = node->next;
  }
  if (!IsPrimitive(node, kDerTagInteger)) return CX_E_BAD_DATA;
  info->serialNumber = RegionOf(input, node);
  node = node->next;  // signature
  if (!IsSequence(node)) return CX_E_BAD_DATA;
  node = node->next;
  if (!IsSequence(node)) return CX_E_BAD_DATA;
  info->issuer = RegionOf(input, node);
  node = node->next;
  if (!IsSequence(node)) return CX_E_BAD_DATA;
  info->validity = RegionOf(input, node);
  node = node->next;
  if (!IsSequence(node)) return CX_E_BAD_DATA;
  info->subject = RegionOf(input, node);
  node = node->next;
  if (!IsSequence(node)) return CX_E_BAD_DATA;
  CxResult r = DecodeSubjectPublicKey(node, &info->publicKey);
  if (r != CX_OK) return r;
  if (info->detailLevel >= 1) {
    const DerNode* after = node->next;
    if (after && after->tag == kTagExtensions) {
      info->extensions = RegionOf(input, after);
    } else {
      info->extensions = {nullptr, 0};
    }
  }
  return CX_OK;
}

}  // namespace

CxResult ReadBitString(const DerNode* node, uint8_t* out, size_t capacity, size_t* length) {
  if (!node || !length) return CX_E_INVALID_ARG;
  if (!IsPrimitive(node, kDerTagBitString) || node->content.empty()) return CX_E_BAD_DATA;
  const uint8_t unused = node->content[0];
  if (unused > 7) return CX_E_BAD_DATA;
  const size_t count = node->content.size() - 1;
  if (count == 0) {
    if (unused != 0) return CX_E_BAD_DATA;
    *length = 0;
    return CX_OK;
  }
  if (!out || count > capacity) return CX_E_BUFFER_TOO_SMALL;
  std::memcpy(out, node->content.data() + 1, count);
  out[count - 1] &= static_cast<uint8_t>(0xFF << unused);
  *length = count;
  return CX_OK;
}

CxResult ParsePublicKey(const uint8_t* key, size_t length, KeyAlgorithm algorithm,
                        PublicKeyInfo* info) {
  if (!key || length == 0 || !info) return CX_E_INVALID_ARG;
  std::memset(info, 0, sizeof(*info));
  if (algorithm == kKeyRsa) {
    DerNode* root = nullptr;
    CxResult r = DecodeDer({key, length}, &root);
    if (r != CX_OK) return r;
    ScopedDerTree tree(root);
    if (!IsSequence(root) || !root->firstChild) return CX_E_BAD_DATA;
    ByteSpan modulus, exponent;
    r = IntegerMagnitude(root->firstChild, &modulus);
    if (r != CX_OK) return r;
    r = IntegerMagnitude(root->firstChild->next, &exponent);
    if (r != CX_OK) return r;
    info->size = static_cast<uint32_t>(modulus.size);
    info->exponentLength = static_cast<uint32_t>(exponent.size);
    // Longer components stay zero; their lengths still tell the truth.
    if (modulus.size <= kRsaComponentCapacity)
      std::memcpy(info->modulus, modulus.data, modulus.size);
    if (exponent.size <= kRsaComponentCapacity)
      std::memcpy(info->exponent, exponent.data, exponent.size);
    info->keyAlgorithm = kKeyRsa;
    return CX_OK;
  }
  const uint32_t coordinate = CurveCoordinateSize(algorithm);
  if (coordinate == 0) return CX_E_BAD_DATA;  // unnamed curves and other algorithms
  if (length != 2 * size_t{coordinate} + 1 || key[0] != kUncompressedPoint) return CX_E_BAD_DATA;
  std::memcpy(info->x, key + 1, coordinate);
  std::memcpy(info->y, key + 1 + coordinate, coordinate);
  info->size = coordinate;
  info->keyAlgorithm = algorithm;
  return CX_OK;
}

CxResult DecodeCertificate(const uint8_t* der, size_t length, CertificateInfo* info) {
  if (!der || length == 0 || !info) return CX_E_INVALID_ARG;
  DerNode* root = nullptr;
  CxResult r = DecodeDer({der, length}, &root);
  if (r != CX_OK) return r;
  ScopedDerTree tree(root);
  const DerNode* tbs = root->firstChild;
  const DerNode* signatureAlgorithm = tbs ? tbs->next : nullptr;
  if (!IsSequence(root) || !IsSequence(tbs) || !IsSequence(signatureAlgorithm)) {
    return CX_E_BAD_DATA;
  }
  r = DecodeSignature(signatureAlgorithm, signatureAlgorithm->next, info);
  if (r != CX_OK) return r;
  return DecodeTbs(der, tbs, info);
}
