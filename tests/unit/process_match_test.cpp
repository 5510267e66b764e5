// Which processes a script's image name selects, the growing process list,
// and tool paths that must stay inside their folder.
#include <gtest/gtest.h>

#include <vector>

#include "platform/process_match.h"
#include "platform/system_tools.h"

TEST(ImageMatcher, Table) {
  struct Case { const char16_t* name; const char16_t* image; bool match; } cases[] = {
      {u"C:\\App\\tool.exe", u"c:\\app\\TOOL.EXE", true},     // full path: that file, any case
      {u"C:\\App\\tool.exe", u"D:\\Other\\tool.exe", false},
      {u"TOOL.exe", u"D:\\Other\\tool.EXE", true},             // bare name: any folder
      {u"tool.exe", u"C:\\App\\mytool.exe", false},
      {u"tool.exe\\", u"C:\\App\\tool.exe", false},            // trailing backslash: no image
      {u"C:/App/tool.exe", u"C:\\Other\\tool.exe", false},     // forward slash separates too
      {u"C:tool.exe", u"C:\\App\\tool.exe", false},            // so does a drive prefix
      {u"C:\\Pr\u00F6g\\\u0444.exe", u"C:\\PR\u00D6G\\\u0424.EXE", true},  // non-ASCII folds
  };
  for (const Case& c : cases)
    EXPECT_EQ(ImageMatcher(c.name).Matches(c.image), c.match) << (&c - cases);
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
}  // namespace

TEST(CollectProcessIds, GrowsPastTheFirstBufferButNotForever) {
  for (uint32_t running : {1024u, 3000u}) {
    g_running = running;
    std::vector<uint32_t> ids;
    ASSERT_EQ(CollectProcessIds(FakeEnumerate, &ids), CX_OK);
    ASSERT_EQ(ids.size(), running);
    EXPECT_EQ(ids.back(), running * 4);
  }
  std::vector<uint32_t> ids = {7};
  g_running = 0xFFFFFFFF;  // an enumerator that always fills the buffer
  g_calls = 0;
  EXPECT_EQ(CollectProcessIds(FakeEnumerate, &ids), CX_E_OUT_OF_MEMORY);
  EXPECT_LT(g_calls, 20);
  EXPECT_EQ(ids, std::vector<uint32_t>{7});
}

TEST(JoinToolPath, AcceptsOnlyPathsInsideTheFolder) {
  struct Case { const char16_t* tool; const char16_t* joined; } cases[] = {  // null: rejected
      {u"wbem\\wmic.exe", u"C:\\windows\\system32\\wbem\\wmic.exe"},
      {u"..\\evil.exe", nullptr},        // climbs out
      {u"wbem\\..\\..\\x.exe", nullptr}, // climbs out further down
      {u"\\evil.exe", nullptr},          // root of the drive
      {u"D:\\evil.exe", nullptr},        // another drive
      {u"D:evil.exe", nullptr},          // drive-relative
      {u"tool.exe:stream", nullptr},     // alternate data stream
      {u"wbem\\\\x.exe", nullptr},       // empty part
      {u"tool.exe\\", nullptr},          // a folder, not a tool
  };
  for (const Case& c : cases) {
    WString out(u"untouched");
    CxResult r = JoinToolPath(u"C:\\windows\\system32", c.tool, &out);
    EXPECT_EQ(r, c.joined ? CX_OK : CX_E_INVALID_ARG) << (&c - cases);
    EXPECT_EQ(out.Str(), c.joined ? c.joined : u"untouched");
  }
  WString out;
  EXPECT_EQ(JoinToolPath(u"C:\\windows\\", u"regedit.exe", &out), CX_OK);
  EXPECT_EQ(out.Str(), u"C:\\windows\\regedit.exe");
}
