// The scheduled task's interval range and trigger.
#include <gtest/gtest.h>

#include "platform/task_schedule.h"

TEST(IsValidTaskInterval, InsideOneDayOnly) {
  EXPECT_FALSE(IsValidTaskInterval(0));
  EXPECT_TRUE(IsValidTaskInterval(1));
  EXPECT_TRUE(IsValidTaskInterval(1439));
  EXPECT_FALSE(IsValidTaskInterval(1440));  // not shorter than the day's duration
  EXPECT_FALSE(IsValidTaskInterval(-5));
}
