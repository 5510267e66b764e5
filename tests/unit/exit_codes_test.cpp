// Run outcomes to the documented exit codes.
#include <gtest/gtest.h>

#include "app/exit_codes.h"

TEST(ExitCodes, OutcomesMapToTheDocumentedCodes) {
  struct {
    RunOutcome outcome;
    bool restart;
    uint32_t code;
  } const cases[] = {
      {RunOutcome::kSucceeded, false, 0},          {RunOutcome::kSucceeded, true, 3010},
      {RunOutcome::kCancelled, true, 1602},        {RunOutcome::kActionFailed, true, 1603},
      {RunOutcome::kAnotherInstance, false, 1618}, {RunOutcome::kPackageDamaged, false, 1620},
      {RunOutcome::kAlreadyInstalled, false, 1638}, {RunOutcome::kNotAdmin, false, 740},
      {RunOutcome::kHelpShown, true, 0},           {RunOutcome::kBrowserRunning, false, 4100},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExitCodeFor(c.outcome, c.restart), c.code) << OutcomeName(c.outcome);
}
