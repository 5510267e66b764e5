// Decisions of the setup dialog: mode sides, keys and the close box.
#include "ui/dialog_logic.h"

#include <gtest/gtest.h>

#include "app/resource_ids.h"
#include "app/run_policy.h"
#include "engine/install_context.h"

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
}

TEST(DialogLogic, KeysAndCloseBox) {
  constexpr uint32_t kKeyDown = 0x0100, kKeyUp = 0x0101, kEnter = 0x0D, kEscape = 0x1B;
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEnter, true), KeyAnswer::kPressFocused);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEnter, false), KeyAnswer::kPass);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEscape, false), KeyAnswer::kSwallow);
  EXPECT_EQ(KeyAnswerFor(kKeyUp, kEnter, true), KeyAnswer::kPass);
  EXPECT_TRUE(CloseIgnored(kRunRunning));
  EXPECT_FALSE(CloseIgnored(kRunFinished));
}

}  // namespace
