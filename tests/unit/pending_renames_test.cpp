// The byte list of pending restart renames: parsing, building, filtering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/result_codes.h"
#include "platform/pending_renames.h"

namespace {
// UTF-16LE bytes of `text`, where '|' stands for a NUL character.
std::vector<uint8_t> Bytes(const std::u16string& text) {
  std::vector<uint8_t> b;
  for (char16_t c : text) {
    if (c == u'|') c = 0;
    b.push_back(static_cast<uint8_t>(c & 0xFF));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  return b;
}

PendingRename Entry(const char16_t* source, const char16_t* target, bool replace = false) {
  PendingRename e;
  e.source = source;
  e.target = target;
  e.replaceExisting = replace;
  return e;
}

TEST(PendingRenames, ParsesTable) {
  struct Case {
    std::u16string text;
    CxResult result;
    std::vector<PendingRename> entries;
  } cases[] = {
      {u"", CX_OK, {}},                                     // value present but empty
      {u"|", CX_OK, {}},                                    // only the closing NUL
      {u"\\??\\C:\\a||", CX_OK, {Entry(u"\\??\\C:\\a", u"")}},  // one delete, unterminated list
      {u"\\??\\C:\\a|||", CX_OK, {Entry(u"\\??\\C:\\a", u"")}},  // one delete, closed list
      {u"\\??\\C:\\a|!\\??\\C:\\b||", CX_OK,                // move replacing the target
       {Entry(u"\\??\\C:\\a", u"\\??\\C:\\b", true)}},
      {u"\\??\\C:\\d||\\??\\C:\\s|\\??\\C:\\d||", CX_OK,    // delete then move, order kept
       {Entry(u"\\??\\C:\\d", u""), Entry(u"\\??\\C:\\s", u"\\??\\C:\\d")}},
      {u"\\??\\C:\\a|\\??\\C:\\b", CX_OK,                   // last string without its NUL
       {Entry(u"\\??\\C:\\a", u"\\??\\C:\\b")}},
      {u"\\??\\C:\\a|", CX_E_BAD_DATA, {}},                 // source without its target
      {u"\\??\\C:\\a", CX_E_BAD_DATA, {}},                  // unterminated lone source
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = Bytes(c.text);
    std::vector<PendingRename> out = {Entry(u"untouched", u"")};
    EXPECT_EQ(ParsePendingRenames(b.data(), b.size(), &out), c.result) << "case " << (&c - cases);
    if (c.result == CX_OK)
      EXPECT_EQ(out, c.entries) << "case " << (&c - cases);
    else
      EXPECT_EQ(out.size(), 1u) << "failed parse changed the output, case " << (&c - cases);
  }
  const uint8_t odd[3] = {'a', 0, 0};  // half a character
  std::vector<PendingRename> out;
  EXPECT_EQ(ParsePendingRenames(odd, sizeof odd, &out), CX_E_BAD_DATA);
}

TEST(PendingRenames, BuildsWhatWindowsReads) {
  std::vector<PendingRename> list = {Entry(u"\\??\\C:\\d", u""),
                                     Entry(u"\\??\\C:\\s", u"\\??\\C:\\d", true)};
  EXPECT_EQ(BuildPendingRenames(list), Bytes(u"\\??\\C:\\d||\\??\\C:\\s|!\\??\\C:\\d||"));
  EXPECT_EQ(BuildPendingRenames({}), Bytes(u"|"));
  // An empty source would end the list early for Windows: left out.
  EXPECT_EQ(BuildPendingRenames({Entry(u"", u"x"), Entry(u"\\??\\C:\\a", u"")}),
            Bytes(u"\\??\\C:\\a|||"));
  std::vector<uint8_t> bytes = BuildPendingRenames(list);
  std::vector<PendingRename> back;
  ASSERT_EQ(ParsePendingRenames(bytes.data(), bytes.size(), &back), CX_OK);
  EXPECT_EQ(back, list);
}

TEST(PendingRenames, FindsAndTakesBackEntries) {
  PendingRename e = Entry(u"\\??\\C:\\Users\\T\\cxtest_1\\a.dll", u"");
  EXPECT_TRUE(PendingRenameMentions(e, u"c:\\users\\t\\CXTEST_1\\"));  // case does not matter
  EXPECT_FALSE(PendingRenameMentions(e, u"C:\\Users\\T\\cxtest_2\\"));
  EXPECT_TRUE(PendingRenameMentions(Entry(u"\\??\\C:\\x", u"\\??\\C:\\Users\\T\\cxtest_1\\b"),
                                    u"C:\\Users\\T\\cxtest_1\\"));  // by its target
  EXPECT_EQ(FromNtPath(u"C:\\plain"), u"C:\\plain");

  // Only the last delete of exactly that path goes; moves and others stay.
  std::vector<PendingRename> list = {Entry(u"\\??\\C:\\d", u""), Entry(u"\\??\\C:\\d", u"\\??\\C:\\e"),
                                     Entry(u"\\??\\C:\\dd", u""), Entry(u"\\??\\C:\\D", u"")};
  ASSERT_TRUE(RemoveLastPendingDelete(&list, u"C:\\d"));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], Entry(u"\\??\\C:\\d", u""));
  EXPECT_EQ(list[2], Entry(u"\\??\\C:\\dd", u""));
  EXPECT_FALSE(RemoveLastPendingDelete(&list, u"C:\\e"));
}
}  // namespace
