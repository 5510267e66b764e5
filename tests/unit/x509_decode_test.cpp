// Key-algorithm detection: real certificates made by openssl at build time,
// and hand-built DER for the shapes and defects openssl never writes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "common/cert/der_reader.h"
#include "common/cert/key_algorithm.h"
#include "common/cert/x509_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadCert(const std::string& name) {
  std::ifstream in(std::string(CX_TEST_CERT_DIR) + "/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes Tlv(uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  const size_t n = content.size();
  if (n < 0x80) {
    out.push_back(uint8_t(n));
  } else if (n < 0x100) {
    out.insert(out.end(), {0x81, uint8_t(n)});
  } else {
    out.insert(out.end(), {0x82, uint8_t(n >> 8), uint8_t(n)});
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Seq(std::initializer_list<Bytes> parts) { return Tlv(0x30, Cat(parts)); }
Bytes Oid(const std::string& dotted) {
  std::vector<uint32_t> arcs;
  for (size_t i = 0; i < dotted.size();) {
    size_t j = dotted.find('.', i);
    if (j == std::string::npos) j = dotted.size();
    arcs.push_back(uint32_t(std::stoul(dotted.substr(i, j - i))));
    i = j + 1;
  }
  Bytes content{uint8_t(arcs[0] * 40 + arcs[1])};
  for (size_t k = 2; k < arcs.size(); ++k) {
    Bytes groups;
    uint32_t v = arcs[k];
    do {
      groups.insert(groups.begin(), uint8_t((v & 0x7F) | (groups.empty() ? 0 : 0x80)));
      v >>= 7;
    } while (v);
    content.insert(content.end(), groups.begin(), groups.end());
  }
  return Tlv(0x06, content);
}
Bytes Int(const Bytes& content) { return Tlv(0x02, content); }
Bytes Bits(const Bytes& bytes) { return Tlv(0x03, Cat({{0x00}, bytes})); }
Bytes Filled(size_t n, uint8_t value) { return Bytes(n, value); }
Bytes Point(size_t coordinate, uint8_t prefix = 0x04) { return Cat({{prefix}, Filled(2 * coordinate, 0x11)}); }

const std::string kEcKey = "1.2.840.10045.2.1";
const std::string kEcdsaSha256 = "1.2.840.10045.4.3.2";

// The parts of a certificate; the defaults make a valid P-256 one.
struct Parts {
  Bytes version = Tlv(0xA0, Int({0x02}));
  Bytes serial = Int({0x01});
  Bytes subject = Seq({Tlv(0x31, Seq({Oid("2.5.4.3"), Tlv(0x0C, {'x'})}))});
  Bytes keyAlgorithm = Seq({Oid(kEcKey), Oid("1.2.840.10045.3.1.7")});
  Bytes key = Bits(Point(32));
  Bytes spkiExtra;
  Bytes afterKey = Tlv(0xA3, Seq({}));
  Bytes signatureAlgorithm = Seq({Oid(kEcdsaSha256)});
  Bytes signature = Bits(Seq({Int(Filled(32, 0x22)), Int(Filled(32, 0x33))}));
};

Bytes Build(const Parts& p) {
  const Bytes validity = Seq({Tlv(0x17, Filled(13, '0')), Tlv(0x17, Filled(13, '0'))});
  const Bytes spki = Tlv(0x30, Cat({p.keyAlgorithm, p.key, p.spkiExtra}));
  const Bytes tbs = Tlv(0x30, Cat({p.version, p.serial, p.signatureAlgorithm, p.subject, validity,
                                   p.subject, spki, p.afterKey}));
  return Seq({tbs, p.signatureAlgorithm, p.signature});
}

struct Decoded {
  CxResult result;
  std::unique_ptr<CertificateInfo> info;
};
Decoded Decode(const Bytes& der, uint32_t level = 0) {
  Decoded d{0, std::make_unique<CertificateInfo>()};
  std::memset(d.info.get(), 0, sizeof(CertificateInfo));
  d.info->detailLevel = level;
  d.result = DecodeCertificate(der.data(), der.size(), d.info.get());
  return d;
}

TEST(X509DecodeTest, OpensslCertificatesGiveTheirKeyAlgorithm) {
  const struct { const char* file; CxResult result; KeyAlgorithm key; } cases[] = {
      {"rsa.der", CX_OK, kKeyRsa},   {"p192.der", CX_OK, kKeyP192}, {"p224.der", CX_OK, kKeyP224},
      {"p256.der", CX_OK, kKeyP256}, {"p384.der", CX_OK, kKeyP384}, {"p521.der", CX_OK, kKeyP521},
      {"secp224k1.der", CX_OK, kKeySecp224k1}, {"secp256k1.der", CX_OK, kKeySecp256k1},
      {"sm2.der", CX_OK, kKeySm2},               // id-ecPublicKey with the SM2 curve
      {"p256-self.der", CX_OK, kKeyP256},        // ECDSA signature: r and s
      {"p521-self.der", CX_OK, kKeyP521},        // 66-byte r and s
      {"pss.der", CX_E_BAD_DATA, 0},             // RSASSA-PSS is not in the table
      {"p256-compressed.der", CX_E_BAD_DATA, 0}, // compressed point
      {"p256-explicit.der", CX_E_BAD_DATA, 0},   // explicit curve parameters
  };
  for (const auto& c : cases) {
    const Bytes der = ReadCert(c.file);
    ASSERT_FALSE(der.empty()) << c.file;
    const Decoded d = Decode(der);
    EXPECT_EQ(d.result, c.result) << c.file;
    if (c.result == CX_OK) { EXPECT_EQ(d.info->publicKey.keyAlgorithm, c.key) << c.file; }
  }
  Bytes trailing = ReadCert("rsa.der");
  trailing.push_back(0);
  EXPECT_EQ(Decode(trailing).result, CX_E_BAD_DATA) << "one trailing byte";
}

TEST(X509DecodeTest, DetailLevelsFillRegionsExtensionsAndSignature) {
  const Bytes der = ReadCert("rsa.der");
  const Decoded basic = Decode(der, 0);
  ASSERT_EQ(basic.result, CX_OK);
  EXPECT_EQ(basic.info->extensions.position, nullptr);
  EXPECT_EQ(basic.info->signatureLength, 0u);
  EXPECT_EQ(basic.info->publicKey.size, 256u);
  EXPECT_EQ(basic.info->publicKey.modulus[0] & 0x80, 0x80) << "sign octet removed";

  const Decoded full = Decode(der, 2);
  ASSERT_EQ(full.result, CX_OK);
  const CertificateInfo& i = *full.info;
  EXPECT_EQ(i.signatureAlgorithm, kKeyRsa);
  EXPECT_EQ(i.signatureHash, kHashSha256);
  EXPECT_EQ(i.signatureLength, 256u);
  EXPECT_EQ(0, std::memcmp(i.signature, der.data() + der.size() - 256, 256));
  for (const DerRegion* r : {&i.issuer, &i.subject, &i.validity, &i.extensions}) {
    ASSERT_NE(r->position, nullptr);
    EXPECT_GE(r->position, der.data());
    EXPECT_LE(r->position + r->length, der.data() + der.size());
  }
  EXPECT_EQ(i.serialNumber.position[0], 0x02);
  EXPECT_EQ(i.extensions.position[0], 0xA3);
  EXPECT_EQ(i.issuer.length, i.subject.length) << "self-signed: equal names";

  // A P-521 ECDSA signature: r and s zero-padded to the longer of the two.
  const Decoded ec = Decode(ReadCert("p521-self.der"), 2);
  ASSERT_EQ(ec.result, CX_OK);
  EXPECT_EQ(ec.info->signatureHash, kHashSha256);
  EXPECT_GE(ec.info->signatureLength, 2 * 64u);
  EXPECT_LE(ec.info->signatureLength, 2 * 66u);
}

TEST(X509DecodeTest, HandBuiltShapes) {
  auto with = [](void (*change)(Parts&)) { Parts p; change(p); return p; };
  auto rs = [](std::initializer_list<Bytes> halves) { Parts p; p.signature = Bits(Seq(halves)); return p; };
  const Parts issuerUid = with([](Parts& p) {  // [1] between the key info and the extensions
    p.afterKey = Cat({Tlv(0x81, {0x00, 0x01}), Tlv(0xA3, Seq({}))});
  });
  const Parts sm2Signature = with([](Parts& p) {  // SM2 with SM3: halves right-aligned into 32 bytes
    p.signatureAlgorithm = Seq({Oid("1.2.156.10197.1.501")});
    p.signature = Bits(Seq({Int({0x00, 0x80, 0x01}), Int(Filled(32, 0x44))}));
  });
  Parts sm2LongHalf = sm2Signature;
  sm2LongHalf.signature = Bits(Seq({Int(Filled(33, 0x44)), Int({0x01})}));
  const Parts hugeRsaModulus = with([](Parts& p) {  // longer than the record: zero-filled, length kept
    p.keyAlgorithm = Seq({Oid("1.2.840.113549.1.1.1"), Tlv(0x05, {})});
    p.key = Bits(Seq({Int(Cat({{0x00}, Filled(600, 0x9A)})), Int({0x01, 0x00, 0x01})}));
  });
  const struct { const char* what; Parts parts; CxResult result; KeyAlgorithm key; } cases[] = {
      {"defaults", Parts(), CX_OK, kKeyP256},
      {"v1: no version", with([](Parts& p) { p.version.clear(); }), CX_OK, kKeyP256},
      {"issuer unique identifier", issuerUid, CX_OK, kKeyP256},
      {"SM2 by algorithm OID", with([](Parts& p) { p.keyAlgorithm = Seq({Oid("1.2.156.10197.1.301")}); }),
       CX_OK, kKeySm2},
      {"SM2 by curve", with([](Parts& p) { p.keyAlgorithm = Seq({Oid(kEcKey), Oid("1.2.156.10197.1.301")}); }),
       CX_OK, kKeySm2},
      {"SM2 signature halves", sm2Signature, CX_OK, kKeyP256},
      {"SM2 signature half over 32 bytes", sm2LongHalf, CX_E_BAD_DATA, 0},
      {"RSA signature of 513 bytes", with([](Parts& p) {
         p.signatureAlgorithm = Seq({Oid("1.2.840.113549.1.1.11")});
         p.signature = Bits(Filled(513, 0x55));
       }), CX_E_BUFFER_TOO_SMALL, 0},
      {"r and s of 257 bytes", rs({Int(Filled(257, 0x66)), Int(Filled(257, 0x66))}), CX_E_BUFFER_TOO_SMALL, 0},
      {"r of 258 bytes", rs({Int(Filled(258, 0x66)), Int({0x01})}), CX_E_BAD_DATA, 0},
      {"empty INTEGER", rs({Int({}), Int({0x01})}), CX_E_BAD_DATA, 0},
      {"three signature INTEGERs", rs({Int({1}), Int({1}), Int({1})}), CX_E_BAD_DATA, 0},
      {"key info of three elements", with([](Parts& p) { p.spkiExtra = Int({0}); }), CX_E_BUFFER_TOO_SMALL, 0},
      {"key info of one element", with([](Parts& p) { p.key.clear(); }), CX_E_BAD_DATA, 0},
      {"unknown curve", with([](Parts& p) { p.keyAlgorithm = Seq({Oid(kEcKey), Oid("1.3.132.0.99")}); }),
       CX_E_BAD_DATA, 0},
      {"point of the wrong size", with([](Parts& p) { p.key = Bits(Point(31)); }), CX_E_BAD_DATA, 0},
      {"version not an INTEGER", with([](Parts& p) { p.version = Tlv(0xA0, Tlv(0x04, {0x02})); }),
       CX_E_BAD_DATA, 0},
      {"serial not an INTEGER", with([](Parts& p) { p.serial = Tlv(0x04, {0x01}); }), CX_E_BAD_DATA, 0},
      {"8 unused bits", with([](Parts& p) { p.key = Tlv(0x03, Cat({{0x08}, Point(32)})); }), CX_E_BAD_DATA, 0},
      {"unused bits without data", with([](Parts& p) { p.signature = Tlv(0x03, {0x07}); }), CX_E_BAD_DATA, 0},
      {"MD5 digest OID counts as RSA", with([](Parts& p) {
         p.signatureAlgorithm = Seq({Oid("1.2.840.113549.2.5")});
         p.signature = Bits(Filled(8, 0x01));
       }), CX_OK, kKeyP256},
      {"RSA modulus over 512 bytes", hugeRsaModulus, CX_OK, kKeyRsa},
  };
  for (const auto& c : cases) {
    const Decoded d = Decode(Build(c.parts), 2);
    EXPECT_EQ(d.result, c.result) << c.what;
    if (c.result == CX_OK) { EXPECT_EQ(d.info->publicKey.keyAlgorithm, c.key) << c.what; }
  }

  const Decoded uid = Decode(Build(issuerUid), 1);
  EXPECT_EQ(uid.info->extensions.position, nullptr) << "extensions reported absent";
  const Decoded sm2 = Decode(Build(sm2Signature), 2);
  ASSERT_EQ(sm2.info->signatureLength, 64u);
  EXPECT_EQ(sm2.info->signature[29], 0x00);
  EXPECT_EQ(sm2.info->signature[30], 0x80) << "r right-aligned, leading zero dropped";
  const Decoded huge = Decode(Build(hugeRsaModulus));
  EXPECT_EQ(huge.info->publicKey.size, 600u);
  EXPECT_EQ(huge.info->publicKey.modulus[0], 0) << "component beyond the record stays zero";
  EXPECT_EQ(huge.info->publicKey.exponentLength, 3u);
}

CxResult DecodeBytes(const Bytes& in) {
  DerNode* root = nullptr;
  CxResult r = DecodeDer({in.data(), in.size()}, &root);
  FreeDerTree(root);
  return r;
}

Bytes Nested(int depth) {
  Bytes b = Tlv(0x05, {});
  for (int i = 1; i < depth; ++i) b = Seq({b});
  return b;
}

TEST(DerReaderTest, DefectsAreRefused) {
  const struct { const char* what; Bytes in; CxResult result; } cases[] = {
      {"one octet: no length octet", {0x30}, CX_E_BAD_DATA},
      {"long identifier without its second octet", {0x1F, 0x01}, CX_E_BAD_DATA},
      {"identifier of three octets", {0x1F, 0x81, 0x01, 0x00}, CX_E_BAD_DATA},
      {"two-octet identifier", {0x1F, 0x21, 0x00}, CX_OK},
      {"indefinite length", {0x30, 0x80}, CX_E_BAD_DATA},
      {"length 0xFFFFFFFF wraps no sum", {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, CX_E_BAD_DATA},
      {"five significant length octets", {0x04, 0x85, 1, 0, 0, 0, 0}, CX_E_BAD_DATA},
      {"leading zero length octets skipped", {0x04, 0x83, 0x00, 0x00, 0x01, 0xAA}, CX_OK},
      {"length octets beyond the input", {0x04, 0x82, 0x01}, CX_E_BAD_DATA},
      {"child runs past its parent", {0x30, 0x03, 0x04, 0x05, 0x00}, CX_E_BAD_DATA},
      {"child header cut by its parent", {0x30, 0x01, 0x04, 0x00}, CX_E_BAD_DATA},
      {"trailing byte", {0x05, 0x00, 0x00}, CX_E_BAD_DATA},
      {"empty input", {}, CX_E_INVALID_ARG},
      {"nesting of 32 levels", Nested(32), CX_OK},
      {"nesting of 33 levels", Nested(33), CX_E_BAD_DATA},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeBytes(c.in), c.result) << c.what;

  EXPECT_EQ(Decode({}).result, CX_E_INVALID_ARG) << "empty certificate";
}

TEST(DerReaderTest, OidTextIsBoundedByItsContent) {
  std::string longOid = "1.2";
  for (int i = 0; i < 40; ++i) longOid += ".1";
  const Bytes longEncoded = Oid(longOid);
  const Bytes longContent(longEncoded.begin() + 2, longEncoded.end());
  const struct { const char* what; Bytes content; CxResult result; const char* text; } cases[] = {
      {"RSA", {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01}, CX_OK, "1.2.840.113549.1.1.1"},
      {"empty OID", {}, CX_E_BAD_DATA, nullptr},
      {"unterminated arc", {0x2A, 0x86}, CX_E_BAD_DATA, nullptr},
      {"arc of 2^32", {0x2A, 0x90, 0x80, 0x80, 0x80, 0x00}, CX_E_BAD_DATA, nullptr},
      {"arc of 2^32 - 1", {0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}, CX_OK, "1.2.4294967295"},
      {"multi-octet first arc reads its first octet alone", {0x88, 0x37, 0x03}, CX_OK, "3.16.55.3"},
      {"cut at 63 characters", longContent, CX_OK, nullptr},
  };
  for (const auto& c : cases) {
    char text[kOidTextCapacity];
    EXPECT_EQ(OidContentToText({c.content.data(), c.content.size()}, text), c.result) << c.what;
    if (c.text) { EXPECT_STREQ(text, c.text) << c.what; }
    if (c.result == CX_OK) { EXPECT_LE(std::strlen(text), kOidTextCapacity - 1) << c.what; }
  }

  // Explicit curve parameters leave the unnamed curve; a named one replaces it.
  const struct { Bytes identifier; CxResult result; KeyAlgorithm key; HashAlgorithm hash; } ids[] = {
      {Seq({Oid(kEcKey), Seq({Int({1})})}), CX_OK, kKeyEcUnnamed, kHashNone},
      {Seq({Oid(kEcKey)}), CX_OK, kKeyEcUnnamed, kHashNone},
      {Seq({Oid(kEcdsaSha256), Oid("1.3.132.0.34")}), CX_OK, kKeyP384, kHashSha256},
      {Seq({Oid("1.2.840.113549.1.1.10")}), CX_E_BAD_DATA, 0, 0},  // RSASSA-PSS
      {Seq({}), CX_E_BAD_DATA, 0, 0},
      {Tlv(0x31, Oid(kEcKey)), CX_E_BAD_DATA, 0, 0},  // a SET, not a SEQUENCE
  };
  for (const auto& c : ids) {
    DerNode* root = nullptr;
    ASSERT_EQ(DecodeDer({c.identifier.data(), c.identifier.size()}, &root), CX_OK);
    ScopedDerTree tree(root);
    KeyAlgorithm key = 0xDEAD;
    HashAlgorithm hash = 0xDEAD;
    EXPECT_EQ(ParseAlgorithmIdentifier(root, &key, &hash), c.result) << (&c - ids);
    EXPECT_EQ(key, c.result == CX_OK ? c.key : 0xDEAD) << (&c - ids);
    EXPECT_EQ(hash, c.result == CX_OK ? c.hash : 0xDEAD) << (&c - ids);
  }
}

}  // namespace
