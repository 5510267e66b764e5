// Bounded strings, the wide formatter, guarded copies and the size-query
// output convention at their limits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/codepage.h"
#include "common/strings.h"

namespace {

// Fills a buffer with a marker so "untouched" can be checked.
template <typename C, size_t N>
void Mark(C (&buffer)[N]) {
  for (auto& c : buffer) c = static_cast<C>('#');
}

}  // namespace

TEST(BoundedStrings, CopyCutsTerminatesAndReports) {
  struct Case { const char* src; size_t capacity; int result; const char* out; };
  const Case cases[] = {
      {"abcdef", 4, 0, "abc"},     // cut to capacity - 1, terminated
      {"abcdef", 7, 1, "abcdef"},  // exactly fits with terminator
      {"abcdef", 6, 0, "abcde"},   // one short
      {"", 1, 1, ""},              // empty into the smallest buffer
      {"a", 1, 0, ""},             // capacity 1 holds only the terminator
  };
  for (const auto& c : cases) {
    char dest[16];
    Mark(dest);
    EXPECT_EQ(StrCopyA(dest, c.capacity, c.src), c.result) << c.src << " " << c.capacity;
    EXPECT_STREQ(dest, c.out);
    char16_t wdest[16];
    const std::u16string wide(c.src, c.src + std::strlen(c.src));
    EXPECT_EQ(StrCopyW(wdest, c.capacity, wide.c_str()), c.result);
    EXPECT_EQ(std::u16string(wdest), std::u16string(c.out, c.out + std::strlen(c.out)));
  }
}

TEST(BoundedStrings, BadArgumentsWriteNothing) {
  char dest[8];
  Mark(dest);
  EXPECT_EQ(StrCopyA(dest, 0, "x"), 0);
  EXPECT_EQ(StrCopyA(dest, 8, nullptr), 0);
  EXPECT_EQ(StrCopyA(nullptr, 8, "x"), 0);
  EXPECT_EQ(StrAppendA(dest, 0, "x"), 0);
  EXPECT_EQ(StrFormatA(dest, 0, "x"), 0);
  EXPECT_EQ(StrFormatA(dest, 0x80000000u, "x"), 0);  // a negative size passed by mistake
  char16_t wdest[8];
  Mark(wdest);
  EXPECT_EQ(StrFormatW(wdest, 0, u"x"), 0);
  EXPECT_EQ(StrFormatW(wdest, 0x80000000u, u"x"), 0);
  EXPECT_EQ(StrFormatW(wdest, 8, nullptr), 0);
  for (char c : dest) EXPECT_EQ(c, '#');
  for (char16_t c : wdest) EXPECT_EQ(c, u'#');
}

TEST(BoundedStrings, AppendAtTheLimit) {
  struct Case { const char* start; size_t capacity; const char* src; int result; const char* out; };
  const Case cases[] = {
      {"abc", 4, "", 1, "abc"},       // empty source into a full buffer: done
      {"abc", 4, "d", 0, "abc"},      // one more into a full buffer: unchanged
      {"abc", 8, "defg", 1, "abcdefg"},  // fits exactly
      {"abc", 6, "defg", 0, "abcde"},  // cut and terminated
      {"", 3, "xy", 1, "xy"},
  };
  for (const auto& c : cases) {
    char dest[16];
    Mark(dest);
    std::strcpy(dest, c.start);
    EXPECT_EQ(StrAppendA(dest, c.capacity, c.src), c.result) << c.start << "+" << c.src;
    EXPECT_STREQ(dest, c.out);
  }
  // A destination unterminated within its capacity is left alone.
  char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(StrAppendA(full, 4, "x"), 0);
  EXPECT_EQ(std::memcmp(full, "abcd", 4), 0);
  char16_t wide[4] = {u'a', 0, u'#', u'#'};
  EXPECT_EQ(StrAppendW(wide, 4, u"bcd"), 0);
  EXPECT_EQ(std::u16string(wide), u"abc");
}

TEST(BoundedStrings, FormatTruncationRules) {
  char dest[8];
  EXPECT_EQ(StrFormatA(dest, 6, "%s", "abcde"), 1);  // count == capacity - 1 fits
  EXPECT_STREQ(dest, "abcde");
  EXPECT_EQ(StrFormatA(dest, 5, "%s", "abcde"), 0);  // one over: cut and terminated
  EXPECT_STREQ(dest, "abcd");
  EXPECT_EQ(StrFormatA(dest, 8, "%d-%s", 42, "x"), 1);
  EXPECT_STREQ(dest, "42-x");

  char16_t wdest[8];
  EXPECT_EQ(StrFormatW(wdest, 6, u"%s", u"abcde"), 1);
  EXPECT_EQ(std::u16string(wdest), u"abcde");
  EXPECT_EQ(StrFormatW(wdest, 5, u"%s", u"abcde"), 0);
  EXPECT_EQ(std::u16string(wdest), u"abcd");
  EXPECT_EQ(StrFormatW(wdest, 1, u"%d", 7), 0);
  EXPECT_EQ(wdest[0], u'\0');
}

TEST(WideFormatter, Conversions) {
  char16_t out[128];
  // Each row formats into `out` and keeps a copy before the next one runs.
  struct Row { std::u16string got; int ok; };
  auto fmt = [&](auto... args) {
    const int ok = StrFormatW(out, 128, args...);
    return Row{std::u16string(out), ok};
  };
  const std::pair<Row, const char16_t*> rows[] = {
      {fmt(u"%s|%c", u"w\u5B89", u'Z'), u"w\u5B89|Z"},
      {fmt(u"%hs|%hc", "narrow", 'n'), u"narrow|n"},
      {fmt(u"%ls", u"long"), u"long"},
      {fmt(u"[%5d][%-5d][%05d]", 42, 42, -42), u"[   42][42   ][-0042]"},
      {fmt(u"[%+d][% d][%i]", 5, 5, -2147483647 - 1), u"[+5][ 5][-2147483648]"},
      {fmt(u"%x %X %#x %o %#o", 255u, 255u, 255u, 8u, 8u), u"ff FF 0xff 10 010"},
      {fmt(u"%08X", 0xE0600007u), u"E0600007"},
      {fmt(u"%.3d|%.0d|%5.2d", 7, 0, 3), u"007||   03"},
      {fmt(u"%*d|%-*d|%.*s", 4, 1, 3, 2, 2, u"abc"), u"   1|2  |ab"},
      {fmt(u"%*d", -3, 9), u"9  "},
      {fmt(u"%.*s", -1, u"all"), u"all"},
      {fmt(u"%hd %hu %ld %llu %zu", 70000, 65537u, -5L, 18446744073709551615ull,
           static_cast<size_t>(12)),
       u"4464 1 -5 18446744073709551615 12"},
      {fmt(u"%lld", -9223372036854775807ll - 1), u"-9223372036854775808"},
      {fmt(u"100%%"), u"100%"},
      {fmt(u"%s|%hs", static_cast<const char16_t*>(nullptr), static_cast<const char*>(nullptr)),
       u"(null)|(null)"},
      {fmt(u"%-4s|%4hs", u"ab", "cd"), u"ab  |  cd"},
      {fmt(u"%.2f", 2.5), u"2.50"},
      {fmt(u"%q|%"), u"%q|%"},
      {fmt(u"CxKeyPackage_%08X\\", 0x1A2Bu), u"CxKeyPackage_00001A2B\\"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.first.ok, 1);
    EXPECT_EQ(row.first.got, std::u16string(row.second));
  }
}

TEST(BoundedStrings, CompareAndLower) {
  struct Case { const char* a; const char* b; int sign; };
  const Case cases[] = {
      {nullptr, "", 0},               // null compares as empty
      {nullptr, nullptr, 0},
      {"/SILENT", "/silent", 0},      // ASCII folding
      {"abc", "abd", -1},
      {"b", "A", 1},
      {"ab", "abc", -1},              // prefix sorts first
      {"\xC4", "\xE4", -1},           // non-ASCII bytes are not folded, compared unsigned
      {"_", "a", -1},                 // '_' (0x5F) below 'a' after folding, as _stricmp
  };
  auto sign = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
  for (const auto& c : cases) {
    EXPECT_EQ(sign(StrCompareNoCaseA(c.a, c.b)), c.sign) << (c.a ? c.a : "null") << " " << c.b;
    std::u16string wa, wb;
    if (c.a) for (const char* p = c.a; *p; ++p) wa.push_back(static_cast<unsigned char>(*p));
    if (c.b) for (const char* p = c.b; *p; ++p) wb.push_back(static_cast<unsigned char>(*p));
    EXPECT_EQ(sign(StrCompareNoCaseW(c.a ? wa.c_str() : nullptr, c.b ? wb.c_str() : nullptr)),
              c.sign);
  }
  EXPECT_EQ(StrCompareNoCaseW(u"\u00C4", u"\u00E4") != 0, true);

  char16_t text[] = u"ABC/Def\u00C4";
  EXPECT_EQ(StrLowerW(text, 2), text);
  EXPECT_EQ(std::u16string(text), u"abC/Def\u00C4");  // only the first count characters
  StrLowerW(text, 260);                               // count beyond the length is cut
  EXPECT_EQ(std::u16string(text), u"abc/def\u00C4");  // only A-Z change
  EXPECT_EQ(StrLowerW(nullptr, 5), nullptr);
}

TEST(MemoryHelpers, GuardedCopy) {
  uint8_t dest[4] = {9, 9, 9, 9};
  const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(MemCopyChecked(nullptr, 0, nullptr, 0), CX_OK);  // count 0 touches nothing
  EXPECT_EQ(MemCopyChecked(nullptr, 4, src, 2), CX_E_INVALID_ARG);
  EXPECT_EQ(MemCopyChecked(dest, 4, src, 6), CX_E_DEST_TOO_SMALL);
  EXPECT_EQ(dest[0] | dest[1] | dest[2] | dest[3], 0);  // whole destination zeroed
  std::memset(dest, 9, 4);
  EXPECT_EQ(MemCopyChecked(dest, 4, nullptr, 2), CX_E_BAD_DATA);
  EXPECT_EQ(dest[3], 0);
  EXPECT_EQ(MemCopyChecked(dest, 4, src, 4), CX_OK);
  EXPECT_EQ(dest[3], 4);
  EXPECT_EQ(MemCopyBool(dest, 4, src, 5), 0);
  EXPECT_EQ(MemCopyBool(dest, 4, src, 3), 1);

  char16_t wide[3];
  EXPECT_EQ(MemCopyCharsBool(wide, 3, u"abc", 3), 1);  // sizes doubled
  EXPECT_EQ(wide[2], u'c');
  EXPECT_EQ(MemCopyCharsBool(wide, 2, u"abc", 3), 0);
  EXPECT_EQ(wide[0], 0);
  // A character count whose byte size wraps must not pass as a short copy.
  EXPECT_EQ(MemCopyCharsBool(wide, 3, u"abc", SIZE_MAX / 2 + 2), 0);

  // Overlapping moves are allowed.
  char overlap[] = "abcdef";
  EXPECT_EQ(MemCopyChecked(overlap + 1, 5, overlap, 4), CX_OK);
  EXPECT_STREQ(overlap, "aabcdf");
}

TEST(MemoryHelpers, FillAllocAndFree) {
  uint8_t buffer[8] = {};
  MemFillSecure(buffer, 0xAB, sizeof buffer);
  for (uint8_t b : buffer) EXPECT_EQ(b, 0xAB);
  MemFillSecure(nullptr, 1, 4);  // no effect, no crash

  EXPECT_EQ(MemAllocCopy(nullptr, "x", 1), CX_E_INVALID_ARG);
  void* block = nullptr;
  ASSERT_EQ(MemAllocCopy(&block, "hello", 6), CX_OK);
  EXPECT_STREQ(static_cast<char*>(block), "hello");
  MemFreeAndNull(&block);
  EXPECT_EQ(block, nullptr);
  MemFreeAndNull(&block);  // twice is harmless
  ASSERT_EQ(MemAllocCopy(&block, nullptr, 16), CX_OK);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<uint8_t*>(block)[i], 0);
  MemFreeAndNull(&block);
}

TEST(OutputConvention, SizeQueryThenFetch) {
  uint32_t size = 123;
  EXPECT_EQ(OutputString("abc", 3, nullptr, nullptr), CX_E_INVALID_ARG);
  EXPECT_EQ(OutputString("abc", 3, nullptr, &size), CX_OK);  // query: needed size only
  EXPECT_EQ(size, 4u);
  char out[8];
  Mark(out);
  size = 3;  // one short
  EXPECT_EQ(OutputString("abc", 3, out, &size), CX_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(out[0], '#');  // nothing written
  size = 8;
  EXPECT_EQ(OutputString("abc", 3, out, &size), CX_OK);
  EXPECT_EQ(size, 4u);
  EXPECT_STREQ(out, "abc");

  char16_t wout[4];
  size = 4;
  EXPECT_EQ(OutputStringW(u"xyz", 3, wout, &size), CX_OK);
  EXPECT_EQ(std::u16string(wout), u"xyz");
  size = 2;
  EXPECT_EQ(OutputStringW(u"xyz", 3, wout, &size), CX_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(size, 4u);

  const uint16_t data[3] = {1, 2, 3};
  uint16_t blob[3] = {};
  uint32_t count = 0;
  EXPECT_EQ(OutputBlob(data, 3, nullptr, &count, 2), CX_OK);
  EXPECT_EQ(count, 3u);
  count = 2;
  EXPECT_EQ(OutputBlob(data, 3, blob, &count, 2), CX_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(blob[0], 0);
  count = 5;
  EXPECT_EQ(OutputBlob(data, 3, blob, &count, 2), CX_OK);
  EXPECT_EQ(count, 3u);  // needed count stored on success too
  EXPECT_EQ(blob[2], 3);
  EXPECT_EQ(OutputBlob(data, 3, blob, nullptr, 2), CX_E_INVALID_ARG);
}

TEST(OutputConvention, WideToAnsi) {
  SetSystemAnsiCodePageForHost(CX_CP_WESTERN);
  uint32_t size = 0;
  EXPECT_EQ(WideToAnsi(u"caf\u00e9", nullptr, nullptr), CX_E_INVALID_ARG);
  EXPECT_EQ(WideToAnsi(u"caf\u00e9", nullptr, &size), CX_OK);
  EXPECT_EQ(size, 5u);  // terminator included
  char out[8];
  Mark(out);
  size = 4;
  EXPECT_EQ(WideToAnsi(u"caf\u00e9", out, &size), CX_WIN_ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(out[0], '#');
  size = 8;
  EXPECT_EQ(WideToAnsi(u"caf\u00e9\u5B89", out, &size), CX_OK);
  EXPECT_STREQ(out, "caf\xE9?");  // missing character becomes the default one
  EXPECT_EQ(size, 6u);
  SetSystemAnsiCodePageForHost(CX_CP_ANSI);
}
