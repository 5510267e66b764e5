// The system converters behave as the portable codec expects.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/wstring.h"

TEST(CodePageWin, Gbk936RoundTrip) {
  std::u16string wide;
  ASSERT_EQ(MultiByteToUtf16(CX_CP_GBK, "\xB0\xB2\xD7\xB0", 4, &wide), CX_OK);
  EXPECT_EQ(wide, u"安装");
  std::string back;
  bool exact = false;
  ASSERT_EQ(Utf16ToMultiByte(CX_CP_GBK, wide.data(), wide.size(), &back, &exact), CX_OK);
  EXPECT_TRUE(exact);
  EXPECT_EQ(back, "\xB0\xB2\xD7\xB0");
}

TEST(CodePageWin, AnsiRenderingUsesTheSystemCodePage) {
  EXPECT_EQ(SystemAnsiCodePage(), GetACP());
  WString s(u"abc");
  EXPECT_STREQ(s.Ansi(), "abc");
}
