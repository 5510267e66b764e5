// Which processes a script's image name selects, the growing process list,
// and tool paths that must stay inside their folder.
#include <gtest/gtest.h>

#include <vector>

#include "platform/process_match.h"
#include "platform/system_tools.h"

TEST(ImageMatcher, Table) {
  struct Case {
    const char16_t* name;
    const char16_t* image;
    bool match;
  } cases[] = {
      // a full path matches only that file, in any case
      {u"C:\\App\\tool.exe", u"C:\\App\\tool.exe", true},
      {u"C:\\App\\tool.exe", u"c:\\app\\TOOL.EXE", true},
      {u"C:\\App\\tool.exe", u"D:\\Other\\tool.exe", false},
      // a bare name matches that file name in any folder, in any case
      {u"tool.exe", u"D:\\Other\\tool.exe", true},
      {u"TOOL.exe", u"C:\\App\\tool.EXE", true},
      {u"tool.exe", u"C:\\App\\mytool.exe", false},
      {u"tool.exe", u"C:\\tool.exe\\other.exe", false},
      // a trailing backslash makes it a path that no image ends in
      {u"tool.exe\\", u"C:\\App\\tool.exe", false},
      {u"C:\\App\\", u"C:\\App\\App", false},
      // forward slashes and a drive prefix separate a folder as well
      {u"C:/App/tool.exe", u"C:\\Other\\tool.exe", false},
      {u"C:tool.exe", u"C:\\App\\tool.exe", false},
      // letters beyond ASCII fold too
      {u"C:\\Pr\u00F6g\\\u0444.exe", u"C:\\PR\u00D6G\\\u0424.EXE", true},
      // no image path, or an empty name, never matches
      {u"tool.exe", u"", false},
      {u"", u"C:\\App\\tool.exe", false},
  };
  for (const Case& c : cases) {
    ImageMatcher m(c.name);
    EXPECT_EQ(m.Matches(c.image), c.match)
        << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
  }
  EXPECT_TRUE(ImageMatcher(u"C:\\App\\tool.exe").IsFullPath());
  EXPECT_FALSE(ImageMatcher(u"tool.exe").IsFullPath());
  EXPECT_EQ(ImageFileName(u"C:\\App\\"), u"App\\");
}

namespace {
uint32_t g_running = 0;  // processes the fake system has
int g_calls = 0;

CxResult FakeEnumerate(uint32_t* ids, uint32_t capacity, uint32_t* bytesUsed) {
  ++g_calls;
  uint32_t n = g_running < capacity ? g_running : capacity;
  for (uint32_t i = 0; i < n; ++i) ids[i] = (i + 1) * 4;
  *bytesUsed = n * sizeof(uint32_t);
  return CX_OK;
}

CxResult FailingEnumerate(uint32_t*, uint32_t, uint32_t*) { return CX_WIN_ERROR_ACCESS_DENIED; }
}  // namespace

TEST(CollectProcessIds, SeesEveryProcessBeyondTheFirstBuffer) {
  for (uint32_t running : {0u, 1023u, 1024u, 3000u}) {
    g_running = running;
    std::vector<uint32_t> ids;
    ASSERT_EQ(CollectProcessIds(FakeEnumerate, &ids), CX_OK);
    ASSERT_EQ(ids.size(), running);
    if (running) {
      EXPECT_EQ(ids.back(), running * 4);
    }
  }
}

TEST(CollectProcessIds, FailuresLeaveTheListUntouched) {
  std::vector<uint32_t> ids = {7};
  EXPECT_EQ(CollectProcessIds(FailingEnumerate, &ids), CX_WIN_ERROR_ACCESS_DENIED);
  // an enumerator that always fills the buffer is not followed forever
  g_running = 0xFFFFFFFF;
  g_calls = 0;
  EXPECT_EQ(CollectProcessIds(FakeEnumerate, &ids), CX_E_OUT_OF_MEMORY);
  EXPECT_LT(g_calls, 20);
  EXPECT_EQ(ids, std::vector<uint32_t>{7});
}

TEST(JoinToolPath, AcceptsOnlyPathsInsideTheFolder) {
  struct Case {
    const char16_t* tool;
    const char16_t* joined;  // null: rejected
  } cases[] = {
      {u"taskkill.exe", u"C:\\windows\\system32\\taskkill.exe"},
      {u"wbem\\wmic.exe", u"C:\\windows\\system32\\wbem\\wmic.exe"},
      {u"", nullptr},                    // no tool
      {u"..\\evil.exe", nullptr},        // climbs out
      {u"wbem\\..\\..\\x.exe", nullptr}, // climbs out further down
      {u"\\evil.exe", nullptr},          // root of the drive
      {u"/evil.exe", nullptr},           // root of the drive
      {u"D:\\evil.exe", nullptr},        // another drive
      {u"D:evil.exe", nullptr},          // drive-relative
      {u"tool.exe:stream", nullptr},     // alternate data stream
      {u"wbem\\\\x.exe", nullptr},       // empty part
      {u"tool.exe\\", nullptr},          // a folder, not a tool
  };
  for (const Case& c : cases) {
    WString out(u"untouched");
    CxResult r = JoinToolPath(u"C:\\windows\\system32", c.tool, &out);
    if (c.joined) {
      EXPECT_EQ(r, CX_OK);
      EXPECT_EQ(out.Str(), c.joined);
    } else {
      EXPECT_EQ(r, CX_E_INVALID_ARG);
      EXPECT_EQ(out.Str(), u"untouched");
    }
  }
  WString out;
  EXPECT_EQ(JoinToolPath(u"C:\\windows\\", u"regedit.exe", &out), CX_OK);
  EXPECT_EQ(out.Str(), u"C:\\windows\\regedit.exe");
  EXPECT_EQ(JoinToolPath(nullptr, u"regedit.exe", &out), CX_E_INVALID_ARG);
}
