// WString and the code-page converters, natively.
#include <gtest/gtest.h>

#include "common/wstring.h"

TEST(WString, EmptyReadsAsEmptyTextNeverNull) {
  WString s;
  EXPECT_STREQ(s.Narrow(), "");
  EXPECT_STREQ(s.Ansi(), "");
  EXPECT_EQ(s.Wide()[0], u'\0');
  EXPECT_TRUE(s.Assign(static_cast<const char*>(nullptr)));
  EXPECT_TRUE(s.IsEmpty());
}

TEST(WString, RenderingsFollowEveryChange) {
  WString s("\xE5\xAE\x89\xE8\xA3\x85");  // 安装 in UTF-8
  EXPECT_EQ(s.Str(), u"安装");
  s.Append(u"!");
  EXPECT_STREQ(s.Narrow(), "\xE5\xAE\x89\xE8\xA3\x85!");
  ASSERT_TRUE(s.SetCodePage(CX_CP_GBK));
  EXPECT_STREQ(s.Narrow(), "\xB0\xB2\xD7\xB0!");  // GBK bytes
  EXPECT_EQ(s.CodePage(), CX_CP_GBK);
  WString copy(s);
  EXPECT_EQ(copy.CodePage(), CX_CP_GBK);
  EXPECT_STREQ(copy.Narrow(), s.Narrow());
}

TEST(WString, AppendOfEmptyChangesNothing) {
  WString s(u"abc");
  s.Append(static_cast<const char16_t*>(nullptr));
  s.Append("");
  EXPECT_EQ(s.Str(), u"abc");
}

TEST(WString, ReplaceDoesNotRescanInsertedText) {
  struct Case { const char16_t* in; const char16_t* from; const char16_t* to; const char16_t* out; };
  const Case cases[] = {
      {u"aXbXc", u"X", u"XX", u"aXXbXXc"},  // inserted text holds the pattern
      {u"aaaa", u"aa", u"b", u"bb"},        // left to right, non-overlapping
      {u"abc", u"", u"z", u"abc"},          // empty pattern does nothing
      {u"abc", u"B", u"z", u"abc"},         // case-sensitive
      {u"$[src]", u"$[src]", nullptr, u""}, // replaced by nothing
  };
  for (const auto& c : cases) {
    WString s(c.in);
    s.Replace(c.from, c.to);
    EXPECT_EQ(s.Str(), std::u16string(c.out));
  }
}

TEST(CodePage, InvalidUtf8DecodesToReplacementAndIsReported) {
  std::u16string out;
  bool exact = true;
  ASSERT_EQ(MultiByteToUtf16(CX_CP_UTF8, "a\xC3(b", 4, &out, &exact), CX_OK);
  EXPECT_FALSE(exact);
  EXPECT_EQ(out, u"a\uFFFD(b");
}

TEST(CodePage, UnrepresentableCharacterIsReportedForWestern) {
  std::string out;
  bool exact = true;
  ASSERT_EQ(Utf16ToMultiByte(CX_CP_WESTERN, u"a安", 2, &out, &exact), CX_OK);
  EXPECT_FALSE(exact);
  EXPECT_EQ(out, "a?");
  ASSERT_EQ(Utf16ToMultiByte(CX_CP_WESTERN, u"caf\u00e9", 4, &out, &exact), CX_OK);
  EXPECT_TRUE(exact);
  EXPECT_EQ(out, "caf\xE9");
}
