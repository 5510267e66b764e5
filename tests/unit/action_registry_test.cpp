// ActionRegistry: capacity, name cut, first-match exact lookup, and the
// Describe contract of an action created through it.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>

#include "engine/action_registry.h"

namespace {

int g_factoryCalls = 0;
int g_secondFactoryCalls = 0;

// Needs a "path" attribute; describes itself from its own type's template.
class PathAction : public Action {
 public:
  using Action::Action;
  CxResult Parse(int force) override {
    if (parsed_ == 1 && force != 1) return CX_OK;
    parsed_ = 0;
    CxResult r = element_->GetAttr("path", &path_);
    if (r != CX_OK) return r;
    parsed_ = 1;
    return CX_OK;
  }
  CxResult Describe(ScriptElement* templates, InstallContext*, WString* out) override {
    CxResult r = Parse(0);
    if (r != CX_OK) return r;
    r = TemplateText(templates, element_->Name(), out);
    if (r != CX_OK) return r;
    FillPlaceholder(out, u"path", path_);
    return CX_OK;
  }
  CxResult Execute(InstallContext*) override { return Parse(0); }

 private:
  WString path_;
};

Action* MakePathAction(ScriptElement* e) {
  ++g_factoryCalls;
  return new PathAction(e);
}
Action* MakeSecond(ScriptElement* e) {
  ++g_secondFactoryCalls;
  return new PathAction(e);
}

// A parsed document and its element tree, kept alive together.
struct Tree {
  explicit Tree(const char* xml) {
    doc.Parse(xml);
    root.reset(new ScriptElement(doc.RootElement(), 0, 1));
  }
  ScriptElement* Child(uint32_t i) const { return root->Child(i); }
  TiXmlDocument doc;
  std::unique_ptr<ScriptElement> root;
};

class ActionRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { g_factoryCalls = g_secondFactoryCalls = 0; }
  ActionRegistry registry;
};

TEST_F(ActionRegistryTest, LookupIsExactCaseSensitiveAndFirstMatch) {
  ASSERT_EQ(registry.Register("KillProcess", MakePathAction), 1);
  ASSERT_EQ(registry.Register("KillProcess", MakeSecond), 1);  // stored, never found
  EXPECT_EQ(registry.Count(), 2u);
  Tree t("<List><KillProcess/><killprocess/><KillProcessX/><Kill/></List>");
  std::unique_ptr<Action> a(registry.Create(t.Child(0)));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Element(), t.Child(0));
  EXPECT_EQ(g_factoryCalls, 1);
  EXPECT_EQ(g_secondFactoryCalls, 0);
  for (uint32_t i = 1; i <= 3; ++i) EXPECT_EQ(registry.Create(t.Child(i)), nullptr) << i;
  EXPECT_EQ(registry.Create(nullptr), nullptr);
}

TEST_F(ActionRegistryTest, EmptyRegistryAndBadRegistrationsCreateNothing) {
  Tree t("<List><File/></List>");
  EXPECT_EQ(registry.Create(t.Child(0)), nullptr);
  EXPECT_EQ(registry.Register(nullptr, MakePathAction), 0);
  EXPECT_EQ(registry.Register("", MakePathAction), 0);
  EXPECT_EQ(registry.Register("File", nullptr), 0);
  EXPECT_EQ(registry.Count(), 0u);
  EXPECT_EQ(registry.Create(t.Child(0)), nullptr);
}

TEST_F(ActionRegistryTest, LongNameIsCutTo64Characters) {
  std::string name70(70, 'A');
  ASSERT_EQ(registry.Register(name70.c_str(), MakePathAction), 1);
  EXPECT_EQ(std::string(registry.NameAt(0)), std::string(64, 'A'));
  std::string xml = "<List><" + name70 + "/><" + std::string(64, 'A') + "/></List>";
  Tree t(xml.c_str());
  EXPECT_EQ(registry.Create(t.Child(0)), nullptr);  // the full tag no longer matches
  std::unique_ptr<Action> a(registry.Create(t.Child(1)));
  EXPECT_NE(a, nullptr);
}

TEST_F(ActionRegistryTest, The257thRegistrationFailsAndChangesNothing) {
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(registry.Register(("A" + std::to_string(i)).c_str(), MakePathAction), 1) << i;
  EXPECT_EQ(registry.Register("File", MakePathAction), 0);
  EXPECT_EQ(registry.Count(), 256u);
  Tree t("<List><File/><A255/></List>");
  EXPECT_EQ(registry.Create(t.Child(0)), nullptr);
  std::unique_ptr<Action> last(registry.Create(t.Child(1)));
  EXPECT_NE(last, nullptr);
}

TEST_F(ActionRegistryTest, DescribeFailsOnMissingTemplateOrAttribute) {
  registry.Register("File", MakePathAction);
  registry.Register("DelFile", MakePathAction);
  Tree templates("<ActionDescString><File>Copy $[path]</File></ActionDescString>");
  Tree list("<List><File path='a.txt'/><DelFile path='b.txt'/><File/></List>");

  std::unique_ptr<Action> ok(registry.Create(list.Child(0)));
  WString text;
  ASSERT_EQ(ok->Describe(templates.root.get(), nullptr, &text), CX_OK);
  EXPECT_EQ(text.Str(), u"Copy a.txt");

  // No "DelFile" template: Describe fails although the action could run.
  std::unique_ptr<Action> noTemplate(registry.Create(list.Child(1)));
  EXPECT_EQ(noTemplate->Describe(templates.root.get(), nullptr, &text), CX_E_TEMPLATE_MISSING);
  EXPECT_EQ(noTemplate->Execute(nullptr), CX_OK);

  std::unique_ptr<Action> noAttr(registry.Create(list.Child(2)));
  EXPECT_EQ(noAttr->Describe(templates.root.get(), nullptr, &text), CX_E_ATTR_MISSING);
  EXPECT_FALSE(noAttr->IsParsed());
}

}  // namespace
