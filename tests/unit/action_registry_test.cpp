// ActionRegistry: exact lookup, name cut, capacity.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>

#include "engine/action_registry.h"

namespace {

struct StubAction : Action {
  using Action::Action;
  CxResult Parse(int) override { return CX_OK; }
  CxResult Describe(ScriptElement*, InstallContext*, WString*) override { return CX_OK; }
  CxResult Execute(InstallContext*) override { return CX_OK; }
};
Action* MakeStub(ScriptElement* e) { return new StubAction(e); }

bool Creates(const ActionRegistry& registry, const std::string& tag) {
  TiXmlDocument doc;
  doc.Parse(("<" + tag + "/>").c_str());
  ScriptElement element(doc.RootElement(), 0, 1);
  return std::unique_ptr<Action>(registry.Create(&element)) != nullptr;
}

TEST(ActionRegistry, LookupIsExactAndLongNamesAreCutTo64) {
  ActionRegistry registry;
  ASSERT_EQ(registry.Register("KillProcess", MakeStub), 1);
  ASSERT_EQ(registry.Register(std::string(70, 'A').c_str(), MakeStub), 1);
  EXPECT_TRUE(Creates(registry, "KillProcess"));
  EXPECT_FALSE(Creates(registry, "killprocess"));
  EXPECT_FALSE(Creates(registry, std::string(70, 'A')));
  EXPECT_TRUE(Creates(registry, std::string(64, 'A')));
}

TEST(ActionRegistry, The257thRegistrationFails) {
  ActionRegistry registry;
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(registry.Register(("A" + std::to_string(i)).c_str(), MakeStub), 1) << i;
  EXPECT_EQ(registry.Register("File", MakeStub), 0);
  EXPECT_FALSE(Creates(registry, "File"));
}

}  // namespace
