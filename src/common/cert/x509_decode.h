// Tells the public-key algorithm of a DER-encoded X.509 certificate (RSA,
// SM2 or a named elliptic curve), checking the certificate's outer shape on
// the way. Certificate removal uses it to tell RSA keys from SM2 keys; the
// signature is never verified. Portable: no platform calls.
//
// Limits: a certificate's signature value at most kSignatureBitsMax bytes
// (and kSignatureCapacity after decoding), a public key at most
// kPublicKeyBitsMax bytes, nesting as der_reader.h allows.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/cert/der_reader.h"
#include "common/cert/key_algorithm.h"
#include "common/result_codes.h"

constexpr size_t kRsaComponentCapacity = 512;
constexpr size_t kCurveCoordinateCapacity = 256;
constexpr size_t kSignatureCapacity = 512;
constexpr size_t kSignatureBitsMax = 1024;
constexpr size_t kPublicKeyBitsMax = 4096;
constexpr size_t kSignatureIntegerMax = 257;  // r or s: content octets, sign octet included

struct PublicKeyInfo {
  KeyAlgorithm keyAlgorithm;
  uint32_t size;                            // RSA: modulus bytes; curves: coordinate bytes
  uint32_t exponentLength;                  // RSA
  uint8_t exponent[kRsaComponentCapacity];  // big-endian; zero when longer than the capacity
  uint8_t modulus[kRsaComponentCapacity];   // big-endian, no sign octet; as above
  uint8_t x[kCurveCoordinateCapacity];
  uint8_t y[kCurveCoordinateCapacity];
};

// Where an element lies in the caller's input: its first header octet and
// its total length. Valid only while that input lives.
struct DerRegion {
  const uint8_t* position;
  uint32_t length;
};

struct CertificateInfo {
  uint32_t detailLevel;  // input: 0 basic, 1 also extensions, 2+ also the signature
  DerRegion issuer;
  DerRegion subject;
  DerRegion serialNumber;
  DerRegion validity;
  PublicKeyInfo publicKey;
  DerRegion extensions;                   // level 1+; zero when there is no [3] right after the key
  KeyAlgorithm signatureAlgorithm;        // level 2+
  HashAlgorithm signatureHash;            // level 2+
  uint8_t signature[kSignatureCapacity];  // level 2+: RSA as is; others r then s
  uint32_t signatureLength;
};

// The bits of a primitive BIT STRING node into `out` (capacity bytes), the
// unused low bits of the last octet cleared. CX_E_BAD_DATA for another tag,
// no octets, more than 7 unused bits or unused bits without data;
// CX_E_BUFFER_TOO_SMALL when the bits exceed the capacity.
CxResult ReadBitString(const DerNode* node, uint8_t* out, size_t capacity, size_t* length);

// Reads a subject public key (the BIT STRING's bits) of `algorithm` into
// `info`, which is zero-filled first. RSA: a SEQUENCE of modulus and
// exponent INTEGERs; SM2 and named curves: an uncompressed point of exactly
// 2 * coordinate size + 1 bytes. CX_E_INVALID_ARG for null or empty input,
// CX_E_BAD_DATA for anything else (compressed points, unnamed curves).
CxResult ParsePublicKey(const uint8_t* key, size_t length, KeyAlgorithm algorithm,
                        PublicKeyInfo* info);

// Decodes `der` (exactly one certificate) into `info`, whose detailLevel the
// caller sets and the rest zero-fills. CX_E_INVALID_ARG for null or empty
// input, CX_E_BAD_DATA for a malformed or unsupported certificate,
// CX_E_BUFFER_TOO_SMALL for a key info of more than two elements or a
// signature beyond its limits, CX_E_OUT_OF_MEMORY. On failure `info` may be
// partly filled.
CxResult DecodeCertificate(const uint8_t* der, size_t length, CertificateInfo* info);
