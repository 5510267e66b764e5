// Log lines and default log file names.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/setup_log.h"

namespace {
const LogTime kTime = {2026, 3, 4, 5, 6, 7, 89};
}

TEST(SetupLog, LineFormat) {
  const struct { const char* text; const char* line; const char* why; } cases[] = {
      {"run", "2026-03-04 05:06:07.089  run\r\n", "zero-padded stamp, CRLF"},
      {"a\r\nb", "2026-03-04 05:06:07.089  a  b\r\n", "a message's own line break stays on the line"},
      {"x\n", "2026-03-04 05:06:07.089  x\r\n", "trailing break not doubled"},
      {"\xE4\xB8\xAD", "2026-03-04 05:06:07.089  \xE4\xB8\xAD\r\n", "UTF-8 kept byte for byte"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatLogLine(kTime, c.text), c.line) << c.why;
}

TEST(SetupLog, DefaultFileName) {
  const struct { const char16_t* product; const char16_t* name; const char* why; } cases[] = {
      {u"Corvexa", u"Corvexa_20260304_050607.log", "product and time"},
      {u"A/B:C*?", u"A_B_C___20260304_050607.log", "forbidden characters replaced"},
      {u"", u"Setup_20260304_050607.log", "no product yet"},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultLogFileName(c.product, kTime), c.name) << c.why;
}

TEST(SetupLog, LinesBeforeTheFileAreKeptAndWritten) {
  char dir[] = "/tmp/cx_log_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  SetupLog log;
  log.Write("not enabled: dropped");
  log.Enable(u"");
  log.Write("kept");
  std::u16string folder;
  for (const char* p = dir; *p; ++p) folder.push_back(static_cast<char16_t>(*p));
  folder += u"/";
  log.UseDefaultFile(folder, u"P");
  log.Write("direct");
  log.WriteResult("action", CX_E_MISSING);
  const std::u16string wide = log.Path();
  const std::string path(wide.begin(), wide.end());
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty()) << path;
  std::remove(path.c_str());
  rmdir(dir);
  EXPECT_EQ(text.find("dropped"), std::string::npos);
  ASSERT_NE(text.find("direct"), std::string::npos);
  EXPECT_LT(text.find("kept"), text.find("direct"));
  EXPECT_NE(text.find("action: 0xE0600008 (CX_E_MISSING"), std::string::npos) << text;
}
