// Where a shortcut is written and the working folder it stores.
#include <gtest/gtest.h>

#include <string>

#include "platform/shell_link_paths.h"

TEST(BuildShortcutPaths, Table) {
  struct Case { const char16_t *root, *sub, *name, *folder, *link; } cases[] = {
      // nested sub folder; ".lnk" appended
      {u"C:\\M", u"Vendor\\Tool", u"Uninstall", u"C:\\M\\Vendor\\Tool\\", u"C:\\M\\Vendor\\Tool\\Uninstall.lnk"},
      // an extension in any case is kept, not doubled
      {u"C:\\M", u"V", u"Tool.LNK", u"C:\\M\\V\\", u"C:\\M\\V\\Tool.LNK"},
      // another extension gets ".lnk" after it
      {u"C:\\M", u"V", u"Tool 2.0", u"C:\\M\\V\\", u"C:\\M\\V\\Tool 2.0.lnk"},
      // empty sub folder: the root itself, one separator only
      {u"C:\\M", u"", u"A", u"C:\\M\\", u"C:\\M\\A.lnk"},
      {u"C:\\M\\", u"", u"A", u"C:\\M\\", u"C:\\M\\A.lnk"},
      // a point in the folders is no extension of the link
      {u"C:\\first.last", u"Tool 2.0", u"A", u"C:\\first.last\\Tool 2.0\\", u"C:\\first.last\\Tool 2.0\\A.lnk"},
  };
  for (const Case& c : cases) {
    ShortcutPaths p;
    ASSERT_EQ(BuildShortcutPaths(c.root, c.sub, c.name, &p), CX_OK) << (&c - cases);
    EXPECT_EQ(p.folder, c.folder) << (&c - cases);
    EXPECT_EQ(p.linkFile, c.link) << (&c - cases);
  }
}

TEST(BuildShortcutPaths, RefusesWhatDoesNotFitWithoutCutting) {
  ShortcutPaths p;
  p.linkFile = u"untouched";
  const std::u16string root = u"C:\\M";  // "C:\M\" + name + ".lnk" = 9 + name
  EXPECT_EQ(BuildShortcutPaths(root, u"", std::u16string(250, u'n'), &p), CX_OK);
  EXPECT_EQ(p.linkFile.size(), kMaxLinkPathChars);
  p.linkFile = u"untouched";
  EXPECT_EQ(BuildShortcutPaths(root, u"", std::u16string(251, u'n'), &p),
            CX_WIN_ERROR_FILENAME_EXCED_RANGE);
  EXPECT_EQ(p.linkFile, u"untouched");
  // A name that fits only because its own ".lnk" is not doubled.
  EXPECT_EQ(BuildShortcutPaths(root, u"", std::u16string(250, u'n') + u".lnk", &p), CX_OK);
  EXPECT_EQ(BuildShortcutPaths(u"", u"", u"A", &p), CX_E_INVALID_ARG);
  EXPECT_EQ(BuildShortcutPaths(root, u"", u"", &p), CX_E_INVALID_ARG);
}

TEST(ShortcutWorkingFolder, Table) {
  struct Case { const char16_t* target; const char16_t* folder; } cases[] = {
      {u"C:\\App\\tool.exe", u"C:\\App"},
      {u"C:\\tool.exe", u"C:\\"},           // drive root keeps its backslash
      {u"tool.exe", u"tool.exe"},           // no backslash: unchanged
      {u"\\\\srv\\share\\t.exe", u"\\\\srv\\share"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortcutWorkingFolder(c.target), c.folder) << c.folder;
}
