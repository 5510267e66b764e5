// The store-name rule. (Masks and the removal decision are tested against
// real stores under Wine.)
#include <gtest/gtest.h>

#include <string>

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
