// The work of the "SetAppTaskScheduler" action: creates, deletes, runs or
// ends a named scheduled task (platform/task_scheduler.h). An install list
// typically deletes the product's task first and creates it again at the
// end; an uninstall list deletes it. Attributes and description: its row
// in package/script_vocabulary.cpp.
#pragma once
#include "engine/script_action.h"

// ScheduleTask's result: 0 or the failing HRESULT. A "Type" other than the
// four creates; "Interval" is read by package/value_rules.h (a non-number
// is 0, which makes a create do nothing).
CxResult ExecuteSetAppTaskScheduler(ActionValues* values, InstallContext* context);
