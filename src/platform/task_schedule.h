// The decisions behind the scheduled task, apart from the Task Scheduler's
// COM objects: its operations, which intervals a task can repeat at, and
// the daily trigger a created task gets.
#pragma once
#include <cstdint>

// The script's type words map to these by their order
// (package/script_vocabulary.h, TaskOperationFromType).
enum TaskOperation : uint32_t {
  kTaskCreate = 0,
  kTaskDelete = 1,
  kTaskRun = 2,
  kTaskEnd = 3,
};

// A repetition inside a one-day (1440-minute) duration must be shorter than
// the duration: 1 to 1439 minutes.
constexpr int32_t kMinTaskIntervalMinutes = 1;
constexpr int32_t kMaxTaskIntervalMinutes = 1439;
bool IsValidTaskInterval(int32_t minutes);

// The fields of the Task Scheduler 1.0 trigger that a created task gets:
// every day from the given (local) date, at 00:01, repeating every
// `intervalMinutes` for 1440 minutes, no end date.
struct DailyTaskTrigger {
  uint16_t beginYear = 0, beginMonth = 0, beginDay = 0;
  uint16_t startHour = 0, startMinute = 0;
  uint32_t durationMinutes = 0;
  uint32_t intervalMinutes = 0;
  uint16_t daysInterval = 0;
};
DailyTaskTrigger MakeDailyTaskTrigger(uint16_t year, uint16_t month, uint16_t day,
                                      uint32_t intervalMinutes);
