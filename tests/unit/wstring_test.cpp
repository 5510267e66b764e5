// WString and the code-page converters, natively.
#include <gtest/gtest.h>

#include "common/wstring.h"

TEST(WString, EmptyIsNeverNullAndRenderingsFollowChanges) {
  WString empty;
  EXPECT_STREQ(empty.Narrow(), "");
  EXPECT_STREQ(empty.Ansi(), "");
  WString s("\xE5\xAE\x89\xE8\xA3\x85");  // 安装 in UTF-8
  s.Append(u"!");
  ASSERT_TRUE(s.SetCodePage(CX_CP_GBK));
  EXPECT_STREQ(s.Narrow(), "\xB0\xB2\xD7\xB0!");  // GBK bytes, after the append
  EXPECT_STREQ(WString(s).Narrow(), s.Narrow());   // a copy keeps the code page
}

TEST(WString, ReplaceDoesNotRescanInsertedText) {
  const struct { const char16_t *in, *from, *to, *out; } cases[] = {
      {u"aXbXc", u"X", u"XX", u"aXXbXXc"},  // inserted text holds the pattern
      {u"aaaa", u"aa", u"b", u"bb"},        // left to right, non-overlapping
      {u"abc", u"", u"z", u"abc"},          // empty pattern does nothing
      {u"$[src]", u"$[src]", nullptr, u""}, // replaced by nothing
  };
  for (const auto& c : cases) {
    WString s(c.in);
    s.Replace(c.from, c.to);
    EXPECT_EQ(s.Str(), std::u16string(c.out));
  }
}

TEST(CodePage, LossyConversionsAreReported) {
  std::u16string wide;
  bool exact = true;
  ASSERT_EQ(MultiByteToUtf16(CX_CP_UTF8, "a\xC3(b", 4, &wide, &exact), CX_OK);
  EXPECT_FALSE(exact);
  EXPECT_EQ(wide, u"a\uFFFD(b");
  std::string narrow;
  ASSERT_EQ(Utf16ToMultiByte(CX_CP_WESTERN, u"a安", 2, &narrow, &exact), CX_OK);
  EXPECT_FALSE(exact);
  EXPECT_EQ(narrow, "a?");
}
