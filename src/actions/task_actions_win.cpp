// SetAppTaskScheduler: attribute reading, the progress line and the call into
// the task scheduler client.
#include <cstdlib>
#include <new>

#include "actions/attribute_reading.h"
#include "actions/task_actions.h"
#include "platform/task_scheduler.h"

CxResult SetAppTaskSchedulerAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "SetAppTaskScheduler");
  // "AppPath" and "Interval" are required only for a type of exactly
  // "Create"; any other type is taken as a create only when executing.
  CxResult r = read.Text("Name", &name_);
  if (r == CX_OK) r = read.Text("Type", &type_);
  if (r == CX_OK) r = read.Text("Param", &param_);
  if (r == CX_OK) r = read.Text("AppPath", &appPath_);
  if (r != CX_OK) return r;
  read.Text("Description", &description_);
  WString interval;
  r = read.Text("Interval", &interval);
  if (r != CX_OK) return r;
  interval_ = std::atoi(interval.Ansi());
  parsed_ = 1;
  return CX_OK;
}

CxResult SetAppTaskSchedulerAction::Describe(ScriptElement* templates, InstallContext*,
                                             WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "SetAppTaskScheduler", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"name", name_);
  FillPlaceholder(&text, u"type", type_);
  if (type_.Str() == u"Create") {
    WString program(u"[$[AppPath] $[Param]]");
    FillPlaceholder(&program, u"AppPath", appPath_);
    FillPlaceholder(&program, u"Param", param_);
    text.Append(program);
  }
  *out = text;
  return CX_OK;
}

CxResult SetAppTaskSchedulerAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  return ScheduleTask(name_.Wide(), appPath_.Wide(), param_.Wide(), interval_,
                      TaskOperationFromType(type_.Str()), description_.Wide());
}

Action* CreateSetAppTaskSchedulerAction(ScriptElement* element) {
  return new (std::nothrow) SetAppTaskSchedulerAction(element);
}
