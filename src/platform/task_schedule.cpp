// Scheduled-task decisions (portable).
#include "platform/task_schedule.h"

bool IsValidTaskInterval(int32_t minutes) {
  return minutes >= kMinTaskIntervalMinutes && minutes <= kMaxTaskIntervalMinutes;
}

DailyTaskTrigger MakeDailyTaskTrigger(uint16_t year, uint16_t month, uint16_t day,
                                      uint32_t intervalMinutes) {
  DailyTaskTrigger t;
  t.beginYear = year;
  t.beginMonth = month;
  t.beginDay = day;
  t.startHour = 0;
  t.startMinute = 1;
  t.durationMinutes = 1440;
  t.intervalMinutes = intervalMinutes;
  t.daysInterval = 1;
  return t;
}
