// Scheduled-task decisions (portable).
#include "platform/task_schedule.h"

TaskOperation TaskOperationFromType(const std::u16string& type) {
  if (type == u"Delete") return kTaskDelete;
  if (type == u"Run") return kTaskRun;
  if (type == u"End") return kTaskEnd;
  return kTaskCreate;
}

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
