// SetupScript: loading, encodings, languages, expansion and sections.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/sysinfo.h"
#include "package/setup_script.h"

namespace {

constexpr uint16_t kEnglish = 0x0409;

class SetupScriptTest : public ::testing::Test {
 protected:
  void SetUp() override { SetHostSystemForTesting(kEnglish, 1); }
  void TearDown() override { SetHostSystemForTesting(kEnglish, 1); }

  // The engine's order: load, system variables, expansion.
  CxResult LoadAll(const std::string& body) {
    const std::string xml = Script(body);
    CxResult r = script_.LoadFromMemory(xml.data(), xml.size());
    if (r != CX_OK) return r;
    if (script_.SetSystemVariables("D:\\pkg") != CX_DONE) return CX_E_FAIL;
    return script_.ExpandVariables();
  }
  std::u16string Get(const char* key) {
    WString out(u"<missing>");
    script_.GetString(key, &out);
    return out.Str();
  }
  static std::string Script(const std::string& body, const char* encoding = "utf-8") {
    return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?><Config>" + body +
           "</Config>";
  }

  SetupScript script_;
};

// `depth` nested elements, with brackets in a comment and a quoted value that must not count.
std::string Nested(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<a x=\"<b>\"><!-- <c> -->";
  for (int i = 0; i < depth; ++i) s += "</a>";
  return s;
}

TEST_F(SetupScriptTest, LoadTable) {
  const std::string info = "<SetupInfo><ProductName>T</ProductName></SetupInfo>";
  const struct { std::string bytes; CxResult result; int encoding; } cases[] = {
      {"\xEF\xBB\xBF" + Script(info, "UTF-8"), CX_OK, 0},           // BOM, name in capitals
      {Script(info, "GB2312"), CX_OK, 3},                           // compared without case
      {"<Config>" + info + "</Config>", CX_E_BAD_DATA, -1},         // no declaration
      {Script("<SetupInfo>"), CX_E_NOT_WELL_FORMED, -1},            // unclosed element
      {Script(std::string(2000, '\0')), CX_E_NOT_WELL_FORMED, -1},  // zero byte cuts the text
      {Script("<a>\xE6\xAD\xA3\xE5\x9C"), CX_E_NOT_WELL_FORMED, -1},  // ends in a UTF-8 sequence
      {Script(Nested(99)), CX_OK, 0},                               // 100 levels with Config
      {Script(Nested(100)), CX_E_NOT_WELL_FORMED, -1},              // one level too deep
  };
  for (const auto& c : cases) {
    EXPECT_EQ(script_.LoadFromMemory(c.bytes.data(), c.bytes.size()), c.result) << c.bytes;
    EXPECT_EQ(script_.EncodingCode(), c.encoding) << c.bytes;
  }
}

TEST_F(SetupScriptTest, ExpansionTable) {
  const struct {
    std::string body;
    CxResult result;
    const char* key;
    const char16_t* value;
  } cases[] = {
      // A refers to B which refers to pf32: resolved over passes.
      {"<CustomInfo><A>$(B)\\x</A><B>$(pf32)</B></CustomInfo><SetupInfo><D>$(A)</D></SetupInfo>",
       CX_OK, "D", u"C:\\Program Files (x86)\\x"},
      // An ampersand is escaped on the way in; an entity in the value reads back decoded.
      {"<CustomInfo><P>R&amp;D</P></CustomInfo><SetupInfo><N>$(P)</N></SetupInfo>", CX_OK, "N",
       u"R&D"},
      {"<CustomInfo><P>&amp;lt;</P></CustomInfo><SetupInfo><N>$(P)</N></SetupInfo>", CX_OK, "N",
       u"<"},
      // Markup in a value is escaped, so it cannot break the document.
      {"<CustomInfo><Q>&lt;/Config&gt;</Q></CustomInfo><SetupInfo><R>$(Q)</R></SetupInfo>", CX_OK,
       "R", u"</Config>"},
      // The script's pf32 replaces the system's.
      {"<CustomInfo><pf32>E:\\Mine</pf32></CustomInfo><SetupInfo><D>$(pf32)\\x</D></SetupInfo>",
       CX_OK, "D", u"E:\\Mine\\x"},
      // Two definitions of a name: the last one wins.
      {"<CustomInfo><X>1</X><X>2</X></CustomInfo><SetupInfo><Y>$(X)</Y></SetupInfo>", CX_OK, "Y",
       u"2"},
      {"<!-- $(undefined) --><SetupInfo/>", CX_E_BAD_DATA, nullptr, nullptr},  // comments too
      {"<SetupInfo><D>$(pf32</D></SetupInfo>", CX_E_BAD_DATA, nullptr, nullptr},  // no ")"
      {"<CustomInfo><S>$(S)</S></CustomInfo>", CX_E_BUFFER_TOO_SMALL, nullptr,
       nullptr},  // refers to itself: the pass bound
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LoadAll(c.body), c.result) << c.body;
    if (c.key) EXPECT_EQ(Get(c.key), c.value) << c.body;
  }
}

TEST_F(SetupScriptTest, LanguageFallbacksForVariablesAndTemplates) {
  const std::string body =
      "<CustomString><IDS_T><zh_cn>cn</zh_cn><en_us>en</en_us></IDS_T></CustomString>"
      "<ActionDescString><CopyFile><zh_cn>c</zh_cn><en_us>e</en_us></CopyFile></ActionDescString>";
  const struct { uint16_t langId; const char16_t* text; const char16_t* desc; } cases[] = {
      {0x040C, u"en", u"c"},       // French, code 3: variables en_us, template zh_cn
      {0x0407, u"en", u"<none>"},  // German, code 7: no template text at all
  };
  for (const auto& c : cases) {
    SetHostSystemForTesting(c.langId, 1);
    ASSERT_EQ(LoadAll(body), CX_OK);
    EXPECT_EQ(Get("IDS_T"), c.text) << c.langId;
    std::unique_ptr<ScriptElement> desc(script_.FindSection("ActionDescString", nullptr));
    ASSERT_NE(desc, nullptr);
    WString text(u"<none>");
    desc->FindChild("CopyFile")->GetText(&text);
    EXPECT_EQ(text.Str(), c.desc) << c.langId;
  }
}

TEST_F(SetupScriptTest, FindSectionMatchesTagAndNameExactlyWithin128Sections) {
  ASSERT_EQ(LoadAll("<Action><A1/></Action><Action name=\"insall\"><A2/></Action>"
                    "<Action name=\"Insall\"><A3/></Action>"), CX_OK);
  const struct { const char* tag; const char* name; const char* firstChild; } cases[] = {
      {"Action", "Insall", "A3"},    // no name and lower-case name skipped
      {"Action", nullptr, "A1"},     // no name asked: the first
      {"action", nullptr, nullptr},  // tags are case-sensitive
  };
  for (const auto& c : cases) {
    std::unique_ptr<ScriptElement> e(script_.FindSection(c.tag, c.name));
    ASSERT_EQ(e != nullptr, c.firstChild != nullptr) << c.tag;
    if (e) EXPECT_STREQ(e->First()->Name(), c.firstChild);
  }
  for (int n : {128, 129}) {
    std::string s = "<Action name=\"Insall\"/>";
    for (int i = 1; i < n; ++i) s += "<Filler/>";
    ASSERT_EQ(LoadAll(s), CX_OK);
    EXPECT_EQ(std::unique_ptr<ScriptElement>(script_.FindSection("Action", "Insall")) != nullptr,
              n == 128);
  }
}

}  // namespace
