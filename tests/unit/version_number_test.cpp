// Version text parsing and comparison.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "common/version_number.h"

namespace {
constexpr uint64_t V(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
  return a << 48 | b << 32 | c << 16 | d;
}

TEST(VersionNumber, ParsesTable) {
  struct Case { const char16_t* text; bool ok; uint64_t value; } cases[] = {
      {u"6, 3, 0, 10", true, V(6, 3, 0, 10)},             // commas and blanks, as resources have
      {u" 1 . 2.3.4 ", true, V(1, 2, 3, 4)},              // blanks anywhere
      {u"65535.0.0.65535", true, V(65535, 0, 0, 65535)},  // the largest part
      {u"1.2.3", false, 0},                               // three parts
      {u"1.2.3.4.5", false, 0},                           // five parts
      {u"1..2.3.4", false, 0},                            // empty part
      {u"1.2.3.-4", false, 0},                            // sign
      {u"6.1.7601.17514 (win7sp1_rtm)", false, 0},        // build remark after the number
      {u"65536.0.0.0", false, 0},                         // part above 16 bits (would wrap to 0)
      {u"1.2.3.99999999999999999999", false, 0},          // long digit run
  };
  for (const auto& c : cases) {
    uint64_t value = 0xDEADBEEF;
    EXPECT_EQ(ParseVersionString(c.text, &value), c.ok ? CX_DONE : CX_NOT_DONE) << (&c - cases);
    EXPECT_EQ(value, c.ok ? c.value : 0xDEADBEEFu) << (&c - cases);
  }
}

TEST(VersionNumber, ComparesAsOneValue) {
  struct Case { uint32_t a[4]; uint32_t b[4]; int expected; } cases[] = {
      {{6, 3, 0, 10}, {6, 3, 0, 11}, -1},           // revision decides
      {{1, 2, 3, 4}, {1, 2, 3, 4}, 0},
      {{2, 0, 0, 0}, {1, 65535, 65535, 65535}, 1},  // a higher part outweighs all lower ones
  };
  for (const auto& c : cases) EXPECT_EQ(CompareVersions(c.a, c.b), c.expected) << (&c - cases);
}
}  // namespace
