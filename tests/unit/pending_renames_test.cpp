// The byte list of pending restart renames: parsing, building, filtering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/result_codes.h"
#include "platform/pending_renames.h"

namespace {
using R = PendingRename;

// UTF-16LE bytes of `text`, where '|' stands for a NUL character.
std::vector<uint8_t> Bytes(const std::u16string& text) {
  std::vector<uint8_t> b;
  for (char16_t c : text) b.insert(b.end(), {uint8_t(c == u'|' ? 0 : c & 0xFF), uint8_t(c >> 8)});
  return b;
}

TEST(PendingRenames, ParsesTable) {
  struct Case { std::u16string text; CxResult result; std::vector<R> entries; } cases[] = {
      {u"", CX_OK, {}},                        // value present but empty
      {u"a||", CX_OK, {R{u"a", u""}}},         // one delete, unterminated list
      {u"d||s|!d||", CX_OK, {R{u"d", u""}, R{u"s", u"d", true}}},  // order kept
      {u"a|b", CX_OK, {R{u"a", u"b"}}},        // last string without its NUL
      {u"a|", CX_E_BAD_DATA, {}},              // source without its target
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = Bytes(c.text);
    const std::vector<R> before = {R{u"untouched", u""}};
    std::vector<R> out = before;
    EXPECT_EQ(ParsePendingRenames(b.data(), b.size(), &out), c.result) << (&c - cases);
    EXPECT_EQ(out, c.result == CX_OK ? c.entries : before);  // a failed parse changes nothing
  }
}

TEST(PendingRenames, BuildsWhatWindowsReads) {
  std::vector<R> list = {R{u"\\??\\C:\\d", u""}, R{u"\\??\\C:\\s", u"\\??\\C:\\d", true}};
  std::vector<uint8_t> bytes = BuildPendingRenames(list);
  EXPECT_EQ(bytes, Bytes(u"\\??\\C:\\d||\\??\\C:\\s|!\\??\\C:\\d||"));
  std::vector<R> back;
  ASSERT_EQ(ParsePendingRenames(bytes.data(), bytes.size(), &back), CX_OK);
  EXPECT_EQ(back, list);
  // An empty source would end the list early for Windows: left out.
  EXPECT_EQ(BuildPendingRenames({R{u"", u"x"}, R{u"a", u""}}), Bytes(u"a|||"));
}

TEST(PendingRenames, FindsOurEntries) {
  R e{u"\\??\\C:\\Users\\T\\cxtest_1\\a.dll", u""};
  EXPECT_TRUE(PendingRenameMentions(e, u"c:\\users\\t\\CXTEST_1\\"));  // case does not matter
  EXPECT_FALSE(PendingRenameMentions(e, u"C:\\Users\\T\\cxtest_2\\"));
}
}  // namespace

TEST(PendingRenames, NewEntriesBetweenReadingsAndTakingThemBack) {
  const PendingRename a{u"\\??\\C:\\a", u"", false}, b{u"\\??\\C:\\b", u"\\??\\C:\\c", true};
  // A second equal entry registered during the run is new, though one like
  // it was there before.
  std::vector<PendingRename> added = NewPendingRenames({a, b}, {a, b, a});
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0], a);
  // Entries removed by someone else meanwhile are not new ones.
  EXPECT_TRUE(NewPendingRenames({a, b}, {b}).empty());

  std::vector<PendingRename> list{a, b, a};
  EXPECT_TRUE(TakeBackPendingRenames(&list, {a}));
  EXPECT_EQ(list, (std::vector<PendingRename>{a, b}));  // the last one goes
  EXPECT_FALSE(TakeBackPendingRenames(&list, {PendingRename{u"\\??\\C:\\z", u"", false}}));
}
