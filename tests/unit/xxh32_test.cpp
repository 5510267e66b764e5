// XXH32 against the reference implementation's results, one row per path
// through the code: the short form, one stripe, stripes with a tail of
// words and bytes, and a seed.
#include <gtest/gtest.h>

#include <cstring>

#include "common/xxh32.h"

TEST(Xxh32, MatchesTheReference) {
  const struct {
    const char* text;
    uint32_t seed;
    uint32_t want;
  } rows[] = {
      {"", 0, 0x02CC5D05u},                                          // nothing: the avalanche alone
      {"a", 0, 0x550D7456u},                                         // one tail byte
      {"abc", 7, 0x57CFD434u},                                       // a seed
      {"0123456789abcdef", 0, 0xC2C45B69u},                          // exactly one stripe
      {"0123456789abcdefXYZ", 0, 0x855ED232u},                       // a stripe and tail bytes
      {"Nobody inspects the spammish repetition", 0, 0xE2293B2Fu},  // stripes, words and bytes
  };
  for (const auto& r : rows) EXPECT_EQ(Xxh32(r.text, std::strlen(r.text), r.seed), r.want) << r.text;
}
