// ActionRegistry: capacity, name cut, exact first-match lookup.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>

#include "engine/action_registry.h"

namespace {

struct StubAction : Action {
  explicit StubAction(ScriptElement* e, int kind) : Action(e), kind(kind) {}
  CxResult Parse(int) override { return CX_OK; }
  CxResult Describe(ScriptElement*, InstallContext*, WString*) override { return CX_OK; }
  CxResult Execute(InstallContext*) override { return CX_OK; }
  int kind;
};
Action* MakeFirst(ScriptElement* e) { return new StubAction(e, 1); }
Action* MakeSecond(ScriptElement* e) { return new StubAction(e, 2); }

// Kind of action created for `tag`, 0 when none.
int CreatedKind(const ActionRegistry& registry, const std::string& tag) {
  TiXmlDocument doc;
  doc.Parse(("<" + tag + "/>").c_str());
  ScriptElement element(doc.RootElement(), 0, 1);
  std::unique_ptr<Action> a(registry.Create(&element));
  return a ? static_cast<StubAction*>(a.get())->kind : 0;
}

TEST(ActionRegistry, LookupIsExactCaseSensitiveAndFirstMatch) {
  ActionRegistry registry;
  EXPECT_EQ(CreatedKind(registry, "KillProcess"), 0);  // empty table
  EXPECT_EQ(registry.Register(nullptr, MakeFirst), 0);
  EXPECT_EQ(registry.Register("", MakeFirst), 0);
  EXPECT_EQ(registry.Register("KillProcess", nullptr), 0);
  ASSERT_EQ(registry.Register("KillProcess", MakeFirst), 1);
  ASSERT_EQ(registry.Register("KillProcess", MakeSecond), 1);  // stored, never found
  EXPECT_EQ(registry.Count(), 2u);
  EXPECT_EQ(CreatedKind(registry, "KillProcess"), 1);
  EXPECT_EQ(CreatedKind(registry, "killprocess"), 0);
  EXPECT_EQ(CreatedKind(registry, "KillProcessX"), 0);
  EXPECT_EQ(registry.Create(nullptr), nullptr);
}

TEST(ActionRegistry, LongNameIsCutTo64Characters) {
  ActionRegistry registry;
  ASSERT_EQ(registry.Register(std::string(70, 'A').c_str(), MakeFirst), 1);
  EXPECT_EQ(CreatedKind(registry, std::string(70, 'A')), 0);  // full tag no longer matches
  EXPECT_EQ(CreatedKind(registry, std::string(64, 'A')), 1);
}

TEST(ActionRegistry, The257thRegistrationFailsAndChangesNothing) {
  ActionRegistry registry;
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(registry.Register(("A" + std::to_string(i)).c_str(), MakeFirst), 1) << i;
  EXPECT_EQ(registry.Register("File", MakeFirst), 0);
  EXPECT_EQ(registry.Count(), 256u);
  EXPECT_EQ(CreatedKind(registry, "File"), 0);
  EXPECT_EQ(CreatedKind(registry, "A255"), 1);
}

}  // namespace
