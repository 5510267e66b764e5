// $(name) expansion, XML escaping and the system-variable rules, natively.
#include <gtest/gtest.h>

#include <string>

#include "package/system_folders.h"
#include "package/variable_dictionary.h"
#include "package/variables.h"

TEST(EscapeXmlText, Table) {
  const struct { const char *in, *out; } cases[] = {
      {"R&D", "R&amp;D"},                  // lone ampersand is escaped
      {"&lt;&amp;", "&lt;&amp;"},          // entities pass unchanged
      {"&ltx", "&amp;ltx"},                // entity name without ';'
      {"&#65;", "&amp;#65;"},              // numeric references are not kept
      {"a<b>\"'", "a&lt;b&gt;&quot;&apos;"},
      {"\xB0\xB2", "\xB0\xB2"},            // 8-bit bytes pass through
  };
  for (const auto& c : cases) {
    std::string out;
    ASSERT_EQ(EscapeXmlText(c.in, &out), CX_OK) << c.in;
    EXPECT_EQ(out, c.out) << c.in;
  }
}

// Script-level cases (chains, escaping, undefined names, self-reference) are in setup_script_test.
TEST(ExpandVariableText, Table) {
  VariableDictionary dict(0);
  dict.Add("pf32", "C:\\PF86");
  dict.Add("Loop1", "$(Loop2)");
  dict.Add("Loop2", "$(Loop1)");
  dict.Add("Fits", std::string(96, 'x'));  // "$(Fits)" is 7 bytes: room for 112
  dict.Add("Big", std::string(97, 'x'));   // "$(Big)" is 6 bytes: room for 96
  dict.Add(std::string(127, 'n'), "long");
  const struct { std::string in; CxResult result; const char* out; } cases[] = {
      {"<a>$[src]</a>", CX_OK, "<a>$[src]</a>"},                          // $[...] untouched
      {"<a>$(" + std::string(127, 'n') + ")</a>", CX_OK, "<a>long</a>"},  // longest name
      {"<a>$(" + std::string(128, 'n') + ")</a>", CX_E_BAD_DATA, nullptr},  // name too long
      {"$(Loop1)", CX_E_BUFFER_TOO_SMALL, nullptr},  // never settles: pass bound
      {"<a>$()</a>", CX_E_BAD_DATA, nullptr},        // empty name
      {"<a>$(PF32)</a>", CX_E_BAD_DATA, nullptr},    // names are case-sensitive
      {"$(Big)", CX_E_BUFFER_TOO_SMALL, nullptr},    // one byte past 16x the raw text
      {"$(Fits)", CX_OK, nullptr},                   // far past 2x, within 16x
  };
  for (const auto& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(ExpandVariableText(c.in, dict, &out), c.result) << c.in;
    if (c.result != CX_OK || c.out) {
      EXPECT_EQ(out, c.out ? c.out : "untouched") << c.in;
    }
  }
}

TEST(ExpandVariableText, BoundIsSixteenTimesTheRawTextAtMost64MiB) {
  EXPECT_EQ(ExpansionBound(6), 96u);
  EXPECT_EQ(ExpansionBound(4u << 20), 64u << 20);
  EXPECT_EQ(ExpansionBound(5u << 20), 64u << 20);  // the cap, not 80 MiB
}

TEST(ExpandVariableText, ChainsResolveUpToThePassBound) {
  auto chain = [](int n) {  // V0 -> V1 -> ... -> "end"
    VariableDictionary d(0);
    for (int i = 0; i < n; ++i)
      d.Add("V" + std::to_string(i), i + 1 < n ? "$(V" + std::to_string(i + 1) + ")" : "end");
    return d;
  };
  std::string out;
  EXPECT_EQ(ExpandVariableText("<a>$(V0)</a>", chain(kMaxExpansionPasses - 1), &out), CX_OK);
  EXPECT_EQ(out, "<a>end</a>");
  EXPECT_EQ(ExpandVariableText("<a>$(V0)</a>", chain(kMaxExpansionPasses), &out),
            CX_E_BUFFER_TOO_SMALL);
}

TEST(ParentFolderOf, Table) {
  const struct { std::u16string in; CxResult result; const char16_t* out; } cases[] = {
      {u"C:\\Users\\Public\\Desktop\\", CX_OK, u"C:\\Users\\Public"},  // final backslash dropped
      {u"Desktop\\", CX_E_BAD_DATA, nullptr},                         // only the final one
      {u"C:\\" + std::u16string(257, u'a'), CX_E_BAD_DATA, nullptr},  // 260 characters
      {u"C:\\" + std::u16string(256, u'a'), CX_OK, u"C:"},            // 259 characters
  };
  for (const auto& c : cases) {
    std::u16string out = u"untouched";
    EXPECT_EQ(ParentFolderOf(c.in, &out), c.result);
    EXPECT_EQ(out, c.out ? c.out : u"untouched");
  }
}

namespace {
RawSystemFolders Folders(bool is64) {
  RawSystemFolders f;
  f.is64 = is64;
  f.programFiles = is64 ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
  f.programFilesX86 = u"C:\\Program Files (x86)";
  f.system = u"C:\\Windows\\SysWow64";
  f.systemX86 = u"C:\\Windows\\system32";
  f.commonDesktop = u"C:\\Users\\Public\\Desktop";
  return f;
}
std::u16string Value(const SystemVariableList& list, const std::string& name) {
  for (const auto& v : list)
    if (v.first == name) return v.second;
  return u"<missing>";
}
}  // namespace

TEST(BuildSystemVariables, BitnessRules) {
  SystemVariableList list;
  ASSERT_EQ(BuildSystemVariables(Folders(false), u"D:\\pkg", 7, &list), CX_OK);
  EXPECT_EQ(Value(list, "pf64"), u"C:\\Program Files");  // 32-bit Windows: pf64 is pf32
  EXPECT_EQ(Value(list, "pf32"), u"C:\\Program Files");
  list.clear();
  ASSERT_EQ(BuildSystemVariables(Folders(true), u"D:\\pkg", 7, &list), CX_OK);
  EXPECT_EQ(Value(list, "pf64"), u"C:\\Program Files");
  EXPECT_EQ(Value(list, "sys64"), u"C:\\Windows\\System32");  // named back from SysWow64
  EXPECT_EQ(Value(list, "usercommon"), u"C:\\Users\\Public");
}

TEST(BuildSystemVariables, FailsWithoutPackageFolderOrUserCommon) {
  SystemVariableList list = {{"kept", u"1"}};
  EXPECT_EQ(BuildSystemVariables(Folders(true), u"", 1, &list), CX_E_INVALID_ARG);
  RawSystemFolders f = Folders(true);
  f.commonDesktop = u"Desktop";
  EXPECT_EQ(BuildSystemVariables(f, u"D:\\pkg", 1, &list), CX_E_BAD_DATA);
  ASSERT_EQ(list.size(), 1u);
}
