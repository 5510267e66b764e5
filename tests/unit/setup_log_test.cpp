// Log lines and default log file names.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/setup_log.h"
#include "common/codepage.h"

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
  EXPECT_EQ(DefaultLogFileName(u"P", kTime, 2), u"P_20260304_050607_2.log") << "a taken name's next";
}

TEST(SetupLog, DevicePaths) {
  const struct { const char16_t* path; bool device; } cases[] = {
      {u"C:\\logs\\NUL", true},                   // reserved name anywhere
      {u"C:\\logs\\con.txt", true},               // with an extension
      {u"C:\\logs\\COM1 .log", true},             // blanks before the point
      {u"C:\\logs\\lpt\u00B9", true},            // superscript digit
      {u"\\\\.\\pipe\\x", true},                 // device namespace
      {u"\\\\?\\C:\\x.log", true},                // no path rules apply there
      {u"\\\\server\\PIPE\\x", true},             // a pipe over the network
      {u"C:\\logs\\console.log", false},
      {u"C:\\logs\\COM10.log", false},
      {u"\\\\server\\share\\setup.log", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsDeviceLogPath(c.path), c.device) << Utf16ToUtf8(c.path);
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

TEST(SetupLog, TheDefaultFileIsAlwaysNewAndAPathIsFixedOnce) {
  char dir[] = "/tmp/cx_log_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string folder = std::string(dir) + "/";
  // Someone linked the next names to a file of theirs.
  { std::ofstream(folder + "victim") << "victim"; }
  const LogTime now = LogTimeNow();
  for (unsigned attempt = 0; attempt < 3; ++attempt)
    for (int s = 0; s < 3; ++s) {
      LogTime t = now;
      t.second = static_cast<uint16_t>(t.second + s);
      const std::string name = Utf16ToUtf8(DefaultLogFileName(u"P", t, attempt));
      ASSERT_EQ(symlink((folder + "victim").c_str(), (folder + name).c_str()), 0);
    }
  SetupLog log;
  log.Enable(u"");
  log.UseDefaultFile(Utf8ToUtf16(folder), u"P");
  log.Write("line");
  EXPECT_TRUE(log.HasFile());
  EXPECT_NE(Utf16ToUtf8(log.Path()).find("_3.log"), std::string::npos) << Utf16ToUtf8(log.Path());

  // A relative path is made full at once, against the folder of the start.
  char start[4096];
  ASSERT_NE(getcwd(start, sizeof start), nullptr);
  ASSERT_EQ(chdir(dir), 0);
  SetupLog relative;
  relative.Enable(u"rel.log");
  ASSERT_EQ(chdir(start), 0);
  relative.Write("line");
  EXPECT_EQ(relative.Path(), Utf8ToUtf16(folder + "rel.log"));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder + "rel.log"));
  // A link at a /LOG path is not followed.
  ASSERT_EQ(symlink((folder + "victim").c_str(), (folder + "other.log").c_str()), 0);
  SetupLog other;
  other.Enable(Utf8ToUtf16(folder + "other.log"));
  other.Write("appended");
  EXPECT_FALSE(other.HasFile());

  std::ifstream in(folder + "victim");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
            "victim");
  std::filesystem::remove_all(dir);
}
