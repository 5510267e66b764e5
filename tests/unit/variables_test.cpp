// $(name) expansion, XML escaping and the system-variable rules, natively.
#include <gtest/gtest.h>

#include <string>

#include "package/system_folders.h"
#include "package/variable_dictionary.h"
#include "package/variables.h"

TEST(EscapeXmlText, Table) {
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"R&D", "R&amp;D"},                          // lone ampersand is escaped
      {"&lt;", "&lt;"},                            // an entity passes unchanged
      {"&amp;&quot;&apos;&gt;", "&amp;&quot;&apos;&gt;"},  // all five entities
      {"&ltx", "&amp;ltx"},                        // entity name without ';'
      {"&#65;", "&amp;#65;"},                      // numeric references are not kept
      {"a<b>c", "a&lt;b&gt;c"},                    // angle brackets
      {"\"'", "&quot;&apos;"},                     // both quotes
      {"", ""},                                    // empty stays empty
      {"\xB0\xB2", "\xB0\xB2"},                    // 8-bit bytes pass through
  };
  for (const auto& c : cases) {
    std::string out = "old";
    ASSERT_EQ(EscapeXmlText(c.in, &out), CX_OK) << c.in;
    EXPECT_EQ(out, c.out) << c.in;
  }
  std::string out = "kept";
  EXPECT_EQ(EscapeXmlText(nullptr, &out), CX_E_INVALID_ARG);
  EXPECT_EQ(out, "kept");
}

namespace {
VariableDictionary SampleDictionary() {
  VariableDictionary d(0);
  d.Add("pf32", "C:\\PF86");
  d.Add("B", "$(pf32)\\b");
  d.Add("A", "$(B)\\x");
  d.Add("Self", "<$(Self)>");
  d.Add("Loop1", "$(Loop2)");
  d.Add("Loop2", "$(Loop1)");
  d.Add("Amp", "R&D");
  d.Add("Big", std::string(40, 'x'));
  d.Add("Empty", "");
  d.Add(std::string(127, 'n'), "long");
  return d;
}
}  // namespace

TEST(ExpandVariableText, Table) {
  struct Case { std::string in; CxResult result; const char* out; };
  const Case cases[] = {
      {"<a>$(pf32)\\Vendor</a>", CX_OK, "<a>C:\\PF86\\Vendor</a>"},    // one pass
      {"<a>$(A)</a>            ", CX_OK, "<a>C:\\PF86\\b\\x</a>            "},  // chain over passes
      {"<a x=\"$(Amp)\"/>", CX_OK, "<a x=\"R&amp;D\"/>"},             // value escaped
      {"<a>$[src] $(Empty)</a>", CX_OK, "<a>$[src] </a>"},            // $[...] untouched
      {"<a>$(" + std::string(127, 'n') + ")</a>", CX_OK, "<a>long</a>"},  // longest name
      {"$(Self)                              ", CX_E_BUFFER_TOO_SMALL, nullptr},  // grows past room
      {"$(Loop1)", CX_E_BUFFER_TOO_SMALL, nullptr},                  // never settles: pass bound
      {"<a>$(pf32</a>", CX_E_BAD_DATA, nullptr},                     // no closing parenthesis
      {"<a>$(nope)</a>", CX_E_BAD_DATA, nullptr},                    // undefined name
      {"<a>$()</a>", CX_E_BAD_DATA, nullptr},                        // empty name
      {"<a>$(PF32)</a>", CX_E_BAD_DATA, nullptr},                    // names are case-sensitive
      {"<a>$(" + std::string(128, 'n') + ")</a>", CX_E_BAD_DATA, nullptr},  // name too long
      {"$(Big)", CX_E_BUFFER_TOO_SMALL, nullptr},                    // value exceeds 2x room
      {"", CX_E_BAD_DATA, nullptr},                                  // no text
  };
  const VariableDictionary dict = SampleDictionary();
  for (const auto& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(ExpandVariableText(c.in, dict, &out), c.result) << c.in;
    EXPECT_EQ(out, c.out ? c.out : "untouched") << c.in;
  }
}

TEST(ExpandVariableText, ChainsResolveUpToThePassBound) {
  // Chain of n variables: V0 -> V1 -> ... -> end; n substituting passes plus
  // a final clean one.
  auto chain = [](int n) {
    VariableDictionary d(0);
    for (int i = 0; i < n; ++i)
      d.Add("V" + std::to_string(i), i + 1 < n ? "$(V" + std::to_string(i + 1) + ")" : "end");
    return d;
  };
  const std::string text = "<a>$(V0)</a>";
  std::string out;
  EXPECT_EQ(ExpandVariableText(text, chain(kMaxExpansionPasses - 1), &out), CX_OK);
  EXPECT_EQ(out, "<a>end</a>");
  EXPECT_EQ(ExpandVariableText(text, chain(kMaxExpansionPasses), &out), CX_E_BUFFER_TOO_SMALL);
}

TEST(ParentFolderOf, Table) {
  struct Case { std::u16string in; CxResult result; const char16_t* out; };
  const Case cases[] = {
      {u"C:\\Users\\Public\\Desktop", CX_OK, u"C:\\Users\\Public"},    // plain
      {u"C:\\Users\\Public\\Desktop\\", CX_OK, u"C:\\Users\\Public"},  // final backslash dropped
      {u"C:\\Desktop", CX_OK, u"C:"},                                 // cut at the root
      {u"Desktop", CX_E_BAD_DATA, nullptr},                           // no backslash
      {u"Desktop\\", CX_E_BAD_DATA, nullptr},                         // only the final one
      {u"", CX_E_BAD_DATA, nullptr},                                  // empty
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
  f.system = u"C:\\Windows\\System32";
  f.systemX86 = u"C:\\Windows\\system32";
  f.commonDesktop = u"C:\\Users\\Public\\Desktop";
  f.exePath = u"C:\\t\\setup.exe";
  return f;
}

std::u16string Value(const SystemVariableList& list, const std::string& name) {
  for (const auto& v : list)
    if (v.first == name) return v.second;
  return u"<missing>";
}
}  // namespace

TEST(BuildSystemVariables, BitnessRules) {
  struct Case {
    bool is64;
    const char16_t *pf32, *pf, *pf64, *sys32, *sys, *sys64;
  };
  const Case cases[] = {
      {true, u"C:\\Program Files (x86)", u"C:\\Program Files (x86)", u"C:\\Program Files",
       u"C:\\Windows\\SysWow64", u"C:\\Windows\\SysWow64", u"C:\\Windows\\System32"},
      {false, u"C:\\Program Files", u"C:\\Program Files", u"C:\\Program Files",
       u"C:\\Windows\\System32", u"C:\\Windows\\System32", u"C:\\Windows\\System32"},
  };
  for (const auto& c : cases) {
    SystemVariableList list;
    ASSERT_EQ(BuildSystemVariables(Folders(c.is64), u"D:\\pkg", 7, &list), CX_OK);
    EXPECT_EQ(Value(list, "pf32"), c.pf32);
    EXPECT_EQ(Value(list, "pf"), c.pf);
    EXPECT_EQ(Value(list, "pf64"), c.pf64);
    EXPECT_EQ(Value(list, "sys32"), c.sys32);
    EXPECT_EQ(Value(list, "sys"), c.sys);
    EXPECT_EQ(Value(list, "sys64"), c.sys64);
    EXPECT_EQ(Value(list, "usercommon"), u"C:\\Users\\Public");
    EXPECT_EQ(Value(list, "srcroot"), u"D:\\pkg");
    EXPECT_EQ(Value(list, "srcexe"), u"C:\\t\\setup.exe");
    EXPECT_EQ(Value(list, "language"), u"7");
  }
  // On 64-bit Windows the 64-bit system folder is named back from SysWow64.
  RawSystemFolders f = Folders(true);
  f.system = u"C:\\Windows\\SysWow64";
  SystemVariableList list;
  ASSERT_EQ(BuildSystemVariables(f, u"D:\\pkg", 1, &list), CX_OK);
  EXPECT_EQ(Value(list, "sys64"), u"C:\\Windows\\System32");
}

TEST(BuildSystemVariables, FailsWithoutPackageFolderOrUserCommon) {
  SystemVariableList list = {{"kept", u"1"}};
  EXPECT_EQ(BuildSystemVariables(Folders(true), u"", 1, &list), CX_E_INVALID_ARG);
  RawSystemFolders f = Folders(true);
  f.commonDesktop = u"Desktop";
  EXPECT_EQ(BuildSystemVariables(f, u"D:\\pkg", 1, &list), CX_E_BAD_DATA);
  ASSERT_EQ(list.size(), 1u);
}
