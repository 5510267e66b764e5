// Object identifiers of X.509 algorithm identifiers and named curves: the
// fixed table that maps them to a key algorithm and a hash, and the reading
// of an AlgorithmIdentifier. Portable: no platform calls.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/cert/der_reader.h"
#include "common/result_codes.h"

using KeyAlgorithm = uint32_t;
constexpr KeyAlgorithm kKeyNone = 0;  // a pure hash identifier
constexpr KeyAlgorithm kKeyRsa = 1;
constexpr KeyAlgorithm kKeySm2 = 2;            // curve 1.2.156.10197.1.301
constexpr KeyAlgorithm kKeyEcUnnamed = 3;      // id-ecPublicKey without a named curve
constexpr KeyAlgorithm kKeyAlgorithm4929 = 4;  // 1.3.6.1.4.1.4929.1.7
constexpr KeyAlgorithm kKeyNamedCurveFlag =
    0x100;  // set exactly for the named curves other than SM2
constexpr KeyAlgorithm kKeyP192 = 0x101;
constexpr KeyAlgorithm kKeyP224 = 0x102;
constexpr KeyAlgorithm kKeyP256 = 0x103;
constexpr KeyAlgorithm kKeyP384 = 0x104;
constexpr KeyAlgorithm kKeyP521 = 0x105;
constexpr KeyAlgorithm kKeySecp192k1 = 0x111;
constexpr KeyAlgorithm kKeySecp224k1 = 0x112;
constexpr KeyAlgorithm kKeySecp256k1 = 0x113;

using HashAlgorithm = uint32_t;
constexpr HashAlgorithm kHashNone = 0;
constexpr HashAlgorithm kHashMd5 = 0x80000001;
constexpr HashAlgorithm kHashSha1 = 0x80000002;
constexpr HashAlgorithm kHashSha256 = 0x80000003;
constexpr HashAlgorithm kHashSha384 = 0x80000004;
constexpr HashAlgorithm kHashSha512 = 0x80000005;
constexpr HashAlgorithm kHashSm3 = 0x80000006;

// Dotted text of an OID is kept in this many bytes, terminator included;
// longer texts are cut (and so match no table row).
constexpr size_t kOidTextCapacity = 64;

// Coordinate size in bytes of SM2 or a named curve; 0 for anything else.
uint32_t CurveCoordinateSize(KeyAlgorithm algorithm);

// A short readable name ("RSA", "SM2", "P-256", "secp256k1", ...); "unknown"
// for a code outside the table.
const char* KeyAlgorithmName(KeyAlgorithm algorithm);

// The dotted text of OID content octets into `text` (kOidTextCapacity bytes).
// The first octet alone gives the first two arcs. CX_E_BAD_DATA for empty
// content, an arc whose last octet has the continuation bit, or an arc over
// 32 bits; `text` is then unspecified.
CxResult OidContentToText(ByteSpan content, char text[kOidTextCapacity]);

// The key algorithm and hash of an OBJECT IDENTIFIER node. CX_E_BAD_DATA for
// another tag, a malformed OID or one not in the table; the outputs are
// untouched on failure.
CxResult OidToAlgorithm(const DerNode* oid, KeyAlgorithm* key, HashAlgorithm* hash);

// An AlgorithmIdentifier SEQUENCE: its OID, and for id-ecPublicKey a named
// curve OID as second element (which then gives the key algorithm; explicit
// curve parameters leave kKeyEcUnnamed). The hash is always the first OID's.
// CX_E_BAD_DATA for another shape or an unknown OID; outputs untouched on
// failure.
CxResult ParseAlgorithmIdentifier(const DerNode* sequence, KeyAlgorithm* key, HashAlgorithm* hash);
