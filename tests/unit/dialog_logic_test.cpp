// Decisions of the setup dialog: mode sides, progress positions, installed
// version states, keys and button guards.
#include "ui/dialog_logic.h"

#include <gtest/gtest.h>

#include "app/resource_ids.h"
#include "engine/install_context.h"
#include "engine/progress.h"

namespace {

TEST(DialogLogic, ModeChoosesTextsAndButtons) {
  const ModePage install = PageForMode(kModeInstall);
  EXPECT_STREQ(install.welcomeKey, "IDS_WELCOME_INSTALL");
  EXPECT_EQ(install.runButtonId, IDC_BTN_INSTALL);
  for (int32_t mode : {kModeRepair, kModeUpgrade, kModeUninstall}) {  // the uninstall side
    const ModePage page = PageForMode(mode);
    EXPECT_STREQ(page.titleKey, "IDS_MAIN_UI_UNINSTALL_TITLE") << mode;
    EXPECT_STREQ(page.welcomeKey, "IDS_WELCOME_UNINSTALL") << mode;
    EXPECT_EQ(page.runButtonId, IDC_BTN_UNINSTALL) << mode;
    EXPECT_EQ(page.otherButtonId, IDC_BTN_INSTALL) << mode;
  }
  EXPECT_TRUE(StartsAtOnce(kModeInstall, 1));
  EXPECT_FALSE(StartsAtOnce(kModeUninstall, 1));  // silent uninstall still shows the page
}

TEST(DialogLogic, ProgressPositionAndTheNextToLastStep) {
  const struct { uint32_t total, completed, phase; bool set; uint32_t position; bool firefox; } cases[] = {
      {1, 0, kPhaseBeforeExecute, false, 0, false},  // one action: 100 after it, no Firefox step
      {1, 1, kPhaseAfterExecute, true, 100, false},
      {2, 0, kPhaseBeforeExecute, true, 0, false},   // two: the step after the first, then 100
      {2, 1, kPhaseAfterExecute, true, 100, true},
      {2, 1, kPhaseBeforeExecute, false, 0, false},
      {2, 2, kPhaseAfterExecute, true, 100, false},
      {7, 3, kPhaseBeforeExecute, true, 42, false},
      {0, 0, kPhaseAfterExecute, false, 0, false},  // no list, and counts beyond 32-bit products
      {0xFFFFFFFF, 0xFFFFFFF0, kPhaseAfterExecute, true, 99, false},
  };
  for (const auto& c : cases) {
    const ProgressStep step = ProgressStepFor(c.total, c.completed, c.phase);
    EXPECT_EQ(step.setPosition, c.set) << (&c - cases);
    if (c.set) EXPECT_EQ(step.position, c.position) << (&c - cases);
    EXPECT_EQ(step.runFirefoxStep, c.firefox) << (&c - cases);
  }
}

TEST(DialogLogic, InstalledVersionAgainstThePackage) {
  const uint32_t v1000[4] = {1, 0, 0, 0}, v0999[4] = {0, 9, 9, 9}, v2000[4] = {2, 0, 0, 0};
  const struct { uint32_t read; const uint32_t* installed; const char16_t* package; InstalledState want; } cases[] = {
      {2, nullptr, u"1.0.0.0", kNotInstalled},
      {5, v1000, u"1.0.0.0", kInstalledUnknown},  // read error: page opens
      {0, v1000, u"1, 0, 0, 0", kInstalledSame},
      {0, v0999, u"1.0.0.0", kInstalledLower},
      {0, v2000, u"1.9.9.9", kInstalledHigher},
      {0, v1000, nullptr, kInstalledUnknown},  // no "Version" in the script
  };
  for (const auto& c : cases)
    EXPECT_EQ(InstalledVersionState(c.read, c.installed, c.package), c.want) << (&c - cases);
  EXPECT_STREQ(InstalledStateMessageKey(kInstalledSame), "IDS_INSTAL_EQUAL_WARNING");
  EXPECT_STREQ(InstalledStateMessageKey(kInstalledHigher), "IDS_INSTAL_HIGHER_WARNING");
  EXPECT_EQ(InstalledStateMessageKey(kInstalledLower), nullptr);  // the LOWER text is never used
}

TEST(DialogLogic, KeysCloseBoxAndButtonGuards) {
  constexpr uint32_t kKeyDown = 0x0100, kKeyUp = 0x0101, kEnter = 0x0D, kEscape = 0x1B;
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEnter, true), KeyAnswer::kPressFocused);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEnter, false), KeyAnswer::kPass);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEscape, false), KeyAnswer::kSwallow);
  EXPECT_EQ(KeyAnswerFor(kKeyUp, kEnter, true), KeyAnswer::kPass);
  EXPECT_TRUE(CloseIgnored(kRunRunning));
  EXPECT_FALSE(CloseIgnored(kRunFinished));
  EXPECT_FALSE(CanStartRun(kRunRunning));
  EXPECT_TRUE(CanFinish(kRunFinished));
}

}  // namespace
