// Decisions of a setup run: when it starts, the button guards, progress
// positions with the Firefox step, and installed-version states.
#include "app/run_policy.h"

#include <gtest/gtest.h>

#include "engine/install_context.h"
#include "engine/progress.h"

namespace {

TEST(RunPolicy, StartAndButtonGuards) {
  EXPECT_TRUE(StartsAtOnce(kModeInstall, 1));
  EXPECT_FALSE(StartsAtOnce(kModeUninstall, 1));  // silent uninstall still shows the page
  EXPECT_FALSE(CanStartRun(kRunRunning));
  EXPECT_TRUE(CanFinish(kRunFinished));
}

TEST(RunPolicy, ProgressPositionAndTheNextToLastStep) {
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
    if (c.set) {
      EXPECT_EQ(step.position, c.position) << (&c - cases);
    }
    EXPECT_EQ(step.runFirefoxStep, c.firefox) << (&c - cases);
  }
}

TEST(RunPolicy, InstalledVersionAgainstThePackage) {
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

}  // namespace
