// SetupScript: loading, encodings, languages, expansion and sections.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/codepage.h"
#include "common/sysinfo.h"
#include "package/setup_script.h"
#include "package/system_folders.h"

namespace {

constexpr uint16_t kEnglish = 0x0409;
constexpr uint16_t kFrench = 0x040C;  // language code 3
constexpr uint16_t kGerman = 0x0407;  // language code 7

class SetupScriptTest : public ::testing::Test {
 protected:
  void SetUp() override { SetHostSystemForTesting(kEnglish, 1); }
  void TearDown() override {
    SetHostSystemForTesting(kEnglish, 1);
    ResetHostSystemFoldersForTesting();
  }

  // The engine's order: load, system variables, expansion.
  CxResult LoadAll(const std::string& xml) {
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

  SetupScript script_;
};

std::string Script(const std::string& body, const char* encoding = "utf-8") {
  return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n<Config>" + body +
         "</Config>";
}

// `depth` well-formed nested elements, with a comment and a quoted value
// holding brackets that must not count.
std::string Nested(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<a x=\"<b>\"><!-- <c> -->";
  for (int i = 0; i < depth; ++i) s += "</a>";
  return s;
}

TEST_F(SetupScriptTest, LoadTable) {
  struct Case { std::string bytes; CxResult result; int encoding; };
  const std::string info = "<SetupInfo><ProductName>T</ProductName></SetupInfo>";
  const Case cases[] = {
      {Script(info), CX_OK, 0},                                     // plain UTF-8
      {"\xEF\xBB\xBF" + Script(info, "UTF-8"), CX_OK, 0},           // BOM, name in capitals
      {"\xFE\xFF" + Script(info), CX_OK, 0},                        // FE FF dropped too
      {Script(info, "GB2312"), CX_OK, 3},                           // compared without case
      {Script(info, "gb18030"), CX_OK, 2},
      {Script(info, "GBK"), CX_OK, 1},
      {Script(info, "windows-1252"), CX_OK, -1},                    // unknown name
      {"<Config>" + info + "</Config>", CX_E_BAD_DATA, -1},         // no declaration
      {Script("<SetupInfo>"), CX_E_NOT_WELL_FORMED, -1},            // unclosed element
      {"", CX_E_NOT_WELL_FORMED, -1},                               // empty file
      {Script(std::string(2000, '\0')), CX_E_NOT_WELL_FORMED, -1},  // zero byte cuts the text
      {Script(Nested(99)), CX_OK, 0},                              // 100 levels with Config
      {Script(Nested(100)), CX_E_NOT_WELL_FORMED, -1},              // one level too deep
  };
  for (const auto& c : cases) {
    EXPECT_EQ(script_.LoadFromMemory(c.bytes.data(), c.bytes.size()), c.result) << c.bytes;
    EXPECT_EQ(script_.EncodingCode(), c.encoding) << c.bytes;
  }
}

TEST_F(SetupScriptTest, FailedLoadLeavesNothingToRead) {
  ASSERT_EQ(LoadAll(Script("<SetupInfo><X>1</X></SetupInfo><Action name=\"Insall\"/>")), CX_OK);
  const std::string broken = Script("<SetupInfo>");
  EXPECT_EQ(script_.LoadFromMemory(broken.data(), broken.size()), CX_E_NOT_WELL_FORMED);
  WString out;
  EXPECT_EQ(script_.GetString("X", &out), CX_E_MISSING);
  EXPECT_EQ(script_.FindSection("Action", "Insall"), nullptr);
  EXPECT_EQ(script_.SetSystemVariables("D:\\pkg"), CX_NOT_DONE);
  EXPECT_EQ(script_.ExpandVariables(), CX_E_BAD_DATA);
  EXPECT_EQ(script_.Load(u"/nonexistent/SetupScript.xml"), CX_WIN_ERROR_FILE_NOT_FOUND);
}

TEST_F(SetupScriptTest, GbkTextDecodesThroughCodePage936) {
  // 安装 in GBK; the encoding name in capitals.
  ASSERT_EQ(LoadAll(Script("<SetupInfo><ProductName>\xB0\xB2\xD7\xB0</ProductName></SetupInfo>",
                           "GB2312")), CX_OK);
  EXPECT_EQ(script_.CodePage(), 936u);
  EXPECT_EQ(Get("ProductName"), u"安装");
}

TEST_F(SetupScriptTest, ExpansionTable) {
  struct Case { std::string body; CxResult result; const char* key; const char16_t* value; };
  const Case cases[] = {
      // pf32 then a fixed tail: the 32-bit Program Files folder.
      {"<SetupInfo><InstallDir>$(pf32)\\Vendor\\Tool</InstallDir></SetupInfo>", CX_OK,
       "InstallDir", u"C:\\Program Files (x86)\\Vendor\\Tool"},
      // A refers to B which refers to pf32: resolved over passes.
      {"<CustomInfo><A>$(B)\\x</A><B>$(pf32)</B></CustomInfo><SetupInfo><D>$(A)</D></SetupInfo>",
       CX_OK, "D", u"C:\\Program Files (x86)\\x"},
      // An ampersand is escaped on the way in and reads back as itself.
      {"<CustomInfo><P>R&amp;D</P></CustomInfo><SetupInfo><N>$(P)</N></SetupInfo>", CX_OK, "N",
       u"R&D"},
      // An entity in the value is inserted unchanged and so reads back decoded.
      {"<CustomInfo><P>&amp;lt;</P></CustomInfo><SetupInfo><N>$(P)</N></SetupInfo>", CX_OK, "N",
       u"<"},
      // The script's pf32 replaces the system's, for references and lookups.
      {"<CustomInfo><pf32>E:\\Mine</pf32></CustomInfo><SetupInfo><D>$(pf32)\\x</D></SetupInfo>",
       CX_OK, "D", u"E:\\Mine\\x"},
      {"<CustomInfo><pf32>E:\\Mine</pf32></CustomInfo>", CX_OK, "pf32", u"E:\\Mine"},
      // Two definitions of a name: the last one wins.
      {"<CustomInfo><X>1</X><X>2</X></CustomInfo><SetupInfo><Y>$(X)</Y></SetupInfo>", CX_OK, "Y",
       u"2"},
      {"<CustomInfo><X>1</X></CustomInfo><SetupInfo><X>2</X></SetupInfo>", CX_OK, "X", u"2"},
      // An element without text is an empty value.
      {"<SetupInfo><E/></SetupInfo>", CX_OK, "E", u""},
      // System variables are there without script definitions.
      {"<SetupInfo/>", CX_OK, "srcroot", u"D:\\pkg"},
      {"<SetupInfo/>", CX_OK, "usercommon", u"C:\\Users\\Public"},
      {"<SetupInfo/>", CX_OK, "language", u"1"},
      // Comments are expanded too, so an undefined name there fails.
      {"<!-- $(undefined) --><SetupInfo/>", CX_E_BAD_DATA, nullptr, nullptr},
      // A reference never closed.
      {"<SetupInfo><D>$(pf32</D></SetupInfo>", CX_E_BAD_DATA, nullptr, nullptr},
      // A variable referring to itself ends at the pass bound or the room.
      {"<CustomInfo><S>$(S)</S></CustomInfo>", CX_E_BUFFER_TOO_SMALL, nullptr, nullptr},
      {"<CustomInfo><S>a$(S)</S></CustomInfo>", CX_E_BUFFER_TOO_SMALL, nullptr, nullptr},
      // Markup in a value is escaped, so it cannot break the document.
      {"<CustomInfo><Q>&lt;/Config&gt;</Q></CustomInfo><SetupInfo><R>$(Q)</R></SetupInfo>", CX_OK,
       "R", u"</Config>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LoadAll(Script(c.body)), c.result) << c.body;
    if (c.key) {
      EXPECT_EQ(Get(c.key), c.value) << c.body;
    }
  }
}

TEST_F(SetupScriptTest, LanguagesForVariablesAndTemplates) {
  const std::string body =
      "<CustomString><IDS_T><zh_cn>cn</zh_cn><en_us>en</en_us><zh_tw>tw</zh_tw></IDS_T>"
      "<IDS_CN_ONLY><zh_cn>cn</zh_cn></IDS_CN_ONLY></CustomString>"
      "<ActionDescString><CopyFile><zh_cn>c</zh_cn><en_us>e</en_us></CopyFile></ActionDescString>";
  struct Case { uint16_t langId; const char* tag; const char16_t* text; const char16_t* desc; };
  const Case cases[] = {
      {0x0804, "zh_cn", u"cn", u"c"},                   // simplified Chinese
      {0x0404, "zh_tw", u"tw", u"<none>"},              // traditional; template has no zh_tw
      {kEnglish, "en_us", u"en", u"e"},
      {kFrench, "en_us", u"en", u"c"},                  // code 3: variables en_us, template zh_cn
      {kGerman, "en_us", u"en", u"<none>"},             // code 7: no template text at all
  };
  for (const auto& c : cases) {
    SetHostSystemForTesting(c.langId, 1);
    script_.Reset();
    ASSERT_EQ(LoadAll(Script(body)), CX_OK);
    EXPECT_STREQ(script_.GetLanguageTag(), c.tag);
    EXPECT_EQ(Get("IDS_T"), c.text) << c.langId;
    std::unique_ptr<ScriptElement> desc(script_.FindSection("ActionDescString", nullptr));
    ASSERT_NE(desc, nullptr);
    WString text(u"<none>");
    ASSERT_NE(desc->FindChild("CopyFile"), nullptr);
    desc->FindChild("CopyFile")->GetText(&text);
    EXPECT_EQ(text.Str(), c.desc) << c.langId;
  }
  // An entry without the language's text is undefined.
  SetHostSystemForTesting(kEnglish, 1);
  SetupScript english;
  const std::string xml = Script(body);
  ASSERT_EQ(english.LoadFromMemory(xml.data(), xml.size()), CX_OK);
  WString out;
  EXPECT_EQ(english.GetString("IDS_CN_ONLY", &out), CX_E_MISSING);
}

TEST_F(SetupScriptTest, FindSectionMatching) {
  ASSERT_EQ(LoadAll(Script("<Action><A1/></Action>"
                           "<Action name=\"insall\"><A2/></Action>"
                           "<Action name=\"Insall\"><A3/><A4><Sub/></A4></Action>"
                           "<Action name=\"Insall\"><A5/></Action>"
                           "<Other/>")), CX_OK);
  struct Case { const char* tag; const char* name; const char* firstChild; };
  const Case cases[] = {
      {"Action", "Insall", "A3"},    // no name and lower-case name skipped
      {"Action", "insall", "A2"},    // exact match
      {"Action", nullptr, "A1"},     // no name asked: the first
      {"Action", "Uninstall", nullptr},
      {"Other", nullptr, ""},        // exists, without children
      {"action", nullptr, nullptr},  // tags are case-sensitive
      {"Config", nullptr, nullptr},  // only children of Config
  };
  for (const auto& c : cases) {
    std::unique_ptr<ScriptElement> e(script_.FindSection(c.tag, c.name));
    if (!c.firstChild) {
      EXPECT_EQ(e, nullptr) << c.tag;
      continue;
    }
    ASSERT_NE(e, nullptr) << c.tag;
    EXPECT_STREQ(e->First() ? e->First()->Name() : "", c.firstChild);
  }
  std::unique_ptr<ScriptElement> list(script_.FindSection("Action", "Insall"));
  ASSERT_EQ(list->ChildCount(), 2u);
  EXPECT_NE(list->Child(1)->FindChild("Sub"), nullptr);  // the whole subtree
}

TEST_F(SetupScriptTest, FindSectionLooksAtNoMoreThan128Sections) {
  auto sections = [](int n) {
    std::string s = "<Action name=\"Insall\"/>";
    for (int i = 1; i < n; ++i) s += "<Filler/>";
    return s;
  };
  ASSERT_EQ(LoadAll(Script(sections(128))), CX_OK);
  EXPECT_NE(std::unique_ptr<ScriptElement>(script_.FindSection("Action", "Insall")), nullptr);
  ASSERT_EQ(LoadAll(Script(sections(129))), CX_OK);
  EXPECT_EQ(std::unique_ptr<ScriptElement>(script_.FindSection("Action", "Insall")), nullptr);
}

TEST_F(SetupScriptTest, On32BitWindowsThe64BitFoldersAreThe32BitOnes) {
  SetHostSystemForTesting(kEnglish, 0);
  RawSystemFolders f;
  f.programFiles = u"C:\\Program Files";
  f.system = u"C:\\Windows\\System32";
  f.commonDesktop = u"C:\\Users\\Public\\Desktop";
  SetHostSystemFoldersForTesting(f);
  ASSERT_EQ(LoadAll(Script("<SetupInfo/>")), CX_OK);
  EXPECT_EQ(Get("pf64"), u"C:\\Program Files");
  EXPECT_EQ(Get("pf32"), u"C:\\Program Files");
  EXPECT_EQ(Get("sys64"), u"C:\\Windows\\System32");
  EXPECT_EQ(Get("sys32"), u"C:\\Windows\\System32");
}

}  // namespace

namespace {

TEST_F(SetupScriptTest, EngineFlowOverARealScriptFile) {
  const std::u16string path = Utf8ToUtf16(CX_TEST_DATA_DIR "/script/SetupScript.xml");
  ASSERT_EQ(script_.Load(path.c_str()), CX_OK);
  ASSERT_EQ(script_.SetSystemVariables("D:\\pkg"), CX_DONE);
  ASSERT_EQ(script_.ExpandVariables(), CX_OK);
  EXPECT_EQ(Get("ProductCode"), u"{6A0B3E52-1C44-4F7B-9D0E-7E1C0C6A2F11}");
  EXPECT_EQ(Get("ProductName"), u"Token Manager");
  EXPECT_EQ(Get("Publisher"), u"R&D Security");
  EXPECT_EQ(Get("Version"), u"2.1.0.7");
  EXPECT_EQ(Get("InstallDir"), u"C:\\Program Files (x86)\\Vendor\\TokenManager");
  EXPECT_EQ(Get("IDS_INSTALL_OK"), u"Installation complete");
  std::unique_ptr<ScriptElement> list(script_.FindSection("Action", "Insall"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->ChildCount(), 3u);
  WString dest;
  ASSERT_EQ(list->Child(1)->GetAttr("dest", &dest), CX_OK);
  EXPECT_EQ(dest.Str(), u"C:\\Program Files (x86)\\Vendor\\TokenManager\\bin\\tm.exe");
  EXPECT_TRUE(list->Child(1)->GetAttrRaw("os", nullptr) != nullptr);
}

}  // namespace
