// Bounded strings, the wide formatter, guarded copies and the size-query
// output convention at their limits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/codepage.h"
#include "common/strings.h"

namespace {
template <typename C, size_t N>
void Mark(C (&buffer)[N]) {
  for (auto& c : buffer) c = static_cast<C>('#');
}
std::u16string U16(const char* s) { return std::u16string(s, s + std::strlen(s)); }
}  // namespace

TEST(BoundedStrings, CopyCutsTerminatesAndReports) {
  struct Case { const char* src; size_t capacity; int result; const char* out; };
  const Case cases[] = {
      {"abcdef", 4, 0, "abc"},     // cut to capacity - 1, terminated
      {"abcdef", 7, 1, "abcdef"},  // exactly fits with terminator
      {"a", 1, 0, ""},             // capacity 1 holds only the terminator
  };
  for (const auto& c : cases) {
    char dest[16];
    char16_t wdest[16];
    EXPECT_EQ(StrCopyA(dest, c.capacity, c.src), c.result) << c.src << " " << c.capacity;
    EXPECT_STREQ(dest, c.out);
    EXPECT_EQ(StrCopyW(wdest, c.capacity, U16(c.src).c_str()), c.result);
    EXPECT_EQ(std::u16string(wdest), U16(c.out));
  }
}

TEST(BoundedStrings, BadSizesWriteNothing) {
  char dest[8];
  char16_t wdest[8];
  Mark(dest);
  Mark(wdest);
  EXPECT_EQ(StrCopyA(dest, 0, "x"), 0);
  EXPECT_EQ(StrFormatA(dest, 0x80000000u, "x"), 0);  // a negative size passed by mistake
  EXPECT_EQ(StrFormatW(wdest, 0, u"x"), 0);
  EXPECT_EQ(StrFormatW(wdest, 0x80000000u, u"x"), 0);
  for (char c : dest) EXPECT_EQ(c, '#');
  for (char16_t c : wdest) EXPECT_EQ(c, u'#');
}

TEST(BoundedStrings, AppendAndFormatAtTheLimit) {
  struct Case { const char* start; size_t capacity; const char* src; int result; const char* out; };
  const Case cases[] = {
      {"abc", 4, "", 1, "abc"},       // empty source into a full buffer: done
      {"abc", 4, "d", 0, "abc"},      // one more into a full buffer: unchanged
      {"abc", 6, "defg", 0, "abcde"},  // cut and terminated
  };
  for (const auto& c : cases) {
    char dest[16];
    std::strcpy(dest, c.start);
    EXPECT_EQ(StrAppendA(dest, c.capacity, c.src), c.result) << c.start << "+" << c.src;
    EXPECT_STREQ(dest, c.out);
  }
  char full[4] = {'a', 'b', 'c', 'd'};  // unterminated within its capacity: left alone
  EXPECT_EQ(StrAppendA(full, 4, "x"), 0);
  EXPECT_EQ(std::memcmp(full, "abcd", 4), 0);

  char out[8];
  char16_t wout[8];
  EXPECT_EQ(StrFormatA(out, 6, "%s", "abcde"), 1);  // count == capacity - 1 fits
  EXPECT_STREQ(out, "abcde");
  EXPECT_EQ(StrFormatA(out, 5, "%s", "abcde"), 0);  // one over: cut and terminated
  EXPECT_STREQ(out, "abcd");
  EXPECT_EQ(StrFormatW(wout, 5, u"%s", u"abcde"), 0);
  EXPECT_EQ(std::u16string(wout), u"abcd");
}

TEST(WideFormatter, Conversions) {
  auto expect = [](const char16_t* want, const char16_t* format, auto... args) {
    char16_t out[128];
    EXPECT_EQ(StrFormatW(out, 128, format, args...), 1);
    EXPECT_EQ(std::u16string(out), want);
  };
  expect(u"w\u5B89|Z", u"%s|%c", u"w\u5B89", u'Z');
  expect(u"narrow|n", u"%hs|%hc", "narrow", 'n');
  expect(u"[   42][42   ][-0042]", u"[%5d][%-5d][%05d]", 42, 42, -42);
  expect(u"007|   03|ab  |  cd", u"%.3d|%5.2d|%-4s|%4hs", 7, 3, u"ab", "cd");
  expect(u"   1|9  |ab", u"%*d|%*d|%.*s", 4, 1, -3, 9, 2, u"abc");  // negative width: left
  expect(u"E0600007 0xff -2147483648", u"%08X %#x %i", 0xE0600007u, 255u, -2147483647 - 1);
  expect(u"4464 1 -9223372036854775808 12", u"%hd %hu %lld %zu", 70000, 65537u,
         -9223372036854775807ll - 1, static_cast<size_t>(12));
  expect(u"(null)|(null)", u"%s|%hs", static_cast<const char16_t*>(nullptr),
         static_cast<const char*>(nullptr));
  expect(u"100%|%q|%", u"100%%|%q|%");  // unknown conversions are copied
}

TEST(BoundedStrings, CompareAndLower) {
  struct Case { const char* a; const char* b; int sign; };
  const Case cases[] = {
      {nullptr, "", 0},           // null compares as empty
      {"/SILENT", "/silent", 0},  // ASCII folding
      {"ab", "abc", -1},          // prefix sorts first
      {"\xC4", "\xE4", -1},       // non-ASCII bytes are not folded, compared unsigned
      {"_", "a", -1},             // '_' (0x5F) below 'a' after folding, as _stricmp
  };
  auto sign = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
  for (const auto& c : cases)
    EXPECT_EQ(sign(StrCompareNoCaseA(c.a, c.b)), c.sign) << (c.a ? c.a : "null") << " " << c.b;
  EXPECT_EQ(StrCompareNoCaseW(nullptr, u""), 0);  // the wide one: same rules
  EXPECT_NE(StrCompareNoCaseW(u"\u00C4", u"\u00E4"), 0);
  EXPECT_LT(StrCompareNoCaseW(u"_", u"a"), 0);

  char16_t text[] = u"ABC/Def\u00C4";
  StrLowerW(text, 2);
  EXPECT_EQ(std::u16string(text), u"abC/Def\u00C4");  // only the first count characters
  StrLowerW(text, 260);                               // count beyond the length is cut
  EXPECT_EQ(std::u16string(text), u"abc/def\u00C4");  // only A-Z change
}

TEST(MemoryHelpers, GuardedCopy) {
  uint8_t dest[4] = {9, 9, 9, 9};
  const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(MemCopyChecked(dest, 4, src, 6), CX_E_DEST_TOO_SMALL);
  EXPECT_EQ(dest[0] | dest[1] | dest[2] | dest[3], 0);  // whole destination zeroed
  EXPECT_EQ(MemCopyChecked(dest, 4, nullptr, 2), CX_E_BAD_DATA);
  char16_t wide[3];
  EXPECT_EQ(MemCopyCharsBool(wide, 3, u"abc", 3), 1);  // sizes doubled
  EXPECT_EQ(MemCopyCharsBool(wide, 2, u"abc", 3), 0);
  // A character count whose byte size wraps must not pass as a short copy.
  EXPECT_EQ(MemCopyCharsBool(wide, 3, u"abc", SIZE_MAX / 2 + 2), 0);
  char overlap[] = "abcdef";
  EXPECT_EQ(MemCopyChecked(overlap + 1, 5, overlap, 4), CX_OK);  // overlapping moves allowed
  EXPECT_STREQ(overlap, "aabcdf");
}

TEST(OutputConvention, SizeQueryThenFetch) {
  uint32_t size = 123;
  EXPECT_EQ(OutputString("abc", 3, nullptr, &size), CX_OK);  // query: needed size only
  EXPECT_EQ(size, 4u);
  char out[8];
  Mark(out);
  size = 3;  // one short: nothing written
  EXPECT_EQ(OutputString("abc", 3, out, &size), CX_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(out[0], '#');
  size = 8;
  EXPECT_EQ(OutputString("abc", 3, out, &size), CX_OK);
  EXPECT_EQ(size, 4u);
  EXPECT_STREQ(out, "abc");
}

TEST(OutputConvention, WideToAnsiUsesTheDefaultCharacter) {
  SetSystemAnsiCodePageForHost(CX_CP_WESTERN);
  char out[8];
  uint32_t size = 8;
  EXPECT_EQ(WideToAnsi(u"caf\u00e9\u5B89", out, &size), CX_OK);
  EXPECT_STREQ(out, "caf\xE9?");
  EXPECT_EQ(size, 6u);
  SetSystemAnsiCodePageForHost(CX_CP_ANSI);
}
