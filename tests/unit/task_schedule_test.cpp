// The scheduled task's operation names and its interval range.
#include <gtest/gtest.h>

#include "platform/task_schedule.h"

TEST(TaskOperationFromType, Table) {
  struct Case { const char16_t* type; TaskOperation op; } cases[] = {
      {u"Create", kTaskCreate}, {u"Delete", kTaskDelete}, {u"Run", kTaskRun},
      {u"End", kTaskEnd},
      {u"delete", kTaskCreate},  // exact case only
      {u"Stop", kTaskCreate},    // unknown types create
  };
  for (const Case& c : cases) EXPECT_EQ(TaskOperationFromType(c.type), c.op) << (&c - cases);
}

TEST(IsValidTaskInterval, InsideOneDayOnly) {
  EXPECT_FALSE(IsValidTaskInterval(0));
  EXPECT_TRUE(IsValidTaskInterval(1));
  EXPECT_TRUE(IsValidTaskInterval(1439));
  EXPECT_FALSE(IsValidTaskInterval(1440));  // not shorter than the day's duration
  EXPECT_FALSE(IsValidTaskInterval(-5));
}
