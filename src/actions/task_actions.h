// The "SetAppTaskScheduler" action: creates, deletes, runs or ends a named
// scheduled task (platform/task_scheduler.h). An install list typically
// deletes the product's task first and creates it again at the end; an
// uninstall list deletes it. No "os" filter, no redirection change.
#pragma once
#include <cstdint>

#include "common/wstring.h"
#include "engine/action.h"

// "Name", "Type" (required, not empty); "Param" (optional, not empty when
// present); "AppPath" and "Interval" (required for the type "Create", not
// empty when present; the interval is decimal minutes, a non-number is 0);
// "Description" (optional). Types other than the four create when executed.
class SetAppTaskSchedulerAction : public Action {
 public:
  explicit SetAppTaskSchedulerAction(ScriptElement* element) : Action(element) {}

  CxResult Parse(int force) override;
  // Fills "$[name]" and "$[type]"; a create appends "[<AppPath> <Param>]"
  // directly after the text.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // ScheduleTask's result: 0 or the failing HRESULT.
  CxResult Execute(InstallContext* context) override;

  int32_t Interval() const { return interval_; }

 private:
  WString name_;
  WString type_;
  WString param_;
  WString appPath_;
  WString description_;
  int32_t interval_ = 0;
};

// Factory for the action registry; null when memory runs out.
Action* CreateSetAppTaskSchedulerAction(ScriptElement* element);
