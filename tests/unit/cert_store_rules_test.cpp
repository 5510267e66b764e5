// The store-name rule, the action masks and the removal decision.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/cert_store.h"

TEST(CertStoreRules, StoreNamesMapToStoreAndLocation) {
  const struct { const char16_t* given; const char16_t* store; uint32_t location; } cases[] = {
      {nullptr, u"MY", kStoreLocationCurrentUser},
      {u"", u"MY", kStoreLocationCurrentUser},
      {u"my", u"MY", kStoreLocationCurrentUser},
      {u"Root", u"ROOT", kStoreLocationLocalMachine},
      {u"trust", u"TRUST", kStoreLocationLocalMachine},
      {u"cA", u"CA", kStoreLocationLocalMachine},
      {u"AddressBook", u"AddressBook", kStoreLocationCurrentUser},  // as given, current user
      {u"ROOTS", u"ROOTS", kStoreLocationCurrentUser},              // whole names only
  };
  for (const auto& c : cases) {
    std::u16string store;
    uint32_t location = 0;
    ResolveStoreName(c.given, &store, &location);
    EXPECT_EQ(store, c.store);
    EXPECT_EQ(location, c.location);
  }
}

TEST(CertStoreRules, MasksAreCaseSensitiveSubstrings) {
  EXPECT_EQ(KeyTypeMaskFromText(u"RSA|SM2"), 3u);
  EXPECT_EQ(KeyTypeMaskFromText(u"SM2RSA"), 3u);
  EXPECT_EQ(KeyTypeMaskFromText(u"rsa"), 0u);
  EXPECT_EQ(KeyTypeMaskFromText(u"SM2"), 2u);
  EXPECT_EQ(KeySpecMaskFromText(u"SIGNATURE,KEYEXCHANGE"), 3u);
  EXPECT_EQ(KeySpecMaskFromText(u"KEYEXCHANGE"), 1u);
  EXPECT_EQ(KeySpecMaskFromText(u"signature"), 0u);
  EXPECT_EQ(KeySpecMaskFromText(nullptr), 0u);
}

TEST(CertStoreRules, RemovalDecision) {
  std::ifstream in(std::string(CX_TEST_CERT_DIR) + "/sm2.der", std::ios::binary);
  const std::vector<uint8_t> sm2((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint8_t garbage[] = {0x30, 0x00};
  CertRemovalFilter f;
  f.keyTypeMask = kRemoveSm2;
  f.keySpecMask = kRemoveSignature;
  f.provider = u"Prov";
  const CertKeyBinding bound{u"PROV", u"c1", 2};
  EXPECT_TRUE(ShouldRemoveCertificate(bound, f, sm2.data(), sm2.size()));
  EXPECT_FALSE(ShouldRemoveCertificate(bound, f, garbage, sizeof(garbage))) << "undecodable is RSA";
  EXPECT_FALSE(ShouldRemoveCertificate({nullptr, u"c1", 2}, f, sm2.data(), sm2.size()))
      << "named provider must be bound";
  EXPECT_TRUE(ShouldRemoveCertificate({u"Prov", nullptr, 5}, f, sm2.data(), sm2.size()))
      << "other key specifications pass";
  EXPECT_FALSE(ShouldRemoveCertificate({u"Prov", nullptr, 1}, f, sm2.data(), sm2.size()));
}
