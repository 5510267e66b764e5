// SetAppTaskScheduler: the call into the task scheduler client.
#include "actions/task_actions.h"

#include "package/value_rules.h"
#include "platform/task_scheduler.h"

CxResult ExecuteSetAppTaskScheduler(ActionValues* values, InstallContext*) {
  return ScheduleTask(values->Text("Name").Wide(), values->Text("AppPath").Wide(),
                      values->Text("Param").Wide(),
                      MinutesFromText(values->Text("Interval").Ansi()),
                      TaskOperationFromType(values->Text("Type").Wide()),
                      values->Text("Description").Wide());
}
