// The Task Scheduler 1.0 client: creates, deletes, runs or ends a named
// scheduled task of the current user. A created task runs a program every
// few minutes all day, from today (local date), only while that user is
// logged on (no password is stored). COM is initialised on the calling
// thread for the duration of the call. Implemented for Windows only.
#pragma once
#include <cstdint>

#include "common/result_codes.h"
#include "platform/task_schedule.h"

// `operation` is a TaskOperation; a value above kTaskEnd does nothing.
// Returns 0, or the failing HRESULT. Nothing is done and 0 returned for an
// empty name, and for a create with an empty appPath or an interval of 0.
//   Create: the interval is checked first (IsValidTaskInterval; otherwise
//     CX_HR_E_INVALIDARG and an existing task is left as it was); then a
//     task of that name is replaced. The result is that of saving the task.
//     A later step's failure leaves what was made so far.
//   Delete: a task that does not exist counts as deleted.
//   Run: starts the task now.
//   End: ends the task when it is running; a task that is not running is
//     left alone with 0.
CxResult ScheduleTask(const char16_t* name, const char16_t* appPath, const char16_t* parameters,
                      int32_t interval, uint32_t operation, const char16_t* comment);
