// Decisions of the setup dialog: mode sides, progress positions, installed
// version states, keys and button guards.
#include "ui/dialog_logic.h"

#include <gtest/gtest.h>

#include <string>

#include "app/resource_ids.h"
#include "engine/install_context.h"
#include "engine/progress.h"

namespace {

TEST(DialogLogic, InstallModeAloneHasTheInstallSide) {
  const ModePage install = PageForMode(kModeInstall);
  EXPECT_STREQ(install.titleKey, "IDS_MAIN_UI_INSTALL_TITLE");
  EXPECT_STREQ(install.welcomeKey, "IDS_WELCOME_INSTALL");
  EXPECT_STREQ(install.tipKey, "IDS_TIP_INSTALLING_PRODUCT");
  EXPECT_STREQ(install.okKey, "IDS_INSTALL_OK");
  EXPECT_STREQ(install.failedKey, "IDS_INSTALL_FAILED");
  EXPECT_EQ(install.runButtonId, IDC_BTN_INSTALL);
  EXPECT_EQ(install.otherButtonId, IDC_BTN_UNINSTALL);

  // Repair and upgrade show the uninstall side, like uninstall itself.
  for (int32_t mode : {kModeRepair, kModeUpgrade, kModeUninstall}) {
    const ModePage page = PageForMode(mode);
    EXPECT_STREQ(page.titleKey, "IDS_MAIN_UI_UNINSTALL_TITLE") << mode;
    EXPECT_STREQ(page.welcomeKey, "IDS_WELCOME_UNINSTALL") << mode;
    EXPECT_STREQ(page.tipKey, "IDS_TIP_UNINSTALLING_PRODUCT") << mode;
    EXPECT_STREQ(page.okKey, "IDS_UNINSTALL_OK") << mode;
    EXPECT_STREQ(page.failedKey, "IDS_UNINSTALL_FAILED") << mode;
    EXPECT_EQ(page.runButtonId, IDC_BTN_UNINSTALL) << mode;
    EXPECT_EQ(page.otherButtonId, IDC_BTN_INSTALL) << mode;
  }

  EXPECT_TRUE(StartsAtOnce(kModeInstall, 1));
  EXPECT_FALSE(StartsAtOnce(kModeInstall, 0));
  EXPECT_FALSE(StartsAtOnce(kModeUninstall, 1));  // silent uninstall still shows the page
  EXPECT_FALSE(StartsAtOnce(kModeRepair, 1));
}

struct StepCase {
  uint32_t total, completed, phase;
  bool setPosition;
  uint32_t position;
  bool firefox;
};

TEST(DialogLogic, ProgressPositionAndTheNextToLastStep) {
  const StepCase cases[] = {
      // one action: 100 after it, no Firefox step
      {1, 0, kPhaseBeforeExecute, false, 0, false},
      {1, 1, kPhaseAfterExecute, true, 100, false},
      // two actions: the step runs after the first, the bar stays at 100
      {2, 0, kPhaseBeforeExecute, true, 0, false},
      {2, 1, kPhaseAfterExecute, true, 100, true},
      {2, 1, kPhaseBeforeExecute, false, 0, false},
      {2, 2, kPhaseAfterExecute, true, 100, false},
      // integer division in between
      {3, 1, kPhaseAfterExecute, true, 33, false},
      {3, 2, kPhaseAfterExecute, true, 100, true},
      {7, 3, kPhaseBeforeExecute, true, 42, false},
      // no list to measure against, and counts far beyond 32-bit products
      {0, 0, kPhaseAfterExecute, false, 0, false},
      {0xFFFFFFFF, 0xFFFFFFF0, kPhaseAfterExecute, true, 99, false},
  };
  for (const StepCase& c : cases) {
    const ProgressStep step = ProgressStepFor(c.total, c.completed, c.phase);
    SCOPED_TRACE(std::to_string(c.total) + "/" + std::to_string(c.completed) + " phase " +
                 std::to_string(c.phase));
    EXPECT_EQ(step.setPosition, c.setPosition);
    if (c.setPosition) {
      EXPECT_EQ(step.position, c.position);
    }
    EXPECT_EQ(step.runFirefoxStep, c.firefox);
  }
}

TEST(DialogLogic, InstalledVersionAgainstThePackage) {
  const uint32_t v1000[4] = {1, 0, 0, 0};
  const uint32_t v0999[4] = {0, 9, 9, 9};
  const uint32_t v1001[4] = {1, 0, 0, 1};
  const uint32_t v2000[4] = {2, 0, 0, 0};
  struct Case {
    uint32_t read;
    const uint32_t* installed;
    const char16_t* package;
    InstalledState want;
  } cases[] = {
      {2, nullptr, u"1.0.0.0", kNotInstalled},
      {2, nullptr, nullptr, kNotInstalled},
      {5, v1000, u"1.0.0.0", kInstalledUnknown},  // read error: page opens
      {0, v1000, u"1.0.0.0", kInstalledSame},
      {0, v1000, u"1, 0, 0, 0", kInstalledSame},
      {0, v0999, u"1.0.0.0", kInstalledLower},
      {0, v1001, u"1.0.0.0", kInstalledHigher},
      {0, v2000, u"1.9.9.9", kInstalledHigher},
      {0, v1000, nullptr, kInstalledUnknown},  // no "Version" in the script
      {0, v1000, u"1.0.0", kInstalledUnknown},
      {0, v1000, u"", kInstalledUnknown},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(InstalledVersionState(c.read, c.installed, c.package), c.want) << "case " << i;
  }
  EXPECT_STREQ(InstalledStateMessageKey(kInstalledSame), "IDS_INSTAL_EQUAL_WARNING");
  EXPECT_STREQ(InstalledStateMessageKey(kInstalledHigher), "IDS_INSTAL_HIGHER_WARNING");
  EXPECT_EQ(InstalledStateMessageKey(kInstalledLower), nullptr);  // the LOWER text is never used
  EXPECT_EQ(InstalledStateMessageKey(kNotInstalled), nullptr);
  EXPECT_EQ(InstalledStateMessageKey(kInstalledUnknown), nullptr);
}

TEST(DialogLogic, KeysCloseBoxAndButtonGuards) {
  constexpr uint32_t kKeyDown = 0x0100, kKeyUp = 0x0101, kChar = 0x0102;
  constexpr uint32_t kEnter = 0x0D, kEscape = 0x1B, kSpace = 0x20;
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEnter, true), KeyAnswer::kPressFocused);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEnter, false), KeyAnswer::kPass);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEscape, true), KeyAnswer::kSwallow);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kEscape, false), KeyAnswer::kSwallow);
  EXPECT_EQ(KeyAnswerFor(kKeyDown, kSpace, true), KeyAnswer::kPass);
  EXPECT_EQ(KeyAnswerFor(kKeyUp, kEnter, true), KeyAnswer::kPass);
  EXPECT_EQ(KeyAnswerFor(kChar, kEscape, true), KeyAnswer::kPass);

  EXPECT_FALSE(CloseIgnored(kRunIdle));
  EXPECT_TRUE(CloseIgnored(kRunRunning));
  EXPECT_FALSE(CloseIgnored(kRunFinished));

  EXPECT_TRUE(CanStartRun(kRunIdle));
  EXPECT_FALSE(CanStartRun(kRunRunning));
  EXPECT_FALSE(CanStartRun(kRunFinished));
  EXPECT_FALSE(CanFinish(kRunIdle));
  EXPECT_FALSE(CanFinish(kRunRunning));
  EXPECT_TRUE(CanFinish(kRunFinished));

  EXPECT_EQ(ProcessExitCode(true), 0);
  EXPECT_EQ(ProcessExitCode(false), 1);
}

TEST(DialogLogic, LogoLiesInsideThePackageFolder) {
  const std::u16string tail = u"PackageFiles\\ProgramFiles(x86)\\KOVA\\Corvexa\\Res\\Logo_Long.bmp";
  EXPECT_EQ(LogoPath(WString(u"C:\\T\\CxKeyPackage_0000002A\\")).Str(),
            u"C:\\T\\CxKeyPackage_0000002A\\" + tail);
  EXPECT_EQ(LogoPath(WString(u"C:\\T\\P")).Str(), u"C:\\T\\P\\" + tail);
  EXPECT_TRUE(LogoPath(WString()).IsEmpty());
}

}  // namespace
