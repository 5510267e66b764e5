// The script reference against the vocabulary: every name the program reads
// is in it, each attribute in its type's entry, and each has its prose.
#include <gtest/gtest.h>

#include <string>

#include "authoring/script_reference.h"
#include "package/script_vocabulary.h"
#include "package/system_folders.h"

namespace {

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

}  // namespace

TEST(ScriptReference, NamesEveryWordTheProgramReads) {
  const std::string all = ScriptReferenceText();
  const std::vector<ReferenceEntry> entries = ScriptReferenceEntries();
  EXPECT_FALSE(Has(all, "(no description)")) << "a name without prose:\n" << all;

  size_t count = 0;
  const ActionType* types = ActionTypes(&count);
  for (size_t i = 0; i < count; ++i) {
    const ReferenceEntry* entry = FindReferenceEntry(entries, types[i].name);
    ASSERT_NE(entry, nullptr) << types[i].name;
    EXPECT_EQ(entry->text.rfind("## " + std::string(types[i].name) + "\n", 0), 0u) << types[i].name;
    for (size_t a = 0; a < types[i].attributeCount; ++a)
      EXPECT_TRUE(Has(entry->text, "| `" + std::string(types[i].attributes[a].name) + "` |"))
          << types[i].name << "." << types[i].attributes[a].name;
    for (size_t p = 0; p < types[i].placeholderCount; ++p)
      EXPECT_TRUE(Has(entry->text, "`$[" + std::string(types[i].placeholders[p].name) + "]`")) << types[i].name;
  }
  for (const char* list : {kInstallList, kUninstallList, kInstallFinishList, kUninstallFinishList})
    EXPECT_TRUE(Has(FindReferenceEntry(entries, kListSection)->text, "| `" + std::string(list) + "` |")) << list;
  for (const char* key : kTextKeys)
    EXPECT_TRUE(Has(FindReferenceEntry(entries, kCustomStringSection)->text, "| `" + std::string(key) + "` |")) << key;
  for (const char* key : kSetupInfoKeys)
    EXPECT_TRUE(Has(FindReferenceEntry(entries, kSetupInfoSection)->text, "| `" + std::string(key) + "` |")) << key;
  for (const char* language : kLanguageTags) EXPECT_TRUE(Has(all, "`<" + std::string(language) + ">`")) << language;
  for (const char* section : {kConfigElement, kCustomInfoSection, kTemplatesSection})
    EXPECT_TRUE(Has(all, section)) << section;

  SystemVariableList variables;
  ASSERT_EQ(BuildSystemVariables(StandardWindowsFolders(true, u"user", u"C:\\setup.exe"), u"C:\\p\\", 1, &variables),
            CX_OK);
  for (const auto& v : variables)
    EXPECT_TRUE(Has(FindReferenceEntry(entries, "variables")->text, "| `$(" + v.first + ")` |")) << v.first;
  EXPECT_TRUE(Has(FindReferenceEntry(entries, "logo")->text, "PackageFiles\\ProgramFiles(x86)\\KOVA\\Corvexa\\Res\\Logo_Long.bmp"));
}
