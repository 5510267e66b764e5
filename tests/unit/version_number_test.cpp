// Version text parsing and comparison.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "common/version_number.h"

namespace {
constexpr uint64_t V(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
  return a << 48 | b << 32 | c << 16 | d;
}

struct ParseCase {
  const char16_t* text;
  bool ok;
  uint64_t value;
};

TEST(VersionNumber, ParsesTable) {
  const ParseCase cases[] = {
      {u"1.2.3.4", true, V(1, 2, 3, 4)},          // plain
      {u"6, 3, 0, 10", true, V(6, 3, 0, 10)},     // commas and blanks, as resource texts have
      {u"1,2,3,4", true, V(1, 2, 3, 4)},          // commas alone
      {u" 1 . 2.3.4 ", true, V(1, 2, 3, 4)},      // blanks anywhere
      {u"65535.0.0.65535", true, V(65535, 0, 0, 65535)},  // the largest part
      {u"007.0.0.1", true, V(7, 0, 0, 1)},        // leading zeros
      {u"1.2.3", false, 0},                       // three parts
      {u"1", false, 0},                           // one part
      {u"1.2.3.4.5", false, 0},                   // five parts
      {u"1..2.3.4", false, 0},                    // empty part
      {u".1.2.3", false, 0},                      // leading point
      {u"1.2.3.", false, 0},                      // trailing point
      {u"1.2.3.4a", false, 0},                    // stray letter
      {u"1.2.3.-4", false, 0},                    // sign
      {u"6.1.7601.17514 (win7sp1_rtm)", false, 0},  // build remark after the number
      {u"65536.0.0.0", false, 0},                 // part does not fit 16 bits (would wrap to 0)
      {u"1.2.3.99999999999999999999", false, 0},  // long digit run
      {u"", false, 0},                            // empty
      {u"   ", false, 0},                         // blanks only
  };
  for (const ParseCase& c : cases) {
    uint64_t value = 0xDEADBEEF;
    int done = ParseVersionString(c.text, &value);
    EXPECT_EQ(done, c.ok ? CX_DONE : CX_NOT_DONE) << "case index " << (&c - cases);
    EXPECT_EQ(value, c.ok ? c.value : 0xDEADBEEFu) << "case index " << (&c - cases);
  }
  uint64_t value = 7;
  EXPECT_EQ(ParseVersionString(nullptr, &value), CX_NOT_DONE);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(ParseVersionString(u"1.2.3.4", nullptr), CX_NOT_DONE);
}

TEST(VersionNumber, ComparesAsOneValue) {
  struct Case {
    uint32_t a[4];
    uint32_t b[4];
    int expected;
  } cases[] = {
      {{6, 3, 0, 10}, {6, 3, 0, 11}, -1},  // revision decides
      {{6, 3, 0, 11}, {6, 3, 0, 10}, 1},
      {{1, 2, 3, 4}, {1, 2, 3, 4}, 0},
      {{2, 0, 0, 0}, {1, 65535, 65535, 65535}, 1},  // a higher part outweighs all lower ones
      {{0, 9, 0, 0}, {1, 0, 0, 0}, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CompareVersions(c.a, c.b), c.expected) << "case index " << (&c - cases);
}

}  // namespace
